#include "platform/dll_search.h"

#include "platform/win32.h"
#include "platform/win_text.h"

void keepCurrentDirectoryOutOfDllSearch() {
    std::u16string system;
    fillGrowing(system, [](char16_t* b, DWORD n) { return GetSystemDirectoryW(wideBuffer(b), n); });
    SetDllDirectoryW(wideZ(system));
}

RuntimeLibrariesFirst::RuntimeLibrariesFirst(const std::string& binDirectory) {
    SetDllDirectoryA(binDirectory.c_str());
}

RuntimeLibrariesFirst::~RuntimeLibrariesFirst() { keepCurrentDirectoryOutOfDllSearch(); }
