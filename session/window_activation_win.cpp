#include "session/window_activation.h"

#include <string>

#include "log/diaglog.h"
#include "platform/lock.h"
#include "platform/win32.h"
#include "platform/win_text.h"

namespace {

// One operation at a time: the splash thread counts windows on its timer
// while the main thread may raise them, and the console lookup below changes
// the console's title for a moment.
Lock& serviceLock() {
    static Lock lock;
    return lock;
}

struct Enumeration {
    DWORD target;
    bool restore;
    HWND exclude;
    int count;
};

bool belongsTo(HWND window, DWORD processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return owner == processId && IsWindowVisible(window);
}

BOOL CALLBACK activateOne(HWND window, LPARAM context) {
    const Enumeration& e = *reinterpret_cast<Enumeration*>(context);
    if (!belongsTo(window, e.target)) return TRUE;
    logInfo("found window %p", static_cast<void*>(window));
    if (e.restore && IsIconic(window)) {
        logInfo("restore");
        ShowWindow(window, SW_RESTORE);
    }
    logInfo("foreground");
    SetForegroundWindow(window);
    logInfo("popup");
    SetForegroundWindow(GetLastActivePopup(window));
    logInfo("done");
    return TRUE;
}

BOOL CALLBACK countOne(HWND window, LPARAM context) {
    Enumeration& e = *reinterpret_cast<Enumeration*>(context);
    if (window != e.exclude && belongsTo(window, e.target)) ++e.count;
    return TRUE;
}

// The console window of this process, found by giving the console a unique
// title for a moment; none without a console.
HWND lookUpConsoleWindow() {
    std::string saved;
    if (!fillGrowing(saved, [](char* b, DWORD n) { return GetConsoleTitleA(b, n); }, 8192) || saved.empty())
        return nullptr;
    const std::string unique = std::to_string(GetTickCount()) + "/" + std::to_string(GetCurrentProcessId());
    if (!SetConsoleTitleA(unique.c_str())) return nullptr;
    Sleep(40);
    HWND console = FindWindowA(nullptr, unique.c_str());
    SetConsoleTitleA(saved.c_str());
    return console;
}

HWND consoleWindow() {
    static const HWND console = lookUpConsoleWindow();
    return console;
}

}  // namespace

void activateProcessWindows(unsigned long processId, bool restoreMinimised) {
    LockGuard guard(serviceLock());
    Enumeration e{processId, restoreMinimised, nullptr, 0};
    EnumWindows(activateOne, reinterpret_cast<LPARAM>(&e));
}

int countProcessWindows(unsigned long processId, bool mayHaveConsole) {
    LockGuard guard(serviceLock());
    Enumeration e{processId, false, mayHaveConsole ? consoleWindow() : nullptr, 0};
    EnumWindows(countOne, reinterpret_cast<LPARAM>(&e));
    return e.count;
}
