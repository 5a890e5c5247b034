// Variable expansion on arbitrary text and environment entries: it must end,
// and a text without "%" or "${" must come back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "launch/variables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    // The first line is the text; the other lines are the environment block.
    const size_t newline = input.find('\n');
    std::string text = input.substr(0, newline);
    std::vector<std::string> environment;
    if (newline != std::string::npos) {
        size_t start = newline + 1;
        while (start < input.size() && environment.size() < 32) {
            size_t end = input.find('\n', start);
            if (end == std::string::npos) end = input.size();
            environment.push_back(input.substr(start, end - start));
            start = end + 1;
        }
    }
    const std::string original = text;
    const bool hasKey = original.find('%') != std::string::npos || original.find("${") != std::string::npos;
    expandVariablesWith(text, VariableValues{"c:\\app\\", "c:\\t\\qvo1.tmp_dir", "c:\\jdk\\bin\\.."}, environment,
                        nullptr);
    if (!hasKey && text != original) __builtin_trap();
    return 0;
}
