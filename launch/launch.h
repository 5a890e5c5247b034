// JVM creation and the call of the Java-side runtime's main method.
#pragma once

#include "config/args.h"
#include "config/launch_config.h"
#include "jvm/runtime_search.h"
#include "platform/outcome.h"

// Returns after the application's main method returned (and, with
// destroyAfterMain, the JVM was destroyed); ends the launch when the JVM
// cannot be created or the Java-side main cannot be called.
// The runtime is the one the search found, with its version when known.
[[nodiscard]] Outcome launchApplication(const ApplicationSettings& settings, const ArgumentList& arguments,
                                        const FoundRuntime& runtime, bool destroyAfterMain);
