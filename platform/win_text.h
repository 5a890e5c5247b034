// Text at the Win32 boundary: conversions between the ANSI code page and
// UTF-16, and the one helper for calls that fill a caller's buffer.
#pragma once

#include <string>

#include "platform/win32.h"

// Wide text is UTF-16, held in std::u16string everywhere (one string type
// for the portable code and the Win32 layer: std::wstring would be a second
// copy of every string function in the stub). wchar_t is the same 16-bit
// unit on Windows; these hand the characters to the W functions.
inline const wchar_t* wideZ(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline wchar_t* wideBuffer(char16_t* s) { return reinterpret_cast<wchar_t*>(s); }
inline std::u16string fromWide(const wchar_t* s) { return reinterpret_cast<const char16_t*>(s); }

std::u16string narrowToWide(const std::string& text, UINT codePage = CP_ACP);
// usedDefault, when given, tells whether a character had no narrow form and
// became "?".
std::string wideToNarrow(const std::u16string& text, UINT codePage = CP_ACP, bool* usedDefault = nullptr);

// The code page of the ANSI file functions (ANSI or OEM).
UINT fileCodePage();

// Calls fill(buffer, capacity) the way Win32 calls that fill a buffer work:
// the result is the length written, or the size needed (or the capacity
// itself) when the buffer was too small, or 0 on failure. Grows the buffer
// until the text fits. Returns false when fill reports 0 with an error set.
template <typename Char, typename Fill>
bool fillGrowing(std::basic_string<Char>& out, Fill fill, DWORD initial = MAX_PATH) {
    std::basic_string<Char> buffer(initial, Char());
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        DWORD n = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) {
            out.clear();
            return GetLastError() == ERROR_SUCCESS;
        }
        if (n < buffer.size()) {
            buffer.resize(n);
            out.swap(buffer);
            return true;
        }
        buffer.assign(n > buffer.size() ? n + 1 : buffer.size() * 2, Char());
    }
}

// The value of an environment variable; false when it is not defined.
bool environmentVariable(const char* name, std::string& value);
