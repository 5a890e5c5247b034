#include "builder/project/key_reader.h"

#include <climits>
#include <vector>

#include "builder/project/checks.h"
#include "builder/project/launch_keys.h"
#include "builder/project/project_paths.h"
#include "builder/project/service_rules.h"
#include "builder/project/suggest.h"
#include "builder/project/text_codec.h"
#include "format/config_ids.h"

std::string EntryTable::keyOf(int id) const {
    const auto it = setBy.find(id);
    return it == setBy.end() ? std::string() : it->second;
}

bool KeyReader::failAt(unsigned line, const std::string& key, const std::string& message) {
    if (error_.empty()) {
        error_ = file_ + ":" + std::to_string(line) + ": ";
        if (!key.empty()) error_ += key + ": ";
        error_ += message;
    }
    return false;
}

bool KeyReader::unknown(const toml::node& node, const std::string& key, const std::string& what,
                        const std::string& lookup) {
    const std::string hint = suggestKey(lookup.empty() ? key : lookup);
    return fail(node, key, what + (hint.empty() ? "" : "; did you mean " + hint + "?"));
}

std::string KeyReader::hostPath(const std::string& path) const { return projectFilePath(base_, path, style_); }

bool KeyReader::setNarrow(int id, std::string value, const toml::node& node, const std::string& key) {
    auto it = entries_.setBy.find(id);
    if (it != entries_.setBy.end())
        return fail(node, key, "entry " + std::to_string(id) + " is already set by " + it->second);
    entries_.setBy[id] = key;
    entries_.line[id] = node.source().begin.line;
    entries_.narrow[id] = std::move(value);
    return true;
}

bool KeyReader::narrowText(const toml::node& node, const std::string& key, std::string& out) {
    const auto* s = node.as_string();
    if (s == nullptr) return fail(node, key, "expected a string");
    auto ansi = utf8ToAnsi(s->get());
    if (!ansi)
        return fail(node, key,
                    "holds a character that Windows-1252 cannot represent; give this text as a wide entry instead");
    out = std::move(*ansi);
    return true;
}

bool KeyReader::wideText(const toml::node& node, const std::string& key, std::u16string& out) {
    const auto* s = node.as_string();
    if (s == nullptr) return fail(node, key, "expected a string");
    auto wide = utf8ToUtf16(s->get());
    if (!wide) return fail(node, key, "is not valid UTF-8");
    out = std::move(*wide);
    return true;
}

bool KeyReader::typedValue(const KeyDef& def, const toml::node& node, const std::string& key, std::string& out) {
    switch (def.kind) {
        case KeyKind::Flag:
            if (const auto* b = node.as_boolean()) {
                out = b->get() ? "1" : "0";
                return true;
            }
            return fail(node, key, "expected true or false");
        case KeyKind::Int:
        case KeyKind::Size:
            return integerValue(def, node, key, out);
        case KeyKind::Color:
            return colorValue(node, key, out);
        case KeyKind::Arguments:
        case KeyKind::Paths:
        case KeyKind::ClassPath:
            if (const auto* array = node.as_array()) return readArray(def, *array, key, out);
            return narrowText(node, key, out);
        case KeyKind::Text:
            return narrowText(node, key, out);
        case KeyKind::Names:
        case KeyKind::Integers:
            return readList(def, node, key, out);
        case KeyKind::Bytes:
            return byteSize(def, node, key, out);
    }
    return false;
}

// An array of names or integers as the stored list: the elements separated
// by ";". Their values are the entry's check's.
bool KeyReader::readList(const KeyDef& def, const toml::node& node, const std::string& key, std::string& out) {
    const bool names = def.kind == KeyKind::Names;
    const char* expected = names ? "expected a list of names, as [\"Tcpip\", \"Dnscache\"]"
                                 : "expected a list of integers, as [10, 60]";
    const auto* array = node.as_array();
    if (array == nullptr) return fail(node, key, expected);
    out.clear();
    bool first = true;
    for (const toml::node& element : *array) {
        std::string piece;
        if (names) {
            if (!narrowText(element, key, piece)) return false;
        } else if (const auto* i = element.as_integer()) {
            piece = std::to_string(i->get());
        } else {
            return fail(element, key, expected);
        }
        out += (first ? "" : ";") + piece;
        first = false;
    }
    return true;
}

// Bytes as an integer, or as a text with a unit: "10 MiB".
bool KeyReader::byteSize(const KeyDef& def, const toml::node& node, const std::string& key, std::string& out) {
    long long bytes = 0;
    const auto* text = node.as_string();
    if (const auto* i = node.as_integer()) {
        bytes = i->get();
    } else if (text == nullptr || !parseByteSize(text->get(), bytes)) {
        return fail(node, key, "expected bytes, as 1048576, or a size with KiB, MiB or GiB, as \"10 MiB\"");
    }
    const IntRange range = integerRange(def);
    if (bytes < range.minimum || bytes > range.maximum)
        return fail(node, key, "expected a size from " + byteSizeText(range.minimum) + " to " +
                                   byteSizeText(range.maximum) + ", not " +
                                   (text ? "\"" + text->get() + "\"" : std::to_string(bytes)));
    out = std::to_string(bytes);
    return true;
}

bool KeyReader::integerValue(const KeyDef& def, const toml::node& node, const std::string& key, std::string& out) {
    if (const auto* text = node.as_string(); text != nullptr && !namedValues(def.id).empty()) {
        std::string names;
        for (const NamedValue& v : namedValues(def.id)) {
            if (text->get() == v.name) {
                out = std::to_string(v.value);
                return true;
            }
            names += std::string(names.empty() ? "" : ", ") + "\"" + v.name + "\"";
        }
        return fail(node, key, "expected an integer or one of " + names);
    }
    if (const auto* i = node.as_integer()) {
        // A key's own limits here; a size's minimum is its check's.
        const bool ownLimits = def.limits.minimum != 0 || def.limits.maximum != 0;
        const IntRange range = ownLimits ? def.limits : integerRange(KeyKind::Int);
        if (i->get() < range.minimum || i->get() > range.maximum) {
            if (!ownLimits) return fail(node, key, "integer out of range");
            return fail(node, key, "expected an integer from " + std::to_string(range.minimum) + " to " +
                                       std::to_string(range.maximum) + ", not " + std::to_string(i->get()));
        }
        out = std::to_string(i->get());
        return true;
    }
    return fail(node, key, "expected an integer");
}

bool KeyReader::colorValue(const toml::node& node, const std::string& key, std::string& out) {
    const auto* a = node.as_array();
    if (a == nullptr || a->size() != 3) return fail(node, key, "expected a colour [red, green, blue]");
    const IntRange range = integerRange(KeyKind::Color);
    out.clear();
    for (size_t k = 0; k < 3; ++k) {
        const auto* c = a->get(k)->as_integer();
        if (c == nullptr || c->get() < range.minimum || c->get() > range.maximum)
            return fail(node, key, "colour components are integers from 0 to 255");
        if (k > 0) out += ",";
        out += std::to_string(c->get());
    }
    return true;
}

bool KeyReader::oneOfWords(const toml::node& node, const std::string& key, const std::vector<const char*>& words,
                           std::string& out) {
    const auto* s = node.as_string();
    for (const char* word : words)
        if (s != nullptr && s->get() == word) {
            out = word;
            return true;
        }
    return fail(node, key, "expected " + wordList(words));
}

bool KeyReader::readKeyedTable(const std::string& tableName, const toml::table& table) {
    for (auto&& [k, node] : table) {
        const std::string name(k.str());
        const std::string qualified = tableName + "." + name;
        if (node.is_table() && isKeyedTable(qualified)) {
            if (!readKeyedTable(qualified, *node.as_table())) return false;
            continue;
        }
        if (qualified == "java.search") {
            std::string value;
            if (!readSearch(node, qualified, value) || !setNarrow(ConfigId::SearchSequence, std::move(value), node, qualified))
                return false;
            continue;
        }
        const KeyDef* def = nullptr;
        for (const KeyDef& candidate : keyTable())
            if (tableName == candidate.table && name == candidate.name) def = &candidate;
        if (def == nullptr) return unknown(node, qualified, node.is_table() ? "unknown table" : "unknown key");
        std::string value;
        if (!typedValue(*def, node, qualified, value)) return false;
        // An empty list sets the entry to nothing, which finishProject leaves out.
        const bool emptyList = value.empty() && (def->kind == KeyKind::Names || def->kind == KeyKind::Integers);
        std::string why;
        if (!emptyList && !checkEntryValue(def->id, value, why)) return fail(node, qualified, why);
        if (!setNarrow(def->id, std::move(value), node, qualified)) return false;
    }
    return true;
}

// The readable forms: class-path entries as tables, VM parameters,
// arguments and module paths as arrays of strings.
bool KeyReader::readArray(const KeyDef& def, const toml::array& array, const std::string& key, std::string& out) {
    if (def.kind == KeyKind::ClassPath) return readClassPath(array, key, out);
    std::vector<std::string> pieces;
    for (const toml::node& element : array) {
        std::string piece;
        if (!narrowText(element, key, piece)) return false;
        pieces.push_back(std::move(piece));
    }
    if (def.kind == KeyKind::Paths) {
        // One path per element: ";" is the separator of the stored text.
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (pieces[i].find(';') != std::string::npos) return fail(array, key, "a path cannot contain \";\"");
            out += (i > 0 ? ";" : "") + pieces[i];
        }
        return true;
    }
    std::string why;
    if (!joinArguments(pieces, out, why)) return fail(array, key, why);
    return true;
}

bool KeyReader::readClassPath(const toml::array& array, const std::string& key, std::string& out) {
    std::vector<ReadableClassPathEntry> entries;
    for (const toml::node& element : array) {
        const auto* table = element.as_table();
        if (table == nullptr)
            return fail(element, key, "expected entries such as { archive = \"app.jar\", mandatory = true }");
        ReadableClassPathEntry entry;
        for (auto&& [k, value] : *table) {
            const std::string name(k.str());
            if (name == "mandatory") {
                if (!value.is_boolean()) return fail(value, key + ".mandatory", "expected true or false");
                entry.mandatory = value.as_boolean()->get();
            } else if (classPathKindLetter(name) != '\0' && entry.kindKey.empty()) {
                entry.kindKey = name;
                if (!narrowText(value, key + "." + name, entry.value)) return false;
            } else {
                return fail(value, key + "." + name,
                            "expected one of archive, directory, archives-in or variable, and mandatory");
            }
        }
        if (entry.kindKey.empty()) return fail(element, key, "an entry needs archive, directory, archives-in or variable");
        entries.push_back(std::move(entry));
    }
    std::string why;
    if (!encodeClassPath(entries, out, why)) return fail(array, key, why);
    return true;
}

// The runtime search in words: ["bundled:jre", "env:JAVA_HOME", "registry"].
bool KeyReader::readSearch(const toml::node& node, const std::string& key, std::string& out) {
    const auto* array = node.as_array();
    if (array == nullptr)
        return fail(node, key, "expected a list such as [\"bundled:jre\", \"env:JAVA_HOME\", \"registry\"]");
    std::vector<std::string> entries;
    for (const toml::node& element : *array) {
        std::string entry;
        if (!narrowText(element, key, entry)) return false;
        entries.push_back(std::move(entry));
    }
    std::string why;
    if (!encodeSearch(entries, out, why)) return fail(node, key, why);
    return true;
}

bool KeyReader::parseId(const toml::key& key, const std::string& qualified, int& id) {
    const std::string text(key.str());
    const size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() == digits || text.size() > 11 || text.find_first_not_of("0123456789", digits) != std::string::npos)
        return failAt(key.source().begin.line, qualified, "expected an entry number");
    long long value = std::stoll(text);
    if (value > INT_MAX || value < INT_MIN) return failAt(key.source().begin.line, qualified, "entry number out of range");
    id = static_cast<int>(value);
    return true;
}

bool KeyReader::readMessages(const toml::table& table) {
    for (auto&& [k, node] : table) {
        const std::string qualified = "messages." + std::string(k.str());
        const MessageDef* def = messageByName(std::string(k.str()));
        if (def == nullptr) return unknown(node, qualified, "unknown message name");
        std::string value;
        if (!narrowText(node, qualified, value) || !setNarrow(def->id, std::move(value), node, qualified))
            return false;
    }
    return true;
}

bool KeyReader::readRawEntries(const toml::table& table, bool wide, const std::string& tableName) {
    for (auto&& [k, node] : table) {
        const std::string qualified = tableName + "." + std::string(k.str());
        int id;
        if (!parseId(k, qualified, id)) return false;
        if (wide) {
            std::u16string value;
            if (!wideText(node, qualified, value)) return false;
            entries_.wide[id] = std::move(value);
            continue;
        }
        std::string value;
        if (const auto* i = node.as_integer()) {
            value = std::to_string(i->get());
        } else if (!narrowText(node, qualified, value)) {
            return false;
        }
        if (!setNarrow(id, std::move(value), node, qualified)) return false;
    }
    return true;
}
