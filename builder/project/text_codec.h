// Conversions between the project file's UTF-8 and the encodings of the
// configuration block: UTF-16LE for wide entries, Windows-1252 for narrow ones.
#pragma once

#include <optional>
#include <string>

// nullopt when text is not valid UTF-8.
std::optional<std::u16string> utf8ToUtf16(const std::string& text);
// nullopt when text holds an unpaired surrogate, which UTF-8 cannot carry.
std::optional<std::string> utf16ToUtf8(const std::u16string& text);

// nullopt when a character has no Windows-1252 form. The five byte values the
// code page leaves undefined map to the C1 controls of the same number, as
// Windows converts them, so every byte string survives a round trip.
std::optional<std::string> utf8ToAnsi(const std::string& text);
std::string ansiToUtf8(const std::string& text);
