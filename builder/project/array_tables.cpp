#include "builder/project/array_tables.h"

#include <algorithm>

#include "builder/project/keys.h"
#include "builder/project/project_paths.h"
#include "builder/project/text_codec.h"
#include "files/archive_cache.h"

namespace {

// [localized.messages] by name or [localized.entries] by number.
bool readGroupEntries(KeyReader& reader, const std::string& qualified, const toml::table& entries,
                      block::LocalizedGroup& group) {
    const bool messages = qualified == "localized.messages";
    for (auto&& [ek, value] : entries) {
        const std::string entryKey = qualified + "." + std::string(ek.str());
        int id;
        if (messages) {
            const MessageDef* def = messageByName(std::string(ek.str()));
            if (def == nullptr)
                return reader.unknown(value, entryKey, "unknown message name", "messages." + std::string(ek.str()));
            id = def->id;
        } else if (!reader.parseId(ek, entryKey, id)) {
            return false;
        }
        block::WideEntry entry;
        entry.id = id;
        if (!reader.wideText(value, entryKey, entry.value)) return false;
        group.entries.push_back(std::move(entry));
    }
    return true;
}

bool readGroup(KeyReader& reader, const toml::node& element, block::LocalizedGroup& group) {
    const auto* table = element.as_table();
    if (table == nullptr) return reader.fail(element, "localized", "expected a table");
    const toml::node* locale = table->get("locale");
    if (locale == nullptr) return reader.fail(element, "localized", "needs a locale code");
    if (!locale->is_string()) return reader.fail(*locale, "localized.locale", "expected a string");
    group.locale = locale->as_string()->get();
    if (group.locale.find_first_not_of(kLocaleCodeCharacters) != std::string::npos)
        return reader.fail(*locale, "localized.locale", "a locale code has letters, digits and '_' only, as de or de_CH");
    for (auto&& [k, node] : *table) {
        const std::string name(k.str());
        const std::string qualified = "localized." + name;
        if (name == "locale") continue;
        if (name != "messages" && name != "entries") return reader.unknown(node, qualified, "unknown key");
        const auto* entries = node.as_table();
        if (entries == nullptr) return reader.fail(node, qualified, "expected a table");
        if (!readGroupEntries(reader, qualified, *entries, group)) return false;
    }
    // One entry per id; stored in id order so that the block does not
    // depend on the order of the keys in the file.
    std::sort(group.entries.begin(), group.entries.end(),
              [](const block::WideEntry& a, const block::WideEntry& b) { return a.id < b.id; });
    for (size_t i = 1; i < group.entries.size(); ++i)
        if (group.entries[i].id == group.entries[i - 1].id)
            return reader.fail(element, "localized", "entry " + std::to_string(group.entries[i].id) + " is set twice");
    return true;
}

bool readIncludedFile(KeyReader& reader, const toml::node& element, IncludedFile& file) {
    const auto* table = element.as_table();
    if (table == nullptr) return reader.fail(element, "files", "expected a table");
    for (auto&& [k, node] : *table) {
        const std::string name(k.str());
        const std::string qualified = "files." + name;
        if (name != "source" && name != "name" && name != "size" && name != "cache")
            return reader.unknown(node, qualified, "unknown key");
        if (name == "size") continue;  // written by inspect, for the reader's information
        if (name == "cache") {
            if (!node.is_boolean()) return reader.fail(node, qualified, "expected true or false");
            file.cacheSet = true;
            file.cache = node.as_boolean()->get();
            continue;
        }
        if (!node.is_string()) return reader.fail(node, qualified, "expected a string");
        (name == "source" ? file.source : file.name) = node.as_string()->get();
        if (name == "source") file.where = reader.where(node, qualified);
    }
    if (file.source.empty()) return reader.fail(element, "files", "needs a source");
    if (file.name.empty()) {
        size_t slash = file.source.find_last_of("/\\");
        file.name = slash == std::string::npos ? file.source : file.source.substr(slash + 1);
    }
    std::string why;
    if (!validIncludedName(file.name, why)) return reader.fail(element, "files.name", why);
    if (file.cache && !isClassPathArchive(file.name))
        return reader.fail(element, "files.cache",
                           "only archives that join the class path (.jar or .zip, at the top level or in user\\) "
                           "come from the archive cache");
    auto ansi = utf8ToAnsi(file.name);
    if (!ansi) return reader.fail(element, "files.name", "holds a character that Windows-1252 cannot represent");
    file.name = *ansi;
    file.source = reader.hostPath(file.source);
    return true;
}

}  // namespace

bool readIncludedFiles(KeyReader& reader, const toml::array& files, std::vector<IncludedFile>& out) {
    for (const toml::node& element : files) {
        IncludedFile file;
        if (!readIncludedFile(reader, element, file)) return false;
        out.push_back(std::move(file));
    }
    return true;
}

bool readLocalized(KeyReader& reader, const toml::array& groups, std::vector<block::LocalizedGroup>& out) {
    for (const toml::node& element : groups) {
        block::LocalizedGroup group;
        if (!readGroup(reader, element, group)) return false;
        out.push_back(std::move(group));
    }
    return true;
}
