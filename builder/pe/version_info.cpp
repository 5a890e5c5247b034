#include "builder/pe/version_info.h"

#include <algorithm>

#include "format/little_endian.h"

namespace version {

namespace {

constexpr uint32_t kFixedSignature = 0xfeef04bd;
constexpr uint32_t kFixedStructVersion = 0x00010000;
constexpr uint32_t kFlagsMask = 0x3f;
constexpr uint32_t kOsNtWindows32 = 0x00040004;
constexpr uint32_t kFileTypeApp = 1;
constexpr size_t kFixedSize = 52;
constexpr uint16_t kTypeBinary = 0;
constexpr uint16_t kTypeText = 1;
// US English, Unicode code page 1200.
constexpr char16_t kTableKey[] = u"040904B0";
constexpr uint32_t kTranslation = 0x0409 | (0x04b0u << 16);

void add16(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v & 0xff));
    out.push_back(static_cast<char>(v >> 8));
}

void add32(std::string& out, uint32_t v) {
    add16(out, static_cast<uint16_t>(v & 0xffff));
    add16(out, static_cast<uint16_t>(v >> 16));
}

using le::get16;
using le::get32;
using le::set16;

void pad4(std::string& out) {
    while (out.size() % 4 != 0) out.push_back('\0');
}

void addText(std::string& out, const std::u16string& text) {
    for (char16_t c : text) add16(out, c);
    add16(out, 0);
}

std::u16string ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// One node of the tree: length, value length, type, key, value, children,
// each part starting on a 32-bit boundary of the node.
std::string node(const std::u16string& key, const std::string& value, uint16_t valueLength, uint16_t type,
                 const std::vector<std::string>& children) {
    std::string out(6, '\0');
    addText(out, key);
    pad4(out);
    out += value;
    for (const std::string& child : children) {
        pad4(out);
        out += child;
    }
    set16(out, 0, static_cast<uint16_t>(out.size()));
    set16(out, 2, valueLength);
    set16(out, 4, type);
    return out;
}

std::string fixedInfo(const VersionInfo& info) {
    std::string out;
    add32(out, kFixedSignature);
    add32(out, kFixedStructVersion);
    for (const Number* n : {&info.fileVersion, &info.productVersion}) {
        add32(out, static_cast<uint32_t>((*n)[0]) << 16 | (*n)[1]);
        add32(out, static_cast<uint32_t>((*n)[2]) << 16 | (*n)[3]);
    }
    add32(out, kFlagsMask);
    add32(out, 0);  // flags
    add32(out, kOsNtWindows32);
    add32(out, kFileTypeApp);
    add32(out, 0);  // subtype
    add32(out, 0);  // date, high
    add32(out, 0);  // date, low
    return out;
}

struct Node {
    std::u16string key;
    std::string value;
    uint16_t type = 0;
    std::vector<Node> children;
};

// Reads the node at [at, end); false when it does not fit.
bool readNode(const std::string& in, size_t at, size_t end, Node& out, int depth) {
    if (depth > 4 || at + 6 > end) return false;
    const size_t length = get16(in, at);
    if (length < 6 || at + length > end) return false;
    const size_t nodeEnd = at + length;
    const uint16_t valueLength = get16(in, at + 2);
    out.type = get16(in, at + 4);
    size_t p = at + 6;
    for (; p + 2 <= nodeEnd && get16(in, p) != 0; p += 2) out.key.push_back(static_cast<char16_t>(get16(in, p)));
    p += 2;
    p = at + (p - at + 3) / 4 * 4;
    size_t valueBytes = out.type == kTypeText ? 2 * size_t{valueLength} : valueLength;
    if (p > nodeEnd) return valueLength == 0;
    if (valueBytes > nodeEnd - p) valueBytes = nodeEnd - p;
    out.value = in.substr(p, valueBytes);
    p = at + (p + valueBytes - at + 3) / 4 * 4;
    while (p + 6 <= nodeEnd) {
        Node child;
        if (!readNode(in, p, nodeEnd, child, depth + 1)) return false;
        p = at + (p + get16(in, p) - at + 3) / 4 * 4;
        out.children.push_back(std::move(child));
    }
    return true;
}

std::u16string textValue(const std::string& value) {
    std::u16string out;
    for (size_t i = 0; i + 1 < value.size(); i += 2) {
        char16_t c = static_cast<char16_t>(get16(value, i));
        if (c == 0) break;
        out.push_back(c);
    }
    return out;
}

}  // namespace

const std::vector<StringKey>& stringKeys() {
    static const std::vector<StringKey> keys = {
        {"company", "CompanyName"},         {"description", "FileDescription"},
        {"file-version", "FileVersion"},    {"internal-name", "InternalName"},
        {"copyright", "LegalCopyright"},    {"original-filename", "OriginalFilename"},
        {"product-name", "ProductName"},    {"product-version", "ProductVersion"},
    };
    return keys;
}

void sortStrings(VersionInfo& info) {
    auto rank = [](const std::string& name) {
        const auto& keys = stringKeys();
        for (size_t i = 0; i < keys.size(); ++i)
            if (name == keys[i].name) return i;
        return keys.size();
    };
    std::stable_sort(info.strings.begin(), info.strings.end(),
                     [&](const auto& a, const auto& b) { return rank(a.first) < rank(b.first); });
}

bool parseNumber(const std::string& text, Number& out) {
    out = {};
    size_t part = 0, at = 0;
    while (true) {
        const size_t dot = text.find('.', at);
        const std::string piece = text.substr(at, dot == std::string::npos ? std::string::npos : dot - at);
        if (part == 4 || piece.empty() || piece.size() > 5 || piece.find_first_not_of("0123456789") != std::string::npos)
            return false;
        const unsigned long value = std::stoul(piece);
        if (value > 65535) return false;
        out[part++] = static_cast<uint16_t>(value);
        if (dot == std::string::npos) return true;
        at = dot + 1;
    }
}

const std::string& numberPattern() {
    // A part: one to five digits up to 65535, leading zeros allowed.
    static const std::string part = "(6553[0-5]|655[0-2][0-9]|65[0-4][0-9]{2}|6[0-4][0-9]{3}|[0-5][0-9]{4}|[0-9]{1,4})";
    static const std::string pattern = "^" + part + "(\\." + part + "){0,3}$";
    return pattern;
}

std::string formatNumber(const Number& n) {
    return std::to_string(n[0]) + "." + std::to_string(n[1]) + "." + std::to_string(n[2]) + "." + std::to_string(n[3]);
}

std::string encode(const VersionInfo& info) {
    std::vector<std::string> strings;
    for (const auto& [name, text] : info.strings) {
        std::string value;
        addText(value, text);
        strings.push_back(node(ascii(name), value, static_cast<uint16_t>(text.size() + 1), kTypeText, {}));
    }
    const std::string table = node(kTableKey, "", 0, kTypeText, strings);
    const std::string stringInfo = node(u"StringFileInfo", "", 0, kTypeText, {table});
    std::string translation;
    add32(translation, kTranslation);
    const std::string var = node(u"Translation", translation, 4, kTypeBinary, {});
    const std::string varInfo = node(u"VarFileInfo", "", 0, kTypeText, {var});
    return node(u"VS_VERSION_INFO", fixedInfo(info), kFixedSize, kTypeBinary, {stringInfo, varInfo});
}

bool decode(const std::string& resource, VersionInfo& out, std::string& error) {
    out = VersionInfo();
    Node root;
    if (!readNode(resource, 0, resource.size(), root, 0) || root.key != u"VS_VERSION_INFO" ||
        root.value.size() < kFixedSize || get32(root.value, 0) != kFixedSignature) {
        error = "damaged version information";
        return false;
    }
    const uint32_t words[4] = {get32(root.value, 8), get32(root.value, 12), get32(root.value, 16),
                               get32(root.value, 20)};
    out.fileVersion = {static_cast<uint16_t>(words[0] >> 16), static_cast<uint16_t>(words[0] & 0xffff),
                       static_cast<uint16_t>(words[1] >> 16), static_cast<uint16_t>(words[1] & 0xffff)};
    out.productVersion = {static_cast<uint16_t>(words[2] >> 16), static_cast<uint16_t>(words[2] & 0xffff),
                          static_cast<uint16_t>(words[3] >> 16), static_cast<uint16_t>(words[3] & 0xffff)};
    for (const Node& child : root.children) {
        if (child.key != u"StringFileInfo" || child.children.empty()) continue;
        for (const Node& s : child.children.front().children) {
            std::string name;
            for (char16_t c : s.key) name.push_back(c < 0x80 ? static_cast<char>(c) : '?');
            out.strings.emplace_back(name, textValue(s.value));
        }
        break;
    }
    return true;
}

}  // namespace version
