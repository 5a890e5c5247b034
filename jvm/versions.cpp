#include "jvm/versions.h"

namespace {

bool isSeparator(char c) { return c == '.' || c == '_' || c == '-' || c == '+'; }

// Compares the first count components; missing components of a count as older.
int comparePrefix(const std::vector<long long>& a, const std::vector<long long>& b, size_t count) {
    for (size_t i = 0; i < count && i < b.size(); ++i) {
        if (i >= a.size()) return -1;
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

}  // namespace

std::vector<long long> versionComponents(const std::string& version) {
    std::vector<long long> out;
    size_t i = 0;
    while (i < version.size()) {
        if (version[i] < '0' || version[i] > '9') break;
        long long value = 0;
        while (i < version.size() && version[i] >= '0' && version[i] <= '9') {
            if (value < 1000000000000LL) value = value * 10 + (version[i] - '0');
            ++i;
        }
        out.push_back(value);
        // The rest of a component after its digits ("0b12") does not count.
        while (i < version.size() && !isSeparator(version[i])) ++i;
        if (i < version.size()) ++i;
    }
    if (out.size() >= 2 && out[0] == 1 && out[1] >= 2 && version.rfind("1.", 0) == 0) out.erase(out.begin());
    return out;
}

int compareVersions(const std::string& a, const std::string& b) {
    const auto x = versionComponents(a);
    const auto y = versionComponents(b);
    for (size_t i = 0; i < x.size() && i < y.size(); ++i)
        if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
    if (x.size() == y.size()) return 0;
    return x.size() < y.size() ? -1 : 1;
}

bool isPreRelease(const std::string& version) {
    return version.find("beta") != std::string::npos || version.find("ea") != std::string::npos ||
           version.find("rc") != std::string::npos;
}

bool versionWithinLimits(const std::string& version, const std::string& minimum, const std::string& maximum) {
    const auto v = versionComponents(version);
    const auto low = versionComponents(minimum);
    const auto high = versionComponents(maximum);
    if (comparePrefix(v, low, low.size()) < 0) return false;
    // A version shorter than the maximum is a prefix of it and passes.
    for (size_t i = 0; i < high.size() && i < v.size(); ++i)
        if (v[i] != high[i]) return v[i] < high[i];
    return true;
}

bool versionNameInRange(const std::string& version, const std::string& minimum, const std::string& maximum) {
    const auto v = versionComponents(version);
    const auto low = versionComponents(minimum);
    const auto high = versionComponents(maximum);
    const size_t n = std::min(v.size(), low.size());
    if (comparePrefix(v, low, n) < 0) return false;
    const size_t m = std::min(v.size(), high.size());
    return comparePrefix(v, high, m) <= 0;
}

std::optional<std::string> versionFromBanner(const std::string& output) {
    static const char* const kPrefixes[] = {"java version \"", "openjdk version \""};
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        const std::string line = output.substr(start, end - start);
        for (const char* prefix : kPrefixes) {
            const std::string p = prefix;
            if (line.rfind(p, 0) != 0) continue;
            const size_t close = line.find('"', p.size());
            if (close == std::string::npos) return std::nullopt;
            return line.substr(p.size(), close - p.size());
        }
        start = end + 1;
    }
    return std::nullopt;
}
