// Class-data sharing without configuration: for a runtime that can write a
// dynamic archive at its exit and map it at the next start (Java 19 and
// newer), the launcher names one per user, runtime and class path and lets
// HotSpot create it. The rules here are independent of the platform; the
// files are looked at by the Win32 layer.
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

// A file the archive depends on: its path as the launch names it, its size
// and last write time (0 and 0 for one that is missing).
struct FingerprintFile {
    std::string path;
    uint64_t size = 0;
    uint64_t lastWrite = 0;
};

// 16 hex digits over the files in order (names, sizes, times): a changed,
// added, removed or reordered archive gives another fingerprint.
std::string sharingFingerprint(const std::vector<FingerprintFile>& files);

// The archives of one executable: "<stem>-<version>-<fingerprint>.jsa",
// the version with anything but letters, digits, '.' and '+' as '_'.
std::string archiveFileName(const std::string& executableStem, const std::string& runtimeVersion,
                            const std::string& fingerprint);

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

// The files of this executable to remove from the cache folder: its
// archives beyond the current one and the newest kOlderArchivesKept others,
// and its temporary archives older than kStaleTemporaryAge. Other files and
// other executables' archives stay.
std::vector<std::string> staleArchives(const std::vector<CachedFile>& files, const std::string& executableStem,
                                       const std::string& currentArchive, uint64_t now);

// Win32 layer. The archive of one launch: the name the JVM reads and, when
// it does not exist yet, the temporary name this process's JVM writes at its
// exit.
struct SharingArchive {
    std::string path;       // empty: no archive options
    std::string temporary;  // empty: the archive exists and is only read
};

// The options for this launch, given every other option (class path
// included), the runtime's version and its java executable. Creates the
// cache folder, checks that it takes a file, removes stale archives, and
// logs one line with the decision.
VmOptionList prepareClassDataSharing(bool enabled, const std::string& folder, const VmOptionList& options,
                                     const std::string& runtimeVersion, const std::string& javaExecutable,
                                     const std::string& extractionDirectory, SharingArchive& archive);

// After the JVM has ended (its exit hook or DestroyJavaVM): gives the archive
// the JVM wrote its name, unless another process did first. Files are never
// written in place: a start that reads the archive sees a whole one or none.
void keepWrittenArchive(const SharingArchive& archive);
