#include "jvm/release_file.h"

#include <algorithm>
#include <map>

#include "format/little_endian.h"

namespace {

// KEY=value lines; nothing when a line is neither that, blank nor a comment.
std::optional<std::map<std::string, std::string>> releaseValues(const std::string& text) {
    std::map<std::string, std::string> values;
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
        values[line.substr(0, equals)] = value;
    }
    return values;
}

}  // namespace

std::optional<std::string> versionFromReleaseFile(const std::string& text) {
    const auto values = releaseValues(text);
    if (!values) return std::nullopt;
    const auto version = values->find("JAVA_VERSION");
    if (version == values->end() || version->second.empty() || version->second[0] < '0' || version->second[0] > '9')
        return std::nullopt;
    const std::string& base = version->second;
    const auto runtime = values->find("JAVA_RUNTIME_VERSION");
    if (runtime != values->end()) {
        // 22-ea+27-2262: the part before "+" names the pre-release.
        const std::string named = runtime->second.substr(0, runtime->second.find('+'));
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
