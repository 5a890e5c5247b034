// Search for a Java runtime and loading of its jvm.dll.
#pragma once

#include <string>

#include "config/launch_config.h"
#include "jvm/runtime_search.h"
#include "platform/outcome.h"

// Exit code of a launch that found no usable JVM.
inline constexpr int kExitNoJvm = 83;

// Searches for a Java runtime. Ends the launch when there is none (with
// kExitNoJvm and, with showErrors, the message that says so) or when a packed
// runtime cannot be restored. expand expands the launcher's variables in the
// configured search locations.
[[nodiscard]] Outcome findJvm(const JavaSearchSettings& settings, bool showErrors, void (*expand)(std::string& text),
                              FoundRuntime& found);

// Loads the found runtime's JVM library and resolves its JNI_CreateJavaVM;
// otherwise ends the launch with kExitNoJvm and, with showErrors, the message
// that says why.
[[nodiscard]] Outcome loadJvm(const JavaSearchSettings& settings, bool showErrors, const FoundRuntime& found);
