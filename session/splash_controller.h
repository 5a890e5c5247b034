// The Java side's splash controller (com/qarvo/runtime/QarvoController), as
// the splash thread polls it.
#pragma once

#include <string>

enum class SplashAction { None, Hide, Text };

struct SplashPoll {
    SplashAction action = SplashAction::None;
    bool hasText = false;  // Text with a non-null string
    std::u16string text;
};

// Polls once. The controller is looked up on the first poll after the JVM
// exists (attaching the calling thread); while there is no JVM, and for good
// when the class or one of its methods is missing, the result is None.
SplashPoll pollSplashController();

// Detaches the calling thread from the JVM; nothing while there is none.
void releaseSplashController();
