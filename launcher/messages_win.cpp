#include "launcher/messages.h"

#include <atomic>
#include <cstdio>

#include "files/fileutil.h"
#include "format/config_ids.h"
#include "launcher/message_text.h"
#include "log/diaglog.h"
#include "platform/common_controls.h"
#include "platform/win_text.h"
#include "session/splash.h"

namespace {

std::atomic<bool> boxesEnabled{true};
void (*messageObserver)(const std::u16string&) = nullptr;

std::u16string messageText(const MessageTexts& texts, int id) {
    const MessageText& text = texts.text(id);
    return text.wide ? text.wideText : narrowToWide(text.narrowText);
}

void writeToStandardError(const std::u16string& text) {
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode;
    if (err != nullptr && err != INVALID_HANDLE_VALUE && GetConsoleMode(err, &mode)) {
        std::fflush(stderr);
        DWORD written;
        WriteConsoleW(err, wideZ(text), static_cast<DWORD>(text.size()), &written, nullptr);
        WriteConsoleW(err, L"\n", 1, &written, nullptr);
        return;
    }
    std::fputs((wideToNarrow(text) + "\n").c_str(), stderr);
    std::fflush(stderr);
}

void showWide(const MessageTexts& texts, std::u16string text) {
    hideSplash();
    if (const char* path = logFilePath()) {
        std::string longPath;
        if (longPathName(path, longPath) == 0) longPath = path;
        text = withLogPath(text, narrowToWide(longPath));
    }
    if (messageObserver != nullptr) messageObserver(text);
    if (boxesEnabled) {
        const std::u16string caption = messageText(texts, MessageId::ErrorCaption);
        // The owner, the hidden splash window, ends with its thread at any
        // moment; a box it can no longer own is shown without an owner.
        // (Windows reports the failure as 0, Wine as -1.)
        initCommonControlsOnce();
        HWND boxOwner = messageOwner();
        if (boxOwner != nullptr && !IsWindow(boxOwner)) boxOwner = nullptr;
        if (MessageBoxW(boxOwner, wideZ(text), wideZ(caption), MB_ICONERROR | MB_OK) <= 0 && boxOwner != nullptr)
            MessageBoxW(nullptr, wideZ(text), wideZ(caption), MB_ICONERROR | MB_OK);
    } else {
        writeToStandardError(text);
    }
}

std::u16string substituted(const MessageTexts& texts, int id, const char* argument) {
    std::u16string text = messageText(texts, id);
    if (argument != nullptr) text = substituteFirstPlaceholder(text, narrowToWide(argument));
    return text;
}

}  // namespace

bool messageBoxesEnabled() { return boxesEnabled; }
void disableMessageBoxes() { boxesEnabled = false; }
void setMessageObserver(void (*observer)(const std::u16string& text)) { messageObserver = observer; }

void showLaunchEnd(const LaunchEnd& end, const MessageTexts& texts) {
    if (end.messageId != 0)
        showWide(texts, substituted(texts, end.messageId, end.argument ? end.argument->c_str() : nullptr));
    else if (!end.text.empty())
        showWide(texts, narrowToWide(end.text));
}
