// The last stage of the run sequence: the JVM's options, its creation and the
// call of the Java-side runtime's main method.
#include <cstdlib>

#include "config/run_state.h"
#include "files/extract.h"
#include "files/fileutil.h"
#include "files/tempdir.h"
#include "format/config_ids.h"
#include "launch/class_data_sharing.h"
#include "launch/class_path.h"
#include "launch/java_vm_launcher.h"
#include "launch/launch.h"
#include "launch/launch_args.h"
#include "launch/module_launch.h"
#include "launch/variables.h"
#include "launch/vm_options.h"
#include "log/diaglog.h"
#include "platform/win_text.h"
#include "service/service.h"
#include "session/single_instance.h"

namespace {

LaunchFacts currentFacts(const ApplicationSettings& settings) {
    LaunchFacts facts;
    if (const std::string* name = semaphoreName()) facts.semaphoreName = *name;
    facts.productKind = productKind();
    facts.executablePath = executablePath();
    if (settings.singleInstance) facts.communicationFile = communicationFileName(GetCurrentProcessId());
    facts.commandLine = settings.commandLine;
    facts.extractionDirectory = extractionDirectory();
    facts.languageRestart = languageRestart();
    facts.unextractedPosition = unextractedPosition();
    environmentVariable("PATH", facts.path);
    if (std::getenv("MANPATH") == nullptr) facts.consoleCodePage = GetConsoleOutputCP();
    if (const char* service = runningServiceName()) facts.serviceName = service;
    return facts;
}

std::u16string redirectArgument(const RedirectSetting& redirect) {
    if (!redirect.enabled) return std::u16string();
    std::string file = redirect.file;
    expandVariables(file);
    const std::string path = redirectPath(file, [](const std::string& p) { return resolvePath(p, true); });
    return narrowToWide(path, fileCodePage());
}

// None when the text has an unclosed quote.
std::optional<ArgumentList> fixedArguments(std::string text) {
    expandVariables(text);
    ArgumentList pieces;
    if (!splitCommandLine(narrowToWide(text), pieces)) return std::nullopt;
    return pieces;
}

std::optional<ArgumentList> mainArguments(const ApplicationSettings& settings, const ArgumentList& commandLine) {
    MainArgumentFacts facts;
    facts.windowed = settings.windowed;
    facts.mainClass = narrowToWide(mainClassArgument(settings));
    facts.errorFile = redirectArgument(settings.errorOutput);
    facts.outputFile = redirectArgument(settings.standardOutput);
    facts.append = settings.appendRedirect;
    std::optional<ArgumentList> fixed = fixedArguments(settings.fixedArguments);
    if (!fixed) return std::nullopt;
    facts.fixedArguments = std::move(*fixed);
    facts.javaOptionArguments = settings.javaOptionArguments;
    return launcherMainArguments(facts, commandLine);
}

MainCall mainCall(const ApplicationSettings& settings, const ArgumentList& commandLine) {
    MainCall call;
    call.launcherClass = runtimeLauncherClass(productKind());
    call.firstRunHook = productKind() == 'm';
    call.firstRunMarkerExists = [&settings] { return fileExists(settings.applicationRoot + "\\.morvantic\\firstrun"); };
    call.arguments = [&settings, &commandLine] { return mainArguments(settings, commandLine); };
    call.logText = [](const std::u16string& text) { return wideToNarrow(text, fileCodePage()); };
    return call;
}

// The class-data archive this launch's JVM reads or writes.
constinit SharingArchive sharingArchive;

// System.exit: the JVM has stopped the application's threads and leaves
// the end of the process to us.
void JNICALL exitThroughHook(jint code) {
    logInfo("exit hook %ld", static_cast<long>(code));
    keepWrittenArchive(sharingArchive);
    leaveNothingBehind();
    serviceEnding(code);
    ExitProcess(static_cast<UINT>(code));
}

// The results that end the launch at once; the others go on.
Outcome endOfMainCall(MainCallResult result) {
    switch (result) {
        case MainCallResult::ClassNotFound: return endWithMessage(MessageId::MainClassNotLoaded);
        case MainCallResult::MethodNotFound: return endWithMessage(MessageId::MainMethodNotFound);
        case MainCallResult::FirstRunClassNotFound: return endWithMessage(MessageId::InternalError, "14");
        case MainCallResult::FirstRunMethodNotFound: return endWithMessage(MessageId::InternalError, "15");
        case MainCallResult::ArgumentsInvalid: return endWithMessage(MessageId::InvalidParameters);
        case MainCallResult::ArrayNotCreated:
            return endWithText("Assertion failed: paramArray, file src/c/windows/JavaVMLauncher, line 429");
        case MainCallResult::StringNotCreated:
            return endWithText("Assertion failed: jstr, file src/c/windows/JavaVMLauncher, line 437");
        default: return std::nullopt;
    }
}

}  // namespace

Outcome launchApplication(const ApplicationSettings& settings, const ArgumentList& arguments,
                          const FoundRuntime& runtime, bool destroyAfterMain) {
    logInfo("launching program");
    VmOptionList options = launchProperties(currentFacts(settings));
    if (Outcome end = addApplicationOptions(settings, options)) return end;
    ClassPathOverrides overrides;
    if (Outcome end = collectVmOptions(settings, arguments, options, overrides)) return end;
    std::string classPath;
    if (Outcome end = buildClassPathOption(settings, overrides, classPath)) return end;
    options.push_back(std::move(classPath));
    // Judged once every option source has been read.
    for (std::string& option : prepareClassDataSharing(settings.classDataSharing, settings.userOptionsFolder, options,
                                                       runtime.version, runtime.javaExecutable, extractionDirectory(),
                                                       sharingArchive))
        options.push_back(std::move(option));
    if (!createJvm(std::move(options), exitThroughHook)) {
        // A recording start keeps HotSpot's complaint to itself: the next ones do not record.
        keepWrittenArchive(sharingArchive);
        return endWithMessage(MessageId::JvmCouldNotStart);
    }
    startLeftoverSweep();
    serviceApplicationStarting();
    const MainCallResult result = callLauncherMain(mainCall(settings, arguments));
    if (Outcome end = endOfMainCall(result)) return end;
    if (result == MainCallResult::Threw) {
        logError("could not call main");
        return endWithMessage(MessageId::JvmCouldNotStart);
    }
    if (destroyAfterMain) {
        destroyJvm();
        keepWrittenArchive(sharingArchive);
    }
    logInfo("launch done");
    return std::nullopt;
}
