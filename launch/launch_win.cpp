// The last stage of the run sequence: the JVM's options, its creation and the
// call of the Java-side runtime's main method.
#include <cstdlib>

#include "config/config.h"
#include "config/run_state.h"
#include "files/extract.h"
#include "files/fileutil.h"
#include "files/tempdir.h"
#include "format/config_ids.h"
#include "launch/class_path.h"
#include "launch/java_vm_launcher.h"
#include "launch/launch.h"
#include "launch/launch_args.h"
#include "launch/variables.h"
#include "launch/vm_options.h"
#include "launcher/messages.h"
#include "log/diaglog.h"
#include "platform/win_text.h"
#include "session/single_instance.h"

namespace {

LaunchFacts currentFacts() {
    LaunchFacts facts;
    if (const std::string* name = semaphoreName()) facts.semaphoreName = *name;
    facts.productKind = productKind();
    facts.executablePath = executablePath();
    if (configInt(ConfigId::SingleInstance) != 0) facts.communicationFile = communicationFileName(GetCurrentProcessId());
    facts.extractionDirectory = extractionDirectory();
    facts.languageRestart = languageRestart();
    facts.unextractedPosition = unextractedPosition();
    environmentVariable("PATH", facts.path);
    if (std::getenv("MANPATH") == nullptr) facts.consoleCodePage = GetConsoleOutputCP();
    return facts;
}

std::u16string redirectArgument(int flagId, int fileId) {
    if (configInt(flagId) == 0) return std::u16string();
    std::string file = configString(fileId);
    expandVariables(file);
    const std::string path = redirectPath(file, [](const std::string& p) { return resolvePath(p, true); });
    return toU16(narrowToWide(path, fileCodePage()));
}

ArgumentList fixedArguments() {
    std::string text = configString(ConfigId::FixedArguments);
    expandVariables(text);
    ArgumentList pieces;
    if (!splitCommandLine(narrowToWide(text), pieces)) fatalMessage(MessageId::InvalidParameters);
    return pieces;
}

ArgumentList mainArguments(const ArgumentList& commandLine) {
    MainArgumentFacts facts;
    facts.windowed = configInt(ConfigId::ExecutableType) == 1;
    facts.mainClass = toU16(narrowToWide(configString(ConfigId::MainClass)));
    facts.errorFile = redirectArgument(ConfigId::RedirectStderr, ConfigId::StderrFile);
    facts.outputFile = redirectArgument(ConfigId::RedirectStdout, ConfigId::StdoutFile);
    facts.append = configInt(ConfigId::AppendRedirect) != 0;
    facts.fixedArguments = fixedArguments();
    facts.javaOptionArguments = configInt(ConfigId::JavaOptionArguments) != 0;
    return launcherMainArguments(facts, commandLine);
}

bool firstRunMarkerExists() {
    return fileExists(resolvePath(configString(ConfigId::AppRoot), true) + "\\.morvantic\\firstrun");
}

MainCall mainCall(const ArgumentList& commandLine) {
    MainCall call;
    call.launcherClass = runtimeLauncherClass(productKind());
    call.firstRunHook = productKind() == 'm';
    call.firstRunMarkerExists = firstRunMarkerExists;
    call.arguments = [&commandLine] { return mainArguments(commandLine); };
    call.logText = [](const std::u16string& text) { return wideToNarrow(toWide(text), fileCodePage()); };
    return call;
}

// The outcomes that end the process here; the others return.
void reportFatalOutcome(MainCallResult result) {
    switch (result) {
        case MainCallResult::ClassNotFound: fatalMessage(MessageId::MainClassNotLoaded);
        case MainCallResult::MethodNotFound: fatalMessage(MessageId::MainMethodNotFound);
        case MainCallResult::FirstRunClassNotFound: fatalMessage(MessageId::InternalError, "14");
        case MainCallResult::FirstRunMethodNotFound: fatalMessage(MessageId::InternalError, "15");
        case MainCallResult::ArrayNotCreated:
            fatalText("Assertion failed: paramArray, file src/c/windows/JavaVMLauncher, line 429");
        case MainCallResult::StringNotCreated:
            fatalText("Assertion failed: jstr, file src/c/windows/JavaVMLauncher, line 437");
        default: return;
    }
}

}  // namespace

bool launchApplication(const ArgumentList& arguments, bool destroyAfterMain) {
    logInfo("launching program");
    VmOptionList options = launchProperties(currentFacts());
    ClassPathOverrides overrides;
    collectVmOptions(arguments, options, overrides);
    options.push_back(buildClassPathOption(overrides));
    if (!createJvm(std::move(options))) return false;
    const MainCallResult result = callLauncherMain(mainCall(arguments));
    reportFatalOutcome(result);
    if (result == MainCallResult::Threw) {
        logError("could not call main");
        return false;
    }
    if (destroyAfterMain) destroyJvm();
    logInfo("launch done");
    return true;
}
