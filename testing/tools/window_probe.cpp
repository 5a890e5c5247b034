// Test helper for windows under Xvfb. Prints UTF-8 lines, one fact each.
//   window-probe find CLASS SECONDS     waits for a visible top-level window of
//                                       the class: "rect L T R B", "topmost 0|1",
//                                       "minimised 0|1", "title T", "pid N"; exit 2
//                                       when none came
//   window-probe gone CLASS SECONDS     waits until no window of the class is
//                                       visible; exit 2 when one still is
//   window-probe watch CLASS SECONDS    polls every 5 ms: "seen" when a window of
//                                       the class was ever visible, else "never"
//   window-probe cover L T R B SECONDS  shows a white window over the rectangle,
//                                       brought to the front, for SECONDS
//   window-probe foreground             "class C", "pid N" of the foreground window
//   window-probe zorder                 "window CLASS" for each visible top-level
//                                       window, from the top of the z-order down
//   window-probe launch SHOW EXE [ARGS...]  starts EXE with that show command,
//                                       waits and exits with its exit code
//   window-probe session SECONDS        keeps a top-level window for SECONDS and
//                                       prints "query-end-session" and
//                                       "end-session N" as the session ends
#include "platform/win32.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string utf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring wide(const char* text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring out(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), n);
    return out;
}

HWND visibleWindowOf(const char* className) {
    HWND window = FindWindowA(className, nullptr);
    while (window != nullptr && !IsWindowVisible(window)) window = FindWindowExA(nullptr, window, className, nullptr);
    return window;
}

int find(const char* className, int seconds) {
    for (int i = 0; i < seconds * 20; ++i) {
        if (HWND window = visibleWindowOf(className)) {
            RECT r;
            GetWindowRect(window, &r);
            wchar_t title[512] = {};
            GetWindowTextW(window, title, 512);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            std::printf("rect %ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
            std::printf("topmost %d\n", (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0);
            std::printf("minimised %d\n", IsIconic(window) ? 1 : 0);
            std::printf("title %s\n", utf8(title).c_str());
            std::printf("pid %lu\n", pid);
            return 0;
        }
        Sleep(50);
    }
    std::printf("no window\n");
    return 2;
}

int gone(const char* className, int seconds) {
    for (int i = 0; i < seconds * 20; ++i) {
        if (visibleWindowOf(className) == nullptr) {
            std::printf("gone\n");
            return 0;
        }
        Sleep(50);
    }
    std::printf("still visible\n");
    return 2;
}

int watch(const char* className, int seconds) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        if (visibleWindowOf(className) != nullptr) {
            std::printf("seen\n");
            return 0;
        }
        Sleep(5);
    }
    std::printf("never\n");
    return 0;
}

// A message loop that ends after the given time.
void CALLBACK endPumping(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); }

int pumpFor(int seconds) {
    SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, endPumping);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

int cover(int left, int top, int right, int bottom, int seconds) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = L"QarvoTestCover";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"cover", WS_POPUP | WS_VISIBLE, left, top,
                                  right - left, bottom - top, nullptr, nullptr, windowClass.hInstance, nullptr);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(window);
    std::printf("covering\n");
    std::fflush(stdout);
    return pumpFor(seconds);
}

LRESULT CALLBACK sessionProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_QUERYENDSESSION) {
        std::printf("query-end-session\n");
        std::fflush(stdout);
        return TRUE;
    }
    if (message == WM_ENDSESSION) {
        std::printf("end-session %d\n", wParam ? 1 : 0);
        std::fflush(stdout);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int session(int seconds) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = sessionProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QarvoTestSession";
    RegisterClassW(&windowClass);
    CreateWindowExW(0, windowClass.lpszClassName, L"session", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                    windowClass.hInstance, nullptr);
    std::printf("waiting\n");
    std::fflush(stdout);
    return pumpFor(seconds);
}

BOOL CALLBACK printVisible(HWND window, LPARAM) {
    if (!IsWindowVisible(window)) return TRUE;
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    std::printf("window %s\n", utf8(name).c_str());
    return TRUE;
}

int zorder() {
    EnumWindows(printVisible, 0);
    return 0;
}

int foreground() {
    HWND window = GetForegroundWindow();
    wchar_t name[256] = {};
    if (window != nullptr) GetClassNameW(window, name, 256);
    DWORD pid = 0;
    if (window != nullptr) GetWindowThreadProcessId(window, &pid);
    std::printf("class %s\npid %lu\n", utf8(name).c_str(), pid);
    return 0;
}

int launch(int showCommand, int argc, char** argv) {
    std::wstring command;
    for (int i = 0; i < argc; ++i) command += (i ? L" \"" : L"\"") + wide(argv[i]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        std::printf("cannot start (%lu)\n", GetLastError());
        return 125;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "find" && argc > 3) return find(argv[2], std::atoi(argv[3]));
    if (command == "gone" && argc > 3) return gone(argv[2], std::atoi(argv[3]));
    if (command == "watch" && argc > 3) return watch(argv[2], std::atoi(argv[3]));
    if (command == "cover" && argc > 6)
        return cover(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]));
    if (command == "foreground") return foreground();
    if (command == "zorder") return zorder();
    if (command == "session" && argc > 2) return session(std::atoi(argv[2]));
    if (command == "launch" && argc > 3) return launch(std::atoi(argv[2]), argc - 3, argv + 3);
    std::fprintf(stderr, "usage: window-probe find|gone|watch|cover|foreground|zorder|launch|session ...\n");
    return 64;
}
