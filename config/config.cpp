#include "config/config.h"

#include <climits>
#include <cstring>

namespace {

// The entry of id that holds (the last one), or nullptr.
template <class Entry>
const Entry* entryOf(const std::vector<Entry>& entries, int id) {
    for (auto e = entries.rbegin(); e != entries.rend(); ++e)
        if (e->id == id) return &*e;
    return nullptr;
}

}  // namespace

void applyBlock(const block::RawBlock& raw, const char* localeCode, ConfigTables& tables) {
    tables.narrow.insert(tables.narrow.end(), raw.narrow.begin(), raw.narrow.end());
    tables.wide.insert(tables.wide.end(), raw.wide.begin(), raw.wide.end());
    if (localeCode == nullptr) return;
    const size_t localeLength = std::strlen(localeCode);
    for (const block::LocalizedGroup& group : raw.groups) {
        if (group.locale.size() > localeLength ||
            std::memcmp(group.locale.data(), localeCode, group.locale.size()) != 0)
            continue;
        tables.wide.insert(tables.wide.end(), group.entries.begin(), group.entries.end());
    }
}

std::string configString(const ConfigTables& tables, int id) {
    const block::NarrowEntry* e = entryOf(tables.narrow, id);
    return e == nullptr ? std::string() : e->value;
}

int parseLeadingInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

int configInt(const ConfigTables& tables, int id) { return parseLeadingInt(configString(tables, id)); }

uint32_t configColor(const ConfigTables& tables, int id) {
    const std::string text = configString(tables, id);
    uint32_t color = 0;
    size_t start = 0;
    for (int component = 0; component < 3 && start <= text.size(); ++component) {
        size_t comma = text.find(',', start);
        std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        int value = parseLeadingInt(part);
        if (value < 0) value = 0;
        if (value > 255) value = 255;
        color |= static_cast<uint32_t>(value) << (8 * component);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return color;
}

std::u16string configWideString(const ConfigTables& tables, int id) {
    const block::WideEntry* e = entryOf(tables.wide, id);
    return e == nullptr ? std::u16string() : e->value;
}

bool hasString(const ConfigTables& tables, int id) { return entryOf(tables.narrow, id) != nullptr; }
bool hasWideString(const ConfigTables& tables, int id) { return entryOf(tables.wide, id) != nullptr; }
