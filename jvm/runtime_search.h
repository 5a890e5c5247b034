// The search for a Java runtime as rules over what the machine shows: the
// sources around the configured search entries in their order, the fallback
// pass, the registry's sources and the well-known install directories. The
// Win32 layer implements RuntimeProbe; the host tests run the same rules over
// tables.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "jvm/search_rules.h"
#include "platform/system_queries.h"

// How the runtime was found; selects the message when its library fails.
// UnpackFailed: a packed runtime could not be restored, and the search stopped there.
enum class JvmSource { NotFound = 0, SearchPath = 1, Directory = 2, EnvironmentVariable = 3, Registry = 4, UnpackFailed = 5 };

struct FoundRuntime {
    JvmSource source = JvmSource::NotFound;
    std::string javaExecutable;
    std::string home;  // the location as configured (directory or variable name)
    std::string version;  // as its check learned it; empty when not known
};

struct SearchSettings {
    std::vector<SearchEntry> entries;
    std::string minimum;
    std::string maximum;
    bool jdkRequired = false;
    std::string installationId;
    bool is64Bit = false;  // the launcher's own word size
};

// What the search asks of the machine: the files, environment and registry
// every portable rule asks about, and the search's own questions.
class RuntimeProbe {
public:
    explicit RuntimeProbe(SystemQueries& system) : system(system) {}
    virtual ~RuntimeProbe() = default;
    SystemQueries& system;
    // The first line of a file below the application root, without its line end.
    virtual std::optional<std::string> locationFile(const std::string& relativeName) = 0;
    virtual std::string expandVariables(const std::string& text) = 0;
    // The launcher's form of a path: absolute against the executable's
    // directory, full, lower case unless keepCase.
    virtual std::string resolvePath(const std::string& path, bool keepCase) = 0;
    // Restores a runtime shipped with packed archives before it is examined;
    // false when the restoring tool cannot be started, which ends the search.
    virtual bool preparePackedRuntime(const std::string& home) = 0;
    // The java.exe the platform's search path finds.
    virtual std::optional<std::string> javaOnSearchPath() = 0;
    // Normalises the executable's path, learns its version (cache, release
    // file or a run of it) and checks it against the limits; see probe.h.
    virtual bool checkJavaExe(std::string& javaExecutable, std::string& version, const std::string& minimum,
                              const std::string& maximum, bool betaAllowed) = 0;
    // Whether the runtime's library is of the launcher's architecture (a
    // runtime of the other one is skipped; see probe.h).
    virtual bool ofOwnArchitecture(const std::string& javaExecutable) = 0;
};

FoundRuntime searchRuntime(RuntimeProbe& probe, const SearchSettings& settings);

// The java executable of a home directory: jre\bin\java.exe when that exists,
// else bin\java.exe. With a JDK required, false unless the home is a JDK
// (lib\tools.jar or bin\javac.exe).
bool javaExeForHome(RuntimeProbe& probe, bool jdkRequired, std::string& javaExecutable, const std::string& home);

// A runtime home a vendor's installer recorded in the registry, with the
// version its key names.
struct RegisteredHome {
    std::string version;
    std::string home;
    bool jre = false;
};

// The homes the OpenJDK vendors' installers record in the registry (both
// roots), in no particular order.
std::vector<RegisteredHome> vendorRegistryHomes(RuntimeProbe& probe);

// The directories below which runtimes are installed by the usual installers
// and tools, one level down (variables of the user's environment named).
std::vector<std::string> wellKnownInstallRoots(RuntimeProbe& probe, bool is64Bit);
