// The first instance's process id in the registry, one value per executable.
#include "session/instance_registry.h"

#include "files/fileutil.h"
#include "platform/handle.h"

namespace {

const char* const kPidKey = "SOFTWARE\\korvath\\qarvo\\pids\\";

}  // namespace

const std::string& instanceKey() {
    static const std::string key = resolvePath(executablePath(), false);
    return key;
}

void registerInstancePid() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kPidKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    UniqueKey owned(key);
    const DWORD pid = GetCurrentProcessId();
    RegSetValueExA(owned.get(), instanceKey().c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&pid), sizeof pid);
}

unsigned long readInstancePid() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kPidKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    UniqueKey owned(key);
    DWORD pid = 0, size = sizeof pid, type = 0;
    if (RegQueryValueExA(owned.get(), instanceKey().c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&pid), &size) !=
            ERROR_SUCCESS ||
        size != sizeof pid)
        return 0;
    return pid;
}
