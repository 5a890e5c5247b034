// The fake jvm.dll's bridge to a real HotSpot on the host (script line
// "main=bridge"): the launch the launcher made is run by fakejre-bridge
// (bridge/bridge_host.cpp) on a host JDK's libjvm.so, the options with their
// paths mapped to the host. Wine can neither wait for a host process nor read
// its exit code, so both sides talk through files in the temporary directory;
// README.md beside this file describes them.
#pragma once

#include <jni.h>

#include <string>
#include <vector>

namespace fakejvm::bridge {

// What the launcher gave JNI_CreateJavaVM (the hooks left out).
struct Launch {
    std::vector<std::string> options;  // ANSI code page, as the launcher gave them
    bool ignoreUnrecognized = false;
    jint version = 0;
};

// Where the host's side is and how the fake reports.
struct Settings {
    std::string directory;  // host path of bridge.sh and fakejre-bridge
    std::string jdk;        // the host JDK home to run (wins over java)
    std::string java;       // else the JDK of this host java executable
    void (*record)(const std::string& line) = nullptr;  // a transcript line
    void (*exit)(int code) = nullptr;  // System.exit(code) as the fake ends it: never returns
};

// JNI_CreateJavaVM on the host: starts the bridge and returns HotSpot's result.
jint create(const Launch& launch, const Settings& settings);

// The call of the runtime's main, made on the host with the same class,
// method, signature and arguments. Returns whether main threw (HotSpot has
// described the exception); when the host's JVM ends instead, this process
// ends with its exit code (0 too).
bool callMain(const std::string& className, const std::string& method, const std::string& signature,
              std::vector<std::wstring> arguments);

// How a call made on another thread ended on the host.
struct ThreadCallOutcome {
    bool threw = false;
    std::string description;  // the exception's toString() when it threw
};

// A call made on a thread other than the one that called main (a stop
// method, System.exit): made on the host on a thread of its own attached as
// a daemon, the arguments as the fields of the call file (a jint as decimal
// text). Returns once it returned or threw there. When the host's java ends
// first it does not return: for System.exit this process ends with the
// host's exit code, for any other call the main thread ends it.
ThreadCallOutcome callOnThread(const std::string& className, const std::string& method, const std::string& signature,
                               const std::vector<std::wstring>& arguments);

// DestroyJavaVM: waits until the host's java has ended; a code other than 0
// ends this process with it.
void awaitEnd();

// The launcher's process ends without having called main: the host's JVM ends too.
void launcherEnded();

}  // namespace fakejvm::bridge
