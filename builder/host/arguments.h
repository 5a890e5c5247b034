// A command's arguments sorted into its options and the rest.
#pragma once

#include <string>
#include <vector>

// An option: its names, and where its value goes (or its flag).
struct Option {
    std::vector<std::string> names;
    std::string* value;
    bool* flag;
    const char* needs;  // the value it needs, for the message when missing
};

// Returns the usage error ("unknown option -x", "-o needs a file name"), or ""
// with the arguments that are no option in rest; --help and -h set help.
std::string parseArguments(const std::vector<std::string>& args, const std::vector<Option>& options,
                           std::vector<std::string>& rest, bool& help);
