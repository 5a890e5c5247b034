#include "builder/launch_keys.h"

namespace {

struct Kind {
    char letter;
    const char* key;
};

const Kind kKinds[] = {{'A', "archive"}, {'D', "directory"}, {'S', "archives-in"}, {'E', "variable"}};

}  // namespace

char classPathKindLetter(const std::string& kindKey) {
    for (const Kind& kind : kKinds)
        if (kindKey == kind.key) return kind.letter;
    return '\0';
}

const char* classPathKindKey(char letter) {
    for (const Kind& kind : kKinds)
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
