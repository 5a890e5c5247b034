// The version information resource (VS_VERSIONINFO): the fixed file and
// product versions and one table of strings (US English, Unicode) that
// Explorer and the version API show. Portable: no Windows headers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace version {

using Number = std::array<uint16_t, 4>;

struct VersionInfo {
    Number fileVersion{};
    Number productVersion{};
    // Names such as "CompanyName" with their texts, in the order written.
    std::vector<std::pair<std::string, std::u16string>> strings;
    bool operator==(const VersionInfo&) const = default;
};

// The project keys of the version strings and the names stored for them,
// in the order they are written.
struct StringKey {
    const char* key;   // "company"
    const char* name;  // "CompanyName"
};
const std::vector<StringKey>& stringKeys();
// Puts the strings in the order of stringKeys (unknown names last).
void sortStrings(VersionInfo& info);

// "1", "1.2", "1.2.3" or "1.2.3.4", each part 0 to 65535.
bool parseNumber(const std::string& text, Number& out);
// The texts parseNumber takes, as a regular expression (ECMAScript, as a
// JSON Schema pattern is written).
const std::string& numberPattern();
std::string formatNumber(const Number& number);

std::string encode(const VersionInfo& info);
// Reads the fixed versions and the strings of the first string table.
bool decode(const std::string& resource, VersionInfo& out, std::string& error);

}  // namespace version
