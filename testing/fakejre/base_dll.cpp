// Fake runtime support library, fakejre-base.dll: it lives in the runtime's
// bin directory (not beside jvm.dll), as the libraries a real jvm.dll depends
// on do, and the fake jvm.dll imports it. It tells which copy of itself the
// loader took, so that a test can tell the runtime's own copy from a planted one.
#include "platform/win32.h"

#include <string>

namespace {
HMODULE self = nullptr;
}  // namespace

extern "C" __declspec(dllexport) const wchar_t* fakejreBasePath() {
    static const std::wstring path = [] {
        std::wstring text(32768, L'\0');
        text.resize(GetModuleFileNameW(self, text.data(), static_cast<DWORD>(text.size())));
        return text;
    }();
    return path.c_str();
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) self = instance;
    return TRUE;
}
