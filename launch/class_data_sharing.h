// Class-data sharing without configuration: for a runtime that can write a
// dynamic archive at its exit and map it at the next start (Java 19 and
// newer), the launcher names one per user, runtime and class path and lets
// HotSpot create it. Java 25 and newer get an ahead-of-time cache instead:
// the first start records a configuration, a hidden process of the launcher
// turns it into the cache after the application ended, and later starts map
// it. The rules here are independent of the platform; the files are looked
// at by the Win32 layer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "launch/vm_options.h"

// Why the launcher adds its archive options or not.
enum class SharingDecision {
    Added,
    TurnedOff,        // the project's [java] class-data-sharing = false
    UserDecided,      // an option of the user's about class-data sharing or the AOT cache
    VersionUnknown,   // the search did not learn the runtime's version
    RuntimeTooOld,    // the runtime refuses -XX:+AutoCreateSharedArchive
    ClassPathExtracted,  // a class-path entry in this start's extraction directory
};

const char* sharingDecisionText(SharingDecision decision);

// Whether an option is one of the user's own about class-data sharing: any
// "-Xshare:", "-XX:SharedArchiveFile", "-XX:ArchiveClassesAtExit",
// "-XX:±AutoCreateSharedArchive" or "-XX:AOT..." (AOTCache, AOTMode, ...).
bool isSharingOption(const std::string& option);

// The entries of the "-Djava.class.path=" option, in order.
std::vector<std::string> classPathEntries(const VmOptionList& options);

// Whether to add the options, judged on all option sources once read. An
// archive records its class path and HotSpot maps it only for the same one:
// an entry below this start's extraction directory (a new one each start)
// would have it rewritten at every exit.
SharingDecision decideSharing(bool enabled, const VmOptionList& options, const std::string& runtimeVersion,
                              const std::string& extractionDirectory = "");

// The options for an archive path, as the runtime of that version takes them
// (nothing for one that does not take them all).
VmOptionList sharingOptions(const std::string& archivePath, const std::string& runtimeVersion);

// How a start whose decision is Added shares classes.
enum class SharingMode {
    WriteArchive,    // the dynamic archive is written at the exit
    ReadArchive,     // the dynamic archive is mapped
    RecordAotCache,  // a configuration is recorded, the cache made after the exit
    ReadAotCache,    // the ahead-of-time cache is mapped
    AotCacheUnderway,  // another process is making the cache right now: nothing this time
};

// What the cache folder holds for the fingerprint of this start.
struct SharingFiles {
    bool archive = false;     // "<name>.jsa"
    bool aotCache = false;    // "<name>.aot"
    bool aotFailed = false;   // "<name>.aot-failed": recording or making the cache failed once
    bool aotUnderway = false;  // a temporary of the cache younger than kAotCreationTime
    bool aotAbandoned = false;  // one older: its helper was ended early
    std::vector<std::string> stale;  // files to remove
};

// Whether a runtime of that version makes an ahead-of-time cache (25 and newer).
bool runtimeMakesAotCache(const std::string& runtimeVersion);

// Java 25 and newer record or map the cache unless it failed or its making
// was abandoned for this fingerprint; the others, and those after a
// failure, the dynamic archive.
SharingMode sharingMode(const std::string& runtimeVersion, const SharingFiles& files);

// The options of a start that records the configuration: HotSpot's note
// that it did goes to the console, so that start keeps the VM's own console
// lines to itself (placed last, after any of the user's -XX options).
VmOptionList aotRecordOptions(const std::string& configurationPath);

// The options of a launch that the cache must be made with to be mapped by
// it, as command-line arguments each after a blank: -XX flags (those
// with side effects such as recordings, log files and commands on errors
// left out), the heap's size and the verifier, the module options in their
// "=" forms and --enable-preview, and the jdk.module properties; the
// fingerprint covers them too. The class path, when asked for, goes to classPath.
std::string aotMatchingOptions(const VmOptionList& options, std::string* classPath = nullptr);

// A blank and one argument, as a command line split by the C runtime's argv rules reads it.
void appendArgument(std::string& command, const std::string& argument);

// The files of one process's making of a cache, from "<cache>.<process id>"
// (the helper's kAotHelperVariable): the recorded configuration, the cache's
// temporary name, the cache, and the marker of a failure beside it.
inline std::string aotConfigurationFile(const std::string& processFiles) { return processFiles + ".conf.tmp"; }
inline std::string aotTemporaryFile(const std::string& processFiles) { return processFiles + ".tmp"; }
inline std::string aotCacheFile(const std::string& processFiles) {
    return processFiles.substr(0, processFiles.rfind('.'));
}
inline std::string aotFailedMarker(const std::string& cache) { return cache + "-failed"; }
inline constexpr const char* kAotHelperVariable = "QARVO_AOT_HELPER";

// The command that makes the cache from a recorded configuration: the
// runtime's java executable with the matching options, the class path as
// "-cp" and the create options, writing the cache's temporary name. Also
// ignores unrecognised options, as the launcher asks of the JVM it creates.
std::string aotCreateCommand(const std::string& javaExecutable, const VmOptionList& options,
                             const std::string& processFiles);

// The cache beside an archive "<stem>-<version>-<fingerprint>.jsa": "<...>.aot".
std::string aotCacheName(const std::string& archiveName);

// A file the archive depends on: its path as the launch names it, its size
// and last write time (0 and 0 for one that is missing).
struct FingerprintFile {
    std::string path;
    uint64_t size = 0;
    uint64_t lastWrite = 0;
};

// 16 hex digits over the files in order (names, sizes, times) and the
// options the archive must match: a changed, added, removed or reordered
// file or option gives another fingerprint.
std::string sharingFingerprint(const std::vector<FingerprintFile>& files, const std::string& options = "");

// The archives of one executable: "<stem>-<version>-<fingerprint>.jsa",
// the version with anything but letters, digits, '.' and '+' as '_'.
std::string archiveFileName(const std::string& executableStem, const std::string& runtimeVersion,
                            const std::string& fingerprint);

// A name of one process's own: "<name>.<process id>".
std::string processFileName(const std::string& name, unsigned long processId);

// Where the JVM of one process writes a new archive before the launcher
// moves it to its name: "<archive>.<process id>.tmp".
std::string temporaryArchiveName(const std::string& archiveName, unsigned long processId);

// A file in the cache folder, as listed.
struct CachedFile {
    std::string name;
    uint64_t lastWrite = 0;  // 100 ns units
};

// Archives of other runtimes or class paths kept besides the current one.
inline constexpr size_t kOlderArchivesKept = 2;
// A temporary archive this old is left from a process that ended without
// moving it (100 ns units: one day).
inline constexpr uint64_t kStaleTemporaryAge = 24ull * 3600 * 10000000;
// A cache's making that started this recently may still be going on (100 ns units: ten minutes).
inline constexpr uint64_t kAotCreationTime = 600ull * 10000000;

// What the cache folder holds for the current archive's fingerprint, and
// the files of this executable to remove from it: its archives, caches and
// markers of other fingerprints beyond the newest kOlderArchivesKept, and
// its temporary files older than kStaleTemporaryAge. Other files and other
// executables' files stay.
SharingFiles sharingFiles(const std::vector<CachedFile>& files, const std::string& executableStem,
                          const std::string& currentArchive, uint64_t now);

// Win32 layer. The archive of one launch: the name the JVM reads and, when
// it does not exist yet, the temporary name this process's JVM writes at its
// exit.
struct SharingArchive {
    std::string path;       // empty: no archive options
    std::string temporary;  // empty: the archive exists and is only read
    SharingMode mode = SharingMode::ReadArchive;
    std::string aotProcessFiles;   // RecordAotCache: "<cache>.<process id>"
    std::string aotCreateCommand;  // and how the helper makes the cache
};

// The options for this launch, given every other option (class path
// included), the runtime's version and its java executable. Creates the
// cache folder, checks that it takes a file, removes stale archives, and
// logs one line with the decision.
VmOptionList prepareClassDataSharing(bool enabled, const std::string& folder, const VmOptionList& options,
                                     const std::string& runtimeVersion, const std::string& javaExecutable,
                                     const std::string& extractionDirectory, SharingArchive& archive);

// After the JVM has ended (its exit hook or DestroyJavaVM): gives the archive
// the JVM wrote its name, unless another process did first; after a
// recording start, starts the hidden helper that makes the cache (a failed
// recording is marked instead). Files are never written in place: a start
// that reads the archive or cache sees a whole one or none.
void keepWrittenArchive(const SharingArchive& archive);

// The hidden helper: when this process was started as one (kAotHelperVariable
// set), runs the create command (its own command line) detached, at idle
// priority, its standard streams on NUL, waits for it, and gives the cache its
// name, or marks the failure; the configuration goes either way. Returns
// whether this process was the helper.
bool runAotHelper();
