// Readable forms of the launch entries in a project file: class-path entries
// as tables, VM parameters and fixed arguments as arrays of strings. Each
// encodes to the text the launcher reads and, where the text allows, back.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "launch/class_path.h"

// One class-path entry of the readable form: exactly one of the kind keys
// (archive, directory, archives-in, variable) and an optional mandatory flag.
struct ReadableClassPathEntry {
    std::string kindKey;
    std::string value;
    bool mandatory = false;
};

// The kind keys of a class-path entry table, with the letter each is stored
// with and what it adds to the class path.
struct ClassPathKind {
    char letter;
    const char* key;
    const char* help;
};
const std::vector<ClassPathKind>& classPathKinds();

// The kinds of runtime-search entries: the word, the type letter it is stored
// with, and whether a location follows the word after ":" ("bundled:jre";
// "registry" takes none).
struct SearchKind {
    char letter;
    const char* name;
    bool takesValue;
};
const std::vector<SearchKind>& searchKinds();

// The kind letter of a kind key, or '\0'.
char classPathKindLetter(const std::string& kindKey);
const char* classPathKindKey(char letter);

// The entry text ("A1hello.jar;D0classes;"); false with why when an entry
// cannot be written (a ";" in a value, an unknown kind).
bool encodeClassPath(const std::vector<ReadableClassPathEntry>& entries, std::string& text, std::string& why);
// The readable entries of a text, when they encode back to exactly that text.
std::optional<std::vector<ReadableClassPathEntry>> decodeClassPath(const std::string& text);

// Readable runtime-search entries ("bundled:jre", "env:JAVA_HOME", "registry")
// and the search-sequence text they stand for ("Bjre;EJAVA_HOME;Y;").
// False with why for an unknown kind, a missing or unwanted value, or ";".
bool encodeSearch(const std::vector<std::string>& entries, std::string& text, std::string& why);
// The readable entries of a text, when they encode back to exactly that text.
std::optional<std::vector<std::string>> decodeSearch(const std::string& text);
// What a project that names no search gets: a bundled jre beside the
// executable, JAVA_HOME, JDK_HOME, the registry, the well-known install
// directories and the executable search path.
const std::vector<std::string>& defaultSearch();
// Checks a raw search-sequence text: every entry's type letter is one the
// launcher knows (A, B, R, S, E, Y, W).
bool checkSearchSequence(const std::string& text, std::string& why);

// Checks a class-path text in its stored form: each entry a kind letter
// (A, D, S, E), 0 or 1, and a value. why for a text in another tool's habit
// ("app.jar;lib/*") suggests the array form of the same entries.
bool checkClassPathText(const std::string& text, std::string& why);

// The pieces as one text the launcher splits back into the same pieces;
// false with why when a piece holds both quote characters.
bool joinArguments(const std::vector<std::string>& pieces, std::string& text, std::string& why);
