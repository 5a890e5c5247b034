// Reading the keys of a project file: errors that name the file, the line and
// the key; texts in Windows-1252 or UTF-16; entries that are set once each;
// and the tables of entries ([application], [java], [splash.line1], ...,
// [messages], [entries] and [wide-entries]). The other tables' readers take
// their errors and texts from here.
#pragma once

// The TOML library reports errors as results, not as exceptions.
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#include <map>
#include <string>
#include <vector>

#include "builder/host/system.h"
#include "builder/project/keys.h"

// The entries a project has set so far, with the key and the line that set
// each narrow one (for the errors that name them).
struct EntryTable {
    std::map<int, std::string> narrow;
    std::map<int, std::string> setBy;  // "java.min-version", "entries.126"
    std::map<int, unsigned> line;
    std::map<int, std::u16string> wide;

    // The key that set a narrow entry; empty when none did.
    std::string keyOf(int id) const;
    // Whether the key that set it was one of [entries], taken as it is.
    bool setRaw(int id) const { return keyOf(id).rfind("entries.", 0) == 0; }
};

class KeyReader {
public:
    KeyReader(std::string displayName, std::string baseDirectory, PathStyle style)
        : file_(std::move(displayName)), base_(std::move(baseDirectory)), style_(style) {}

    // The first error is kept: "app.toml:12: java.min-version: expected ...".
    // Each returns false.
    bool fail(const toml::node& node, const std::string& key, const std::string& message) {
        return failAt(node.source().begin.line, key, message);
    }
    bool failAt(unsigned line, const std::string& key, const std::string& message);
    // An unknown key or table, with the known key it most likely means (that
    // of lookup, when given).
    bool unknown(const toml::node& node, const std::string& key, const std::string& what,
                 const std::string& lookup = "");
    const std::string& error() const { return error_; }

    const std::string& fileName() const { return file_; }
    // Where a value stands, for what is said about it later: "app.toml:12: files.source".
    std::string where(const toml::node& node, const std::string& key) const {
        return file_ + ":" + std::to_string(node.source().begin.line) + ": " + key;
    }
    // A file the project names, as the host finds it.
    std::string hostPath(const std::string& path) const;

    // A string as Windows-1252 (the narrow entries' code page) or as UTF-16.
    bool narrowText(const toml::node& node, const std::string& key, std::string& out);
    bool wideText(const toml::node& node, const std::string& key, std::u16string& out);
    // An entry number written as a key, as in [entries].
    bool parseId(const toml::key& key, const std::string& qualified, int& id);

    // A string that is one of words.
    bool oneOfWords(const toml::node& node, const std::string& key, const std::vector<const char*>& words,
                    std::string& out);

    // A narrow entry; an entry that another key has set already is an error.
    bool setNarrow(int id, std::string value, const toml::node& node, const std::string& key);
    EntryTable& entries() { return entries_; }

    // A table of readable keys (with its sub-tables), [messages], and
    // [entries] or [wide-entries].
    bool readKeyedTable(const std::string& tableName, const toml::table& table);
    bool readMessages(const toml::table& table);
    bool readRawEntries(const toml::table& table, bool wide, const std::string& tableName);

private:
    bool typedValue(const KeyDef& def, const toml::node& node, const std::string& key, std::string& out);
    bool integerValue(const KeyDef& def, const toml::node& node, const std::string& key, std::string& out);
    bool colorValue(const toml::node& node, const std::string& key, std::string& out);
    bool readArray(const KeyDef& def, const toml::array& array, const std::string& key, std::string& out);
    bool readList(const KeyDef& def, const toml::node& node, const std::string& key, std::string& out);
    bool byteSize(const KeyDef& def, const toml::node& node, const std::string& key, std::string& out);
    bool readClassPath(const toml::array& array, const std::string& key, std::string& out);
    bool readSearch(const toml::node& node, const std::string& key, std::string& out);

    std::string file_;
    std::string base_;
    PathStyle style_;
    std::string error_;
    EntryTable entries_;
};
