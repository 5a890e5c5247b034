#include "files/archive_cache.h"


#include "platform/format_text.h"

namespace {

std::string decimal(uint64_t value) {
    std::string digits;
    do digits.insert(digits.begin(), static_cast<char>('0' + value % 10));
    while ((value /= 10) != 0);
    return digits;
}

bool isHexDigest(const std::string& text) {
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

bool endsWithNoCase(const std::string& text, const char* suffix) {
    const size_t n = std::char_traits<char>::length(suffix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = text[text.size() - n + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i]) return false;
    }
    return true;
}

bool isMarker(const std::string& name) { return name.rfind(".ok-", 0) == 0; }

}  // namespace

std::optional<std::vector<CacheRecord>> parseCacheEntry(const std::string& text, size_t count) {
    std::vector<CacheRecord> records(count);
    if (text.empty()) return records;
    size_t start = 0;
    for (size_t i = 0; i < count; ++i) {
        size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        const std::string item = text.substr(start, end - start);
        if (end == text.size() && i + 1 < count) return std::nullopt;
        start = end + 1;
        if (item.empty()) continue;
        const size_t colon = item.find(':');
        if (colon == std::string::npos || !isHexDigest(item.substr(0, colon))) return std::nullopt;
        const std::string size = item.substr(colon + 1);
        if (size.empty() || size.size() > 19 || size.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        uint64_t value = 0;
        for (char c : size) value = value * 10 + static_cast<uint64_t>(c - '0');
        records[i] = {item.substr(0, colon), value};
    }
    if (start <= text.size()) return std::nullopt;  // more items than files
    return records;
}

bool isClassPathArchive(const std::string& name) {
    const size_t slash = name.find('\\');
    const bool placed = slash == std::string::npos ||
                        (slash == 4 && (name.compare(0, 5, "user\\") == 0 || name.compare(0, 5, "USER\\") == 0));
    return placed && (endsWithNoCase(name, ".jar") || endsWithNoCase(name, ".zip"));
}

std::string versionFolderName(const std::string& digest) { return digest.substr(0, 32); }

std::string cachedFileName(const std::string& includedName) {
    const size_t slash = includedName.find_last_of('\\');
    return slash == std::string::npos ? includedName : includedName.substr(slash + 1);
}

std::string markerName(uint64_t size, uint64_t lastWrite) {
    return ".ok-" + decimal(size) +
           formatText("-%08lx%08lx", static_cast<unsigned long>(lastWrite >> 32),
                      static_cast<unsigned long>(lastWrite & 0xffffffffu));
}

std::string temporaryName(const std::string& name, uint64_t unique) {
    return name + formatText(".%08lx%08lx.tmp", static_cast<unsigned long>(unique >> 32),
                             static_cast<unsigned long>(unique & 0xffffffffu));
}

CachedState judgeCachedFile(const CacheRecord& record, const CachedFacts& facts) {
    if (!facts.exists) return CachedState::Missing;
    if (facts.size != record.size) return CachedState::WrongSize;
    return facts.marked ? CachedState::Usable : CachedState::Unmarked;
}

std::vector<std::string> versionsToRemove(const std::vector<CacheVersion>& versions,
                                          const std::vector<std::string>& keep, uint64_t now) {
    auto listed = [](const std::vector<std::string>& list, const std::string& item) {
        for (const std::string& x : list)
            if (x == item) return true;
        return false;
    };
    std::vector<std::string> remove;
    for (const CacheVersion& v : versions) {
        if (listed(keep, v.folder)) continue;
        if (now > v.lastUsed && now - v.lastUsed >= kUnusedAge) {
            remove.push_back(v.folder);
            continue;
        }
        // Beyond the newest kVersionsKept of one of its file names, those in
        // keep counting whatever their age: a few versions, so counting is cheap.
        for (const std::string& file : v.files) {
            if (isMarker(file) || endsWithNoCase(file, ".tmp")) continue;
            size_t newer = 0;
            for (const CacheVersion& other : versions)
                if (&other != &v && listed(other.files, file) &&
                    (listed(keep, other.folder) || other.lastUsed > v.lastUsed ||
                     (other.lastUsed == v.lastUsed && &other < &v)))
                    ++newer;
            if (newer >= kVersionsKept) {
                remove.push_back(v.folder);
                break;
            }
        }
    }
    return remove;
}
