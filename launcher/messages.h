// Every user-visible failure goes through here: a message box with the
// caption of message 1000, or standard error for console-type executables,
// with the diagnostic log's path appended when there is a log.
#pragma once

#include <string>

#include "platform/win32.h"

void showError(const std::string& text);
void showMessage(int messageId, const char* argument = nullptr);
[[noreturn]] void fatalText(const std::string& text);
[[noreturn]] void fatalMessage(int messageId, const char* argument = nullptr);

bool messageBoxesEnabled();
void disableMessageBoxes();
void setMessageOwner(HWND owner);
