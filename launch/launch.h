// JVM creation and the call of the Java-side runtime's main method.
#pragma once

#include "config/args.h"

// True after the application's main method returned (and, with
// destroyAfterMain, the JVM was destroyed).
bool launchApplication(const ArgumentList& arguments, bool destroyAfterMain);
