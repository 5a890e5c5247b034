// The service stage: the dispatcher, the control handler, the status the
// controller sees, the stop thread and the output files.
#include "service/service.h"

#include <atomic>

#include "files/user_data.h"
#include "jvm/jvm_session.h"
#include "log/diaglog.h"
#include "platform/format_text.h"
#include "platform/lock.h"
#include "platform/win_text.h"
#include "platform/win32.h"
#include "service/service_rules.h"
#include "service/service_win.h"
#include "session/console.h"

namespace {

namespace V = ServiceValue;

// The code of an end the launcher forced: the application did not end in time.
constexpr int kStopTimedOut = 1;
constexpr DWORD kTickMilliseconds = 2000;
constexpr DWORD kWaitHint = 10000;

// What standard output or error writes to: a pipe whose reader appends to
// a file in the data folder and rolls it at the configured size.
struct OutputFile {
    DWORD stream = 0;
    std::string path;
    HANDLE read = nullptr, write = nullptr, file = INVALID_HANDLE_VALUE, thread = nullptr;
    uint64_t size = 0;
};

struct ServiceRun {
    const ServiceSettings* settings = nullptr;
    int (*stages)() = nullptr;
    bool underController = false;
    bool active = false;
    SERVICE_STATUS_HANDLE handle = nullptr;
    Lock lock;
    SERVICE_STATUS status{};
    std::atomic<bool> stopping{false};
    std::atomic<bool> ended{false};
    std::atomic<DWORD> stopRequestedAt{0};
    HANDLE eventSource = nullptr;
    OutputFile output, error;
};
ServiceRun run;

void report() {
    if (run.handle != nullptr) SetServiceStatus(run.handle, &run.status);
}

void setState(DWORD state, int exitCode = 0) {
    LockGuard guard(run.lock);
    run.status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    run.status.dwCurrentState = state;
    run.status.dwControlsAccepted = acceptedControls(state);
    const StoppedCodes codes = stoppedCodes(exitCode);
    run.status.dwWin32ExitCode = codes.win32ExitCode;
    run.status.dwServiceSpecificExitCode = codes.serviceSpecificExitCode;
    const bool pending = state == V::StartPending || state == V::StopPending;
    run.status.dwCheckPoint = pending ? run.status.dwCheckPoint + 1 : 0;
    run.status.dwWaitHint = pending ? kWaitHint : 0;
    report();
}

// A pending start or stop shows progress: the controller counts an
// unchanged checkpoint as hung.
void advanceCheckpoint() {
    LockGuard guard(run.lock);
    const DWORD state = run.status.dwCurrentState;
    if (state != V::StartPending && state != V::StopPending) return;
    ++run.status.dwCheckPoint;
    report();
}

// ---------------------------------------------------------------- output files

HANDLE openForAppend(const std::string& path) {
    return CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void roll(OutputFile& out) {
    if (out.file != INVALID_HANDLE_VALUE) CloseHandle(out.file);
    for (const auto& rename : rollRenames(out.path, run.settings->logKeep)) {
        if (rename.second.empty()) DeleteFileA(rename.first.c_str());
        else MoveFileExA(rename.first.c_str(), rename.second.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    out.file = openForAppend(out.path);
    out.size = 0;
}

DWORD WINAPI passOutput(void* parameter) {
    OutputFile& out = *static_cast<OutputFile*>(parameter);
    char buffer[8192];
    DWORD n = 0;
    while (ReadFile(out.read, buffer, sizeof buffer, &n, nullptr) && n > 0) {
        if (out.size + n > run.settings->logMaxSize && out.size > 0) roll(out);
        DWORD written = 0;
        if (out.file != INVALID_HANDLE_VALUE) WriteFile(out.file, buffer, n, &written, nullptr);
        out.size += n;
    }
    return 0;
}

// Before the JVM is loaded: its runtime takes the standard handles as it
// finds them.
void startOutputFile(OutputFile& out, DWORD stream, const std::string& path) {
    out.stream = stream;
    out.path = path;
    out.file = openForAppend(path);
    if (out.file == INVALID_HANDLE_VALUE) {
        logError("cannot open %s (%lu)", path.c_str(), GetLastError());
        return;
    }
    LARGE_INTEGER size;
    if (GetFileSizeEx(out.file, &size)) out.size = static_cast<uint64_t>(size.QuadPart);
    if (out.size >= run.settings->logMaxSize) roll(out);
    if (!CreatePipe(&out.read, &out.write, nullptr, 0)) return;
    out.thread = CreateThread(nullptr, 0, passOutput, &out, 0, nullptr);
    if (out.thread == nullptr) return;
    SetStdHandle(stream, out.write);
}

// The last lines reach the file: the write end closes (the JVM has ended
// writing), the reader drains the pipe and ends.
void finishOutputFile(OutputFile& out) {
    if (out.thread == nullptr) return;
    SetStdHandle(out.stream, nullptr);
    CloseHandle(out.write);
    WaitForSingleObject(out.thread, 3000);
    if (out.file != INVALID_HANDLE_VALUE) FlushFileBuffers(out.file);
}

void writeErrorOutput(const std::u16string& text) {
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err == nullptr || err == INVALID_HANDLE_VALUE) return;
    const std::string line = wideToNarrow(text, CP_UTF8) + "\r\n";
    DWORD written;
    WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// ---------------------------------------------------------------- stop

void callStaticVoid(JNIEnv* env, jclass type, jmethodID method, bool withArguments) {
    if (withArguments) {
        jobjectArray none = env->NewObjectArray(0, env->FindClass("java/lang/String"), nullptr);
        env->CallStaticVoidMethod(type, method, none);
    } else {
        env->CallStaticVoidMethod(type, method);
    }
    if (env->ExceptionCheck()) env->ExceptionDescribe();
}

// The configured stop method; false when it cannot be found.
bool callStopMethod(JNIEnv* env, const std::string& text) {
    std::string className, name;
    if (!splitStopMethod(text, className, name)) return false;
    jclass type = env->FindClass(className.c_str());
    if (type == nullptr) {
        env->ExceptionDescribe();
        return false;
    }
    if (jmethodID method = env->GetStaticMethodID(type, name.c_str(), "()V")) {
        logInfo("calling the stop method %s", text.c_str());
        callStaticVoid(env, type, method, false);
        return true;
    }
    env->ExceptionClear();
    if (jmethodID method = env->GetStaticMethodID(type, name.c_str(), "([Ljava/lang/String;)V")) {
        logInfo("calling the stop method %s", text.c_str());
        callStaticVoid(env, type, method, true);
        return true;
    }
    env->ExceptionClear();
    return false;
}

// On a thread of its own: the stop method, or System.exit(0) so that the
// application's shutdown hooks run. The ticker ends the process when the
// application has not ended after the timeout.
DWORD WINAPI stopApplication(void*) {
    JNIEnv* env = attachCurrentThreadToJvm();
    if (env == nullptr) {
        // Nothing of the application runs yet.
        logInfo("stop before the JVM exists");
        serviceEnding(0);
        ExitProcess(0);
    }
    const std::string& stopMethod = run.settings->stopMethod;
    if (stopMethod.empty() || !callStopMethod(env, stopMethod)) {
        if (!stopMethod.empty()) reportServiceMessage(narrowToWide("The stop method " + stopMethod + " was not found; System.exit(0) instead."));
        jclass system = env->FindClass("java/lang/System");
        jmethodID exit = system != nullptr ? env->GetStaticMethodID(system, "exit", "(I)V") : nullptr;
        if (exit != nullptr) env->CallStaticVoidMethod(system, exit, static_cast<jint>(0));
        if (env->ExceptionCheck()) env->ExceptionDescribe();
    }
    detachCurrentThreadFromJvm();
    return 0;
}

void beginStop() {
    if (run.stopping.exchange(true)) return;
    run.stopRequestedAt = GetTickCount();
    logInfo("stop requested");
    if (run.underController) setState(V::StopPending);
    HANDLE thread = CreateThread(nullptr, 0, stopApplication, nullptr, 0, nullptr);
    if (thread != nullptr) CloseHandle(thread);
}

// Every few seconds: the checkpoint of a pending start or stop, and the end
// of an application that outlives its stop timeout.
DWORD WINAPI tick(void*) {
    for (;;) {
        Sleep(kTickMilliseconds);
        advanceCheckpoint();
        if (!run.stopping) continue;
        const DWORD limit = run.settings->stopTimeoutSeconds * 1000;
        if (GetTickCount() - run.stopRequestedAt < limit) continue;
        reportServiceMessage(narrowToWide(formatText(
            "The application did not end within %u s of the stop request; the service ended it.",
            run.settings->stopTimeoutSeconds)));
        serviceEnding(kStopTimedOut);
        TerminateProcess(GetCurrentProcess(), kStopTimedOut);
    }
}

DWORD WINAPI controlHandler(DWORD control, DWORD, void*, void*) {
    DWORD state;
    {
        LockGuard guard(run.lock);
        state = run.status.dwCurrentState;
    }
    const ControlAnswer answer = answerControl(state, control);
    if (answer.beginStop) beginStop();
    else if (control == V::ControlInterrogate) advanceCheckpoint();
    return answer.result;
}

static_assert(V::ConsoleCtrlC == CTRL_C_EVENT && V::ConsoleBreak == CTRL_BREAK_EVENT && V::ConsoleClose == CTRL_CLOSE_EVENT &&
              V::ConsoleLogoff == CTRL_LOGOFF_EVENT && V::ConsoleShutdown == CTRL_SHUTDOWN_EVENT);

// In front of the JVM's own handler (answerConsoleEvent).
BOOL WINAPI consoleHandler(DWORD event) {
    const ConsoleAnswer answer = answerConsoleEvent(event, run.underController);
    if (!answer.beginStop) return answer.handled ? TRUE : FALSE;
    beginStop();
    // The system ends the process once the handler of a closed window returns.
    if (event == CTRL_CLOSE_EVENT)
        while (!run.ended) Sleep(100);
    return TRUE;
}

// ---------------------------------------------------------------- the run

void startTicker() {
    HANDLE thread = CreateThread(nullptr, 0, tick, nullptr, 0, nullptr);
    if (thread != nullptr) CloseHandle(thread);
}

void WINAPI serviceMain(DWORD, LPWSTR*) {
    const std::u16string name = narrowToWide(run.settings->name);
    run.handle = RegisterServiceCtrlHandlerExW(wideZ(name), controlHandler, nullptr);
    if (run.handle == nullptr) {
        logError("cannot register the control handler (%lu)", GetLastError());
        return;
    }
    setState(V::StartPending);
    startTicker();
    const std::string folder = serviceDataFolder(*run.settings);
    if (makeDirectories(folder)) {
        moveLogInto(folder);
        startOutputFile(run.output, STD_OUTPUT_HANDLE, folder + "\\stdout.log");
        startOutputFile(run.error, STD_ERROR_HANDLE, folder + "\\stderr.log");
    } else {
        logError("cannot create the data folder %s", folder.c_str());
    }
    const int code = run.stages();
    serviceEnding(code);
}

}  // namespace

// The system's folder for all users' application data: the same for the
// installing user and the service, whatever their environments say.
std::string serviceDataFolder(const ServiceSettings& settings) {
    using FolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
    constexpr int kCommonAppData = 0x23;  // CSIDL_COMMON_APPDATA
    char base[MAX_PATH] = "";
    const HMODULE shell = LoadLibraryA("shell32.dll");
    const auto folderPath = shell == nullptr ? nullptr
                            : reinterpret_cast<FolderPath>(reinterpret_cast<void*>(GetProcAddress(shell, "SHGetFolderPathA")));
    std::string root;
    if (folderPath != nullptr && folderPath(nullptr, kCommonAppData, nullptr, 0, base) == S_OK) root = base;
    else environmentVariable("ProgramData", root);
    return root + "\\" + (settings.dataFolder.empty() ? executableStem() : settings.dataFolder);
}

namespace {

// Whether services.exe started this process. Windows fails the dispatcher
// of a process a person started at once; Wine hands it the control pipe of
// the last service start, whichever service that was for, and it never
// returns. When the parent cannot be read (a service's account may not open
// the controller's process), the dispatcher decides.
bool startedByServiceController() {
    struct BasicInformation {  // PROCESS_BASIC_INFORMATION
        LONG_PTR exitStatus;
        void* environmentBlock;
        ULONG_PTR affinityMask;
        LONG_PTR basePriority;
        ULONG_PTR processId;
        ULONG_PTR parentProcessId;
    } basic{};
    using Query = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    if (query == nullptr || query(GetCurrentProcess(), 0, &basic, sizeof basic, nullptr) != 0) return true;
    // No parent (one started from outside Windows, under Wine), or one that
    // has ended: not the controller, which outlives its services.
    if (basic.parentProcessId == 0) return false;
    HANDLE parent = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(basic.parentProcessId));
    if (parent == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;
    wchar_t image[MAX_PATH];
    DWORD length = MAX_PATH;
    const bool named = QueryFullProcessImageNameW(parent, 0, image, &length) != 0;
    CloseHandle(parent);
    if (!named) return true;
    const wchar_t* base = wcsrchr(image, L'\\');
    return lstrcmpiW(base == nullptr ? image : base + 1, L"services.exe") == 0;
}

}  // namespace

int runAsService(const ServiceSettings& settings, int (*stages)()) {
    run.settings = &settings;
    run.stages = stages;
    run.active = true;
    SetConsoleCtrlHandler(consoleHandler, TRUE);
    std::u16string name = narrowToWide(settings.name);
    const SERVICE_TABLE_ENTRYW table[] = {{wideBuffer(name.data()), serviceMain}, {nullptr, nullptr}};
    run.underController = startedByServiceController();
    if (run.underController) {
        if (StartServiceCtrlDispatcherW(table)) return static_cast<int>(run.status.dwServiceSpecificExitCode);
        const DWORD why = GetLastError();
        run.underController = false;
        if (why != ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) {
            logError("the service dispatcher failed (%lu)", why);
            return 1;
        }
    }
    // A person started it: the application runs in the console.
    logInfo("no service controller: running in the console");
    attachOrAllocateConsole();
    startTicker();
    const int code = stages();
    serviceEnding(code);
    return code;
}

bool inServiceMode() { return run.active; }

const char* runningServiceName() { return run.active ? run.settings->name.c_str() : nullptr; }

void serviceApplicationStarting() {
    if (!run.active) return;
    SetConsoleCtrlHandler(consoleHandler, TRUE);
    if (run.underController && !run.stopping) setState(V::Running);
}

void serviceEnding(int exitCode) {
    if (!run.active || run.ended.exchange(true)) return;
    logInfo("service ends with %d", exitCode);
    finishOutputFile(run.output);
    finishOutputFile(run.error);
    if (run.underController) setState(V::Stopped, exitCode);
}

void reportServiceMessage(const std::u16string& text) {
    logError("%s", wideToNarrow(text).c_str());
    if (!run.underController) return;
    writeErrorOutput(text);
    if (run.eventSource == nullptr)
        run.eventSource = RegisterEventSourceW(nullptr, wideZ(narrowToWide(run.settings->name)));
    if (run.eventSource == nullptr) return;
    const wchar_t* strings[] = {wideZ(text)};
    ReportEventW(run.eventSource, EVENTLOG_ERROR_TYPE, 0, kServiceMessageEvent, nullptr, 1, 0, strings, nullptr);
}
