// The builder's system calls on Windows.
#include "builder/host/system.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cerrno>
#include <cstring>
#include <iterator>

#include "builder/host/file_source.h"

PathStyle hostPathStyle() { return PathStyle::Windows; }

std::FILE* openFile(const std::filesystem::path& path, const char* mode) {
    const std::wstring wideMode(mode, mode + std::strlen(mode));
    return _wfopen(path.c_str(), wideMode.c_str());
}

std::FILE* openFile(const std::string& utf8, const char* mode) { return openFile(fsPath(utf8), mode); }

bool seekFile(std::FILE* file, uint64_t position) { return _fseeki64(file, static_cast<long long>(position), SEEK_SET) == 0; }

bool tellFile(std::FILE* file, uint64_t& position) {
    const long long at = _ftelli64(file);
    if (at < 0) return false;
    position = static_cast<uint64_t>(at);
    return true;
}

namespace {

// The identity of an existing file or directory; false when it cannot be opened.
bool fileIdentity(const std::string& utf8, BY_HANDLE_FILE_INFORMATION& info) {
    HANDLE handle = CreateFileW(fsPath(utf8).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    return ok;
}

}  // namespace

bool sameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION x, y;
    return fileIdentity(a, x) && fileIdentity(b, y) && x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
           x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

// The C++ library's copy_file takes any two files of a drive for one there
// (it compares inode numbers, which Windows does not have).
void copyFileOver(const std::string& from, const std::filesystem::path& target, std::error_code& ec) {
    ec.clear();
    if (!CopyFileW(fsPath(from).c_str(), target.c_str(), FALSE))
        ec = std::error_code(static_cast<int>(GetLastError()), std::system_category());
}

std::FILE* createPartialFile(const std::string& outputPath, std::string& path, int& error) {
    // A name no other build uses, made only if it is not there yet.
    std::FILE* file = nullptr;
    errno = 0;
    for (unsigned n = 0; n < 100 && file == nullptr; ++n) {
        path = outputPath + ".part-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(n);
        errno = 0;
        const int fd = _wsopen(fsPath(path).c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _SH_DENYNO,
                               _S_IREAD | _S_IWRITE);
        if (fd < 0 && errno != EEXIST) break;
        if (fd >= 0) {
            file = _fdopen(fd, "wb");
            if (file == nullptr) _close(fd);
        }
    }
    error = file != nullptr ? 0 : errno != 0 ? errno : EIO;
    return file;
}

namespace {

// A fixed buffer: the handler may not allocate.
wchar_t gPartial[32768];

BOOL WINAPI removePartialOnCtrl(DWORD) {
    if (gPartial[0] != L'\0') DeleteFileW(gPartial);
    return FALSE;  // the default handler ends the process
}

}  // namespace

void trackPartial(const std::string& path) {
    gPartial[0] = L'\0';
    const std::wstring wide = fsPath(path).wstring();
    if (wide.size() < std::size(gPartial)) std::memcpy(gPartial, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
}

void removePartialOnInterrupt() { SetConsoleCtrlHandler(removePartialOnCtrl, TRUE); }

bool onTerminal() { return _isatty(_fileno(stderr)) != 0; }

const char* clearLineSequence() { return "\r                                                                              \r"; }

std::filesystem::path ownDirectory() {
    std::wstring buffer(32768, L'\0');
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(n);
    return std::filesystem::path(buffer).parent_path();
}

std::vector<std::string> commandArguments(int, char**) {
    SetConsoleOutputCP(CP_UTF8);
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide != nullptr && i < count; ++i) args.push_back(std::filesystem::path(wide[i]).string());
    LocalFree(wide);
    return args;
}
