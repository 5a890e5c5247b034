// The splash screen shown while the application starts.
#pragma once

void showSplash(int showCommand);
// Safe at any time, also when no splash was started.
void hideSplash();
