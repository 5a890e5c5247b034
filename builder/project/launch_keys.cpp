#include "builder/project/launch_keys.h"

#include "builder/project/suggest.h"
#include "builder/project/toml_text.h"
#include "files/paths.h"
#include "jvm/search_rules.h"

namespace {

const char* const kSearchForms = "\"bundled:DIR\", \"directory:DIR\", \"env:VARIABLE\", \"registry\", \"path\" or \"well-known\"";

// The class-path entry another tool's text most likely means.
std::string readableGuess(const std::string& piece) {
    const std::string& value = piece;
    if (value.size() >= 2 && value.back() == '*' && (value[value.size() - 2] == '/' || value[value.size() - 2] == '\\'))
        return "{ archives-in = " + tomlString(value.substr(0, value.size() - 2)) + " }";
    const std::string lower = value.size() >= 4 ? value.substr(value.size() - 4) : "";
    if (lower == ".jar" || lower == ".zip" || lower == ".JAR" || lower == ".ZIP") return "{ archive = " + tomlString(value) + " }";
    return "{ directory = " + tomlString(value) + " }";
}

}  // namespace

const std::vector<ClassPathKind>& classPathKinds() {
    static const std::vector<ClassPathKind> kinds = {
        {'A', "archive", "an archive, relative to the executable's directory"},
        {'D', "directory", "a directory (or a file), relative to the executable's directory"},
        {'S', "archives-in", "every .jar, then every .zip, in the directory"},
        {'E', "variable", "the value of the environment variable"},
    };
    return kinds;
}

const std::vector<SearchKind>& searchKinds() {
    static const std::vector<SearchKind> kinds = {{'B', "bundled", true},  {'A', "directory", true},
                                                  {'E', "env", true},      {'Y', "registry", false},
                                                  {'S', "path", false},    {'W', "well-known", false}};
    return kinds;
}

char classPathKindLetter(const std::string& kindKey) {
    for (const ClassPathKind& kind : classPathKinds())
        if (kindKey == kind.key) return kind.letter;
    return '\0';
}

const char* classPathKindKey(char letter) {
    for (const ClassPathKind& kind : classPathKinds())
        if (letter == kind.letter) return kind.key;
    return nullptr;
}

bool encodeClassPath(const std::vector<ReadableClassPathEntry>& entries, std::string& text, std::string& why) {
    std::vector<ClassPathEntry> encoded;
    for (const ReadableClassPathEntry& entry : entries) {
        const char letter = classPathKindLetter(entry.kindKey);
        if (letter == '\0') {
            why = "unknown class-path kind '" + entry.kindKey + "' (archive, directory, archives-in or variable)";
            return false;
        }
        if (entry.value.find(';') != std::string::npos) {
            why = "a class-path entry cannot hold ';' (give one entry per path)";
            return false;
        }
        if (entry.value.empty()) {
            why = "a class-path entry needs a value";
            return false;
        }
        encoded.push_back(ClassPathEntry{letter, entry.mandatory, entry.value});
    }
    text = encodeClassPathEntries(encoded);
    return true;
}

std::optional<std::vector<ReadableClassPathEntry>> decodeClassPath(const std::string& text) {
    std::vector<ReadableClassPathEntry> entries;
    for (const ClassPathEntry& entry : parseClassPathEntries(text)) {
        const char* key = classPathKindKey(entry.kind);
        if (key == nullptr) return std::nullopt;
        entries.push_back(ReadableClassPathEntry{key, entry.value, entry.mandatory});
    }
    std::string again, why;
    if (entries.empty() || !encodeClassPath(entries, again, why) || again != text) return std::nullopt;
    return entries;
}

bool joinArguments(const std::vector<std::string>& pieces, std::string& text, std::string& why) {
    text.clear();
    for (const std::string& piece : pieces) {
        if (!text.empty()) text += ' ';
        const bool plain = !piece.empty() && piece.find_first_of(" \"'") == std::string::npos;
        if (plain) {
            text += piece;
        } else if (piece.find('"') == std::string::npos) {
            text += '"' + piece + '"';
        } else if (piece.find('\'') == std::string::npos) {
            text += '\'' + piece + '\'';
        } else {
            why = "an argument cannot hold both quote characters: " + piece;
            return false;
        }
    }
    return true;
}

bool encodeSearch(const std::vector<std::string>& entries, std::string& text, std::string& why) {
    text.clear();
    for (const std::string& entry : entries) {
        const size_t colon = entry.find(':');
        const std::string name = entry.substr(0, colon);
        const SearchKind* kind = nullptr;
        for (const SearchKind& k : searchKinds())
            if (name == k.name) kind = &k;
        if (kind == nullptr) {
            std::vector<std::string> names;
            for (const SearchKind& k : searchKinds()) names.push_back(k.name);
            const std::string near = closestName(name, names);
            why = "unknown search entry \"" + entry + "\"" + (near.empty() ? "" : " (did you mean " + near + "?)") +
                  "; expected " + kSearchForms;
            return false;
        }
        const std::string value = colon == std::string::npos ? "" : entry.substr(colon + 1);
        if (kind->takesValue && value.empty()) {
            why = "\"" + name + "\" needs a value after the colon, as \"" + name +
                  (kind->letter == 'E' ? ":JAVA_HOME\"" : ":jre\"");
            return false;
        }
        if (!kind->takesValue && colon != std::string::npos) {
            why = "\"" + name + "\" takes no value";
            return false;
        }
        if (value.find(';') != std::string::npos) {
            why = "a search entry cannot hold ';' (give one entry per location)";
            return false;
        }
        text += kind->letter + value + ";";
    }
    return true;
}

std::optional<std::vector<std::string>> decodeSearch(const std::string& text) {
    std::vector<std::string> entries;
    for (const SearchEntry& entry : parseSearchSequence(text)) {
        const SearchKind* kind = nullptr;
        for (const SearchKind& k : searchKinds())
            if (entry.letter == k.letter) kind = &k;
        if (kind == nullptr) return std::nullopt;
        entries.push_back(kind->takesValue ? std::string(kind->name) + ":" + entry.location : kind->name);
    }
    std::string again, why;
    if (!encodeSearch(entries, again, why) || again != text) return std::nullopt;
    return entries;
}

const std::vector<std::string>& defaultSearch() {
    static const std::vector<std::string> entries = {"bundled:jre", "env:JAVA_HOME", "env:JDK_HOME",
                                                     "registry",    "well-known",    "path"};
    return entries;
}

bool checkSearchSequence(const std::string& text, std::string& why) {
    for (const SearchEntry& entry : parseSearchSequence(text)) {
        if (entry.type != LocationType::None) continue;
        why = "search entry \"" + std::string(1, entry.letter) + entry.location + "\" has the unknown type letter '" +
              std::string(1, entry.letter) + "' (A, B, R, S, E, Y or W); or give the readable list: search = [" +
              kSearchForms + "]";
        return false;
    }
    return true;
}

bool checkClassPathText(const std::string& text, std::string& why) {
    bool coded = true;
    std::string guess;
    for (const std::string& piece : splitPathList(text)) {
        const bool entry = piece.size() > 2 && classPathKindKey(piece[0]) != nullptr && (piece[1] == '0' || piece[1] == '1');
        coded = coded && entry;
        guess += (guess.empty() ? "" : ", ") + readableGuess(piece);
    }
    if (coded) return true;
    why = "is not in the stored form (a kind letter A, D, S or E, then 0 or 1, then the value, as \"A1app.jar;S0lib;\"); "
          "write the entries as an array instead, for example class-path = [" + guess + "]";
    return false;
}
