// printf into a string of any length. In the launcher the C runtime's own
// printf does the work: MinGW's replacement (its printf, with the conversion
// of floating-point numbers) would add about 20 KB to every stub. Formats are
// kept to what both understand: no %z, no floating point; %p writes the
// runtime's form of a pointer (hexadecimal digits, their case not fixed).
#pragma once

#include <cstdarg>
#include <string>

std::string formatText(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

std::string formatTextV(const char* format, va_list args);
