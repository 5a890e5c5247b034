// Argument splitting on arbitrary UTF-16 text: it either fails on an unclosed
// quote or yields arguments made only of the text's own characters.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/args.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string text(size / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
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
    return 0;
}
