#include "launch/variables.h"

bool replaceAll(std::string& text, const std::string& key, const std::string& value, const ExpansionLog& log) {
    if (key.empty()) return true;
    size_t at = text.find(key);
    if (at == std::string::npos) return true;
    // Built in a second string so that many occurrences cost one pass, not one
    // move of the rest of the text each.
    std::string done;
    size_t from = 0;
    bool complete = true;
    while (at != std::string::npos) {
        if (done.size() + (at - from) + value.size() + (text.size() - at - key.size()) > kMaxExpandedLength) {
            complete = false;
            break;
        }
        done.append(text, from, at - from);
        done += value;
        from = at + key.size();
        if (log) log(key, value, done + text.substr(from));
        at = text.find(key, from);
    }
    done.append(text, from, std::string::npos);
    text = std::move(done);
    return complete;
}

bool mayHoldVariables(const std::string& text) {
    return text.find('%') != std::string::npos || text.find("${") != std::string::npos;
}

bool expandVariablesWith(std::string& text, const VariableValues& values, const std::vector<std::string>& environment,
                         const ExpansionLog& log) {
    bool complete = true;
    const std::string* byKind[] = {&values.executableDirectory, &values.temporaryDirectory, nullptr,
                                   &values.jvmHome};
    static const std::string separator = ";";
    static const char* const kNames[] = {"EXEDIR", "TEMPDIR", "PATHLIST_SEPARATOR", "JVM_HOME"};
    static const char* const kLauncherKeys[] = {"${launcher:sys.launcherDirectory}",
                                                "${launcher:sys.launcherTempDirectory}",
                                                "${launcher:sys.pathlistSeparator}", "${launcher:sys.jvmHome}"};
    auto valueOf = [&](int kind) -> const std::string& { return byKind[kind] ? *byKind[kind] : separator; };
    for (const char* open : {"%", "${"}) {
        const std::string close = open[0] == '%' ? "%" : "}";
        for (int kind = 0; kind < 4; ++kind)
            for (const char* product : {"QARVO_", "MORVANTIC_"})
                complete &= replaceAll(text, open + std::string(product) + kNames[kind] + close, valueOf(kind), log);
    }
    for (int kind = 0; kind < 4; ++kind) complete &= replaceAll(text, kLauncherKeys[kind], valueOf(kind), log);

    for (const std::string& entry : environment) {
        const size_t equals = entry.find('=');
        if (equals == std::string::npos) continue;
        const std::string value = entry.substr(equals + 1);
        const std::string key = "${" + entry.substr(0, equals) + "}";
        complete &= replaceAll(text, key, value, log);
        std::string upper = key;
        for (char& c : upper)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        // An upper-case name needs no second pass, which would expand a value
        // that holds its own reference a second time.
        if (upper != key) complete &= replaceAll(text, upper, value, log);
    }
    return complete;
}
