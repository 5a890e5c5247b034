#include "files/fileutil.h"

#include "files/paths.h"
#include "platform/handle.h"
#include "platform/win32.h"
#include "platform/win_text.h"
#include "log/diaglog.h"

#include <shlobj.h>

namespace {

bool endsWithExe(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return tail == ".exe";
}

// A path the ANSI file functions can open: it names an .exe and is shorter
// than MAX_PATH (they take no more).
bool usableByAnsiFunctions(const std::string& path) { return endsWithExe(path) && path.size() < MAX_PATH; }

// A narrow form of a wide path, or empty when a character has none.
std::string narrowPath(const std::u16string& wide) {
    bool replaced = false;
    std::string narrow = wideToNarrow(wide, fileCodePage(), &replaced);
    return replaced ? std::string() : narrow;
}

// The executable's path, and whether it is the system's long form as it stands
// (then asking for its long form again would only repeat the walk).
struct ExecutablePath {
    std::string path;
    bool longForm = false;
};

ExecutablePath computeExecutablePath() {
    std::string result;
    bool isLongForm = false;
    using LongNameW = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);
    auto longNameW = reinterpret_cast<LongNameW>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("Kernel32.DLL"), "GetLongPathNameW")));
    if (longNameW != nullptr && (GetVersion() & 0x80000000u) == 0) {
        std::u16string module, longForm, shortForm;
        fillGrowing(module, [](char16_t* b, DWORD n) { return GetModuleFileNameW(nullptr, wideBuffer(b), n); });
        fillGrowing(longForm, [&](char16_t* b, DWORD n) { return longNameW(wideZ(module), wideBuffer(b), n); });
        isLongForm = !longForm.empty();
        if (longForm.empty()) longForm = module;
        result = narrowPath(longForm);
        isLongForm = isLongForm && !result.empty();
        // A long form too long for the ANSI functions goes the way of one
        // they cannot spell: the short form names the same file.
        if (!usableByAnsiFunctions(result)) {
            fillGrowing(shortForm,
                        [&](char16_t* b, DWORD n) { return GetShortPathNameW(wideZ(longForm), wideBuffer(b), n); });
            std::string shortPath = narrowPath(shortForm);
            if (usableByAnsiFunctions(shortPath) || !endsWithExe(result)) {
                result = shortPath;
                isLongForm = false;
            }
        }
        if (!endsWithExe(result)) {
            std::string module8;
            fillGrowing(module8, [](char* b, DWORD n) { return GetModuleFileNameA(nullptr, b, n); });
            fillGrowing(result, [&](char* b, DWORD n) { return GetShortPathNameA(module8.c_str(), b, n); });
            if (result.empty()) result = module8;
            isLongForm = false;
        }
    } else {
        fillGrowing(result, [](char* b, DWORD n) { return GetModuleFileNameA(nullptr, b, n); });
    }
    normalizePath(result);
    return {result, isLongForm};
}

const ExecutablePath& ownPath() {
    static const ExecutablePath path = computeExecutablePath();
    return path;
}

// Applies a rule to the wide form of a narrow path, storing the result only
// when it converts back without loss.
template <typename Rule>
void throughWide(std::string& path, Rule rule) {
    std::u16string wide = narrowToWide(path, fileCodePage());
    rule(wide);
    bool replaced = false;
    std::string narrow = wideToNarrow(wide, fileCodePage(), &replaced);
    if (!replaced) path = narrow;
}

std::u16string wideOf(const std::string& path) { return narrowToWide(path, fileCodePage()); }

std::string narrowOf(const std::u16string& path) { return wideToNarrow(path, fileCodePage()); }

}  // namespace

const std::string& executablePath() { return ownPath().path; }

const std::string& executableLongPath() {
    static const std::string path = [] {
        if (ownPath().longForm) return ownPath().path;
        std::string longForm;
        return longPathName(ownPath().path, longForm) == 0 ? ownPath().path : longForm;
    }();
    return path;
}

const std::string& executableDirectory() {
    static const std::string directory = narrowOf(directoryOf(wideOf(executablePath())));
    return directory;
}

void normalizePath(std::string& path) { throughWide(path, collapseBackslashes); }

void toLowerPath(std::string& path) { throughWide(path, lowerAscii); }

bool isRelativePath(const std::string& path) { return ::isRelativePath(std::string_view(path)); }

std::string makeAbsolute(const std::string& path, const char* base) {
    std::u16string directory = wideOf(executableDirectory());
    if (base != nullptr) {
        std::string full;
        fillGrowing(full, [&](char* b, DWORD n) { return GetFullPathNameA(base, n, b, nullptr); });
        directory = directoryOf(wideOf(full.empty() ? std::string(base) : full));
    }
    return narrowOf(absoluteIn(wideOf(path), directory));
}

std::string resolvePath(const std::string& path, bool keepCase) {
    return narrowOf(resolveAgainst(wideOf(path), wideOf(executableDirectory()), keepCase));
}

bool fileExists(const std::string& path) {
    if (isDriveRoot(wideOf(path))) return true;
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileA(path.c_str(), &data));
    return find.valid();
}

bool findFileTime(const std::string& path, uint64_t* lastWriteTime) {
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileA(path.c_str(), &data));
    if (!find) return false;
    if (lastWriteTime != nullptr)
        *lastWriteTime = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                         data.ftLastWriteTime.dwLowDateTime;
    return true;
}

std::vector<std::string> listFiles(const std::string& directory, const std::string& extension) {
    std::string pattern = directory + "\\*";
    if (extension.empty() || extension[0] != '.') pattern += ".";
    pattern += extension;
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileA(pattern.c_str(), &data));
    if (!find) return names;
    do {
        names.emplace_back(data.cFileName);
    } while (FindNextFileA(find.get(), &data));
    return names;
}

std::string expandPathList(const std::string& list) {
    std::string out;
    for (const std::string& part : splitPathList(list)) {
        if (!out.empty()) out += ';';
        out += makeAbsolute(part);
    }
    return out;
}

void emptyDirectory(const std::string& directory) {
    if (directory.empty() || directory[0] == '.') return;
    logInfo("emptying %s", directory.c_str());
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileA((directory + "\\*.*").c_str(), &data));
    if (!find) return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        const std::string full = directory + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            logInfo("attempting to remove %s", full.c_str());
            RemoveDirectoryA(full.c_str());
        } else {
            logInfo("attempting to delete %s", full.c_str());
            DeleteFileA(full.c_str());
        }
    } while (FindNextFileA(find.get(), &data));
}

namespace {

using LongNameA = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);

}  // namespace

// The shell is loaded here, when it is needed, and not imported: every system
// since Windows 98 and 2000 has GetLongPathNameA, and importing shell32 loads
// it and the libraries it needs (shlwapi, ole32, rpcrt4, ...) at every start,
// a measurable part of a warm start (bench/launch_bench.sh). Like jvm.dll,
// the library is never freed.
size_t emulatedLongPathName(const std::string& path, std::string& out) {
    if (!fileExists(path)) return 0;
    std::string full;
    fillGrowing(full, [&](char* b, DWORD n) { return GetFullPathNameA(path.c_str(), n, b, nullptr); });
    if (full.empty() || full.size() >= MAX_PATH) return 0;
    const HMODULE shell = LoadLibraryA("shell32.dll");
    if (shell == nullptr) return 0;
    using DesktopFolder = HRESULT(WINAPI*)(IShellFolder**);
    using PathFromItems = BOOL(WINAPI*)(LPCITEMIDLIST, LPSTR);
    using ShellMalloc = HRESULT(WINAPI*)(IMalloc**);
    const auto desktopFolder = reinterpret_cast<DesktopFolder>(
        reinterpret_cast<void*>(GetProcAddress(shell, "SHGetDesktopFolder")));
    const auto pathFromItems = reinterpret_cast<PathFromItems>(
        reinterpret_cast<void*>(GetProcAddress(shell, "SHGetPathFromIDListA")));
    const auto shellMalloc = reinterpret_cast<ShellMalloc>(reinterpret_cast<void*>(GetProcAddress(shell, "SHGetMalloc")));
    if (desktopFolder == nullptr || pathFromItems == nullptr || shellMalloc == nullptr) return 0;
    IMalloc* allocator = nullptr;
    if (FAILED(shellMalloc(&allocator))) return 0;
    IShellFolder* desktop = nullptr;
    if (FAILED(desktopFolder(&desktop))) {
        allocator->Release();
        return 0;
    }
    std::u16string wide = narrowToWide(full);
    LPITEMIDLIST items = nullptr;
    size_t length = 0;
    if (SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, wideBuffer(wide.data()), nullptr, &items, nullptr))) {
        char buffer[MAX_PATH];
        if (pathFromItems(items, buffer)) {
            out = buffer;
            length = out.size();
        }
        allocator->Free(items);
    }
    desktop->Release();
    allocator->Release();
    return length;
}

size_t longPathName(const std::string& path, std::string& out) {
    static LongNameA longNameA = reinterpret_cast<LongNameA>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("KERNEL32"), "GetLongPathNameA")));
    static bool useEmulation = longNameA == nullptr;
    if (!useEmulation) {
        std::string result;
        bool ok = fillGrowing(result, [&](char* b, DWORD n) { return longNameA(path.c_str(), b, n); });
        if (ok && !result.empty()) {
            out = result;
            return out.size();
        }
        if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return 0;
        useEmulation = true;
    }
    return emulatedLongPathName(path, out);
}
