// Facts of this run that the run sequence sets early and later steps read.
#pragma once

#include "platform/win32.h"

// Set when the launcher restarted itself after a language change.
bool languageRestart();
void setLanguageRestart();

// The kind letter of entry 2001 ('q' or another) and the product name.
char productKind();
const char* productName();
void setProductKind(char kind);

HINSTANCE launcherInstance();
void setLauncherInstance(HINSTANCE instance);
