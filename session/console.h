// Console switches, the native library path and the reboot request.
#pragma once

// True when a console is attached (or already was).
bool attachOrAllocateConsole();
void addNativeLibraryPath();
void rebootSystem();
