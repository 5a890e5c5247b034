#include "testing/fakejre/fake_common.h"

#include <cstdio>
#include <cwctype>
#include <mutex>
#include <optional>

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

// ---------------------------------------------------------------- host paths

using UnixName = char*(CDECL*)(LPCWSTR);

// A Windows path as the host sees it: Wine's own translation when there is
// one, else Z: as the root and other drives through the prefix's dosdevices.
std::string hostPath(const std::wstring& windowsPath) {
    static const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (unixName != nullptr) {
        if (char* name = unixName(windowsPath.c_str())) {
            std::string out = name;
            HeapFree(GetProcessHeap(), 0, name);
            return out;
        }
    }
    if (windowsPath.size() < 3 || windowsPath[1] != L':') return toUtf8(windowsPath);
    std::string rest = toUtf8(windowsPath.substr(2));
    for (char& c : rest)
        if (c == '\\') c = '/';
    const wchar_t drive = static_cast<wchar_t>(towlower(windowsPath[0]));
    if (drive == L'z') return rest;
    std::string prefix = toUtf8(environmentVariable(L"WINEPREFIX"));
    if (prefix.empty()) prefix = toUtf8(fakejre::environmentVariable(L"HOME")) + "/.wine";
    return prefix + "/dosdevices/" + static_cast<char>(drive) + ":" + rest;
}

std::string hostPathList(const std::wstring& list) {
    std::string out;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(L';', start);
        if (end == std::wstring::npos) end = list.size();
        if (end > start) out += (out.empty() ? "" : ":") + hostPath(list.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

// Quoted for a command line split by the Windows rules.
std::wstring quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

// ---------------------------------------------------------------- HotSpot 25's AOT options

std::optional<AotComplaint> aotComplaint(const std::vector<std::string>& options) {
    std::string mode, configuration, cache, output;
    bool unlocked = false;
    for (const std::string& option : options) {
        const std::string value = option.substr(option.find('=') + 1);
        if (startsWith(option, "-XX:AOTMode=")) mode = value;
        else if (startsWith(option, "-XX:AOTConfiguration=")) configuration = value;
        else if (startsWith(option, "-XX:AOTCache=")) cache = value;
        else if (startsWith(option, "-XX:AOTCacheOutput=")) output = value;
        else if (option == "-XX:+UnlockDiagnosticVMOptions") unlocked = true;
        else if (option == "-XX:-UnlockDiagnosticVMOptions") unlocked = false;
        else if ((option == "-XX:-DisplayVMOutput" || option == "-XX:+DisplayVMOutput") && !unlocked)
            return AotComplaint{"Error: VM option 'DisplayVMOutput' is diagnostic and must be enabled via "
                                "-XX:+UnlockDiagnosticVMOptions.\nError: The unlock option must precede "
                                "'DisplayVMOutput'.\n",
                                false};
    }
    if (!mode.empty() && mode != "off" && mode != "record" && mode != "create" && mode != "auto" && mode != "on")
        return AotComplaint{"Unrecognized value " + mode + " for AOTMode. Must be one of the following: off, record, "
                            "create, auto, on\nImproperly specified VM option 'AOTMode=" + mode + "'\n",
                            false};
    const char* missing = nullptr;
    if (mode == "record" && configuration.empty() && output.empty())
        missing = "At least one of AOTCacheOutput and AOTConfiguration must be specified when using -XX:AOTMode=record";
    else if (mode == "create" && configuration.empty())
        missing = "AOTConfiguration must be specified when using -XX:AOTMode=create";
    else if (mode == "create" && cache.empty() && output.empty())
        missing = "AOTCache or AOTCacheOutput must be specified when using -XX:AOTMode=create";
    else if (mode == "record" && !cache.empty())
        missing = "AOTCache must not be specified when using -XX:AOTMode=record";
    if (missing != nullptr)
        return AotComplaint{std::string("Error occurred during initialization of VM\n") + missing + "\n", true};
    return std::nullopt;
}

std::wstring commandLine(const std::vector<std::wstring>& parts) {
    std::wstring line;
    for (const std::wstring& part : parts) line += (line.empty() ? L"" : L" ") + quoted(part);
    return line;
}

bool startWithOwnStreams(std::wstring& line, PROCESS_INFORMATION& process) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    return CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process) != 0;
}

}  // namespace fakejre
