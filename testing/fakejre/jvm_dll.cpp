// Fake jvm.dll: JNI_CreateJavaVM and the JNIEnv and JavaVM functions the
// launcher calls, a transcript of every call, scripted outcomes, and a bridge
// that runs the recorded launch on the host's real JVM. Every other slot of
// the function tables traps. Built twice: with the JNI invocation entry point,
// and without it (FAKEJRE_NO_CREATE) for the tests of a damaged runtime. See
// README.md beside this file.
#define _JNI_IMPLEMENTATION_
#include <jni.h>

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "testing/fakejre/fake_app.h"
#include "testing/fakejre/fake_common.h"
#include "testing/fakejre/jni_slot_names.h"

namespace {

constexpr UINT kExitTrap = 86;
constexpr UINT kExitBridgeFailure = 87;

// ---------------------------------------------------------------- text

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring fromCodePage(const std::string& text, UINT codePage) {
    if (text.empty()) return std::wstring();
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::wstring environment(const wchar_t* name) {
    const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0) return std::wstring();
    std::wstring value(n, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), n));
    return value;
}

bool startsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

// ---------------------------------------------------------------- script

struct Script {
    std::wstring transcript;
    bool createFails = false;
    std::vector<std::string> missingClasses;
    std::vector<std::string> missingMethods;
    std::string main = "return";  // return, throw, exit:N, bridge, app, wait:<file>
    std::vector<std::string> app;   // the steps of main=app (fake_app.h)
    std::string firstRun = "true";  // true, false, throw
    std::string failing;            // NewObjectArray or NewString
    std::string java;               // a host java whose JDK the bridge runs (jdk= wins)
    std::string jdk;                // the host JDK home the bridge runs
    std::string bridgeDirectory;    // host path of bridge.sh and fakejre-bridge
    bool timing = false;            // record when the process began and JNI_CreateJavaVM was entered
    std::string waitThen = "return";  // what main=wait does once released
};

HMODULE self = nullptr;

std::wstring ownDirectory() { return fakejre::moduleDirectory(self); }

std::vector<std::string> readLines(const std::wstring& path) {
    std::vector<std::string> lines;
    FILE* in = _wfopen(path.c_str(), L"rb");
    if (in == nullptr) return lines;
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, n);
    std::fclose(in);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

Script loadScript() {
    Script script;
    std::wstring path = environment(L"QARVO_FAKEJVM_SCRIPT");
    if (path.empty()) path = ownDirectory() + L"fakejre.ini";
    for (const std::string& line : readLines(path)) {
        const size_t equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
        if (key == "transcript") script.transcript = fromCodePage(value, CP_UTF8);
        else if (key == "create") script.createFails = value == "fail";
        else if (key == "missing_class") script.missingClasses.push_back(value);
        else if (key == "missing_method") script.missingMethods.push_back(value);
        else if (key == "main") script.main = value;
        else if (key == "firstrun") script.firstRun = value;
        else if (key == "fail") script.failing = value;
        else if (key == "java") script.java = value;
        else if (key == "jdk") script.jdk = value;
        else if (key == "bridge") script.bridgeDirectory = value;
        else if (key == "app") script.app.push_back(value);
        else if (key == "timing") script.timing = value == "1";
        else if (key == "wait_then") script.waitThen = value;
    }
    const std::wstring transcript = environment(L"QARVO_FAKEJVM_TRANSCRIPT");
    if (!transcript.empty()) script.transcript = transcript;
    return script;
}

const Script& script() {
    static const Script s = loadScript();
    return s;
}

// ---------------------------------------------------------------- transcript

std::mutex transcriptLock;

// Into fakejre-calls.log beside the module, or the transcript file the
// script or QARVO_FAKEJVM_TRANSCRIPT names.
void record(const std::string& line) {
    std::lock_guard<std::mutex> guard(transcriptLock);
    if (script().transcript.empty()) {
        fakejre::recordCall(ownDirectory(), fromCodePage(line, CP_UTF8));
        return;
    }
    FILE* out = _wfopen(script().transcript.c_str(), L"ab");
    if (out == nullptr) return;
    std::fprintf(out, "%s\n", line.c_str());
    std::fclose(out);
}

void writeStandardError(const std::string& text) {
    DWORD written;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

[[noreturn]] void trap(const char* table, const char* slot) {
    record(std::string("TRAP ") + table + "." + slot);
    writeStandardError(std::string("fake jvm.dll: unexpected call of ") + table + "." + slot + "\n");
    ExitProcess(kExitTrap);
}

// ---------------------------------------------------------------- objects

struct FakeClass {
    std::string name;
};
struct FakeMethod {
    FakeClass* owner;
    std::string name, signature;
};
struct FakeString {
    std::wstring text;
};
struct FakeArray {
    std::vector<FakeString*> elements;
};

struct FakeThrowable {
    std::string description;
};
// Per thread, as a JNIEnv's pending exception is.
thread_local FakeThrowable* pending = nullptr;

void raise(const std::string& description) { pending = new FakeThrowable{description}; }

// The "exit" hook the launcher gave JNI_CreateJavaVM, if any.
using ExitHook = void(JNICALL*)(jint);
ExitHook exitHook = nullptr;

// System.exit(code), as HotSpot ends it: the hook is called with the code
// and ends the process; without one the JVM ends it.
[[noreturn]] void systemExit(int code) {
    if (exitHook != nullptr) {
        record("exit hook " + std::to_string(code));
        exitHook(code);
    }
    ExitProcess(static_cast<UINT>(code));
}

bool listed(const std::vector<std::string>& list, const std::string& name) {
    for (const std::string& entry : list)
        if (entry == name) return true;
    return false;
}

// ---------------------------------------------------------------- bridge

using UnixName = char*(CDECL*)(LPCWSTR);

// A Windows path as the host sees it: Wine's own translation when there is
// one, else Z: as the root and other drives through the prefix's dosdevices.
std::string hostPath(const std::wstring& windowsPath) {
    static const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (unixName != nullptr) {
        if (char* name = unixName(windowsPath.c_str())) {
            std::string out = name;
            HeapFree(GetProcessHeap(), 0, name);
            return out;
        }
    }
    if (windowsPath.size() < 3 || windowsPath[1] != L':') return toUtf8(windowsPath);
    std::string rest = toUtf8(windowsPath.substr(2));
    for (char& c : rest)
        if (c == '\\') c = '/';
    const wchar_t drive = static_cast<wchar_t>(towlower(windowsPath[0]));
    if (drive == L'z') return rest;
    std::string prefix = toUtf8(environment(L"WINEPREFIX"));
    if (prefix.empty()) prefix = toUtf8(environment(L"HOME")) + "/.wine";
    return prefix + "/dosdevices/" + static_cast<char>(drive) + ":" + rest;
}

std::string hostPathList(const std::wstring& list) {
    std::string out;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(L';', start);
        if (end == std::wstring::npos) end = list.size();
        if (end > start) out += (out.empty() ? "" : ":") + hostPath(list.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

// Quoted for a command line split by the Windows rules.
std::wstring quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

struct Launch {
    std::vector<std::string> options;  // ANSI code page, as the launcher gave them
    bool ignoreUnrecognized = false;
    jint version = 0;
};
Launch recorded;

const std::vector<std::string> kPathProperties = {"qarvo.tempDir", "qarvo.moduleName", "qarvo.processCommFile"};
// A path-valued VM option: the class-data archive HotSpot maps or writes.
const std::string kSharedArchiveFile = "-XX:SharedArchiveFile=";

// The JVM options for the host's JVM: as the launcher gave them, with the
// paths of the class path, the library path, the module path, the path
// properties and the class-data archive mapped.
std::vector<std::wstring> hostOptions() {
    std::vector<std::wstring> out;
    for (const std::string& option : recorded.options) {
        const std::wstring wide = fromCodePage(option, CP_ACP);
        const size_t equals = option.find('=');
        const std::string name = startsWith(option, "-D") && equals != std::string::npos
                                     ? option.substr(2, equals - 2)
                                     : std::string();
        const std::wstring value = equals == std::string::npos ? std::wstring() : fromCodePage(option.substr(equals + 1), CP_ACP);
        if (startsWith(option, kSharedArchiveFile)) {
            out.push_back(fromCodePage(kSharedArchiveFile + hostPath(fromCodePage(option.substr(kSharedArchiveFile.size()), CP_ACP)), CP_UTF8));
        } else if (name == "java.class.path") {
            out.push_back(L"-Djava.class.path=" + fromCodePage(hostPathList(value), CP_UTF8));
        } else if (name == "java.library.path") {
            out.push_back(L"-Djava.library.path=" + fromCodePage(hostPathList(value), CP_UTF8));
        } else if (startsWith(option, "--module-path=")) {
            out.push_back(L"--module-path=" + fromCodePage(hostPathList(value), CP_UTF8));
        } else if (listed(kPathProperties, name) && !value.empty()) {
            out.push_back(fromCodePage("-D" + name + "=" + hostPath(value), CP_UTF8));
        } else {
            out.push_back(wide);
        }
    }
    return out;
}

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

struct Bridge {
    std::wstring status, marker, created, call;
    bool awaitingCall = false;  // the host's JVM is up and main not yet called
};
Bridge bridge;

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

// Starts the bridge program on the recorded options, through the wrapper
// that writes its exit status to a file.
void startBridge() {
    const std::wstring stem = tempFile(L"");
    bridge.status = stem + L".status";
    bridge.marker = stem + L".marker";
    bridge.created = stem + L".created";
    bridge.call = stem + L".call";
    for (const std::wstring* file : {&bridge.status, &bridge.marker, &bridge.created, &bridge.call})
        DeleteFileW(file->c_str());
    const std::wstring directory = fromCodePage(script().bridgeDirectory, CP_UTF8);
    relay.path = bridge.status + L".out";
    DeleteFileW(relay.path.c_str());
    std::vector<std::wstring> command = {L"/bin/bash", directory + L"/bridge.sh",
                                         fromCodePage(hostPath(bridge.status), CP_UTF8),
                                         directory + L"/fakejre-bridge"};
    if (!script().jdk.empty() || script().java.empty()) {
        command.push_back(L"--jdk");
        command.push_back(fromCodePage(script().jdk.empty() ? "/usr/lib/jvm/default-java" : script().jdk, CP_UTF8));
    } else {
        command.push_back(L"--java");
        command.push_back(fromCodePage(script().java, CP_UTF8));
    }
    command.insert(command.end(), {L"--files", fromCodePage(hostPath(stem), CP_UTF8), L"--version",
                                   std::to_wstring(recorded.version), L"--ignore-unrecognized",
                                   recorded.ignoreUnrecognized ? L"1" : L"0", L"--"});
    for (const std::wstring& option : hostOptions()) command.push_back(option);
    std::wstring line;
    for (const std::wstring& part : command) line += (line.empty() ? L"" : L" ") + quoted(part);
    record("bridge " + toUtf8(line));
    // The standard streams pass through, as they would in-process.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        record("bridge start failed " + std::to_string(GetLastError()));
        writeStandardError("fake jvm.dll: cannot start the bridge to the host's JVM\n");
        ExitProcess(kExitBridgeFailure);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

// The bridge's files in %TEMP% go once the host's JVM has ended.
void removeBridgeFiles() {
    for (const std::wstring* path : {&bridge.status, &bridge.marker, &bridge.created, &bridge.call, &relay.path})
        DeleteFileW(path->c_str());
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

// Tells the bridge which method to call with which arguments (UTF-16LE fields,
// each ended by U+0000); an empty class tells it the launcher called none.
void requestCall(const std::string& className, const std::string& method, const std::string& signature,
                 std::vector<std::wstring> arguments) {
    bridge.awaitingCall = false;
    // The runtime's redirect files (launcher arguments 3 and 4) are paths too.
    for (size_t i = 2; i < 4 && i < arguments.size(); ++i)
        if (!arguments[i].empty() && arguments[i][0] != L'$') arguments[i] = fromCodePage(hostPath(arguments[i]), CP_UTF8);
    std::vector<std::wstring> fields = {fromCodePage(className, CP_UTF8), fromCodePage(method, CP_UTF8),
                                        fromCodePage(signature, CP_UTF8)};
    fields.insert(fields.end(), arguments.begin(), arguments.end());
    std::string bytes;
    for (const std::wstring& field : fields)
        for (size_t i = 0; i <= field.size(); ++i) {
            const wchar_t c = i < field.size() ? field[i] : L'\0';
            bytes.push_back(static_cast<char>(c & 0xff));
            bytes.push_back(static_cast<char>((c >> 8) & 0xff));
        }
    publish(bridge.call, bytes);
}

bool readWhole(const std::wstring& path, std::string& text) {
    std::vector<std::string> lines = readLines(path);
    if (lines.empty()) return false;
    text = lines[0];
    return true;
}

// Ends this process as the host's java ended, once it has.
void endWithHostStatusIfDone(bool waitForIt) {
    std::string status;
    relay.pass();
    while (!readWhole(bridge.status, status)) {
        if (!waitForIt) return;
        Sleep(20);
        relay.pass();
    }
    relay.pass();
    record("bridge exit " + status);
    removeBridgeFiles();
    const int code = std::atoi(status.c_str());
    if (code != 0) systemExit(code);
}

// Main threw on the host: its java ends once it has described the exception
// (the launcher ends its own process next), unless other threads keep it.
void awaitHostEnd() {
    std::string status;
    for (int i = 0; i < 500 && !readWhole(bridge.status, status); ++i) {
        Sleep(20);
        relay.pass();
    }
    relay.pass();
    removeBridgeFiles();
}

// The result of JNI_CreateJavaVM on the host; JNI_ERR when the bridge program
// ended without one.
jint waitForCreation() {
    for (;;) {
        std::string result;
        relay.pass();
        if (readWhole(bridge.created, result)) {
            record("bridge JNI_CreateJavaVM -> " + result);
            const jint created = static_cast<jint>(std::atoi(result.c_str()));
            if (created != JNI_OK) awaitHostEnd();
            return created;
        }
        if (readWhole(bridge.status, result)) {
            relay.pass();
            record("bridge ended before creating the JVM: " + result);
            removeBridgeFiles();
            return JNI_ERR;
        }
        Sleep(20);
    }
}

// Waits until main returned or threw on the host, or the host's JVM ended.
void waitForBridgedMain() {
    for (;;) {
        std::string outcome;
        relay.pass();
        if (readWhole(bridge.marker, outcome)) {
            record("bridge main " + outcome);
            if (outcome != "returned") {
                raise("");  // the host has already described it
                awaitHostEnd();
            }
            return;
        }
        endWithHostStatusIfDone(false);
        if (GetFileAttributesW(bridge.status.c_str()) != INVALID_FILE_ATTRIBUTES) {
            // The host's JVM ended with 0 before main returned.
            record("bridge main ended the JVM");
            removeBridgeFiles();
            systemExit(0);
        }
        Sleep(20);
    }
}

// ---------------------------------------------------------------- JNIEnv

std::string describeMethod(jmethodID method) {
    const FakeMethod* m = reinterpret_cast<FakeMethod*>(method);
    return m->owner->name + "." + m->name;
}

jclass JNICALL findClass(JNIEnv*, const char* name) {
    record(std::string("FindClass ") + name);
    if (listed(script().missingClasses, name)) {
        raise("java.lang.NoClassDefFoundError: " + std::string(name));
        return nullptr;
    }
    return reinterpret_cast<jclass>(new FakeClass{name});
}

jmethodID JNICALL getStaticMethodID(JNIEnv*, jclass cls, const char* name, const char* signature) {
    FakeClass* owner = reinterpret_cast<FakeClass*>(cls);
    record("GetStaticMethodID " + owner->name + "." + name + " " + signature);
    if (listed(script().missingMethods, name)) {
        raise("java.lang.NoSuchMethodError: " + std::string(name));
        return nullptr;
    }
    return reinterpret_cast<jmethodID>(new FakeMethod{owner, name, signature});
}

jobjectArray JNICALL newObjectArray(JNIEnv*, jsize length, jclass elementClass, jobject) {
    record("NewObjectArray " + std::to_string(length) + " " + reinterpret_cast<FakeClass*>(elementClass)->name);
    if (script().failing == "NewObjectArray") return nullptr;
    FakeArray* array = new FakeArray;
    array->elements.resize(static_cast<size_t>(length));
    return reinterpret_cast<jobjectArray>(array);
}

jstring JNICALL newString(JNIEnv*, const jchar* text, jsize length) {
    if (script().failing == "NewString") {
        record("NewString failed");
        return nullptr;
    }
    return reinterpret_cast<jstring>(new FakeString{std::wstring(reinterpret_cast<const wchar_t*>(text), length)});
}

void JNICALL setObjectArrayElement(JNIEnv*, jobjectArray array, jsize index, jobject value) {
    FakeArray* a = reinterpret_cast<FakeArray*>(array);
    if (index < 0 || static_cast<size_t>(index) >= a->elements.size()) trap("JNIEnv", "SetObjectArrayElement(index)");
    a->elements[static_cast<size_t>(index)] = reinterpret_cast<FakeString*>(value);
}

jthrowable JNICALL exceptionOccurred(JNIEnv*) {
    record(std::string("ExceptionOccurred ") + (pending != nullptr ? "yes" : "no"));
    return reinterpret_cast<jthrowable>(pending);
}

void JNICALL exceptionDescribe(JNIEnv*) {
    record("ExceptionDescribe");
    if (pending != nullptr && !pending->description.empty())
        writeStandardError("Exception in thread \"main\" " + pending->description + "\n");
    pending = nullptr;
}

// main=app: the scripted application of fake_app.h.
void runApplication() {
    fakeapp::Context context;
    context.directory = ownDirectory();
    const std::string property = "-Dqarvo.processCommFile=";
    for (const std::string& option : recorded.options)
        if (startsWith(option, property)) context.commFile = fromCodePage(option.substr(property.size()), CP_ACP);
    context.record = record;
    fakeapp::run(script().app, context);
}

// main=wait:<file>: main runs until the file exists (a test looks at the
// running process meanwhile), then it goes on as the next line says:
// "wait_then=return|throw|exit:<n>|hang".
void waitInMain(const std::wstring& file) {
    record("main waits");
    while (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) Sleep(10);
    const std::string& then = script().waitThen;
    record("main goes on: " + then);
    if (then == "throw") raise("java.lang.IllegalStateException: thrown as the fake jvm.dll was told");
    else if (startsWith(then, "exit:")) systemExit(std::atoi(then.c_str() + 5));
    else if (then == "hang") for (;;) Sleep(1000);
}

// The splash controller's methods; polls that find nothing to do after the
// first are not recorded.
jint JNICALL callStaticIntMethod(JNIEnv*, jclass, jmethodID method, ...) {
    static std::atomic<bool> polled{false};
    const std::string name = reinterpret_cast<FakeMethod*>(method)->name;
    const jint result = name == "getAction" ? fakeapp::action() : 0;
    if (result != 0 || !polled.exchange(true)) record("CallStaticIntMethod " + describeMethod(method) + " -> " + std::to_string(result));
    return result;
}

jint JNICALL callStaticIntMethodV(JNIEnv* env, jclass type, jmethodID method, va_list) {
    return callStaticIntMethod(env, type, method);
}

jobject JNICALL callStaticObjectMethod(JNIEnv*, jclass, jmethodID method, ...) {
    std::wstring text;
    const bool has = reinterpret_cast<FakeMethod*>(method)->name == "getText" && fakeapp::takeText(text);
    record("CallStaticObjectMethod " + describeMethod(method) + " -> " + (has ? toUtf8(text) : std::string("null")));
    return has ? reinterpret_cast<jobject>(new FakeString{text}) : nullptr;
}

jobject JNICALL callStaticObjectMethodV(JNIEnv* env, jclass type, jmethodID method, va_list) {
    return callStaticObjectMethod(env, type, method);
}

jsize JNICALL getStringLength(JNIEnv*, jstring text) {
    return static_cast<jsize>(reinterpret_cast<FakeString*>(text)->text.size());
}

const jchar* JNICALL getStringChars(JNIEnv*, jstring text, jboolean* isCopy) {
    if (isCopy != nullptr) *isCopy = JNI_FALSE;
    return reinterpret_cast<const jchar*>(reinterpret_cast<FakeString*>(text)->text.c_str());
}

void JNICALL releaseStringChars(JNIEnv*, jstring, const jchar*) {}
void JNICALL deleteLocalRef(JNIEnv*, jobject) {}

jboolean JNICALL exceptionCheck(JNIEnv*) { return pending != nullptr ? JNI_TRUE : JNI_FALSE; }

void JNICALL exceptionClear(JNIEnv*) {
    record("ExceptionClear");
    pending = nullptr;
}

void JNICALL callStaticVoidMethod(JNIEnv*, jclass, jmethodID method, ...) {
    va_list args;
    va_start(args, method);
    FakeArray* array = reinterpret_cast<FakeArray*>(va_arg(args, jobjectArray));
    va_end(args);
    record("CallStaticVoidMethod " + describeMethod(method));
    std::vector<std::wstring> arguments;
    for (size_t i = 0; i < array->elements.size(); ++i) {
        arguments.push_back(array->elements[i] != nullptr ? array->elements[i]->text : std::wstring());
        record("argument " + std::to_string(i) + ": " + toUtf8(arguments.back()));
    }
    const std::string& main = script().main;
    if (main == "throw") {
        raise("java.lang.IllegalStateException: thrown as the fake jvm.dll was told");
    } else if (startsWith(main, "exit:")) {
        record("System.exit " + main.substr(5));
        systemExit(std::atoi(main.c_str() + 5));
    } else if (main == "bridge") {
        const FakeMethod* called = reinterpret_cast<FakeMethod*>(method);
        requestCall(called->owner->name, called->name, called->signature, arguments);
        waitForBridgedMain();
    } else if (main == "app") {
        runApplication();
    } else if (startsWith(main, "wait:")) {
        waitInMain(fromCodePage(main.substr(5), CP_UTF8));
    }
}

jboolean JNICALL callStaticBooleanMethod(JNIEnv*, jclass, jmethodID method, ...) {
    record("CallStaticBooleanMethod " + describeMethod(method) + " -> " + script().firstRun);
    if (script().firstRun == "throw") {
        raise("java.lang.IllegalStateException: firstRun threw as the fake jvm.dll was told");
        return JNI_FALSE;
    }
    return script().firstRun == "true" ? JNI_TRUE : JNI_FALSE;
}

// ---------------------------------------------------------------- JavaVM

JNIEnv_ mainEnv;

jint JNICALL destroyJavaVm(JavaVM*) {
    record("DestroyJavaVM");
    if (script().main == "bridge" && !bridge.status.empty()) endWithHostStatusIfDone(true);
    return JNI_OK;
}

jint JNICALL attachCurrentThread(JavaVM*, void** env, void*) {
    record("AttachCurrentThread");
    *env = &mainEnv;
    return JNI_OK;
}

jint JNICALL detachCurrentThread(JavaVM*) {
    record("DetachCurrentThread");
    return JNI_OK;
}

// ---------------------------------------------------------------- tables

template <size_t N>
void JNICALL trapEnvSlot() {
    trap("JNIEnv", kEnvSlotNames[N]);
}
template <size_t N>
void JNICALL trapVmSlot() {
    trap("JavaVM", kVmSlotNames[N]);
}

template <typename Table, size_t... I>
void fillWithTraps(Table& table, void (*const traps[])(), std::index_sequence<I...>) {
    void** slots = reinterpret_cast<void**>(&table);
    ((slots[I] = reinterpret_cast<void*>(traps[I])), ...);
}

template <size_t... I>
JNINativeInterface_ envTable(std::index_sequence<I...> slots) {
    static_assert(sizeof...(I) * sizeof(void*) == sizeof(JNINativeInterface_), "one name per JNIEnv slot");
    static void (*const traps[])() = {reinterpret_cast<void (*)()>(&trapEnvSlot<I>)...};
    JNINativeInterface_ table;
    fillWithTraps(table, traps, slots);
    table.FindClass = findClass;
    table.GetStaticMethodID = getStaticMethodID;
    table.CallStaticVoidMethod = callStaticVoidMethod;
    table.CallStaticBooleanMethod = callStaticBooleanMethod;
    table.ExceptionOccurred = exceptionOccurred;
    table.ExceptionDescribe = exceptionDescribe;
    table.NewObjectArray = newObjectArray;
    table.NewString = newString;
    table.SetObjectArrayElement = setObjectArrayElement;
    table.CallStaticIntMethod = callStaticIntMethod;
    table.CallStaticObjectMethod = callStaticObjectMethod;
    table.CallStaticIntMethodV = callStaticIntMethodV;
    table.CallStaticObjectMethodV = callStaticObjectMethodV;
    table.GetStringLength = getStringLength;
    table.GetStringChars = getStringChars;
    table.ReleaseStringChars = releaseStringChars;
    table.DeleteLocalRef = deleteLocalRef;
    table.ExceptionCheck = exceptionCheck;
    table.ExceptionClear = exceptionClear;
    return table;
}

template <size_t... I>
JNIInvokeInterface_ vmTable(std::index_sequence<I...> slots) {
    static_assert(sizeof...(I) * sizeof(void*) == sizeof(JNIInvokeInterface_), "one name per JavaVM slot");
    static void (*const traps[])() = {reinterpret_cast<void (*)()>(&trapVmSlot<I>)...};
    JNIInvokeInterface_ table;
    fillWithTraps(table, traps, slots);
    table.DestroyJavaVM = destroyJavaVm;
    table.AttachCurrentThread = attachCurrentThread;
    table.DetachCurrentThread = detachCurrentThread;
    return table;
}

const JNINativeInterface_ kEnvTable = envTable(std::make_index_sequence<std::size(kEnvSlotNames)>());
const JNIInvokeInterface_ kVmTable = vmTable(std::make_index_sequence<std::size(kVmSlotNames)>());
[[maybe_unused]] JavaVM_ theVm;

}  // namespace

// From fakejre-base.dll in the runtime's bin directory (base_dll.cpp).
extern "C" __declspec(dllimport) const wchar_t* fakejreBasePath();

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        fakejre::recordCall(ownDirectory(), L"jvm.dll loaded " + ownDirectory() + L"jvm.dll");
        fakejre::recordCall(ownDirectory(), L"base library " + std::wstring(fakejreBasePath()));
    }
    // A launcher that ends after creating the JVM without calling main lets
    // the bridge's JVM end with it.
    if (reason == DLL_PROCESS_DETACH && bridge.awaitingCall) requestCall("", "", "", {});
    return TRUE;
}

#ifndef FAKEJRE_NO_CREATE
namespace {

// ---------------------------------------------------------------- timing

uint64_t asNumber(const FILETIME& time) { return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

// The system time in 100 ns units, as precise as the system gives it.
uint64_t systemTimeNow() {
    using Precise = void(WINAPI*)(LPFILETIME);
    static const auto precise = reinterpret_cast<Precise>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "GetSystemTimePreciseAsFileTime")));
    FILETIME now;
    if (precise != nullptr) precise(&now);
    else GetSystemTimeAsFileTime(&now);
    return asNumber(now);
}

// "timing created=<t> entered=<t> elapsed_us=<n>": the process's creation
// time and the given entry time, both system times in 100 ns units.
void recordTiming(uint64_t entered) {
    FILETIME creation, exit, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user)) return;
    const uint64_t created = asNumber(creation);
    record("timing created=" + std::to_string(created) + " entered=" + std::to_string(entered) +
           " elapsed_us=" + std::to_string((entered - created) / 10));
}

}  // namespace

extern "C" JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** vm, void** env, void* initArguments) {
    const uint64_t entered = systemTimeNow();
    if (script().timing) recordTiming(entered);
    const JavaVMInitArgs* arguments = static_cast<const JavaVMInitArgs*>(initArguments);
    // The hooks are no VM options: HotSpot takes their functions from extraInfo.
    std::vector<std::string> options, hooks;
    for (jint i = 0; i < arguments->nOptions; ++i) {
        const JavaVMOption& option = arguments->options[i];
        const std::string text = option.optionString;
        if (text == "exit" || text == "abort" || text == "vfprintf") {
            hooks.push_back(text);
            if (text == "exit") exitHook = reinterpret_cast<ExitHook>(option.extraInfo);
        } else {
            options.push_back(text);
        }
    }
    record("JNI_CreateJavaVM version=" + std::to_string(arguments->version) + " options=" +
           std::to_string(options.size()) + " ignoreUnrecognized=" +
           std::to_string(static_cast<int>(arguments->ignoreUnrecognized)));
    recorded.ignoreUnrecognized = arguments->ignoreUnrecognized != JNI_FALSE;
    recorded.version = arguments->version;
    for (size_t i = 0; i < options.size(); ++i) {
        recorded.options.push_back(options[i]);
        record("option " + std::to_string(i) + ": " + toUtf8(fromCodePage(options[i], CP_ACP)));
    }
    for (const std::string& hook : hooks) record("hook " + hook);
    if (script().createFails) {
        record("JNI_CreateJavaVM fails");
        return JNI_ERR;
    }
    // The host's HotSpot takes or refuses the options, as it would here.
    if (script().main == "bridge") {
        startBridge();
        const jint created = waitForCreation();
        if (created != JNI_OK) return created;
        bridge.awaitingCall = true;
    }
    mainEnv.functions = &kEnvTable;
    theVm.functions = &kVmTable;
    *vm = &theVm;
    *env = &mainEnv;
    return JNI_OK;
}
#endif
