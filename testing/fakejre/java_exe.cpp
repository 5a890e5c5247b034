// Fake java.exe: prints the banner its script gives on standard error (as a
// real runtime does for -version), then waits or hangs and exits with the
// scripted code. Script lines in fakejre.ini beside it:
//   banner=<line>     (repeatable; default: openjdk version "17.0.15" 2025-04-15)
//   exit=<code>       (default 0)
//   delay_ms=<ms>     (wait before exiting)
//   release_file=<name>  (the wait ends early once a file of that name is beside it)
//   hang=1            (never exit)
// With -XX:AOTMode=create it makes an ahead-of-time cache instead, as strict
// as HotSpot 25 about the options: in a bridged runtime (server\fakejre.ini
// names the bridge and a host JDK) the host's java makes it from the mapped
// paths, otherwise the configuration is copied as the cache (exit= other
// than 0: no cache, that code).
#include "testing/fakejre/fake_common.h"

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

namespace {

using fakejre::fromUtf8;
using fakejre::toUtf8;

void writeTo(DWORD stream, const std::string& text) {
    DWORD written;
    WriteFile(GetStdHandle(stream), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring valueOf(const std::vector<std::wstring>& args, const std::wstring& prefix) {
    std::wstring value;
    for (const std::wstring& arg : args)
        if (arg.compare(0, prefix.size(), prefix) == 0) value = arg.substr(prefix.size());
    return value;
}

// The host's java through bridge.sh, which writes its exit status to a file:
// Wine can neither wait for a host program nor read its exit code.
int createOnHost(const std::string& bridge, const std::string& jdk, const std::vector<std::wstring>& args) {
    std::wstring temp(MAX_PATH + 1, L'\0');
    temp.resize(GetTempPathW(MAX_PATH + 1, temp.data()));
    const std::wstring status =
        temp + L"qvo_aotcreate_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(GetTickCount());
    std::vector<std::wstring> command = {L"/bin/bash", fromUtf8(bridge + "/bridge.sh"),
                                         fromUtf8(fakejre::hostPath(status)), fromUtf8(jdk + "/bin/java")};
    for (size_t i = 1; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        bool mapped = false;
        for (const std::wstring prefix : {L"-XX:AOTConfiguration=", L"-XX:AOTCache="})
            if (arg.compare(0, prefix.size(), prefix) == 0) {
                command.push_back(prefix + fromUtf8(fakejre::hostPath(arg.substr(prefix.size()))));
                mapped = true;
            }
        if (i > 1 && (args[i - 1] == L"-cp" || args[i - 1] == L"-classpath")) {
            command.push_back(fromUtf8(fakejre::hostPathList(arg)));
            mapped = true;
        }
        if (!mapped) command.push_back(arg);
    }
    std::wstring line = fakejre::commandLine(command);
    fakejre::recordCall(fakejre::moduleDirectory(), L"java bridge " + line);
    PROCESS_INFORMATION process{};
    if (!fakejre::startWithOwnStreams(line, process)) {
        writeTo(STD_ERROR_HANDLE, "fake java.exe: cannot start the host's java\n");
        return 87;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::vector<std::string> lines;
    for (int waited = 0; (lines = fakejre::readLines(status)).empty(); waited += 50) {
        if (waited > 300000) return 88;
        Sleep(50);
    }
    // What the host's java printed where it had no standard output.
    for (const std::string& out : fakejre::readLines(status + L".out")) writeTo(STD_OUTPUT_HANDLE, out + "\n");
    DeleteFileW(status.c_str());
    DeleteFileW((status + L".out").c_str());
    return std::atoi(lines[0].c_str());
}

// HotSpot 25's refusal of the AOT options, if any.
std::optional<int> refusedAotOptions(const std::vector<std::wstring>& args) {
    std::vector<std::string> options;
    for (size_t i = 1; i < args.size(); ++i) options.push_back(toUtf8(args[i]));
    const std::optional<fakejre::AotComplaint> complaint = fakejre::aotComplaint(options);
    if (!complaint) return std::nullopt;
    writeTo(STD_ERROR_HANDLE, complaint->text);
    return 1;
}

int createAotCache(const std::wstring& directory, const std::vector<std::wstring>& args) {
    const std::string bridge = fakejre::scriptValue(directory + L"server\\", "bridge", "");
    const std::string jdk = fakejre::scriptValue(directory + L"server\\", "jdk", "");
    if (!bridge.empty() && !jdk.empty()) return createOnHost(bridge, jdk, args);
    const std::wstring configuration = valueOf(args, L"-XX:AOTConfiguration=");
    const std::wstring cache = valueOf(args, L"-XX:AOTCache=");
    const int code = std::atoi(fakejre::scriptValue(directory, "exit", "0").c_str());
    if (!exists(configuration) || code != 0) {
        writeTo(STD_ERROR_HANDLE, "Error occurred during initialization of VM\nMust be a valid AOT configuration "
                                  "generated by the current JVM: " + toUtf8(configuration) + "\n");
        return code != 0 ? code : 1;
    }
    if (!CopyFileW(configuration.c_str(), cache.c_str(), FALSE)) return 1;
    writeTo(STD_OUTPUT_HANDLE, "AOTCache creation is complete: " + toUtf8(cache) + "\n");
    return 0;
}

}  // namespace

int main() {
    const std::wstring directory = fakejre::moduleDirectory();
    fakejre::recordCall(directory, L"java " + std::wstring(GetCommandLineW()));
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::vector<std::wstring> args(argv, argv + (argv != nullptr ? count : 0));
    if (const std::optional<int> refused = refusedAotOptions(args)) return *refused;
    if (valueOf(args, L"-XX:AOTMode=") == L"create") return createAotCache(directory, args);
    std::string banner = fakejre::scriptValues(directory, "banner");
    if (banner.empty()) banner = "openjdk version \"17.0.15\" 2025-04-15\nOpenJDK Runtime Environment (fake)\n";
    std::fputs(banner.c_str(), stderr);
    std::fflush(stderr);
    if (fakejre::scriptValue(directory, "hang", "0") == "1")
        for (;;) Sleep(1000);
    const DWORD delay = static_cast<DWORD>(std::atoi(fakejre::scriptValue(directory, "delay_ms", "0").c_str()));
    const std::string release = fakejre::scriptValue(directory, "release_file", "");
    const std::wstring releasePath = directory + std::wstring(release.begin(), release.end());
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < delay) {
        if (!release.empty() && GetFileAttributesW(releasePath.c_str()) != INVALID_FILE_ATTRIBUTES) break;
        Sleep(50);
    }
    return std::atoi(fakejre::scriptValue(directory, "exit", "0").c_str());
}
