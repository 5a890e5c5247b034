#include "config/args.h"

#include "platform/win_text.h"

bool splitCommandLine(const std::u16string& commandLine, ArgumentList& out) {
    return splitArgumentText(commandLine, out);
}

bool splitArguments(const std::string& text, std::vector<std::string>& out) {
    ArgumentList wide;
    if (!splitCommandLine(narrowToWide(text), wide)) return false;
    for (const std::u16string& argument : wide) out.push_back(wideToNarrow(argument));
    return true;
}
