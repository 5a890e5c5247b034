#include "builder/project/text_codec.h"

#include <cstdint>

namespace {

// Windows-1252 bytes 0x80 to 0x9f; the others equal their code point.
constexpr char16_t kHighBlock[32] = {
    0x20ac, 0x0081, 0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008d, 0x017d, 0x008f, 0x0090, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
    0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0x009d, 0x017e, 0x0178,
};

// Decodes UTF-8 into code points; false on malformed input.
bool decodeUtf8(const std::string& text, std::u32string& out) {
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        int extra;
        char32_t cp;
        if (c < 0x80) {
            cp = c;
            extra = 0;
        } else if ((c & 0xe0) == 0xc0) {
            cp = c & 0x1f;
            extra = 1;
        } else if ((c & 0xf0) == 0xe0) {
            cp = c & 0x0f;
            extra = 2;
        } else if ((c & 0xf8) == 0xf0) {
            cp = c & 0x07;
            extra = 3;
        } else {
            return false;
        }
        if (i + extra >= text.size() && extra > 0) return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char d = static_cast<unsigned char>(text[i + k]);
            if ((d & 0xc0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3f);
        }
        static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return false;
        out.push_back(cp);
        i += extra + 1;
    }
    return true;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xc0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xe0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
    } else {
        out.push_back(static_cast<char>(0xf0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
    }
}

}  // namespace

std::optional<std::u16string> utf8ToUtf16(const std::string& text) {
    std::u32string points;
    if (!decodeUtf8(text, points)) return std::nullopt;
    std::u16string out;
    for (char32_t cp : points) {
        if (cp < 0x10000) {
            out.push_back(static_cast<char16_t>(cp));
        } else {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xd800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xdc00 + (cp & 0x3ff)));
        }
    }
    return out;
}

std::optional<std::string> utf16ToUtf8(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xd800 && cp <= 0xdbff && i + 1 < text.size() && text[i + 1] >= 0xdc00 && text[i + 1] <= 0xdfff) {
            cp = 0x10000 + ((cp - 0xd800) << 10) + (text[i + 1] - 0xdc00);
            ++i;
        } else if (cp >= 0xd800 && cp <= 0xdfff) {
            return std::nullopt;
        }
        appendUtf8(out, cp);
    }
    return out;
}

std::optional<std::string> utf8ToAnsi(const std::string& text) {
    std::u32string points;
    if (!decodeUtf8(text, points)) return std::nullopt;
    std::string out;
    for (char32_t cp : points) {
        if (cp < 0x80 || (cp >= 0xa0 && cp <= 0xff)) {
            out.push_back(static_cast<char>(cp));
            continue;
        }
        int found = -1;
        for (int k = 0; k < 32; ++k)
            if (kHighBlock[k] == cp) found = k;
        if (found < 0) return std::nullopt;
        out.push_back(static_cast<char>(0x80 + found));
    }
    return out;
}

std::string ansiToUtf8(const std::string& text) {
    std::string out;
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        appendUtf8(out, c >= 0x80 && c < 0xa0 ? kHighBlock[c - 0x80] : c);
    }
    return out;
}
