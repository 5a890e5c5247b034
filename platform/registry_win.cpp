#include "platform/registry.h"

#include <algorithm>
#include <cstring>

UniqueKey openKeyForReading(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return UniqueKey();
    return UniqueKey(key);
}

namespace {

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
    UniqueKey key = openKeyForReading(root, keyPath);
    if (!key) return {};
    return subkeyNames(key.get());
}

bool readRegistryValue(HKEY root, const std::string& keyPath, const char* valueName, std::string& value) {
    UniqueKey key = openKeyForReading(root, keyPath);
    return key && readRegistryValue(key.get(), valueName, value);
}

bool readRegistryValue(HKEY key, const char* valueName, std::string& value) {
    DWORD size = 8192;
    std::string buffer(size, '\0');
    LONG rc = RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (rc == ERROR_MORE_DATA) {
        buffer.assign(size, '\0');
        rc = RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size);
    }
    if (rc != ERROR_SUCCESS) return false;
    buffer.resize(std::min<DWORD>(size, static_cast<DWORD>(buffer.size())));
    value = textOf(buffer);
    return true;
}

