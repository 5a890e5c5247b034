// Process-wide state of the run sequence.
#pragma once

#include <string>

#include "config/args.h"
#include "platform/win32.h"

// Set when the launcher restarted itself after a language change.
bool languageRestart();
void setLanguageRestart();

// The kind letter of entry 2001 ('q' or another) and the product name.
char productKind();
const char* productName();

HINSTANCE launcherInstance();

// Splits the process's command line; false on an unclosed quote. The caller
// reports message 1007 once the configuration that holds its text is loaded.
bool splitCommandLine(const std::wstring& commandLine, ArgumentList& out);
// The same for a narrow text from the configuration.
void splitArguments(const std::string& text, std::vector<std::string>& out);

// Log switch, configuration, product kind, working directory and the offer to
// show a requested log file in Explorer.
void handleEarlyArguments(HINSTANCE instance, ArgumentList* arguments);
