#include "log/diaglog.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/format_text.h"
#include "platform/lock.h"
#include "platform/win32.h"
#include "platform/win_text.h"

namespace {

struct LogState {
    Lock lock;
    bool requested = false;
    bool decided = false;
    bool hasPath = false;
    std::string path;
    std::string folder;  // where a new log goes instead of TMP
    FILE* file = nullptr;
};

LogState& state() {
    static LogState s;
    return s;
}

bool variableIsYes(const char* name) {
    std::string value;
    return environmentVariable(name, value) && value == "yes";
}

// A new file name with prefix "mvt_nlog_" in the directory named by TMP when
// that is a directory, else in c:\ (the rule of the C runtime's _tempnam,
// whose own names keep only three letters of the prefix on some systems).
// The file is created empty so that no other process takes the name.
bool createUniqueLogName(std::string& path, const std::string& folder) {
    std::string directory = folder;
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    if (!directory.empty() || (environmentVariable("TMP", directory) && !directory.empty()))
        attributes = GetFileAttributesA(directory.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) directory = "c:\\";
    if (directory.back() != '\\' && directory.back() != '/') directory += '\\';
    const DWORD seed = GetCurrentProcessId() ^ GetTickCount();
    for (DWORD attempt = 0; attempt < 1000; ++attempt) {
        const std::string candidate =
            directory + "mvt_nlog_" + formatText("%lx", static_cast<unsigned long>(seed + attempt * 7919u));
        HANDLE file = CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            path = candidate;
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

std::string moduleFileName() {
    std::string path;
    fillGrowing(path, [](char* buffer, DWORD capacity) { return GetModuleFileNameA(nullptr, buffer, capacity); });
    return path;
}

// Opens the file for this message, deciding once whether there is a log at all.
void openForMessage(LogState& s) {
    if (s.hasPath && s.file == nullptr) s.file = std::fopen(s.path.c_str(), "a");
    if (s.decided) return;
    s.decided = true;
    bool enabled = s.requested;
    if (variableIsYes("QARVO_LOG")) enabled = true;
    if (variableIsYes("MORVANTIC_LOG")) enabled = true;
    if (!enabled) return;

    if (createUniqueLogName(s.path, s.folder)) {
        s.hasPath = true;
        s.file = std::fopen(s.path.c_str(), "w");
    }
    if (s.file == nullptr) {
        s.path = "c:\\mvt_nlog";
        s.hasPath = true;
        s.file = std::fopen(s.path.c_str(), "w");
        if (s.file == nullptr) return;
    }
    std::time_t now = std::time(nullptr);
    const char* when = std::ctime(&now);
    std::fputs(("Started executable " + moduleFileName() + " at " + (when ? when : "\n") + "\n").c_str(), s.file);
    std::fflush(s.file);
}

void writeMessage(const char* prefix, const char* format, va_list args) {
    LogState& s = state();
    LockGuard guard(s.lock);
    openForMessage(s);
    if (s.file == nullptr) return;
    std::fputs((prefix + formatTextV(format, args) + "\n").c_str(), s.file);
    std::fclose(s.file);
    s.file = nullptr;
}

}  // namespace

void logInfo(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writeMessage("", format, args);
    va_end(args);
}

void logError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writeMessage("ERROR: ", format, args);
    va_end(args);
}

const char* logFilePath() {
    LogState& s = state();
    LockGuard guard(s.lock);
    return s.hasPath ? s.path.c_str() : nullptr;
}

void requestLogFile() {
    LogState& s = state();
    LockGuard guard(s.lock);
    s.requested = true;
}

void moveLogInto(const std::string& folder) {
    LogState& s = state();
    LockGuard guard(s.lock);
    s.folder = folder;
    if (!s.hasPath) return;
    const size_t slash = s.path.find_last_of("\\/");
    const std::string moved = folder + "\\" + s.path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (MoveFileExA(s.path.c_str(), moved.c_str(), MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING)) s.path = moved;
}
