#include "jvm/load.h"

#include <cstdlib>

#include "files/fileutil.h"
#include "format/config_ids.h"
#include "jvm/jvm_session.h"
#include "jvm/search.h"
#include "jvm/search_rules.h"
#include "log/diaglog.h"
#include "platform/dll_search.h"
#include "platform/win32.h"
#include "platform/win_text.h"

namespace {

// The launcher loads runtimes of its own word size and says so in its messages.
constexpr bool kIs64Bit = sizeof(void*) == 8;
constexpr const char* kBits = kIs64Bit ? "64" : "32";
constexpr int kEnvVarJvmBroken = kIs64Bit ? MessageId::EnvVarJvmBroken64 : MessageId::EnvVarJvmBroken32;
constexpr int kJvmDamaged = kIs64Bit ? MessageId::JvmDamaged64 : MessageId::JvmDamaged32;

// Sets PATH for the process and for the C runtime's copy of the environment.
void setPath(const std::string& value) {
    if (SetEnvironmentVariableA("PATH", value.c_str()))
        logInfo("Setting PATH %s", value.c_str());
    else
        logInfo("Setting PATH %s failed with error %lu", value.c_str(), GetLastError());
    _putenv(("PATH=" + value).c_str());
}

HMODULE tryJvmDll(const std::string& candidate) {
    const bool exists = fileExists(candidate);
    logInfo("Trying %s (exists %d)", candidate.c_str(), exists ? 1 : 0);
    // The libraries jvm.dll imports are looked for from its own directory
    // (and the runtime's bin directory on PATH), not from the launcher's.
    HMODULE library = LoadLibraryExA(candidate.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (exists && library == nullptr) logInfo("Failed with error code %lu", GetLastError());
    return library;
}

HMODULE loadJvmFromBinDir(const std::string& javaExecutable, const std::string& vmKindDirectory) {
    const std::string bin = binDirectoryOf(javaExecutable);
    std::string oldPath;
    environmentVariable("PATH", oldPath);
    setPath(oldPath + ";" + bin);
    RuntimeLibrariesFirst libraries(bin);
    for (const std::string& candidate : jvmDllCandidates(bin, vmKindDirectory))
        if (HMODULE library = tryJvmDll(candidate)) return library;
    setPath(oldPath);
    return nullptr;
}

HMODULE loadJvmLibrary(const std::string& javaExecutable, const std::string& vmKindDirectory) {
    if (HMODULE library = loadJvmFromBinDir(javaExecutable, vmKindDirectory)) return library;
    return loadJvmFromBinDir(alternativeJavaExecutable(javaExecutable), vmKindDirectory);
}

LaunchEnd loadFailure(JvmSource source, const std::string& home) {
    switch (source) {
        case JvmSource::SearchPath: return endWithMessage(MessageId::NoJvmFound, kBits);
        case JvmSource::EnvironmentVariable: return endWithMessage(kEnvVarJvmBroken, home);
        case JvmSource::Directory: return endWithMessage(kJvmDamaged, home);
        default: return endWithMessage(MessageId::JvmCouldNotStart);
    }
}

// Without a JVM the launcher has always returned from WinMain.
LaunchEnd noJvm(bool showErrors, LaunchEnd end) {
    if (!showErrors) end = endQuietly(kExitNoJvm);
    end.exitCode = kExitNoJvm;
    end.atOnce = false;
    return end;
}

}  // namespace

Outcome findJvm(const JavaSearchSettings& settings, bool showErrors, void (*expand)(std::string& text),
                FoundRuntime& found) {
    logInfo("LoadDLL (%d, %s, %d)", showErrors ? 1 : 0, "(null)", 0);
    found = searchJvm(settings, expand);
    if (found.source == JvmSource::UnpackFailed) return endWithMessage(MessageId::InternalError, "20");
    if (found.source == JvmSource::NotFound) {
        logError("No JVM found");
        return noJvm(showErrors, endWithMessage(MessageId::NoJvmFound, kBits));
    }
    return std::nullopt;
}

Outcome loadJvm(const JavaSearchSettings& settings, bool showErrors, const FoundRuntime& found) {
    const std::string& javaExecutable = found.javaExecutable;
    logInfo("Trying to load JVM-DLL from %s", javaExecutable.c_str());
    HMODULE library = loadJvmLibrary(javaExecutable, settings.vmKindDirectory);
    setJvmHomeFromJavaExecutable(javaExecutable);
    if (library == nullptr) logError("Could not get DLL-Handle.");
    void* entry = library ? reinterpret_cast<void*>(GetProcAddress(library, "JNI_CreateJavaVM")) : nullptr;
    if (entry != nullptr) {
        setCreateJavaVmEntry(entry);
        logInfo("Loading of JVM-DLL successful");
        return std::nullopt;
    }
    logError("Could not load functions");
    return noJvm(showErrors, loadFailure(found.source, found.home));
}
