// Every user-visible failure goes through here: a message box with the
// caption of message 1000, or standard error for console-type executables,
// with the diagnostic log's path appended when there is a log.
#pragma once

#include <string>

#include "platform/outcome.h"

void showError(const std::string& text);
void showMessage(int messageId, const char* argument = nullptr);
// What the end of a launch says, if anything.
void showLaunchEnd(const LaunchEnd& end);

bool messageBoxesEnabled();
void disableMessageBoxes();
