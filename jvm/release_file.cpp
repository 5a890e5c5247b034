#include "jvm/release_file.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "format/little_endian.h"

namespace {

using ReleaseValues = std::vector<std::pair<std::string, std::string>>;

// KEY=value lines, in file order; nothing when a line is neither that, blank
// nor a comment.
std::optional<ReleaseValues> releaseValues(const std::string& text) {
    ReleaseValues values;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos || equals == 0 || line.find('\r') != std::string::npos) return std::nullopt;
        std::string value = line.substr(equals + 1);
        if (!value.empty() && value[0] == '"') {
            if (value.size() < 2 || value.find('"', 1) != value.size() - 1) return std::nullopt;
            value = value.substr(1, value.size() - 2);
        } else if (value.find('"') != std::string::npos) {
            return std::nullopt;
        }
        values.emplace_back(line.substr(0, equals), std::move(value));
    }
    return values;
}

// The value of key (of its last line); nullptr when no line has it.
const std::string* valueOf(const ReleaseValues& values, const char* key) {
    for (auto v = values.rbegin(); v != values.rend(); ++v)
        if (v->first == key) return &v->second;
    return nullptr;
}

}  // namespace

std::optional<std::string> versionFromReleaseFile(const std::string& text) {
    const auto values = releaseValues(text);
    if (!values) return std::nullopt;
    const std::string* version = valueOf(*values, "JAVA_VERSION");
    if (version == nullptr || version->empty() || (*version)[0] < '0' || (*version)[0] > '9') return std::nullopt;
    const std::string& base = *version;
    if (const std::string* runtime = valueOf(*values, "JAVA_RUNTIME_VERSION")) {
        // 22-ea+27-2262: the part before "+" names the pre-release.
        const std::string named = runtime->substr(0, runtime->find('+'));
        if (named.size() > base.size() + 1 && named.compare(0, base.size(), base) == 0 && named[base.size()] == '-')
            return named;
    }
    return base;
}

std::optional<uint16_t> peMachineOf(const std::string& bytes) {
    if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') return std::nullopt;
    const uint32_t header = le::get32(bytes, 0x3c);
    if (header > bytes.size() || bytes.size() - header < 6 || bytes.compare(header, 4, std::string("PE\0\0", 4)) != 0)
        return std::nullopt;
    return le::get16(bytes, header + 4);
}
