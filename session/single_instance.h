// Keeps an executable to one running instance; a second start hands its
// arguments to the first and ends the process.
#pragma once

#include <string>

void checkSingleInstance(bool consultConfiguration, bool notify);

// The name of the semaphore this process holds, or null when the check never
// ran (a language restart).
const std::string* semaphoreName();
