// Entry point: one launch, in a fixed order, on the main thread.
#include <cstdlib>
#include <cstring>
#include <string>

#include "config/config.h"
#include "config/run_state.h"
#include "files/extract.h"
#include "format/config_ids.h"
#include "jvm/load.h"
#include "launch/launch.h"
#include "launcher/early_arguments.h"
#include "launcher/messages.h"
#include "platform/common_controls.h"
#include "platform/win32.h"
#include "platform/win_text.h"

#include "session/console.h"
#include "session/native_path.h"
#include "session/reboot.h"
#include "session/single_instance.h"
#include "session/splash.h"

namespace {

constexpr int kExitNoJvm = 83;

bool startsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

// "-q" and "-c" (entry 154) and "-console" (entries 154 or 156). The
// arguments stay in the list; the application receives them too.
void handleConsoleSwitches(const ArgumentList& arguments) {
    const bool quietAndConsole = configInt(ConfigId::ConsoleSwitches) != 0;
    if (!quietAndConsole && configInt(ConfigId::ConsoleSwitchOnly) == 0) return;
    for (const std::u16string& argument : arguments) {
        if (quietAndConsole && argument == u"-q") {
            disableMessageBoxes();
        } else if (argument == u"-console") {
            attachOrAllocateConsole();
        } else if (quietAndConsole && argument == u"-c") {
            disableMessageBoxes();
            if (!attachOrAllocateConsole()) {
                initCommonControlsOnce();
                MessageBoxA(nullptr, "Error: Could not allocate console.", "morvantic", MB_OK);
                std::exit(1);
            }
            break;
        }
    }
}

// Libraries loaded by name, now or by anything the launcher loads later, are
// never looked for in the current directory, which the user may not own. Any
// DLL directory takes the current directory's place in the search; the
// system directory, searched anyway, adds nothing. (An empty one would do on
// Windows, but Wine takes an empty one for none and keeps searching the
// current directory.)
void keepCurrentDirectoryOutOfDllSearch() {
    std::wstring system;
    fillGrowing(system, [](wchar_t* b, DWORD n) { return GetSystemDirectoryW(b, n); });
    SetDllDirectoryW(system.empty() ? L"" : system.c_str());
}

bool splashEnabled() { return configInt(ConfigId::ShowSplash) != 0; }
bool splashThroughRuntime() { return configInt(ConfigId::SplashThroughRuntime) != 0; }

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandText, int showCommand) {
    keepCurrentDirectoryOutOfDllSearch();
    const char* text = commandText != nullptr ? commandText : "";
    if (*text != '\0' && std::strcmp(text, "__mvt_reboot") == 0) {
        rebootSystem();
        return 0;
    }
    if (startsWith(text, "__mvt_lang_restart")) setLanguageRestart();
    if (startsWith(text, "-q_mvt_internal")) disableMessageBoxes();

    ArgumentList arguments;
    const bool commandLineValid = splitCommandLine(GetCommandLineW(), arguments);
    handleEarlyArguments(instance, &arguments);
    // Reported only now: the message's text and caption come from the configuration.
    if (!commandLineValid) fatalMessage(MessageId::InvalidParameters);
    handleConsoleSwitches(arguments);
    if (!languageRestart()) checkSingleInstance(true, true);
    if (splashEnabled() && !splashThroughRuntime()) showSplash(showCommand);
    if (extractIncludedFiles(true) != 0) fatalMessage(MessageId::InternalError, "16");
    addNativeLibraryPath();
    if (!LoadDLL(true)) return kExitNoJvm;
    if (splashEnabled() && splashThroughRuntime()) showSplash(showCommand);
    if (!launchApplication(arguments, true)) fatalMessage(MessageId::JvmCouldNotStart);
    return 0;
}
