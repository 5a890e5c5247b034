// The per-user cache of included archives. The builder records, for each
// included file that goes there, its SHA-256 and size (entry 10144); a
// start finds the file as
//   <cache>\<first 32 hex digits of the digest>\<file name>
// and uses it when its size is right and the marker written after a
// complete write still names the file's size and last write time. Otherwise
// it writes the file again: under a temporary name in the same folder,
// checked against the digest, flushed, renamed, then marked. Versions that
// no start used for kUnusedAge, or beyond the newest kVersionsKept of a
// name, are removed. These are the rules; the files are the Win32 layer's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What entry 10144 records of one included file.
struct CacheRecord {
    std::string digest;  // 64 lower-case hex digits; empty: extracted at each start
    uint64_t size = 0;
    bool cached() const { return !digest.empty(); }
};

// Entry 10144 holds one item per included file, in the order of entry 2003,
// separated by ";": "<digest>:<size>", or empty for a file extracted at each
// start (the builder writes it). The records of an entry for count files; none when it is damaged (another
// number of items, a digest that is not 64 hex digits, a size that is no
// number). An absent entry (empty text) gives count uncached records.
std::optional<std::vector<CacheRecord>> parseCacheEntry(const std::string& text, size_t count);

// Whether an included name joins the class path from the extraction
// directory, and so may come from the cache: a .jar or .zip at the top
// level or in "user\".
bool isClassPathArchive(const std::string& name);

// The folder of one version: the first 32 hex digits of its digest.
std::string versionFolderName(const std::string& digest);
// The file's name in it: the included name without its directory.
std::string cachedFileName(const std::string& includedName);
// The marker beside a complete file: ".ok-<size>-<last write, 16 hex digits>".
std::string markerName(uint64_t size, uint64_t lastWrite);
// A temporary name of one process's write: "<name>.<unique, 16 hex>.tmp".
std::string temporaryName(const std::string& name, uint64_t unique);

// What a start finds of a cached file.
struct CachedFacts {
    bool exists = false;
    uint64_t size = 0;
    uint64_t lastWrite = 0;  // 100 ns units
    bool marked = false;     // the marker for that size and time exists
};

enum class CachedState { Usable, Missing, WrongSize, Unmarked };
CachedState judgeCachedFile(const CacheRecord& record, const CachedFacts& facts);

// A version folder as listed: its name, its files, and when a start last
// used it (the newest marker's last write time).
struct CacheVersion {
    std::string folder;
    std::vector<std::string> files;  // names, markers and temporary files included
    uint64_t lastUsed = 0;
};

inline constexpr uint64_t kDay = 24ull * 3600 * 10000000;  // 100 ns units
inline constexpr uint64_t kUnusedAge = 30 * kDay;
inline constexpr size_t kVersionsKept = 3;
// A marker is renewed when a start finds it this old: the versions in use
// stay young without a write at every start.
inline constexpr uint64_t kMarkerRenewal = kDay;

// The version folders to remove: unused for kUnusedAge, or beyond the
// kVersionsKept most recently used of a file name. Folders in keep (this
// start's) stay whatever their age.
std::vector<std::string> versionsToRemove(const std::vector<CacheVersion>& versions,
                                          const std::vector<std::string>& keep, uint64_t now);

// Win32 layer. The cache of this executable's archives:
// %LOCALAPPDATA%\<folder>\archives (folder: the user-options folder, or the
// executable's name without ".exe"), made when missing. Empty, with one log
// line, when it cannot be made.
std::string openArchiveCache(const std::string& folder);

// The cached file of a record when it is usable; it is then held until the
// process ends (no other start can replace or remove it meanwhile) and its
// marker renewed when it is old. Empty otherwise.
std::string useCachedArchive(const std::string& cache, const CacheRecord& record, const std::string& includedName);

class ByteSource;
enum class CacheWrite { Written, Damaged, Failed };
// Writes the file from source (at its first scrambled byte, size bytes) into
// the cache and holds it, path telling where. Damaged: its bytes do not have
// the recorded digest or size. Failed: the cache could not take it (the
// caller extracts it instead); source is then at an unknown position.
CacheWrite writeCachedArchive(const std::string& cache, const CacheRecord& record, const std::string& includedName,
                              ByteSource& source, int64_t size, std::string& path);

// At most once a day: removes the versions versionsToRemove names, except
// those a running process holds.
void pruneArchiveCache(const std::string& cache, const std::vector<std::string>& keepFolders);
