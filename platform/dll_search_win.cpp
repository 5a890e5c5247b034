#include "platform/dll_search.h"

#include "platform/win32.h"
#include "platform/win_text.h"

void keepCurrentDirectoryOutOfDllSearch() {
    std::wstring system;
    fillGrowing(system, [](wchar_t* b, DWORD n) { return GetSystemDirectoryW(b, n); });
    SetDllDirectoryW(system.empty() ? L"" : system.c_str());
}

RuntimeLibrariesFirst::RuntimeLibrariesFirst(const std::string& binDirectory) {
    SetDllDirectoryA(binDirectory.c_str());
}

RuntimeLibrariesFirst::~RuntimeLibrariesFirst() { keepCurrentDirectoryOutOfDllSearch(); }
