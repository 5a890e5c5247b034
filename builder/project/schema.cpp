#include "builder/project/schema.h"

#include <algorithm>
#include <cctype>

#include "builder/pe/version_info.h"
#include "builder/project/launch_keys.h"

namespace {

Json typed(const char* type, const std::string& description = "") {
    Json schema = Json::object();
    if (!description.empty()) schema.set("description", description);
    return schema.set("type", type);
}

Json integers(IntRange range, const std::string& description = "") {
    return typed("integer", description).set("minimum", range.minimum).set("maximum", range.maximum);
}

Json fileName(const std::string& description = "") { return typed("string", description).set("minLength", 1); }

Json stringArray(Json items) { return typed("array").set("items", std::move(items)); }

Json anyOf(const std::string& description, Json a, Json b) {
    return Json::object().set("description", description).set("anyOf", Json::array().add(std::move(a)).add(std::move(b)));
}

Json wordsOf(const std::vector<const char*>& words) {
    Json list = Json::array();
    for (const char* word : words) list.add(word);
    return list;
}

// A table whose keys are all known: properties are added to it later.
Json closedTable(const std::string& description) {
    return typed("object", description).set("properties", Json::object()).set("additionalProperties", false);
}

// A character class of the characters, runs of three or more as ranges ("a-z").
std::string characterClass(const std::string& characters) {
    std::string out = "[";
    for (size_t i = 0; i < characters.size();) {
        size_t run = 1;
        while (i + run < characters.size() && characters[i + run] == characters[i] + static_cast<char>(run)) ++run;
        out += run >= 3 ? std::string(1, characters[i]) + "-" + characters[i + run - 1] : characters.substr(i, run);
        i += run;
    }
    return out + "]";
}

std::string regexQuoted(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != ':') out += '\\';
        out += c;
    }
    return out;
}

// Entry numbers as [entries] takes them: digits, perhaps after a "-", at
// most 11 characters.
Json numberedTable(const std::string& description, Json value) {
    return typed("object", description)
        .set("patternProperties", Json::object().set("^(-[0-9]{1,10}|[0-9]{1,11})$", std::move(value)))
        .set("additionalProperties", false);
}

Json classPathEntry() {
    Json entry = closedTable("a class-path entry: one kind key, and mandatory");
    Json kinds = Json::array();
    for (const ClassPathKind& kind : classPathKinds()) {
        entry.member("properties")->set(kind.key, fileName(kind.help));
        kinds.add(Json::object().set("required", Json::array().add(kind.key)));
    }
    entry.member("properties")->set("mandatory", typed("boolean", "a missing entry stops the launch (default: false)"));
    return entry.set("oneOf", std::move(kinds));
}

// The runtime search in words: "registry", or "bundled:jre" for a word that takes a location.
Json searchWords(const std::string& description) {
    std::string withValue, alone;
    for (const SearchKind& kind : searchKinds()) {
        std::string& list = kind.takesValue ? withValue : alone;
        list += (list.empty() ? "" : "|") + regexQuoted(kind.name);
    }
    const std::string pattern = "^(" + withValue + "):[^;]+$|^(" + alone + ")$";
    return typed("array", description).set("items", typed("string").set("pattern", pattern));
}

Json messages(const std::string& description) {
    Json table = closedTable(description);
    for (const MessageDef& m : messageTable())
        table.member("properties")->set(m.name, typed("string", "message " + std::to_string(m.id) + " (English: \"" +
                                                                    m.defaultText + "\")"));
    return table;
}

Json builderValue(const BuilderKey& key) {
    const std::string help = *key.name ? key.help : tableHelp(key.table);
    switch (key.kind) {
        case BuilderKind::Flag: return typed("boolean", help);
        case BuilderKind::Word: return typed("string", help).set("enum", wordsOf(key.words));
        case BuilderKind::File: return fileName(help);
        case BuilderKind::Images:
            return anyOf(help, fileName(), stringArray(fileName()).set("minItems", 1));
        case BuilderKind::Text: return typed("string", help);
        case BuilderKind::LocaleCode:
            return typed("string", help).set("pattern", "^" + characterClass(kLocaleCodeCharacters) + "*$");
        case BuilderKind::Search: return searchWords(help);
        case BuilderKind::Messages: return messages(help);
        case BuilderKind::Entries:
            return numberedTable(help, anyOf("a text in Windows-1252, or an integer", typed("string"), typed("integer")));
        case BuilderKind::WideEntries: return numberedTable(help, typed("string"));
        case BuilderKind::Ignored: break;
    }
    return Json::object().set("description", help);
}

Json versionTable() {
    Json table = closedTable(tableHelp("version"));
    for (const version::StringKey& k : version::stringKeys()) {
        const std::string key = k.key;
        const bool number = key == kFileVersionKey || key == kProductVersionKey;
        Json value = typed("string", std::string(k.name) + " of the version information" +
                                         (number ? "; one to four numbers from 0 to 65535, as \"1.2.3.4\", also the "
                                                   "fixed version" : ""));
        if (number) value.set("pattern", version::numberPattern());
        table.member("properties")->set(key, std::move(value));
    }
    return table.set("required", Json::array().add(kFileVersionKey));
}

// The table of that name below the root's properties ("splash.line1": line1
// of splash), made when it is not there yet.
Json& tableAt(Json& root, const std::string& name) {
    Json* table = &root;
    for (size_t start = 0; start <= name.size();) {
        const size_t dot = std::min(name.find('.', start), name.size());
        const std::string part = name.substr(start, dot - start);
        Json& properties = *table->member("properties");
        if (properties.member(part) == nullptr) properties.set(part, closedTable(tableHelp(name.substr(0, dot))));
        table = properties.member(part);
        start = dot + 1;
    }
    return *table;
}

void addBuilderKeys(Json& root) {
    for (const BuilderKey& key : builderKeyTable()) {
        const std::string table = key.table;
        Json& properties = *root.member("properties");
        if (!*key.name) {
            properties.set(table, builderValue(key));
            continue;
        }
        if (isArrayOfTables(table) && properties.member(table) == nullptr)
            properties.set(table, typed("array", tableHelp(table)).set("items", closedTable("")));
        Json& holder = isArrayOfTables(table) ? *properties.member(table)->member("items") : tableAt(root, table);
        holder.member("properties")->set(key.name, builderValue(key));
        if (!key.required) continue;
        if (holder.member("required") == nullptr) holder.set("required", Json::array());
        holder.member("required")->add(key.name);
    }
}

}  // namespace

Json keySchema(const KeyDef& def) {
    const std::string help = std::string(def.help) + " (entry " + std::to_string(def.id) + ")";
    switch (def.kind) {
        case KeyKind::Flag: return typed("boolean", help);
        case KeyKind::Int: {
            const std::vector<NamedValue>& names = namedValues(def.id);
            if (names.empty()) return integers(integerRange(def), help);
            Json list = Json::array();
            for (const NamedValue& v : names) list.add(v.name);
            return anyOf(help, integers(integerRange(def)), typed("string").set("enum", std::move(list)));
        }
        case KeyKind::Names:
        case KeyKind::Integers: {
            Json items = def.kind == KeyKind::Integers
                             ? integers(integerRange(def))
                             : typed("string").set("pattern", "^" + characterClass(kServiceNameCharacters) + "{1," +
                                                                  std::to_string(kMaxServiceNameLength) + "}$");
            Json list = typed("array", help).set("items", std::move(items));
            if (def.maxItems != 0) list.set("maxItems", static_cast<long long>(def.maxItems));
            return list;
        }
        case KeyKind::Bytes:
            return anyOf(help, integers(integerRange(def)),
                         typed("string").set("pattern", "^[0-9]+ ?(KiB|MiB|GiB)?$"));
        case KeyKind::Size: return integers(integerRange(def.kind), help);
        case KeyKind::Color:
            return typed("array", help).set("items", integers(integerRange(def.kind))).set("minItems", 3).set("maxItems", 3);
        case KeyKind::Text:
            if (def.words.empty()) return typed("string", help);
            return typed("string", help).set("enum", wordsOf(def.words));
        case KeyKind::Arguments:
        case KeyKind::Paths: return anyOf(help, typed("string"), stringArray(typed("string")));
        case KeyKind::ClassPath: return anyOf(help, typed("string"), stringArray(classPathEntry()));
    }
    return Json::object();
}

std::string projectSchema() {
    Json root = Json::object()
                    .set("$schema", "http://json-schema.org/draft-07/schema#")
                    .set("title", "Qarvo Launcher project file")
                    .set("description", "A project file of qarvo-build (TOML): what qarvo-build build turns into a "
                                        "launcher executable. Every key: docs/project-file.md.")
                    .set("type", "object")
                    .set("properties", Json::object())
                    .set("additionalProperties", false);
    for (const KeyDef& def : keyTable()) tableAt(root, def.table).member("properties")->set(def.name, keySchema(def));
    root.member("properties")->set("messages", messages(tableHelp("messages")));
    addBuilderKeys(root);
    root.member("properties")->set("version", versionTable());
    return root.text() + "\n";
}
