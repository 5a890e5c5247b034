#include "platform/common_controls.h"

#include "platform/win32.h"

void initCommonControlsOnce() {
    static const bool done = [] {
        // By name: the manifest's activation context picks the version, and
        // the current directory is out of the DLL search.
        if (HMODULE library = LoadLibraryW(L"comctl32.dll")) {
            using Init = void(WINAPI*)();
            if (auto init = reinterpret_cast<Init>(GetProcAddress(library, "InitCommonControls"))) init();
        }
        return true;
    }();
    (void)done;
}
