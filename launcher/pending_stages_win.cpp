// Stages of the run sequence that this build does not have yet: the JVM is
// never created, so the splash screen has no controller to poll.
#include "launch/launch.h"
#include "session/splash_controller.h"

bool launchApplication(const ArgumentList&, bool) { return false; }

SplashPoll pollSplashController() { return {}; }
void releaseSplashController() {}
