#include "platform/win_text.h"

std::u16string narrowToWide(const std::string& text, UINT codePage) {
    if (text.empty()) return std::u16string();
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string out(n > 0 ? n : 0, u'\0');
    if (n > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wideBuffer(out.data()), n);
    return out;
}

std::string wideToNarrow(const std::u16string& text, UINT codePage, bool* usedDefault) {
    if (usedDefault) *usedDefault = false;
    if (text.empty()) return std::string();
    BOOL used = FALSE;
    BOOL* usedArg = (codePage == CP_UTF8 || codePage == CP_UTF7) ? nullptr : &used;
    int n = WideCharToMultiByte(codePage, 0, wideZ(text), static_cast<int>(text.size()), nullptr, 0, nullptr, usedArg);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, 0, wideZ(text), static_cast<int>(text.size()), out.data(), n, nullptr, usedArg);
    if (usedDefault) *usedDefault = used != FALSE;
    return out;
}

UINT fileCodePage() { return AreFileApisANSI() ? CP_ACP : CP_OEMCP; }

bool environmentVariable(const char* name, std::string& value) {
    bool ok = fillGrowing(value, [&](char* buffer, DWORD capacity) {
        return GetEnvironmentVariableA(name, buffer, capacity);
    });
    return ok && (!value.empty() || GetLastError() != ERROR_ENVVAR_NOT_FOUND);
}
