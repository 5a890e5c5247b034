// The keys of a project file: the readable keys and the configuration ids
// they set, the messages, and the keys the builder reads itself. The project
// reader takes its keys, types and allowed values from here, and so does the
// JSON Schema of project files.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// What the value of a readable key is in a project file.
enum class KeyKind {
    Flag,       // true or false, stored as 1 or 0
    Int,        // an integer (or a name of namedValues), stored as its decimal text
    Size,       // a positive integer: pixels or points
    Color,      // [red, green, blue], stored as "r,g,b"
    Text,       // a string (one of the key's words, when it has any)
    Arguments,  // a string the launcher splits as a command line, or an array of strings
    Paths,      // a string of paths separated by ";", or an array of paths
    ClassPath,  // the stored entries as a string, or an array of entry tables
    Names,      // an array of names, stored separated by ";"
    Integers,   // an array of integers, stored as their decimal texts separated by ";"
    Bytes,      // a size in bytes: an integer, or a string "<n>", "<n> KiB", "<n> MiB" or "<n> GiB";
                // stored as the decimal number of bytes
};

// The integers a kind takes: Int and Size ones, each component of a Color.
struct IntRange {
    long long minimum;
    long long maximum;
};
IntRange integerRange(KeyKind kind);

struct KeyDef {
    const char* table;  // "application", "splash.line1", ...
    const char* name;   // "main-class"
    int id;
    KeyKind kind;
    const char* help;
    // A Text key that takes only these texts; empty: any text.
    std::vector<const char*> words = {};
    // An Int, Integers or Bytes key's own range; {0, 0}: the kind's.
    IntRange limits = {0, 0};
    // An Integers or Names key's most elements; 0: any number.
    unsigned maxItems = 0;
};
// The integers a key takes: its own limits, or its kind's.
IntRange integerRange(const KeyDef& def);

const std::vector<KeyDef>& keyTable();
// Whether a table holds readable keys, or tables that do ("splash" holds
// "splash.line1").
bool isKeyedTable(const std::string& table);

// Readable names an integer key accepts besides numbers: application.type
// takes "gui" (1) and "console" (2).
struct NamedValue {
    const char* name;
    int value;
};
const std::vector<NamedValue>& namedValues(int id);
// The key for a narrow id, or nullptr.
const KeyDef* keyForId(int id);

struct MessageDef {
    int id;
    const char* name;
    const char* defaultText;
};

// Messages 1000 to 1020 by name, with the English texts the builder writes
// when a project does not give its own.
const std::vector<MessageDef>& messageTable();
const MessageDef* messageByName(const std::string& name);
const MessageDef* messageById(int id);

// What the value of a key the builder reads itself is.
enum class BuilderKind {
    Flag,         // true or false
    Word,         // one of the key's words
    File,         // a file name
    Images,       // a file name, or a list of PNG files
    Text,         // a string
    LocaleCode,   // letters, digits and "_" (kLocaleCodeCharacters)
    Search,       // the runtime search in words (searchKinds in launch_keys.h)
    Messages,     // a table of messages by name (UTF-16)
    Entries,      // a table of entries by number: strings (Windows-1252) or integers
    WideEntries,  // a table of entries by number: strings (UTF-16)
    Ignored,      // written by inspect for the reader: any value
};

// The keys the builder reads itself rather than as an entry of their own
// (name empty for a table of numbered entries).
struct BuilderKey {
    const char* table;
    const char* name;
    const char* help;
    BuilderKind kind;
    // What a Word key takes.
    std::vector<const char*> words = {};
    // Each table of the array ([[files]], [[localized]]) needs the key.
    bool required = false;
};
const std::vector<BuilderKey>& builderKeyTable();
// The builder's key of that table and name, or nullptr.
const BuilderKey* builderKey(const std::string& table, const std::string& name);
// The tables that come as arrays of tables: [[files]] and [[localized]].
bool isArrayOfTables(const std::string& table);

// What a locale code of [[localized]] is made of, as "de" or "de_CH".
inline constexpr const char* kLocaleCodeCharacters =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";

// What a service name is made of, as "hello-service" (also each name of
// service.depends-on), and how long it may be.
inline constexpr const char* kServiceNameCharacters =
    "-.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz";
inline constexpr size_t kMaxServiceNameLength = 256;

// The [version] keys that also give the fixed versions; a [version] table
// needs the file version.
inline constexpr const char* kFileVersionKey = "file-version";
inline constexpr const char* kProductVersionKey = "product-version";

// What a table is for, in a few words ("" for one unknown).
const char* tableHelp(const std::string& table);
// The words a key takes, for the message that lists them: "\"x86\" or \"x64\"".
std::string wordList(const std::vector<const char*>& words);

// Every qualified key a project file knows ("java.min-version",
// "build.arch", "messages.caption"), from the tables above and the version
// strings, for suggestions.
const std::vector<std::string>& knownProjectKeys();
