// What the JVM and the Java-side runtime are given: the launch properties that
// open the option list and the argument list of the runtime's main method,
// as functions of the facts gathered by the Win32 layer.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "config/args.h"

struct LaunchFacts {
    std::optional<std::string> semaphoreName;      // none when single-instance coordination did not run
    char productKind = 'q';
    std::string executablePath;
    std::optional<std::string> communicationFile;  // single-instance mode only
    CommandLineRules commandLine = CommandLineRules::Classic;  // how the file's arguments are split
    std::string extractionDirectory;               // empty when none was made
    bool languageRestart = false;
    int64_t unextractedPosition = 0;
    std::string path;                              // PATH as it is now
    std::optional<unsigned> consoleCodePage;       // none when MANPATH is defined
    std::string serviceName;                       // a service executable running as one
};

// "-Dname=value" options in their fixed order.
std::vector<std::string> launchProperties(const LaunchFacts& facts);

struct MainArgumentFacts {
    bool windowed = false;          // executable type 1
    std::u16string mainClass;       // as configured
    std::u16string errorFile;       // empty: standard error is not redirected
    std::u16string outputFile;      // empty: standard output is not redirected
    bool append = false;
    ArgumentList fixedArguments;    // the configured arguments, split
    bool javaOptionArguments = false;  // "-J" arguments are VM options, not application arguments
};

// The five launcher arguments, the program path (element 0 of the command
// line), the configured arguments and the command-line arguments.
ArgumentList launcherMainArguments(const MainArgumentFacts& facts, const ArgumentList& commandLine);

// A redirect file as given to the runtime: a text still beginning with "$"
// (a variable that did not expand) stays as it is, anything else is made
// absolute.
std::string redirectPath(const std::string& expanded, const std::function<std::string(const std::string&)>& resolve);

// The Java-side class whose main the launcher calls, in JNI form.
const char* runtimeLauncherClass(char productKind);
// "a.b.C" as "a/b/C".
std::string jniClassName(std::string name);
