// The keys of a project file: the readable keys and the configuration ids
// they set, the messages, and the keys the builder reads itself.
#pragma once

#include <string>
#include <vector>

enum class KeyKind { Flag, Int, Color, Text };

struct KeyDef {
    const char* table;  // "application", "splash.line1", ...
    const char* name;   // "main-class"
    int id;
    KeyKind kind;
    const char* help;
};

const std::vector<KeyDef>& keyTable();

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

// The keys the builder reads itself rather than as an entry of their own
// (name empty for a table of numbered entries).
struct BuilderKey {
    const char* table;
    const char* name;
    const char* help;
};
const std::vector<BuilderKey>& builderKeyTable();

// Every qualified key a project file knows ("java.min-version",
// "build.arch", "messages.caption"), from the tables above and the version
// strings, for suggestions.
const std::vector<std::string>& knownProjectKeys();
