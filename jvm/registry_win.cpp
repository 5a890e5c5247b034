#include "jvm/registry.h"

#include "jvm/search_rules.h"
#include "platform/handle.h"
#include "platform/registry.h"

namespace {

const char* const kCacheKey = "SOFTWARE\\korvath\\qarvo\\jvms\\";

}  // namespace

bool readCachedVersion(const std::string& javaExecutable, uint64_t lastWriteTime, std::string& version) {
    UniqueKey key = openKeyForReading(HKEY_CURRENT_USER, pathKeyName(kCacheKey, javaExecutable));
    if (!key) return false;
    unsigned char stored[8];
    DWORD size = sizeof stored;
    if (RegQueryValueExA(key.get(), "LastWriteTime", nullptr, nullptr, stored, &size) != ERROR_SUCCESS || size != 8)
        return false;
    for (int i = 0; i < 8; ++i)
        if (stored[i] != static_cast<unsigned char>(lastWriteTime >> (8 * i))) return false;
    return readRegistryValue(key.get(), "Version", version);
}

void writeCachedVersion(const std::string& javaExecutable, uint64_t lastWriteTime, const std::string& version) {
    HKEY created = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, pathKeyName(kCacheKey, javaExecutable).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &created, nullptr) != ERROR_SUCCESS)
        return;
    UniqueKey key(created);
    unsigned char time[8];
    for (int i = 0; i < 8; ++i) time[i] = static_cast<unsigned char>(lastWriteTime >> (8 * i));
    RegSetValueExA(key.get(), "LastWriteTime", 0, REG_BINARY, time, sizeof time);
    RegSetValueExA(key.get(), "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                   static_cast<DWORD>(version.size() + 1));
}
