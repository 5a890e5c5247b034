#include "testing/fakejre/fake_app.h"

#include <cstdlib>
#include <fstream>
#include <filesystem>
#include <mutex>

#include "testing/fakejre/fake_common.h"

namespace fakeapp {

namespace {

struct Controller {
    std::mutex lock;
    bool hide = false;
    bool hasText = false;
    std::wstring text;
};

Controller& controller() {
    static Controller c;
    return c;
}

using fakejre::fromUtf8;
using fakejre::toUtf8;

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// ---------------------------------------------------------------- windows

std::vector<HWND> windows;

struct WindowRequest {
    std::wstring title;
    HANDLE ready;
    HWND window = nullptr;
};

DWORD WINAPI windowThread(LPVOID parameter) {
    WindowRequest& request = *static_cast<WindowRequest*>(parameter);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = CreateSolidBrush(RGB(255, 0, 255));
    windowClass.lpszClassName = L"QarvoTestApp";
    RegisterClassW(&windowClass);
    request.window = CreateWindowExW(0, L"QarvoTestApp", request.title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60,
                                     60, 320, 240, nullptr, nullptr, windowClass.hInstance, nullptr);
    SetEvent(request.ready);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

void showWindow(const std::wstring& title, const Context& context) {
    WindowRequest* request = new WindowRequest{title, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    HANDLE thread = CreateThread(nullptr, 0, windowThread, request, 0, nullptr);
    WaitForSingleObject(request->ready, 30000);
    CloseHandle(thread);
    windows.push_back(request->window);
    context.record("app window " + toUtf8(title));
}

// ---------------------------------------------------------------- notifications

bool readAll(const std::wstring& path, std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bytes.clear();
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
    CloseHandle(file);
    return true;
}

bool complete(const std::string& bytes) {
    return bytes.size() >= 2 && bytes.size() % 2 == 0 && bytes[bytes.size() - 2] == '\n' && bytes.back() == '\0';
}

void consume(int count, DWORD milliseconds, const Context& context) {
    if (context.commFile.empty()) {
        context.record("app consume: no qarvo.processCommFile");
        return;
    }
    const DWORD start = GetTickCount();
    int taken = 0;
    while (taken < count && GetTickCount() - start < milliseconds) {
        std::string bytes;
        if (!readAll(context.commFile, bytes) || !complete(bytes) || !DeleteFileW(context.commFile.c_str())) {
            Sleep(20);
            continue;
        }
        ++taken;
        const std::wstring copy = context.directory + L"notification-" + std::to_wstring(taken) + L".bin";
        std::ofstream(std::filesystem::path(copy), std::ios::binary) << bytes;
        std::wstring text(bytes.size() / 2 - 1, L'\0');
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                           static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
        context.record("notification " + std::to_string(taken) + " " + std::to_string(bytes.size()) + " " +
                       toUtf8(text));
    }
    context.record("app consumed " + std::to_string(taken));
}

// ---------------------------------------------------------------- steps

std::vector<std::string> fields(const std::string& step) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        const size_t colon = step.find(':', start);
        out.push_back(step.substr(start, colon - start));
        if (colon == std::string::npos) return out;
        start = colon + 1;
    }
}

void runStep(const std::string& step, const Context& context) {
    const std::vector<std::string> f = fields(step);
    const std::string& name = f[0];
    const auto number = [&f](size_t i) { return i < f.size() ? std::strtoul(f[i].c_str(), nullptr, 10) : 0ul; };
    if (name == "sleep") {
        Sleep(number(1));
    } else if (name == "wait") {
        const std::wstring file = context.directory + fromUtf8(f.size() > 1 ? f[1] : "");
        for (DWORD start = GetTickCount(); !exists(file) && GetTickCount() - start < number(2);) Sleep(20);
    } else if (name == "text") {
        std::lock_guard<std::mutex> guard(controller().lock);
        if (!controller().hide) {
            controller().text = fromUtf8(step.substr(5));
            controller().hasText = true;
        }
    } else if (name == "hide") {
        std::lock_guard<std::mutex> guard(controller().lock);
        controller().hide = true;
        controller().hasText = false;
    } else if (name == "window") {
        showWindow(fromUtf8(step.substr(7)), context);
    } else if (name == "minimise") {
        for (HWND window : windows) ShowWindow(window, SW_MINIMIZE);
    } else if (name == "consume") {
        consume(static_cast<int>(number(1)), number(2), context);
    }
}

}  // namespace

void run(const std::vector<std::string>& steps, const Context& context) {
    for (const std::string& step : steps) {
        context.record("app " + step);
        runStep(step, context);
    }
    context.record("app done");
}

int action() {
    std::lock_guard<std::mutex> guard(controller().lock);
    return controller().hide ? 1 : controller().hasText ? 2 : 0;
}

bool takeText(std::wstring& text) {
    std::lock_guard<std::mutex> guard(controller().lock);
    if (!controller().hasText) return false;
    text = controller().text;
    controller().hasText = false;
    return true;
}

}  // namespace fakeapp
