#include "jvm/registry.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "jvm/search_rules.h"
#include "platform/handle.h"

namespace {

const char* const kCacheKey = "SOFTWARE\\korvath\\qarvo\\jvms\\";

UniqueKey openKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return UniqueKey();
    return UniqueKey(key);
}

// Subkey names by index until the enumeration has no more.
std::vector<std::string> subkeyNames(HKEY key) {
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        std::string name(8192, '\0');
        DWORD length = static_cast<DWORD>(name.size());
        LONG rc = RegEnumKeyExA(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) continue;
        name.resize(length);
        names.push_back(name);
    }
    return names;
}

// A string value up to its first NUL.
std::string textOf(const std::string& bytes) { return bytes.substr(0, std::strlen(bytes.c_str())); }

}  // namespace

std::vector<std::string> registrySubkeyNames(HKEY root, const std::string& keyPath) {
    UniqueKey key = openKey(root, keyPath);
    if (!key) return {};
    return subkeyNames(key.get());
}

bool readRegistryValue(HKEY root, const std::string& keyPath, const char* valueName, std::string& value) {
    UniqueKey key = openKey(root, keyPath);
    if (!key) return false;
    DWORD size = 8192;
    std::string buffer(size, '\0');
    LONG rc = RegQueryValueExA(key.get(), valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (rc == ERROR_MORE_DATA) {
        buffer.assign(size, '\0');
        rc = RegQueryValueExA(key.get(), valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size);
    }
    if (rc != ERROR_SUCCESS) return false;
    buffer.resize(std::min<DWORD>(size, static_cast<DWORD>(buffer.size())));
    value = textOf(buffer);
    return true;
}

bool readCachedVersion(const std::string& javaExecutable, uint64_t lastWriteTime, std::string& version) {
    UniqueKey key = openKey(HKEY_CURRENT_USER, pathKeyName(kCacheKey, javaExecutable));
    if (!key) return false;
    unsigned char stored[8];
    DWORD size = sizeof stored;
    if (RegQueryValueExA(key.get(), "LastWriteTime", nullptr, nullptr, stored, &size) != ERROR_SUCCESS || size != 8)
        return false;
    for (int i = 0; i < 8; ++i)
        if (stored[i] != static_cast<unsigned char>(lastWriteTime >> (8 * i))) return false;
    return readRegistryValue(HKEY_CURRENT_USER, pathKeyName(kCacheKey, javaExecutable), "Version", version);
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
