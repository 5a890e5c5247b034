// Shared by the pieces of the fake Java runtime: text conversion, their script
// files and the transcripts that the tests read. By default both live in the
// directory of the module.
#pragma once

#include "platform/win32.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fakejre {

// ---------------------------------------------------------------- text

std::string toUtf8(const std::wstring& text);
std::wstring fromCodePage(const std::string& text, UINT codePage);
inline std::wstring fromUtf8(const std::string& text) { return fromCodePage(text, CP_UTF8); }
inline bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// An environment variable of this process; empty when it is not set.
std::wstring environmentVariable(const wchar_t* name);

// ---------------------------------------------------------------- files

// The directory of the given module (nullptr: the process's executable), with a trailing backslash.
std::wstring moduleDirectory(HMODULE module = nullptr);

// The lines of a file, ended by "\n" or "\r\n"; none when it cannot be read.
std::vector<std::string> readLines(const std::wstring& path);

// ---------------------------------------------------------------- script

// The "key=value" lines of a script file in file order; comments ("#...")
// and lines without "=" are left out.
std::vector<std::pair<std::string, std::string>> scriptEntries(const std::wstring& path);

// Values of "key=value" lines of fakejre.ini in the directory, in file order.
std::string scriptValue(const std::wstring& directory, const char* key, const char* fallback);
std::string scriptValues(const std::wstring& directory, const char* key);  // all, one per line

// ---------------------------------------------------------------- transcript

// Appends one line (UTF-8) to a transcript file. Several threads and
// processes may record at once: the file is opened for each line without
// sharing, and a busy file is tried again (for two seconds at most).
void appendLine(const std::wstring& path, const std::string& utf8Line);

// The default transcript: fakejre-calls.log in the directory.
inline std::wstring callsLog(const std::wstring& directory) { return directory + L"fakejre-calls.log"; }
inline void recordCall(const std::wstring& directory, const std::wstring& line) {
    appendLine(callsLog(directory), toUtf8(line));
}

// ---------------------------------------------------------------- host paths

// A Windows path as the host sees it: Wine's own translation when there is
// one, else Z: as the root and other drives through the prefix's dosdevices.
std::string hostPath(const std::wstring& windowsPath);
// A ';' list of Windows paths as a ':' list of host paths.
std::string hostPathList(const std::wstring& list);
// Quoted for a command line split by the Windows rules.
std::wstring quoted(const std::wstring& argument);
// The parts, each quoted as needed, joined by blanks.
std::wstring commandLine(const std::vector<std::wstring>& parts);
// Starts a command line with this process's standard streams.
bool startWithOwnStreams(std::wstring& line, PROCESS_INFORMATION& process);

// ---------------------------------------------------------------- HotSpot 25's AOT options

// How HotSpot 25 refuses the AOT options of a launch: its complaint (for
// standard error) and whether it ends the process (code 1) rather than
// failing the creation of the JVM.
struct AotComplaint {
    std::string text;
    bool endsProcess = false;
};
std::optional<AotComplaint> aotComplaint(const std::vector<std::string>& options);

}  // namespace fakejre
