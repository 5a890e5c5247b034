// VM option files of arbitrary content, every inclusion reading the same
// bytes again from a file system in memory: reading ends, and every option
// is a cleaned, non-empty line of the input (a two-word module option joined
// with "=", its value from the input).
#include <cstddef>
#include <cstdint>
#include <string>

#include "launch/vm_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    int marker = 0;
    OptionEnvironment env;
    env.open = [&](const std::string& path) {
        OptionFile file;
        file.path = path;
        // Names with a "?" stand for files that do not open.
        if (path.find('?') != std::string::npos) return file;
        file.handle = &marker;
        file.contents = text;
        return file;
    };
    env.makeAbsolute = [](const std::string& name, const std::string* base) {
        const std::string directory = base != nullptr ? base->substr(0, base->rfind('\\') + 1) : "C:\\app\\";
        return name.size() > 2 && name[1] == ':' ? name : directory + name;
    };
    env.expand = [](std::string&) {};
    env.log = [](const std::string&) {};
    VmOptionList list;
    ClassPathOverrides overrides;
    collectVmOptionsFrom({}, {}, [&] { return env.open("C:\\app\\app.vmoptions"); }, env, list, overrides);
    for (const std::string& option : list) {
        if (option.empty() || option[0] == ' ' || option[0] == '#' || option.back() == ' ') __builtin_trap();
        if (text.find(option) != std::string::npos) continue;
        // A module option written as two words ("--add-opens X", "-p X") is
        // passed as one, "--add-opens=X": the value is still the input's.
        const size_t equals = option.find('=');
        if (option.rfind("--", 0) != 0 || equals == std::string::npos) __builtin_trap();
        if (text.find(option.substr(equals + 1)) == std::string::npos) __builtin_trap();
    }
    return 0;
}
