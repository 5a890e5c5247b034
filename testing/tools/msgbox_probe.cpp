// Test helper: waits for a message box (dialog class #32770) to appear, prints
// its caption and text as UTF-8 ("caption: ...", "text: ..."), then presses
// the given button (OK by default). Exit code 0 when a box was found, 2 when
// none appeared within the time limit.
//   msgbox-probe.exe [seconds] [ok|yes|no]
#include "platform/win32.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string utf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring windowText(HWND window) {
    int n = GetWindowTextLengthW(window);
    std::wstring text(n + 1, L'\0');
    n = GetWindowTextW(window, text.data(), n + 1);
    text.resize(n > 0 ? n : 0);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    int button = IDOK;
    if (argc > 2 && std::strcmp(argv[2], "yes") == 0) button = IDYES;
    if (argc > 2 && std::strcmp(argv[2], "no") == 0) button = IDNO;
    for (int waited = 0; waited < seconds * 10; ++waited) {
        HWND box = FindWindowW(L"#32770", nullptr);
        if (box != nullptr) {
            Sleep(200);  // let the box finish painting its controls
            HWND label = GetDlgItem(box, 0xFFFF);
            std::printf("caption: %s\n", utf8(windowText(box)).c_str());
            std::printf("text: %s\n", utf8(label ? windowText(label) : std::wstring()).c_str());
            std::fflush(stdout);
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
            return 0;
        }
        Sleep(100);
    }
    std::printf("no message box\n");
    return 2;
}
