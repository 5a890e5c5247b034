// "--service install|uninstall|start|stop|status": the service controller's
// side of a service executable. Each command prints what it did; a failure
// ends with the system's error code (5 without administrator rights).
#include <aclapi.h>

#include <string>
#include <vector>

#include "files/user_data.h"
#include "platform/format_text.h"
#include "platform/win_text.h"
#include "platform/win32.h"
#include "service/service.h"
#include "service/service_rules.h"
#include "service/service_win.h"
#include "session/console.h"

namespace {

namespace V = ServiceValue;

const char kEventSources[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\";

void write(DWORD stream, const std::u16string& text) {
    HANDLE out = GetStdHandle(stream);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        attachOrAllocateConsole();
        out = GetStdHandle(stream);
    }
    DWORD mode, written;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, wideZ(text), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = wideToNarrow(text);
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// A line on standard output (say) or error (complain), printf's way.
void writeLine(DWORD stream, const char* format, va_list args) {
    write(stream, narrowToWide(formatTextV(format, args) + "\r\n"));
}
__attribute__((format(printf, 1, 2))) void say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writeLine(STD_OUTPUT_HANDLE, format, args);
    va_end(args);
}
__attribute__((format(printf, 1, 2))) void complain(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writeLine(STD_ERROR_HANDLE, format, args);
    va_end(args);
}

// The system's own text for an error code, without its line end.
std::string systemText(DWORD code) {
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = text != nullptr ? text : "";
    if (text != nullptr) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
    return out + formatText(" (%lu)", code);
}

int failed(const std::string& what, DWORD code) {
    complain("%s: %s", what.c_str(), systemText(code).c_str());
    return static_cast<int>(code);
}

class Handle {
public:
    explicit Handle(SC_HANDLE handle = nullptr) : handle_(handle) {}
    ~Handle() {
        if (handle_ != nullptr) CloseServiceHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    SC_HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    SC_HANDLE handle_;
};

struct Command {
    const ServiceSettings& settings;
    CommandLineRules rules;
    std::string name;
};

int managerFailed(DWORD code) {
    if (code == ERROR_ACCESS_DENIED) {
        complain("This needs administrator rights: run it from an elevated command prompt.");
        return 5;
    }
    return failed("Cannot open the service controller", code);
}

// The service, or the code to end with when it cannot be opened.
SC_HANDLE openService(const Command& c, SC_HANDLE manager, DWORD access, int& exitCode) {
    SC_HANDLE service = OpenServiceA(manager, c.name.c_str(), access);
    if (service != nullptr) return service;
    const DWORD code = GetLastError();
    if (code == ERROR_SERVICE_DOES_NOT_EXIST) {
        complain("The service %s is not installed.", c.name.c_str());
        exitCode = static_cast<int>(code);
    } else {
        exitCode = failed("Cannot open the service " + c.name, code);
    }
    return nullptr;
}

SERVICE_STATUS_PROCESS queryStatus(SC_HANDLE service) {
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                              &needed))
        status.dwCurrentState = 0;
    return status;
}

// Waits while the service is in the given pending state, up to the time.
SERVICE_STATUS_PROCESS waitWhile(SC_HANDLE service, DWORD pending, DWORD milliseconds) {
    const DWORD began = GetTickCount();
    SERVICE_STATUS_PROCESS status = queryStatus(service);
    while (status.dwCurrentState == pending && GetTickCount() - began < milliseconds) {
        Sleep(250);
        status = queryStatus(service);
    }
    return status;
}

std::string exitCodeText(const SERVICE_STATUS_PROCESS& status) {
    if (status.dwWin32ExitCode == V::ServiceSpecificError) return formatText("%lu", status.dwServiceSpecificExitCode);
    return status.dwWin32ExitCode == 0 ? std::string("0") : formatText("system error %lu", status.dwWin32ExitCode);
}

void sayState(const Command& c, const SERVICE_STATUS_PROCESS& status) {
    const bool stopped = status.dwCurrentState == V::Stopped;
    say("The service %s is %s%s%s%s.", c.name.c_str(), stateName(status.dwCurrentState), stopped ? " (exit code " : "",
        stopped ? exitCodeText(status).c_str() : "", stopped ? ")" : "");
}

// Stops it and waits for the end: the stop timeout and a margin.
SERVICE_STATUS_PROCESS stopAndWait(const Command& c, SC_HANDLE service) {
    SERVICE_STATUS plain;
    ControlService(service, SERVICE_CONTROL_STOP, &plain);
    return waitWhile(service, V::StopPending, (c.settings.stopTimeoutSeconds + 10) * 1000);
}

// ---------------------------------------------------------------- install

// The password of another account, from standard input (never the command
// line), not echoed on a console.
std::u16string readPassword(const std::string& account) {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0, n = 0;
    std::u16string password;
    if (GetConsoleMode(in, &mode)) {
        write(STD_ERROR_HANDLE, narrowToWide("Password of " + account + ": "));
        SetConsoleMode(in, mode & ~ENABLE_ECHO_INPUT);
        wchar_t c;
        while (ReadConsoleW(in, &c, 1, &n, nullptr) && n == 1 && c != L'\r' && c != L'\n')
            password.push_back(static_cast<char16_t>(c));
        SetConsoleMode(in, mode);
        write(STD_ERROR_HANDLE, u"\r\n");
        return password;
    }
    std::string bytes;
    char c;
    while (ReadFile(in, &c, 1, &n, nullptr) && n == 1 && c != '\n') bytes.push_back(c);
    if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
    password = narrowToWide(bytes);
    SecureZeroMemory(bytes.data(), bytes.size());
    return password;
}

std::string multiString(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) out += item + '\0';
    return out + '\0';
}

// Write access to the data folder for the account: the well-known SID of the
// two service accounts, the name of any other; LocalSystem has it.
DWORD grantFolder(const std::string& folder, const std::string& kind, const std::string& account) {
    if (account.empty()) return ERROR_SUCCESS;
    EXPLICIT_ACCESS_A access{};
    access.grfAccessPermissions = FILE_GENERIC_READ | FILE_GENERIC_WRITE | DELETE;
    access.grfAccessMode = GRANT_ACCESS;
    access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof sid;
    std::string lookupName;
    const bool wellKnown = kind == "local-service" || kind == "network-service";
    if (wellKnown && CreateWellKnownSid(kind == "network-service" ? WinNetworkServiceSid : WinLocalServiceSid, nullptr,
                                        sid, &sidSize)) {
        access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        access.Trustee.ptstrName = reinterpret_cast<LPSTR>(sid);
    } else {
        char computer[MAX_COMPUTERNAME_LENGTH + 1];
        DWORD length = sizeof computer;
        lookupName = lookupAccountName(account, GetComputerNameA(computer, &length) ? computer : "");
        access.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
        access.Trustee.ptstrName = lookupName.data();
    }
    PACL current = nullptr, merged = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD result = GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                         &current, nullptr, &descriptor);
    if (result == ERROR_SUCCESS) result = SetEntriesInAclA(1, &access, current, &merged);
    if (result == ERROR_SUCCESS)
        result = SetNamedSecurityInfoA(const_cast<LPSTR>(folder.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                       nullptr, nullptr, merged, nullptr);
    LocalFree(merged);
    LocalFree(descriptor);
    return result;
}

DWORD registerEventSource(const std::string& name, const std::u16string& executable) {
    HKEY key;
    DWORD result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kEventSources) + name).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                   nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) return result;
    const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
    result = RegSetValueExW(key, L"EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(executable.c_str()),
                            static_cast<DWORD>((executable.size() + 1) * sizeof(char16_t)));
    if (result == ERROR_SUCCESS)
        result = RegSetValueExA(key, "TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types), sizeof types);
    RegCloseKey(key);
    return result;
}

void removeEventSource(const std::string& name) { RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kEventSources) + name).c_str()); }

bool changeConfig(SC_HANDLE service, DWORD level, void* info) { return ChangeServiceConfig2W(service, level, info) != FALSE; }

// The settings the controller keeps beside the command line. The name of
// the step that failed, or empty; noFlag when the system does not take the
// failure-actions flag (Wine), which is no failure.
std::string configure(const ServiceSettings& s, SC_HANDLE service, bool& noFlag) {
    std::u16string description = narrowToWide(s.description);
    SERVICE_DESCRIPTIONW text{wideBuffer(description.data())};
    if (!s.description.empty() && !changeConfig(service, SERVICE_CONFIG_DESCRIPTION, &text)) return "description";
    SERVICE_DELAYED_AUTO_START_INFO delayed{TRUE};
    if (serviceStartType(s.start).delayed && !changeConfig(service, SERVICE_CONFIG_DELAYED_AUTO_START_INFO, &delayed))
        return "delayed start";
    SERVICE_PRESHUTDOWN_INFO preshutdown{s.stopTimeoutSeconds * 1000};
    if (!changeConfig(service, SERVICE_CONFIG_PRESHUTDOWN_INFO, &preshutdown)) return "pre-shutdown time";
    if (s.restartDelays.empty()) return std::string();
    std::vector<SC_ACTION> actions;
    for (unsigned delay : s.restartDelays) actions.push_back({SC_ACTION_RESTART, delay * 1000});
    SERVICE_FAILURE_ACTIONSW failure{};
    failure.dwResetPeriod = 24 * 60 * 60;
    failure.cActions = static_cast<DWORD>(actions.size());
    failure.lpsaActions = actions.data();
    if (!changeConfig(service, SERVICE_CONFIG_FAILURE_ACTIONS, &failure)) return "failure actions";
    // An end with a non-zero exit code counts as a failure too, not only a crash.
    SERVICE_FAILURE_ACTIONS_FLAG flag{TRUE};
    if (!changeConfig(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &flag)) {
        if (GetLastError() != ERROR_INVALID_LEVEL) return "failure actions flag";
        noFlag = true;
    }
    return std::string();
}

std::u16string ownPath() {
    std::u16string path;
    fillGrowing(path, [](char16_t* b, DWORD n) { return GetModuleFileNameW(nullptr, wideBuffer(b), n); });
    return path;
}

int install(const Command& c, const ServiceRequest& request) {
    const ServiceSettings& s = c.settings;
    const std::u16string executable = ownPath();
    std::u16string command;
    if (!serviceImagePath(executable, request.arguments, c.rules, command)) {
        complain("An argument for the service holds both kinds of quote, which this executable's command line "
                 "cannot carry.");
        return ERROR_INVALID_PARAMETER;
    }
    Handle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE));
    if (!manager) return managerFailed(GetLastError());
    // LocalService and NetworkService take an empty password, a virtual
    // account none, LocalSystem no name at all; another account the one read.
    const bool given = !request.account.empty();
    const std::u16string account = given ? request.account : serviceAccount(s.account, s.name).name;
    const std::string accountText = wideToNarrow(account);
    std::u16string password = given ? readPassword(accountText) : std::u16string();
    const wchar_t* secret = given ? wideZ(password) : (s.account == "virtual" || account.empty() ? nullptr : L"");
    const std::u16string dependencies = narrowToWide(multiString(s.dependsOn));
    const std::u16string display = narrowToWide(s.displayName);
    const std::u16string name = narrowToWide(c.name);
    Handle service(CreateServiceW(manager.get(), wideZ(name), wideZ(display), SERVICE_ALL_ACCESS,
                                  SERVICE_WIN32_OWN_PROCESS, serviceStartType(s.start).type, SERVICE_ERROR_NORMAL,
                                  wideZ(command), nullptr, nullptr, s.dependsOn.empty() ? nullptr : wideZ(dependencies),
                                  account.empty() ? nullptr : wideZ(account), secret));
    SecureZeroMemory(password.data(), password.size() * sizeof(char16_t));
    if (!service) {
        const DWORD code = GetLastError();
        if (code != ERROR_SERVICE_EXISTS && code != ERROR_DUPLICATE_SERVICE_NAME)
            return failed("Cannot install the service " + c.name, code);
        complain("The service %s is already installed; remove it first with --service uninstall.", c.name.c_str());
        return static_cast<int>(code);
    }
    // All or nothing: a step that fails removes the service again.
    bool noFlag = false;
    const std::string folder = serviceDataFolder(s);
    std::string step = configure(s, service.get(), noFlag);
    DWORD code = GetLastError();
    if (step.empty() && !makeDirectories(folder)) {
        step = "data folder " + folder;
        code = GetLastError();
    }
    if (step.empty() && (code = grantFolder(folder, given ? std::string() : s.account, accountText)) != ERROR_SUCCESS)
        step = "write access to " + folder + " for " + accountText;
    if (step.empty() && (code = registerEventSource(c.name, executable)) != ERROR_SUCCESS) step = "event log source";
    if (!step.empty()) {
        DeleteService(service.get());
        removeEventSource(c.name);
        return failed("Cannot install the service " + c.name + " (" + step + "); nothing of it stays installed", code);
    }
    say("Installed the service %s (%s).", c.name.c_str(), s.displayName.c_str());
    say("  command:     %s", wideToNarrow(command).c_str());
    say("  start:       %s", s.start.c_str());
    say("  account:     %s", account.empty() ? "LocalSystem" : accountText.c_str());
    say("  data folder: %s (stdout.log, stderr.log)", folder.c_str());
    if (noFlag)
        complain("Warning: this system does not take the failure-actions flag: the service is restarted after a "
                 "crash, not after an end with a non-zero exit code.");
    return 0;
}

// ---------------------------------------------------------------- the others

int uninstall(const Command& c, SC_HANDLE manager) {
    int exitCode = 0;
    Handle service(openService(c, manager, DELETE | SERVICE_STOP | SERVICE_QUERY_STATUS, exitCode));
    if (!service) return exitCode;
    if (queryStatus(service.get()).dwCurrentState != V::Stopped) sayState(c, stopAndWait(c, service.get()));
    if (!DeleteService(service.get())) return failed("Cannot remove the service " + c.name, GetLastError());
    removeEventSource(c.name);
    say("Removed the service %s; its data folder stays: %s", c.name.c_str(), serviceDataFolder(c.settings).c_str());
    return 0;
}

int start(const Command& c, SC_HANDLE manager) {
    int exitCode = 0;
    Handle service(openService(c, manager, SERVICE_START | SERVICE_QUERY_STATUS, exitCode));
    if (!service) return exitCode;
    if (!StartServiceW(service.get(), 0, nullptr) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
        return failed("Cannot start the service " + c.name, GetLastError());
    const SERVICE_STATUS_PROCESS status = waitWhile(service.get(), V::StartPending, 120 * 1000);
    sayState(c, status);
    return status.dwCurrentState == V::Running ? 0 : 1;
}

int stop(const Command& c, SC_HANDLE manager) {
    int exitCode = 0;
    Handle service(openService(c, manager, SERVICE_STOP | SERVICE_QUERY_STATUS, exitCode));
    if (!service) return exitCode;
    SERVICE_STATUS_PROCESS status = queryStatus(service.get());
    if (status.dwCurrentState != V::Stopped) status = stopAndWait(c, service.get());
    sayState(c, status);
    return status.dwCurrentState == V::Stopped ? 0 : 1;
}

int status(const Command& c, SC_HANDLE manager) {
    int exitCode = 0;
    Handle service(openService(c, manager, SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG, exitCode));
    if (!service) return exitCode;
    const SERVICE_STATUS_PROCESS state = queryStatus(service.get());
    std::vector<BYTE> buffer(8192);
    DWORD needed = 0;
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    SERVICE_DELAYED_AUTO_START_INFO delayed{FALSE};
    QueryServiceConfig2W(service.get(), SERVICE_CONFIG_DELAYED_AUTO_START_INFO, reinterpret_cast<BYTE*>(&delayed),
                         sizeof delayed, &needed);
    say("service:        %s", c.name.c_str());
    say("state:          %s", stateName(state.dwCurrentState));
    if (state.dwProcessId != 0) say("process id:     %lu", state.dwProcessId);
    if (QueryServiceConfigA(service.get(), config, static_cast<DWORD>(buffer.size()), &needed)) {
        say("start:          %s", startTypeName(config->dwStartType, delayed.fDelayedAutostart != FALSE));
        const char* account = config->lpServiceStartName;
        say("account:        %s", account != nullptr && *account ? account : "LocalSystem");
    }
    say("data folder:    %s", serviceDataFolder(c.settings).c_str());
    say("last exit code: %s", exitCodeText(state).c_str());
    return 0;
}

}  // namespace

bool runServiceCommand(const LaunchConfig& config, const ArgumentList& arguments, int& exitCode) {
    if (!config.service.enabled || arguments.size() < 2) return false;
    const ServiceRequest request = parseServiceRequest(ArgumentList(arguments.begin() + 1, arguments.end()));
    if (request.command == ServiceCommand::Run) return false;
    if (request.command == ServiceCommand::Invalid) {
        complain("%s", request.error.c_str());
        exitCode = ERROR_INVALID_PARAMETER;
        return true;
    }
    const Command c{config.service, config.commandLineRules, config.service.name};
    if (request.command == ServiceCommand::Install) {
        exitCode = install(c, request);
        return true;
    }
    Handle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) {
        exitCode = managerFailed(GetLastError());
        return true;
    }
    switch (request.command) {
        case ServiceCommand::Uninstall: exitCode = uninstall(c, manager.get()); break;
        case ServiceCommand::Start: exitCode = start(c, manager.get()); break;
        case ServiceCommand::Stop: exitCode = stop(c, manager.get()); break;
        default: exitCode = status(c, manager.get()); break;
    }
    return true;
}
