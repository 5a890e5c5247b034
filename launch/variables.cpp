#include "launch/variables.h"

void replaceAll(std::string& text, const std::string& key, const std::string& value, const ExpansionLog& log) {
    if (key.empty()) return;
    size_t at = text.find(key);
    while (at != std::string::npos) {
        text.replace(at, key.size(), value);
        if (log) log(key, value, text);
        at = text.find(key, at + value.size());
    }
}

void expandVariablesWith(std::string& text, const VariableValues& values, const std::vector<std::string>& environment,
                         const ExpansionLog& log) {
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
                replaceAll(text, open + std::string(product) + kNames[kind] + close, valueOf(kind), log);
    }
    for (int kind = 0; kind < 4; ++kind) replaceAll(text, kLauncherKeys[kind], valueOf(kind), log);

    for (const std::string& entry : environment) {
        const size_t equals = entry.find('=');
        if (equals == std::string::npos) continue;
        const std::string value = entry.substr(equals + 1);
        const std::string key = "${" + entry.substr(0, equals) + "}";
        replaceAll(text, key, value, log);
        std::string upper = key;
        for (char& c : upper)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        // An upper-case name needs no second pass, which would expand a value
        // that holds its own reference a second time.
        if (upper != key) replaceAll(text, upper, value, log);
    }
}
