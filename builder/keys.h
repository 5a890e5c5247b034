// The readable keys of a project file and the configuration ids they set.
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
