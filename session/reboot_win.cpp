// The reboot request ("__mvt_reboot"): restart the machine after 5 seconds.
#include "log/diaglog.h"
#include "platform/handle.h"
#include "platform/win32.h"
#include "session/reboot.h"

namespace {

constexpr DWORD kRebootDelayMs = 5000;

bool isNtFamily() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL ok = GetVersionExA(&version);
#pragma GCC diagnostic pop
    return ok && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// Enables SeShutdownPrivilege in the process's token.
bool enableShutdownPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        logError("OpenProcessToken failed %lu", GetLastError());
        return false;
    }
    UniqueHandle owned(token);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    SetLastError(ERROR_SUCCESS);
    AdjustTokenPrivileges(owned.get(), FALSE, &privileges, 0, nullptr, nullptr);
    if (const DWORD error = GetLastError()) {
        logError("AdjustTokenPrivileges failed %lu", error);
        return false;
    }
    logInfo("shutdown privilege enabled");
    return true;
}

}  // namespace

void rebootSystem() {
    logInfo("reboot requested");
    Sleep(kRebootDelayMs);
    if (isNtFamily() && !enableShutdownPrivilege()) return;
    const BOOL result = ExitWindowsEx(EWX_REBOOT, 0);
    logInfo("ExitWindowsEx returned %d", result);
}
