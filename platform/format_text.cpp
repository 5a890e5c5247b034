#include "platform/format_text.h"

#include <cstdio>

namespace {

// The length of the text, without its terminating zero; negative on a format error.
int formattedLength(const char* format, va_list args) {
#if defined(_WIN32)
    return _vscprintf(format, args);
#else
    return std::vsnprintf(nullptr, 0, format, args);
#endif
}

void formatInto(char* buffer, size_t capacity, const char* format, va_list args) {
#if defined(_WIN32)
    _vsnprintf(buffer, capacity, format, args);
#else
    std::vsnprintf(buffer, capacity, format, args);
#endif
}

}  // namespace

std::string formatTextV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int n = formattedLength(format, copy);
    va_end(copy);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    formatInto(out.data(), out.size() + 1, format, args);
    return out;
}

std::string formatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string out = formatTextV(format, args);
    va_end(args);
    return out;
}
