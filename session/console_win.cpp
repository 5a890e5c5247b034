// Console switches: attach to the parent's console or make a new one.
#include "session/console.h"

#include "platform/win32.h"
#include "log/diaglog.h"

namespace {

using AttachConsoleFunction = BOOL(WINAPI*)(DWORD);

// AttachConsole is missing on older systems: resolved at run time.
AttachConsoleFunction attachConsoleEntry() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return nullptr;
    return reinterpret_cast<AttachConsoleFunction>(reinterpret_cast<void*>(GetProcAddress(kernel, "AttachConsole")));
}

// A GUI process that had no standard handles writes to its new console.
void useConsoleForMissingStandardHandles() {
    const struct {
        DWORD id;
        const char* device;
        DWORD access;
    } streams[] = {{STD_INPUT_HANDLE, "CONIN$", GENERIC_READ | GENERIC_WRITE},
                   {STD_OUTPUT_HANDLE, "CONOUT$", GENERIC_READ | GENERIC_WRITE},
                   {STD_ERROR_HANDLE, "CONOUT$", GENERIC_READ | GENERIC_WRITE}};
    for (const auto& stream : streams) {
        HANDLE current = GetStdHandle(stream.id);
        if (current != nullptr && current != INVALID_HANDLE_VALUE) continue;
        HANDLE console = CreateFileA(stream.device, stream.access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
        if (console != INVALID_HANDLE_VALUE) SetStdHandle(stream.id, console);
    }
}

bool attachOrAllocate() {
    if (AttachConsoleFunction attach = attachConsoleEntry()) {
        if (attach(ATTACH_PARENT_PROCESS)) {
            logInfo("attached to the parent's console");
            return true;
        }
        if (GetLastError() == ERROR_ACCESS_DENIED) {
            logInfo("console already attached");
            return true;
        }
    }
    if (AllocConsole()) {
        logInfo("allocated a console");
        return true;
    }
    logError("could not allocate a console %lu", GetLastError());
    return false;
}

}  // namespace

bool attachOrAllocateConsole() {
    if (!attachOrAllocate()) return false;
    useConsoleForMissingStandardHandles();
    return true;
}
