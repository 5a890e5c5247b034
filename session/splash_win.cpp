// The splash screen: the launcher's own window on a thread of its own, or the
// Java runtime's splash library.
#include "session/splash.h"

#include <atomic>
#include <string>

#include "config/run_state.h"
#include "format/resource_ids.h"
#include "jvm/jvm_session.h"
#include "log/diaglog.h"
#include "platform/common_controls.h"
#include "platform/win32.h"
#include "platform/win_text.h"
#include "session/splash_controller.h"
#include "session/splash_rules.h"
#include "session/window_activation.h"

namespace {

// The window shown last, for message boxes to be owned by.
std::atomic<HWND> shownWindow{nullptr};

const char* const kWindowClass = "QarvoSplashScreen";
constexpr UINT kPollMs = 100;
constexpr UINT_PTR kTimerId = 9962;

struct TextLine : SplashTextLine {
    HFONT font = nullptr;  // made on the first paint
};

// The settings are set once after the configuration's load, before any
// splash is shown or hidden. The rest is made before the window exists;
// afterwards only the splash thread touches it.
struct OwnWindow {
    SplashSettings settings;
    HWND window = nullptr;
    TextLine status, second;  // the status line's text changes
    UINT_PTR timer = 0;
};

OwnWindow& own() {
    static OwnWindow w;
    return w;
}

SplashGate& gate() {
    static SplashGate g;
    return g;
}

bool throughRuntime() { return own().settings.throughRuntime; }

HINSTANCE instance() { return launcherInstance() != nullptr ? launcherInstance() : GetModuleHandleA(nullptr); }

void prepare(OwnWindow& w) {
    w.status = {w.settings.status};
    w.second = {w.settings.second};
}

// ------------------------------------------------------------ painting

HFONT makeFont(const TextLine& line, HDC device) {
    return CreateFontA(fontHeight(line.size, GetDeviceCaps(device, LOGPIXELSY)), 0, 0, 0, line.weight, FALSE, FALSE,
                       FALSE, 0, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS | DEFAULT_PITCH,
                       line.face.c_str());
}

void drawBitmap(HDC target, int width, int height) {
    HBITMAP image = LoadBitmapA(instance(), MAKEINTRESOURCEA(ResourceId::SplashBitmap));
    if (image == nullptr) return;
    HDC source = CreateCompatibleDC(target);
    HGDIOBJ previous = SelectObject(source, image);
    BitBlt(target, 0, 0, width, height, source, 0, 0, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
    DeleteObject(image);
}

void drawLine(HDC target, const TextLine& line) {
    SetTextColor(target, line.color);
    SelectObject(target, line.font);
    TextOutA(target, line.x, line.y, line.text.data(), static_cast<int>(line.text.size()));
}

void paintInto(HDC memory, const OwnWindow& w) {
    RECT all{0, 0, w.settings.width, w.settings.height};
    FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    drawBitmap(memory, w.settings.width, w.settings.height);
    const int previousMode = SetBkMode(memory, TRANSPARENT);
    const COLORREF previousColor = GetTextColor(memory);
    HGDIOBJ previousFont = GetCurrentObject(memory, OBJ_FONT);
    drawLine(memory, w.status);
    drawLine(memory, w.second);
    SelectObject(memory, previousFont);
    SetBkMode(memory, previousMode);
    SetTextColor(memory, previousColor);
}

// Double-buffered: everything is drawn into a memory bitmap, then copied.
void paint(HWND window) {
    OwnWindow& w = own();
    PAINTSTRUCT ps;
    HDC device = BeginPaint(window, &ps);
    if (w.status.font == nullptr) {
        w.status.font = makeFont(w.status, device);
        w.second.font = makeFont(w.second, device);
    }
    HDC memory = CreateCompatibleDC(device);
    HBITMAP buffer = CreateCompatibleBitmap(device, w.settings.width, w.settings.height);
    HGDIOBJ previous = SelectObject(memory, buffer);
    paintInto(memory, w);
    BitBlt(device, 0, 0, w.settings.width, w.settings.height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteObject(buffer);
    DeleteDC(memory);
    EndPaint(window, &ps);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY: PostQuitMessage(0); return 0;
        case WM_PAINT: paint(window); return 0;
        case WM_ERASEBKGND: return 1;
        default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

// ------------------------------------------------------------ splash thread

// Replaces the status line and repaints at once.
void setSplashStatusText(const std::u16string& text) {
    if (!gate().started()) return;
    OwnWindow& w = own();
    w.status.text = wideToNarrow(text);
    InvalidateRect(w.window, nullptr, FALSE);
    UpdateWindow(w.window);
}

void endSplashThread() {
    releaseSplashController();
    KillTimer(nullptr, own().timer);
    DestroyWindow(own().window);
}

void pollController() {
    const SplashPoll poll = pollSplashController();
    if (poll.action == SplashAction::Hide) {
        hideSplash();
        endSplashThread();
    } else if (poll.action == SplashAction::Text && poll.hasText) {
        setSplashStatusText(poll.text);
    }
}

void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) {
    OwnWindow& w = own();
    if (!IsWindowVisible(w.window)) {
        endSplashThread();
        return;
    }
    if (w.settings.autoOff && countProcessWindows(GetCurrentProcessId(), w.settings.hasConsole) > 1) {
        logInfo("Splash screen auto off");
        hideSplash();
        endSplashThread();
        return;
    }
    pollController();
}

void registerWindowClass() {
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance();
    windowClass.hIcon = LoadIconA(instance(), MAKEINTRESOURCEA(ResourceId::SplashIcon));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);
}

HWND createWindow(const OwnWindow& w) {
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    const SplashPlacement at = centredOn(desktop.left, desktop.top, desktop.right, desktop.bottom, w.settings.width,
                                         w.settings.height);
    // Topmost from its creation: made so only once shown, it could be seen
    // (and covered) for a moment as an ordinary window.
    return CreateWindowExA(w.settings.topmost ? WS_EX_TOPMOST : 0, kWindowClass, w.settings.title.c_str(), WS_POPUP,
                           at.x, at.y, w.settings.width, w.settings.height, nullptr, nullptr, instance(), nullptr);
}

// Shows the window under the gate, so that a hide from another thread comes
// either before it (no window is shown) or after it (the window is hidden).
bool showWindow(HWND window, int showCommand) {
    return gate().publish(window, [&] {
        shownWindow = window;
        ShowWindow(window, showCommand);
        logInfo("Splash screen visible");
    });
}

DWORD WINAPI splashThread(LPVOID parameter) {
    logInfo("Showing splash screen");
    if (!gate().mayStart()) return 0;
    logInfo("Initializing splash screen");
    OwnWindow& w = own();
    prepare(w);
    registerWindowClass();
    w.window = createWindow(w);
    if (w.window == nullptr) {
        logError("could not create the splash window %lu", GetLastError());
        return 0;
    }
    if (!showWindow(w.window, static_cast<int>(reinterpret_cast<INT_PTR>(parameter)))) {
        DestroyWindow(w.window);
        return 0;
    }
    w.timer = SetTimer(nullptr, kTimerId, kPollMs, onTimer);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<DWORD>(message.wParam);
}

void startSplashThread(int showCommand) {
    logInfo("Starting splash screen thread");
    HANDLE thread = CreateThread(nullptr, 0, splashThread, reinterpret_cast<LPVOID>(static_cast<INT_PTR>(showCommand)),
                                 0, nullptr);
    if (thread != nullptr) CloseHandle(thread);
}

void hideOwnWindow() {
    logInfo("Hiding splash screen");
    HWND window = static_cast<HWND>(gate().hide());
    if (window == nullptr) return;
    ShowWindow(window, SW_HIDE);
    DWORD foregroundProcess = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &foregroundProcess);
    if (foregroundProcess != GetCurrentProcessId()) activateProcessWindows(GetCurrentProcessId(), false);
}

// ------------------------------------------------------------ runtime's library

using SplashInitFunction = void (*)();
using SplashLoadMemoryFunction = int (*)(void*, int);
using SplashCloseFunction = void (*)();

// Started once the library was given the image; closed at most once.
struct RuntimeLibrary {
    std::atomic<SplashCloseFunction> close{nullptr};
    std::atomic<bool> closed{false};
};

RuntimeLibrary& runtimeLibrary() {
    static RuntimeLibrary library;
    return library;
}

template <typename Function>
Function entry(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

void handImageTo(SplashLoadMemoryFunction loadMemory) {
    HRSRC resource = FindResourceA(instance(), MAKEINTRESOURCEA(ResourceId::SplashImage), MAKEINTRESOURCEA(10));
    HGLOBAL loaded = resource != nullptr ? LoadResource(instance(), resource) : nullptr;
    void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    const DWORD size = resource != nullptr ? SizeofResource(instance(), resource) : 0;
    if (data == nullptr) {
        logError("no splash image resource");
        return;
    }
    const int result = loadMemory(data, static_cast<int>(size));
    logInfo("splash load memory returned %d (%p, %p, %lu)", result, static_cast<void*>(resource), data, size);
}

void showThroughRuntimeLibrary() {
    RuntimeLibrary& state = runtimeLibrary();
    if (state.close != nullptr) return;
    const std::string path = jvmHome() + "\\bin\\splashscreen.dll";
    logInfo("loading splashscreen dll from %s", path.c_str());
    // Its own imports come from the runtime, not from the launcher's directory.
    HMODULE library = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (library == nullptr) {
        logError("Could not load splashscreen.dll");
        return;
    }
    auto close = entry<SplashCloseFunction>(library, "SplashClose");
    auto init = entry<SplashInitFunction>(library, "SplashInit");
    auto loadMemory = entry<SplashLoadMemoryFunction>(library, "SplashLoadMemory");
    if (close == nullptr || init == nullptr || loadMemory == nullptr) {
        logError("Could not find functions in splashscreen.dll");
        return;
    }
    init();
    handImageTo(loadMemory);
    state.close = close;
}

// The library's splash is closed once, on an error path.
void closeRuntimeLibrarySplash() {
    RuntimeLibrary& state = runtimeLibrary();
    SplashCloseFunction close = state.close;
    if (close != nullptr && !state.closed.exchange(true)) close();
}

}  // namespace

void configureSplash(const SplashSettings& configured) { own().settings = configured; }

void showSplash(int showCommand) {
    if (showCommand == 0) {
        hideSplash();
    } else if (throughRuntime()) {
        showThroughRuntimeLibrary();
    } else {
        // Here, before the thread exists: loading them on the splash thread
        // while the main thread shows a message box hung the launcher.
        initCommonControlsOnce();
        startSplashThread(showCommand);
    }
}

void hideSplash() {
    if (throughRuntime())
        closeRuntimeLibrarySplash();
    else
        hideOwnWindow();
}

HWND messageOwner() { return shownWindow.load(); }
