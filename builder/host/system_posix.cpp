// The builder's system calls on POSIX systems (Linux, macOS).
#include "builder/host/system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

PathStyle hostPathStyle() { return PathStyle::Posix; }

std::FILE* openFile(const std::filesystem::path& path, const char* mode) { return std::fopen(path.c_str(), mode); }

std::FILE* openFile(const std::string& utf8, const char* mode) { return std::fopen(utf8.c_str(), mode); }

bool seekFile(std::FILE* file, uint64_t position) { return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0; }

bool tellFile(std::FILE* file, uint64_t& position) {
    const off_t at = ftello(file);
    if (at < 0) return false;
    position = static_cast<uint64_t>(at);
    return true;
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

void copyFileOver(const std::string& from, const std::filesystem::path& target, std::error_code& ec) {
    std::filesystem::copy_file(from, target, std::filesystem::copy_options::overwrite_existing, ec);
}

std::FILE* createPartialFile(const std::string& outputPath, std::string& path, int& error) {
    path = outputPath + ".part-XXXXXX";
    errno = 0;
    std::FILE* file = nullptr;
    const int fd = mkstemp(path.data());
    if (fd >= 0) {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
        file = fdopen(fd, "wb");
        if (file == nullptr) ::close(fd);
    }
    error = file != nullptr ? 0 : errno != 0 ? errno : EIO;
    return file;
}

namespace {

// A fixed buffer: the signal handler may not allocate.
char gPartial[4096];

extern "C" void removePartialAndExit(int signal) {
    if (gPartial[0] != '\0') std::remove(gPartial);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void trackPartial(const std::string& path) {
    gPartial[0] = '\0';
    if (path.size() < sizeof gPartial) std::memcpy(gPartial, path.c_str(), path.size() + 1);
}

void removePartialOnInterrupt() {
    std::signal(SIGINT, removePartialAndExit);
    std::signal(SIGTERM, removePartialAndExit);
}

bool onTerminal() { return isatty(fileno(stderr)) != 0; }

const char* clearLineSequence() { return "\r\033[K"; }

std::filesystem::path ownDirectory() {
#if defined(__APPLE__)
    uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    std::string buffer(size, '\0');
    _NSGetExecutablePath(buffer.data(), &size);
    return std::filesystem::weakly_canonical(buffer.c_str()).parent_path();
#else
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
#endif
}

std::vector<std::string> commandArguments(int argc, char** argv) { return std::vector<std::string>(argv + 1, argv + argc); }
