// Keeps an executable to one running instance; a second start hands its
// arguments to the first and ends its launch.
#pragma once

#include <string>

#include "config/launch_config.h"
#include "platform/outcome.h"

// Ends the launch of a second start (quietly, with exit code 0, once the
// first instance has its arguments) or when the hand-over fails.
// With consultConfiguration, only when the settings ask for one instance.
[[nodiscard]] Outcome checkSingleInstance(const SingleInstanceSettings& settings, bool consultConfiguration,
                                          bool notify);

// The name of the semaphore this process holds, or null when the check never
// ran (a language restart).
const std::string* semaphoreName();
