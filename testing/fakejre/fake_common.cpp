#include "testing/fakejre/fake_common.h"

#include <cstdio>
#include <mutex>

namespace fakejre {

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring fromCodePage(const std::string& text, UINT codePage) {
    if (text.empty()) return std::wstring();
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n > 0 ? n : 0, L'\0');
    if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::wstring environmentVariable(const wchar_t* name) {
    const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0) return std::wstring();
    std::wstring value(n, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), n));
    return value;
}

std::wstring moduleDirectory(HMODULE module) {
    std::wstring path(32768, L'\0');
    DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::vector<std::string> readLines(const std::wstring& path) {
    std::vector<std::string> lines;
    FILE* in = _wfopen(path.c_str(), L"rb");
    if (in == nullptr) return lines;
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, n);
    std::fclose(in);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::vector<std::pair<std::string, std::string>> scriptEntries(const std::wstring& path) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (const std::string& line : readLines(path)) {
        const size_t equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string::npos) continue;
        entries.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
    return entries;
}

std::string scriptValues(const std::wstring& directory, const char* key) {
    std::string values;
    for (const auto& [name, value] : scriptEntries(directory + L"fakejre.ini"))
        if (name == key) values += value + "\n";
    return values;
}

std::string scriptValue(const std::wstring& directory, const char* key, const char* fallback) {
    std::string values = scriptValues(directory, key);
    if (values.empty()) return fallback;
    values.pop_back();
    const size_t last = values.rfind('\n');
    return last == std::string::npos ? values : values.substr(last + 1);
}

void appendLine(const std::wstring& path, const std::string& utf8Line) {
    static std::mutex lock;
    std::lock_guard<std::mutex> guard(lock);
    const std::string text = utf8Line + "\n";
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written;
            WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
            CloseHandle(file);
            return;
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION) return;
        Sleep(10);
    }
}

}  // namespace fakejre
