// The pieces of single-instance coordination that other processes of the
// same executable see: the first instance's semaphore and its process id in
// the registry (HKCU\SOFTWARE\korvath\qarvo\pids\, one value per executable).
#pragma once

// True while the first instance's semaphore exists (or cannot be examined).
bool isFirstInstanceAlive();
// Records this process as the executable's first instance.
void registerInstancePid();
// The recorded first instance; 0 when no 4-byte value is found.
unsigned long readInstancePid();
