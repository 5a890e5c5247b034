// The splash screen shown while the application starts.
#pragma once

#include "config/launch_config.h"
#include "platform/win32.h"

// Before anything shows or hides the splash screen.
void configureSplash(const SplashSettings& settings);
void showSplash(int showCommand);
// Safe at any time, also when no splash was started.
void hideSplash();
// The splash window once shown, which owns the launcher's message boxes; it
// may have ended since (then IsWindow is false). Null before.
HWND messageOwner();
