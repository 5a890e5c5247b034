// The piece of single-instance coordination that other processes of the same
// executable read: the first instance's process id in the registry
// (HKCU\SOFTWARE\korvath\qarvo\pids\, one value per executable).
#pragma once

#include <string>

// The executable's name there: its resolved, lower-case path (cached).
const std::string& instanceKey();
// Records this process as the executable's first instance.
void registerInstancePid();
// The recorded first instance; 0 when no 4-byte value is found.
unsigned long readInstancePid();
