// Argument splitting on arbitrary UTF-16 text.
// - The classic rules either fail on an unclosed quote or yield arguments
//   made only of the text's own characters.
// - The Windows rules never fail, and any argument vector (the input cut at
//   its NUL characters), quoted as callers of CreateProcess quote it, splits
//   back into the same vector.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/args.h"
#include "tests/unit/windows_command_lines.h"

namespace {

void classicRules(const std::u16string& text) {
    ArgumentList out;
    const bool ok = splitArgumentText(text, out);
    size_t total = 0;
    for (const std::u16string& argument : out) {
        total += argument.size();
        // Blanks never survive outside quotes, and quote characters are dropped,
        // so no argument can be longer than the text.
        if (argument.size() > text.size()) __builtin_trap();
    }
    if (total > text.size()) __builtin_trap();
    if (ok && text.find_first_not_of(u' ') == std::u16string::npos && !out.empty()) __builtin_trap();
}

void windowsRules(const std::u16string& text) {
    ArgumentList split;
    splitWindowsArguments(text, split);
    for (const std::u16string& argument : split)
        if (argument.size() > text.size()) __builtin_trap();

    ArgumentList vector;
    size_t start = 0;
    for (size_t end; (end = text.find(u'\0', start)) != std::u16string::npos; start = end + 1)
        vector.push_back(text.substr(start, end - start));
    vector.push_back(text.substr(start));
    // The program name cannot hold a quote; a blank or tab in it is quoted.
    std::u16string& program = vector[0];
    std::erase(program, u'"');
    std::u16string line = program.find_first_of(u" \t") == std::u16string::npos && !program.empty()
                              ? program
                              : u"\"" + program + u"\"";
    for (size_t i = 1; i < vector.size(); ++i) line += u" " + quoteWindowsArgument(vector[i]);
    ArgumentList back;
    splitProcessCommandLine(line, CommandLineRules::Windows, back);
    if (back != vector) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string text(size / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    classicRules(text);
    windowsRules(text);
    return 0;
}
