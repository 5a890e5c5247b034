// Every user-visible failure goes through here: a message box with the
// caption of message 1000, or standard error for console-type executables,
// with the diagnostic log's path appended when there is a log.
#pragma once

#include <string>

#include "config/launch_config.h"
#include "platform/outcome.h"

// What the end of a launch says, if anything, in the configured texts.
void showLaunchEnd(const LaunchEnd& end, const MessageTexts& texts);

bool messageBoxesEnabled();
void disableMessageBoxes();

// Also told every message shown (a service reports them elsewhere).
void setMessageObserver(void (*observer)(const std::u16string& text));
