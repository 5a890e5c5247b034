#include "files/included.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <memory>

#include "platform/format_text.h"

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Windows opens a device, not a file, for these names with any extension.
bool isDeviceName(std::string_view component) {
    std::string base(component.substr(0, component.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (base == device) return true;
    return base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) && base[3] >= '0' &&
           base[3] <= '9';
}

bool onlyDotsAndBlanks(std::string_view component) {
    return std::all_of(component.begin(), component.end(), [](char c) { return c == '.' || c == ' '; });
}

// Writes a whole chunk, repeating the write for what is left.
bool writeAll(ChunkSink& target, const char* data, uint32_t n, const block::LogSink& logError) {
    while (n > 0) {
        uint32_t written = 0, error = 0;
        if (!target.write(data, n, &written, &error) || written == 0) {
            logError(formatText("WriteFile failed %u %u", n, error));
            return false;
        }
        data += written;
        n -= std::min(written, n);
    }
    return true;
}

}  // namespace

std::vector<std::string> includedFileNames(const std::string& entry, int count) {
    std::vector<std::string> names;
    size_t start = 0;
    while (static_cast<int>(names.size()) < count && start < entry.size()) {
        size_t end = entry.find(';', start);
        if (end == std::string::npos) end = entry.size();
        if (end == start) break;
        names.push_back(entry.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

bool staysInsideDirectory(std::string_view name) {
    if (name.empty() || name.find(':') != std::string_view::npos) return false;
    size_t start = 0;
    for (;;) {
        size_t end = start;
        while (end < name.size() && !isSeparator(name[end])) ++end;
        const std::string_view component = name.substr(start, end - start);
        if (component.empty() || onlyDotsAndBlanks(component) || isDeviceName(component)) return false;
        if (end == name.size()) return true;
        start = end + 1;
    }
}

std::string firstDirectoryOf(std::string_view name) {
    const size_t slash = name.find('\\');
    return slash == std::string_view::npos ? std::string() : std::string(name.substr(0, slash));
}

int copyUnscrambled(ByteSource& source, ChunkSink& target, int64_t size, bool unscramble,
                    const block::LogSink& logError) {
    if (size <= 0) return kCopied;
    // No larger than the file and not zeroed: every byte is read before use,
    // and touching a fresh megabyte costs more than extracting a small file.
    const size_t capacity = static_cast<size_t>(std::min<int64_t>(size, kCopyChunk));
    const std::unique_ptr<char[]> chunk(new char[capacity]);
    int64_t copied = 0;
    while (copied < size) {
        const uint32_t wanted = static_cast<uint32_t>(std::min<int64_t>(size - copied, kCopyChunk));
        uint32_t got = 0, error = 0;
        if (!source.read(chunk.get(), wanted, &got, &error) || got == 0) {
            logError(formatText("ReadFile failed %u %u %" PRId64, got, error, copied));
            return kReadFailed;
        }
        if (unscramble) block::scramble(chunk.get(), got);
        if (!writeAll(target, chunk.get(), got, logError)) return kWriteFailed;
        copied += got;
    }
    return kCopied;
}
