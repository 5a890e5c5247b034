#include "testing/fakejre/jvm_bridge.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <cwctype>
#include <utility>

#include "testing/fakejre/fake_common.h"

namespace fakejvm::bridge {

namespace {

using fakejre::fromCodePage;
using fakejre::fromUtf8;
using fakejre::startsWith;
using fakejre::toUtf8;

constexpr UINT kExitBridgeFailure = 87;

Settings settings;
Launch recorded;

void record(const std::string& line) { settings.record(line); }

using fakejre::hostPath;
using fakejre::hostPathList;
using fakejre::commandLine;
using fakejre::startWithOwnStreams;

// ---------------------------------------------------------------- options

const std::vector<std::string> kPathProperties = {"qarvo.tempDir", "qarvo.moduleName", "qarvo.processCommFile"};
// Path-valued VM options: the class-data archive HotSpot maps or writes, the
// ahead-of-time configuration it records and the cache it maps.
const char* const kPathOptions[] = {"-XX:SharedArchiveFile=", "-XX:AOTConfiguration=", "-XX:AOTCache="};

const char* pathOption(const std::string& option) {
    for (const char* name : kPathOptions)
        if (startsWith(option, name)) return name;
    return nullptr;
}

bool isPathProperty(const std::string& name) {
    for (const std::string& property : kPathProperties)
        if (property == name) return true;
    return false;
}

// The JVM options for the host's JVM: as the launcher gave them, with the
// paths of the class path, the library path, the module path, the path
// properties, the class-data archive and the AOT files mapped.
std::vector<std::wstring> hostOptions() {
    std::vector<std::wstring> out;
    for (const std::string& option : recorded.options) {
        const std::wstring wide = fromCodePage(option, CP_ACP);
        const size_t equals = option.find('=');
        const std::string name = startsWith(option, "-D") && equals != std::string::npos
                                     ? option.substr(2, equals - 2)
                                     : std::string();
        const std::wstring value = equals == std::string::npos ? std::wstring() : fromCodePage(option.substr(equals + 1), CP_ACP);
        if (const char* path = pathOption(option)) {
            const std::string name = path;
            out.push_back(fromUtf8(name + hostPath(fromCodePage(option.substr(name.size()), CP_ACP))));
        } else if (name == "java.class.path") {
            out.push_back(L"-Djava.class.path=" + fromUtf8(hostPathList(value)));
        } else if (name == "java.library.path") {
            out.push_back(L"-Djava.library.path=" + fromUtf8(hostPathList(value)));
        } else if (startsWith(option, "--module-path=")) {
            out.push_back(L"--module-path=" + fromUtf8(hostPathList(value)));
        } else if (isPathProperty(name) && !value.empty()) {
            out.push_back(fromUtf8("-D" + name + "=" + hostPath(value)));
        } else {
            out.push_back(wide);
        }
    }
    return out;
}

// ---------------------------------------------------------------- files

// Wine reuses process ids, and the host's java of an earlier process can still
// be writing its status file after that process ended (its main threw), so the
// name carries the moment of the start as well as the id.
std::wstring tempFile(const wchar_t* suffix) {
    static const std::wstring stamp = [] {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(now.QuadPart);
    }();
    std::wstring directory(MAX_PATH + 1, L'\0');
    directory.resize(GetTempPathW(MAX_PATH + 1, directory.data()));
    return directory + L"qvo_bridge_" + stamp + suffix;
}

struct Files {
    std::wstring stem, status, marker, created, call, destroy;
    bool awaitingCall = false;  // the host's JVM is up and main not yet called
    bool awaitingDestroy = false;  // main returned and DestroyJavaVM not yet called
    std::atomic<int> controls{0};  // calls from other threads so far (STEM.control.<n>)

    std::wstring control(int n) const { return stem + L".control." + std::to_wstring(n); }
    std::wstring reply(int n) const { return stem + L".reply." + std::to_wstring(n); }
};
Files files;
// The main thread and the threads that call through the bridge share the
// relay and the end of the host's java.
std::mutex hostLock;

// Wine hands a host program started by a GUI process no standard output; the
// wrapper then writes it to a file beside the status file, which the fake
// copies to its own standard output as it grows.
struct OutputRelay {
    std::wstring path;
    LONGLONG offset = 0;

    void pass() {
        HANDLE in = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (in == INVALID_HANDLE_VALUE) return;
        LARGE_INTEGER at;
        at.QuadPart = offset;
        SetFilePointerEx(in, at, nullptr, FILE_BEGIN);
        char buffer[8192];
        DWORD n = 0, written;
        while (ReadFile(in, buffer, sizeof buffer, &n, nullptr) && n > 0) {
            WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), buffer, n, &written, nullptr);
            offset += n;
        }
        CloseHandle(in);
    }
};
OutputRelay relay;

void passOutput() {
    std::lock_guard<std::mutex> guard(hostLock);
    relay.pass();
}

// A wait of a handshake: wakes when a file of the bridge's folder changes
// (the host's files and its output are written there), so that a start
// pays no polling interval per handshake, or after 20 ms at the latest.
// Made before the first look, so that no change between a look and the wait
// is missed.
class ChangeWait {
public:
    ChangeWait()
        : handle_(FindFirstChangeNotificationW(folder().c_str(), FALSE,
                                               FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE |
                                                   FILE_NOTIFY_CHANGE_LAST_WRITE)) {}
    ~ChangeWait() {
        if (handle_ != INVALID_HANDLE_VALUE) FindCloseChangeNotification(handle_);
    }
    ChangeWait(const ChangeWait&) = delete;
    ChangeWait& operator=(const ChangeWait&) = delete;

    void next() {
        if (handle_ == INVALID_HANDLE_VALUE) {
            Sleep(20);
        } else if (WaitForSingleObject(handle_, 20) == WAIT_OBJECT_0) {
            FindNextChangeNotification(handle_);
        }
    }

private:
    static std::wstring folder() { return files.stem.substr(0, files.stem.find_last_of(L'\\') + 1); }
    HANDLE handle_;
};

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The bridge's files in %TEMP% go once the host's JVM has ended.
void removeBridgeFiles() {
    for (const std::wstring* path : {&files.status, &files.marker, &files.created, &files.call, &files.destroy, &relay.path})
        DeleteFileW(path->c_str());
    for (int n = 1; n <= files.controls; ++n)
        for (const std::wstring& path : {files.control(n), files.reply(n)}) {
            DeleteFileW(path.c_str());
            DeleteFileW((path + L".part").c_str());
        }
}

// Written whole under another name and renamed, so the host never reads a part.
void publish(const std::wstring& path, const std::string& bytes) {
    const std::wstring part = path + L".part";
    HANDLE out = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return;
    DWORD written;
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(out);
    MoveFileExW(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool readFirstLine(const std::wstring& path, std::string& text) {
    std::vector<std::string> lines = fakejre::readLines(path);
    if (lines.empty()) return false;
    text = lines[0];
    return true;
}

// ---------------------------------------------------------------- the host's program

// Starts the bridge program on the recorded options, through the wrapper
// that writes its exit status to a file.
void startBridge() {
    const std::wstring stem = tempFile(L"");
    files.status = stem + L".status";
    files.marker = stem + L".marker";
    files.created = stem + L".created";
    files.call = stem + L".call";
    files.destroy = stem + L".destroy";
    files.stem = stem;
    for (const std::wstring* file : {&files.status, &files.marker, &files.created, &files.call, &files.destroy})
        DeleteFileW(file->c_str());
    const std::wstring directory = fromUtf8(settings.directory);
    relay.path = files.status + L".out";
    DeleteFileW(relay.path.c_str());
    std::vector<std::wstring> command = {L"/bin/bash", directory + L"/bridge.sh", fromUtf8(hostPath(files.status)),
                                         directory + L"/fakejre-bridge"};
    if (!settings.jdk.empty() || settings.java.empty()) {
        command.push_back(L"--jdk");
        command.push_back(fromUtf8(settings.jdk.empty() ? "/usr/lib/jvm/default-java" : settings.jdk));
    } else {
        command.push_back(L"--java");
        command.push_back(fromUtf8(settings.java));
    }
    command.insert(command.end(), {L"--files", fromUtf8(hostPath(stem)), L"--version",
                                   std::to_wstring(recorded.version), L"--ignore-unrecognized",
                                   recorded.ignoreUnrecognized ? L"1" : L"0", L"--"});
    for (const std::wstring& option : hostOptions()) command.push_back(option);
    std::wstring line = commandLine(command);
    record("bridge " + toUtf8(line));
    // The standard streams pass through, as they would in-process.
    PROCESS_INFORMATION process{};
    if (!startWithOwnStreams(line, process)) {
        record("bridge start failed " + std::to_string(GetLastError()));
        const std::string complaint = "fake jvm.dll: cannot start the bridge to the host's JVM\n";
        DWORD written;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), complaint.data(), static_cast<DWORD>(complaint.size()), &written,
                  nullptr);
        ExitProcess(kExitBridgeFailure);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

// A call as the host reads it: UTF-16LE fields, each ended by U+0000: class,
// method, signature, then the arguments.
std::string callFields(const std::string& className, const std::string& method, const std::string& signature,
                       const std::vector<std::wstring>& arguments) {
    std::vector<std::wstring> fields = {fromUtf8(className), fromUtf8(method), fromUtf8(signature)};
    fields.insert(fields.end(), arguments.begin(), arguments.end());
    std::string bytes;
    for (const std::wstring& field : fields)
        for (size_t i = 0; i <= field.size(); ++i) {
            const wchar_t c = i < field.size() ? field[i] : L'\0';
            bytes.push_back(static_cast<char>(c & 0xff));
            bytes.push_back(static_cast<char>((c >> 8) & 0xff));
        }
    return bytes;
}

// Tells the bridge which method to call as main with which arguments; an
// empty class tells it the launcher called none.
void requestCall(const std::string& className, const std::string& method, const std::string& signature,
                 std::vector<std::wstring> arguments) {
    files.awaitingCall = false;
    // The runtime's redirect files (launcher arguments 3 and 4) are paths too.
    for (size_t i = 2; i < 4 && i < arguments.size(); ++i)
        if (!arguments[i].empty() && arguments[i][0] != L'$') arguments[i] = fromUtf8(hostPath(arguments[i]));
    publish(files.call, callFields(className, method, signature, arguments));
}

// The exit status of the host's java once it has ended (the bridge's files
// are then removed); nothing before.
std::optional<int> hostStatus() {
    static std::optional<int> ended;
    std::lock_guard<std::mutex> guard(hostLock);
    if (ended) return ended;
    relay.pass();
    std::string status;
    if (!readFirstLine(files.status, status)) return std::nullopt;
    relay.pass();
    record("bridge exit " + status);
    removeBridgeFiles();
    ended = std::atoi(status.c_str());
    return ended;
}

int awaitHostStatus() {
    ChangeWait changes;
    for (;;) {
        if (const std::optional<int> code = hostStatus()) return *code;
        changes.next();
    }
}

// Main threw on the host: its java ends once it has described the exception
// (the launcher ends its own process next), unless other threads keep it.
void awaitHostEnd() {
    ChangeWait changes;
    for (const ULONGLONG until = GetTickCount64() + 10000; GetTickCount64() < until;) {
        if (hostStatus()) return;
        changes.next();
    }
    std::lock_guard<std::mutex> guard(hostLock);
    removeBridgeFiles();
}

// The result of JNI_CreateJavaVM on the host; JNI_ERR when the bridge program
// ended without one.
jint waitForCreation() {
    ChangeWait changes;
    for (;;) {
        std::string result;
        passOutput();
        if (readFirstLine(files.created, result)) {
            record("bridge JNI_CreateJavaVM -> " + result);
            const jint created = static_cast<jint>(std::atoi(result.c_str()));
            if (created != JNI_OK) awaitHostEnd();
            return created;
        }
        if (exists(files.status)) {
            record("bridge ended before creating the JVM: " + std::to_string(awaitHostStatus()));
            return JNI_ERR;
        }
        changes.next();
    }
}

// The host's JVM is destroyed when the launcher's is: until then a call
// from another thread still runs there and replies.
void requestDestroy() {
    files.awaitingDestroy = false;
    publish(files.destroy, "destroy\n");
}

}  // namespace

jint create(const Launch& launch, const Settings& given) {
    settings = given;
    recorded = launch;
    startBridge();
    const jint created = waitForCreation();
    files.awaitingCall = created == JNI_OK;
    return created;
}

bool callMain(const std::string& className, const std::string& method, const std::string& signature,
              std::vector<std::wstring> arguments) {
    requestCall(className, method, signature, std::move(arguments));
    // Until main returned or threw on the host, or the host's JVM ended.
    ChangeWait changes;
    for (;;) {
        passOutput();
        std::string outcome;
        if (readFirstLine(files.marker, outcome)) {
            record("bridge main " + outcome);
            if (outcome == "returned") {
                files.awaitingDestroy = true;
                return false;
            }
            awaitHostEnd();
            return true;  // the host has already described it
        }
        // The marker is written before the status: with the status there, one more look.
        if (exists(files.status) && !exists(files.marker)) {
            const int code = awaitHostStatus();
            if (code == 0) record("bridge main ended the JVM");
            settings.exit(code);
        }
        changes.next();
    }
}

ThreadCallOutcome callOnThread(const std::string& className, const std::string& method, const std::string& signature,
                               const std::vector<std::wstring>& arguments) {
    const int n = ++files.controls;
    record("bridge control " + std::to_string(n) + " " + className + "." + method + " " + signature);
    publish(files.control(n), callFields(className, method, signature, arguments));
    const bool exits = className == "java/lang/System" && method == "exit";
    ChangeWait changes;
    for (;;) {
        passOutput();
        const std::vector<std::string> reply = fakejre::readLines(files.reply(n));
        if (!reply.empty()) {
            DeleteFileW(files.reply(n).c_str());
            record("bridge reply " + std::to_string(n) + " " + reply[0]);
            ThreadCallOutcome outcome;
            outcome.threw = reply[0] == "threw";
            for (size_t i = 1; i < reply.size(); ++i) outcome.description += (i > 1 ? "\n" : "") + reply[i];
            return outcome;
        }
        // The reply is written before the host's java can end: with the status there, one more look.
        if (exists(files.status) && !exists(files.reply(n))) {
            const int code = awaitHostStatus();
            // System.exit ends this process with the host's code; any other
            // call never returns, as a thread in Java code when the JVM goes
            // (the main thread ends the process).
            if (exits) settings.exit(code);
            for (;;) Sleep(INFINITE);
        }
        changes.next();
    }
}

void awaitEnd() {
    if (files.status.empty()) return;
    if (files.awaitingDestroy) requestDestroy();
    const int code = awaitHostStatus();
    if (code != 0) settings.exit(code);
}

void launcherEnded() {
    if (files.awaitingCall) requestCall("", "", "", {});
    if (files.awaitingDestroy) requestDestroy();
}

}  // namespace fakejvm::bridge
