// Search for a Java runtime and loading of its jvm.dll.
#pragma once

#include <string>

#include "platform/outcome.h"

// Exit code of a launch that found no usable JVM.
inline constexpr int kExitNoJvm = 83;

// Loads the JVM library of the runtime the search finds and resolves its
// JNI_CreateJavaVM; otherwise ends the launch with kExitNoJvm and, with
// showErrors, the message that says why. expand expands the launcher's
// variables in the configured search locations.
[[nodiscard]] Outcome loadJvm(bool showErrors, void (*expand)(std::string& text));
