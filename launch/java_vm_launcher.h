// JVM creation through the JNI invocation interface and the call of the
// Java-side runtime's static main method. Only JNI is used here, so the same
// code runs against any JVM library, on Windows and on the build host.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "config/args.h"
#include "jvm/jvm_session.h"
#include "launch/vm_options.h"

// What the JVM calls on System.exit with the code, instead of ending the
// process itself; it must end the process.
using ExitHook = void(JNICALL*)(jint code);

// Creates the JVM from the session's create entry with the options (class
// path last), which the session keeps, and the exit hook when there is one.
// True when it was created; the session then holds vm and env, and created
// is set.
bool createJvm(VmOptionList options, ExitHook exitHook = nullptr);

enum class MainCallResult {
    Returned,               // main returned normally
    StoppedByFirstRun,      // the first-run hook said not to call main
    ArgumentsInvalid,       // message 1007: the arguments could not be built
    ClassNotFound,          // message 1010
    MethodNotFound,         // message 1011
    FirstRunClassNotFound,  // message 1009 "14"
    FirstRunMethodNotFound, // message 1009 "15"
    Threw,                  // an exception came out of main (already described)
    ArrayNotCreated,        // the JVM could not make the argument array
    StringNotCreated,       // nor one of its strings
};

struct MainCall {
    std::string launcherClass;  // with dots or slashes
    // Product kind m: the first-run hook runs when its marker exists.
    bool firstRunHook = false;
    std::function<bool()> firstRunMarkerExists;
    // Built after the class and its main method were found; none when a
    // configured text cannot be split.
    std::function<std::optional<ArgumentList>()> arguments;
    // An argument as the log shows it (characters without a narrow form as "?").
    std::function<std::string(const std::u16string&)> logText;
};

// Calls launcherClass.main(String[]) on the main thread's env; returns when
// main has returned.
MainCallResult callLauncherMain(const MainCall& call);

enum class FirstRunResult { Go, Stop, ClassNotFound, MethodNotFound };

// FirstRun.firstRun() when the marker exists; Go when it does not.
FirstRunResult checkFirstRun(JNIEnv* env, bool markerExists);

// DestroyJavaVM: returns once every non-daemon Java thread has ended.
void destroyJvm();
