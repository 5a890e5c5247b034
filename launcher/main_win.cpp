// Entry point: one launch, in a fixed order, on the main thread. Each step
// returns how it ended; only this sequence shows a failure and ends the
// process.
#include <cstring>
#include <string>

#include "config/args.h"
#include "config/launch_config.h"
#include "config/run_state.h"
#include "files/extract.h"
#include "files/tempdir.h"
#include "format/config_ids.h"
#include "jvm/load.h"
#include "launch/class_data_sharing.h"
#include "launch/launch.h"
#include "launch/variables.h"
#include "launcher/early_arguments.h"
#include "launcher/messages.h"
#include "platform/common_controls.h"
#include "platform/dll_search.h"
#include "platform/outcome.h"
#include "platform/win_text.h"
#include "platform/win32.h"
#include "session/console.h"
#include "session/native_path.h"
#include "service/service.h"
#include "session/reboot.h"
#include "session/single_instance.h"
#include "session/splash.h"

namespace {

// Read once at the start; each step takes its part of it.
constinit LaunchConfig config;
// The process's arguments, the program first, as the configured rules split them.
ArgumentList arguments;
int showCommand = SW_SHOWNORMAL;

bool startsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

// Shows what the end says and ends the process at once: the splash thread
// may still run, so no static destructors.
[[noreturn]] void endLaunch(const LaunchEnd& end) {
    leaveNothingBehind();
    showLaunchEnd(end, config.messages);
    serviceEnding(end.exitCode);
    ExitProcess(static_cast<UINT>(end.exitCode));
}

// Returns from WinMain only for an end that is not at once.
int finish(const LaunchEnd& end) {
    if (end.atOnce) endLaunch(end);
    leaveNothingBehind();
    showLaunchEnd(end, config.messages);
    return end.exitCode;
}

// "-q" and "-c" (entry 154) and "-console" (entries 154 or 156). The
// arguments stay in the list; the application receives them too. False when
// "-c" found no console.
bool handleConsoleSwitches(const ConsoleSwitches& switches, const ArgumentList& arguments) {
    const bool quietAndConsole = switches.quietAndConsole;
    if (!quietAndConsole && !switches.consoleOnly) return true;
    for (const std::u16string& argument : arguments) {
        if (quietAndConsole && argument == u"-q") {
            disableMessageBoxes();
        } else if (argument == u"-console") {
            attachOrAllocateConsole();
        } else if (quietAndConsole && argument == u"-c") {
            disableMessageBoxes();
            if (!attachOrAllocateConsole()) return false;
            break;
        }
    }
    return true;
}

// A fixed box, whatever the configuration and "-q" say; the C runtime's exit.
int consoleUnavailable() {
    initCommonControlsOnce();
    MessageBoxA(nullptr, "Error: Could not allocate console.", "morvantic", MB_OK);
    return 1;
}

// The configuration, the command line split by the rules it names, and the
// settings that apply at once. The splash screen learns its kind first:
// showing any failure hides it, also one of a damaged block. False in valid
// for an unclosed quote under the classic rules.
Outcome loadConfiguration(HINSTANCE instance, ArgumentList& arguments, bool& valid) {
    const std::u16string commandLine = fromWide(GetCommandLineW());
    openLogBeforeConfiguration(commandLine);
    Outcome end = loadLaunchConfig(config);
    configureSplash(config.splash);
    valid = splitProcessCommandLine(commandLine, config.commandLineRules, arguments);
    const bool logRequested = takeLogSwitch(arguments);
    if (!end) applyEarlySettings(instance, config, logRequested);
    return end;
}

// The run sequence after the configuration: each stage in turn, on the main
// thread or, for a service, on the thread the service controller gives it.
int runStages() {
    if (!languageRestart())
        if (Outcome end = checkSingleInstance(config.singleInstance, true, true)) return finish(*end);
    if (config.splash.enabled && !config.splash.throughRuntime) showSplash(showCommand);
    if (Outcome end = extractIncludedFiles(config.included, true)) return finish(*end);
    addNativeLibraryPath(config.nativeLibraryDirectories, expandVariables);
    FoundRuntime runtime;
    if (Outcome end = findJvm(config.java, true, expandVariables, runtime)) return finish(*end);
    if (Outcome end = loadJvm(config.java, true, runtime)) return finish(*end);
    if (config.splash.enabled && config.splash.throughRuntime) showSplash(showCommand);
    if (Outcome end = launchApplication(config.application, arguments, runtime, true)) return finish(*end);
    leaveNothingBehind();
    return 0;
}

// A service executable: its commands, or the stages as the service. It
// never shows a box: nobody may be there to answer it.
int runService() {
    int exitCode = 0;
    if (runServiceCommand(config, arguments, exitCode)) return exitCode;
    disableMessageBoxes();
    setMessageObserver(reportServiceMessage);
    return runAsService(config.service, runStages);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandText, int show) {
    // Started by an earlier launch to make its ahead-of-time cache.
    if (runAotHelper()) return 0;
    showCommand = show;
    setFatalEndHandler(endLaunch);
    keepCurrentDirectoryOutOfDllSearch();
    const char* text = commandText != nullptr ? commandText : "";
    if (*text != '\0' && std::strcmp(text, "__mvt_reboot") == 0) {
        rebootSystem();
        return 0;
    }
    if (startsWith(text, "__mvt_lang_restart")) setLanguageRestart();
    if (startsWith(text, "-q_mvt_internal")) disableMessageBoxes();

    bool commandLineValid = true;
    if (Outcome end = loadConfiguration(instance, arguments, commandLineValid)) return finish(*end);
    // Reported only now: the message's text and caption come from the configuration.
    if (!commandLineValid) return finish(endWithMessage(MessageId::InvalidParameters));
    if (!handleConsoleSwitches(config.console, arguments)) return consoleUnavailable();
    if (config.service.enabled) return runService();
    return runStages();
}
