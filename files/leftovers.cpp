#include "files/leftovers.h"

#include <algorithm>

namespace {

constexpr const char* kPrefix = "qvo";
constexpr size_t kDigits = 16;
constexpr const char* kFileSuffix = ".tmp";
constexpr const char* kDirectorySuffix = "_dir";

bool isLowerHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool isOwnerFileName(const std::string& name) {
    const std::string prefix = kPrefix, suffix = kFileSuffix;
    if (name.size() != prefix.size() + kDigits + suffix.size()) return false;
    if (name.compare(0, prefix.size(), prefix) != 0 || !endsWith(name, suffix)) return false;
    for (size_t i = prefix.size(); i < prefix.size() + kDigits; ++i)
        if (!isLowerHex(name[i])) return false;
    return true;
}

}  // namespace

std::string ownerFileName(uint64_t unique) {
    static const char digits[] = "0123456789abcdef";
    std::string name = kPrefix;
    for (int shift = 60; shift >= 0; shift -= 4) name += digits[(unique >> shift) & 0xf];
    return name + kFileSuffix;
}

uint64_t mixUnique(uint64_t a, uint64_t b, uint64_t c) {
    // splitmix64 over the three values in turn.
    uint64_t state = 0x9e3779b97f4a7c15ULL;
    for (uint64_t value : {a, b, c}) {
        state += value + 0x9e3779b97f4a7c15ULL;
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        state = z ^ (z >> 31);
    }
    return state;
}

std::optional<std::string> ownerOf(const TempEntry& entry) {
    if (!entry.directory) return isOwnerFileName(entry.name) ? std::optional<std::string>(entry.name) : std::nullopt;
    if (!endsWith(entry.name, kDirectorySuffix)) return std::nullopt;
    const std::string owner = entry.name.substr(0, entry.name.size() - std::string(kDirectorySuffix).size());
    return isOwnerFileName(owner) ? std::optional<std::string>(owner) : std::nullopt;
}

int sweepLeftovers(SweepPlace& place, const std::string& ownFile) {
    // Each once, in the listing's order (an owner file and its directory name it twice).
    std::vector<std::string> owners;
    for (const TempEntry& entry : place.list()) {
        const std::optional<std::string> owner = ownerOf(entry);
        if (owner && std::find(owners.begin(), owners.end(), *owner) == owners.end()) owners.push_back(*owner);
    }
    int freed = 0;
    for (const std::string& owner : owners) {
        if (owner == ownFile || !place.take(owner)) continue;
        place.removeTree(owner + kDirectorySuffix);
        place.release(owner);
        ++freed;
    }
    return freed;
}
