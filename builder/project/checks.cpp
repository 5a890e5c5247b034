#include "builder/project/checks.h"

#include <cerrno>
#include <algorithm>
#include <cstdlib>

#include "builder/project/keys.h"
#include "builder/project/launch_keys.h"
#include "builder/project/service_rules.h"
#include "format/config_ids.h"
#include "jvm/versions.h"

namespace {

bool identifierByte(unsigned char c, bool first) {
    if (c >= 0x80 || c == '_' || c == '$') return true;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
    return !first && c >= '0' && c <= '9';
}

bool integerAtLeast(const std::string& text, long long minimum) {
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && errno == 0 && value >= minimum;
}

// A decimal integer as the builder writes it: no sign but "-", no leading
// zeros, no blanks.
bool decimalText(const std::string& text, long long& value) {
    errno = 0;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && errno == 0 && std::to_string(value) == text;
}

bool inRange(const std::string& text, IntRange range) {
    long long value;
    return decimalText(text, value) && value >= range.minimum && value <= range.maximum;
}

// The pieces of a list entry, separated by ";" ("" is one empty piece).
std::vector<std::string> listPieces(const std::string& text) {
    std::vector<std::string> pieces;
    for (size_t start = 0;;) {
        const size_t end = text.find(';', start);
        pieces.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return pieces;
        start = end + 1;
    }
}

// The stored text of a list key: each piece a name or an integer of the
// key's range, at most maxItems of them.
bool checkList(const KeyDef& def, const std::string& value, std::string& why) {
    const std::vector<std::string> pieces = listPieces(value);
    if (def.maxItems != 0 && pieces.size() > def.maxItems) {
        why = "expected at most " + std::to_string(def.maxItems) + " entries, not " + std::to_string(pieces.size());
        return false;
    }
    const IntRange range = integerRange(def);
    for (const std::string& piece : pieces) {
        if (def.kind == KeyKind::Names && !checkServiceName(piece, why)) return false;
        if (def.kind == KeyKind::Integers && !inRange(piece, range)) {
            why = "expected integers from " + std::to_string(range.minimum) + " to " + std::to_string(range.maximum) +
                  ", not " + (piece.empty() ? "an empty one" : piece);
            return false;
        }
    }
    return true;
}

bool checkMainClass(const std::string& value, std::string& why) {
    if (value.empty()) {
        why = "expected the main class, as \"com.example.Main\"";
    } else if (value.find('/') != std::string::npos || value.find('\\') != std::string::npos) {
        why = "expected a Java binary name with dots, as \"com.example.Main\", not a path";
    } else if (value.size() > 6 && value.compare(value.size() - 6, 6, ".class") == 0) {
        why = "expected the class name without \".class\"";
    } else if (!isJavaBinaryName(value)) {
        why = "expected a Java binary name: identifiers separated by dots, as \"com.example.Main\"";
    } else {
        return true;
    }
    return false;
}

}  // namespace

bool validVersionLimit(const std::string& text) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    for (char c : text) {
        const bool allowed = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
                             c == '_' || c == '-' || c == '+';
        if (!allowed) return false;
    }
    return !versionComponents(text).empty();
}

bool versionLimitsAgree(const std::string& minimum, const std::string& maximum) {
    return minimum.empty() || maximum.empty() || versionWithinLimits(minimum, minimum, maximum);
}

bool isJavaBinaryName(const std::string& name) {
    if (name.empty() || name.front() == '.' || name.back() == '.') return false;
    bool first = true;
    for (unsigned char c : name) {
        if (c == '.') {
            if (first) return false;  // two dots in a row
            first = true;
            continue;
        }
        if (!identifierByte(c, first)) return false;
        first = false;
    }
    return true;
}

bool checkMainModule(const std::string& value, std::string& why) {
    const size_t slash = value.find('/');
    const std::string module = value.substr(0, slash);
    if (!isJavaBinaryName(module) || module.find('$') != std::string::npos) {
        why = "expected a module name: identifiers separated by dots, as \"app\" or \"com.example.app\", "
              "optionally with its main class, as \"app/com.example.Main\"";
        return false;
    }
    if (slash != std::string::npos && !isJavaBinaryName(value.substr(slash + 1))) {
        why = "expected the main class after \"/\" as a Java binary name, as \"" + module + "/com.example.Main\"";
        return false;
    }
    return true;
}

bool checkModulePath(const std::string& value, std::string& why) {
    size_t start = 0;
    while (start <= value.size()) {
        const size_t end = std::min(value.find(';', start), value.size());
        const std::string entry = value.substr(start, end - start);
        if (entry.empty() || entry.find_first_of("*?\"<>|") != std::string::npos) {
            why = "expected paths of module directories or modular jars, as [\"mods\", \"lib\\\\app.jar\"] "
                  "(no empty entry, no *?\"<>|)";
            return false;
        }
        start = end + 1;
    }
    return true;
}

bool checkKeyValue(const KeyDef& def, const std::string& value, std::string& why) {
    if (def.kind == KeyKind::Size && !integerAtLeast(value, integerRange(KeyKind::Size).minimum)) {
        why = "expected a positive size";
        return false;
    }
    if (!def.words.empty() && std::find(def.words.begin(), def.words.end(), value) == def.words.end()) {
        why = "expected " + wordList(def.words);
        return false;
    }
    const IntRange range = integerRange(def);
    if (def.kind == KeyKind::Int && (def.limits.minimum != 0 || def.limits.maximum != 0) && !inRange(value, range)) {
        why = "expected an integer from " + std::to_string(range.minimum) + " to " + std::to_string(range.maximum) +
              ", not " + value;
        return false;
    }
    if (def.kind == KeyKind::Bytes && !inRange(value, range)) {
        why = "expected a size from " + byteSizeText(range.minimum) + " to " + byteSizeText(range.maximum) + ", not " +
              (value.empty() ? "an empty text" : value + " bytes");
        return false;
    }
    if (def.kind == KeyKind::Names || def.kind == KeyKind::Integers) return checkList(def, value, why);
    return true;
}

bool checkEntryValue(int id, const std::string& value, std::string& why) {
    switch (id) {
        case ConfigId::MainClass:
            return checkMainClass(value, why);
        case ConfigId::MainModule:
            return checkMainModule(value, why);
        case ConfigId::ModulePath:
            return checkModulePath(value, why);
        case ConfigId::MinVersion:
        case ConfigId::MaxVersion:
            if (value.empty() || validVersionLimit(value)) return true;
            why = "expected a Java version such as \"17\", \"1.8\" or \"11.0.2\" (empty: no limit)";
            return false;
        case ConfigId::SearchSequence:
            return checkSearchSequence(value, why);
        case ConfigId::ClassPath:
            return checkClassPathText(value, why);
        case ConfigId::ServiceName:
            return checkServiceName(value, why);
        case ConfigId::ServiceStopMethod:
            return checkStopMethod(value, why);
        case ConfigId::UserOptionsFolder:
            // Empty: no user option file. A folder name, or several separated by "\".
            if (value.find_first_of("/:*?\"<>|") != std::string::npos || (!value.empty() && value[0] == '\\') ||
                value.find("..") != std::string::npos) {
                why = "expected a folder name under %APPDATA%, as \"Example App\" (no drive, \"..\" or /:*?\"<>|)";
                return false;
            }
            return true;
        default: {
            const KeyDef* def = keyForId(id);
            return def == nullptr || checkKeyValue(*def, value, why);
        }
    }
}
