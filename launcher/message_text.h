// Text assembly of user-visible messages, independent of how they are shown.
#pragma once

#include <string>

// Replaces the first "{0}" of text with argument; further placeholders stay.
template <typename String>
String substituteFirstPlaceholder(const String& text, const String& argument) {
    using Char = typename String::value_type;
    static constexpr Char placeholder[] = {'{', '0', '}', 0};
    const size_t at = text.find(placeholder);
    if (at == String::npos) return text;
    return text.substr(0, at) + argument + text.substr(at + 3);
}

// The message followed by an empty line and the log file's path.
template <typename String>
String withLogPath(const String& text, const String& logPath) {
    using Char = typename String::value_type;
    static constexpr Char separator[] = {'\n', '\n', 'L', 'o', 'g', ':', ' ', 0};
    return text + separator + logPath;
}
