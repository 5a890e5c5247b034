#include "testing/fakejre/fake_common.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fakejre {

namespace {

std::string utf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

std::wstring moduleDirectory(HMODULE module) {
    std::wstring path(32768, L'\0');
    DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::string scriptValues(const std::wstring& directory, const char* key) {
    std::ifstream in(std::filesystem::path(directory + L"fakejre.ini"));
    std::string line, values;
    const std::string prefix = std::string(key) + "=";
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(prefix, 0) == 0) values += line.substr(prefix.size()) + "\n";
    }
    return values;
}

std::string scriptValue(const std::wstring& directory, const char* key, const char* fallback) {
    std::string values = scriptValues(directory, key);
    if (values.empty()) return fallback;
    values.pop_back();
    const size_t last = values.rfind('\n');
    return last == std::string::npos ? values : values.substr(last + 1);
}

void recordCall(const std::wstring& directory, const std::wstring& line) {
    // Several processes may record at once: append with the file locked.
    const std::wstring path = directory + L"fakejre-calls.log";
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            const std::string text = utf8(line) + "\n";
            DWORD written;
            WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
            CloseHandle(file);
            return;
        }
        Sleep(10);
    }
}

}  // namespace fakejre
