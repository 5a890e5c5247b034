#include <cstdio>

#include "files/fileutil.h"
#include "format/config_ids.h"
#include "platform/common_controls.h"
#include "launcher/config.h"
#include "launcher/messages.h"
#include "launcher/run_state.h"
#include "platform/win_text.h"
#include "log/diaglog.h"

namespace {

bool restarted = false;
char kind = 'm';
HINSTANCE instanceHandle = nullptr;

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

bool languageRestart() { return restarted; }
void setLanguageRestart() { restarted = true; }
char productKind() { return kind; }
const char* productName() { return kind == 'q' ? "qarvo" : "morvantic"; }
HINSTANCE launcherInstance() { return instanceHandle; }

bool splitCommandLine(const std::wstring& commandLine, ArgumentList& out) {
    return splitArgumentText(toU16(commandLine), out);
}

void splitArguments(const std::string& text, std::vector<std::string>& out) {
    ArgumentList wide;
    if (!splitCommandLine(narrowToWide(text), wide)) fatalMessage(MessageId::InvalidParameters);
    for (const std::u16string& argument : wide) out.push_back(wideToNarrow(toWide(argument)));
}

void handleEarlyArguments(HINSTANCE instance, ArgumentList* arguments) {
    bool logRequested = false;
    if (arguments != nullptr && arguments->size() >= 2 && isLogSwitch((*arguments)[1])) {
        arguments->erase(arguments->begin() + 1);
        requestLogFile();
        logRequested = true;
    }
    loadEmbeddedConfig();
    instanceHandle = instance;
    const std::string kindText = configString(ConfigId::ProductKind);
    kind = kindText.empty() ? '\0' : kindText[0];
    if (!restarted) {
        const std::string directory = configString(ConfigId::WorkingDirectory);
        if (!directory.empty()) {
            const std::string path = resolvePath(directory, true);
            SetCurrentDirectoryA(path.c_str());
            logInfo("change working directory to %s", path.c_str());
        } else {
            logInfo("working directory unchanged");
        }
    }
    if (logRequested) offerLogInExplorer();
}
