#include "launcher/early_arguments.h"

#include <string>

#include "config/run_state.h"
#include "files/fileutil.h"
#include "launcher/messages.h"
#include "log/diaglog.h"
#include "platform/common_controls.h"
#include "platform/win_text.h"

namespace {

// Offers to show the requested log file in Explorer.
void offerLogInExplorer() {
    const char* path = logFilePath();
    if (path == nullptr) return;
    const std::string question =
        std::string("The following log file will be created:\n\n") + path + "\n\nDo you want to open an Explorer window?";
    initCommonControlsOnce();
    if (MessageBoxA(nullptr, question.c_str(), productName(), MB_YESNO) != IDYES) return;
    std::string shortPath, windowsDirectory;
    fillGrowing(shortPath, [&](char* b, DWORD n) { return GetShortPathNameA(path, b, n); });
    if (shortPath.empty()) shortPath = path;
    fillGrowing(windowsDirectory, [](char* b, DWORD n) { return GetWindowsDirectoryA(b, n); });
    std::string command = windowsDirectory + "\\explorer.exe /select," + shortPath;
    logInfo("calling %s", command.c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process)) {
        logInfo("could not open explorer window %lu", GetLastError());
        return;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace

void openLogBeforeConfiguration(std::u16string_view commandLine) {
    if (logSwitchUnderBothRules(commandLine)) requestLogFile();
}

bool takeLogSwitch(ArgumentList& arguments) {
    if (arguments.size() < 2 || !isLogSwitch(arguments[1])) return false;
    arguments.erase(arguments.begin() + 1);
    requestLogFile();
    return true;
}

void applyEarlySettings(HINSTANCE instance, const LaunchConfig& config, bool logRequested) {
    // A service shows no box: nobody may be there to answer it.
    if (!config.showsMessageBoxes() || config.service.enabled) disableMessageBoxes();
    setLauncherInstance(instance);
    setProductKind(config.productKind);
    if (!languageRestart()) {
        if (!config.workingDirectory.empty()) {
            const std::string path = resolvePath(config.workingDirectory, true);
            SetCurrentDirectoryA(path.c_str());
            logInfo("change working directory to %s", path.c_str());
        } else {
            logInfo("working directory unchanged");
        }
    }
    if (logRequested && !config.service.enabled) offerLogInExplorer();
}
