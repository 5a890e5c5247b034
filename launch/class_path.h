// The "-Djava.class.path=" option: the overrides of the option sources, the
// archives of the extraction directory, the runtime archive of the morvantic
// kind and the configured class-path entries. Independent of the platform:
// file system, environment and path rules come in as callbacks.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "launch/vm_options.h"
#include "platform/system_queries.h"
#include "platform/outcome.h"

// One ";"-separated entry of the configured class path: a kind letter
// (D directory or file, A archive, S directory of archives, E environment
// variable), a mandatory flag ("1" in the second place) and a value.
struct ClassPathEntry {
    char kind = '\0';
    bool mandatory = false;
    std::string value;
};

// The entries of the configured text, empty ones skipped.
std::vector<ClassPathEntry> parseClassPathEntries(const std::string& text);
// The text of entries, as stored in the configuration.
std::string encodeClassPathEntries(const std::vector<ClassPathEntry>& entries);

// What ends the launch: a message id and its argument.
struct ClassPathFailure {
    int messageId;
    std::string argument;
};

struct ClassPathEnvironment {
    std::string extractionDirectory;  // empty when none was made
    // The included archives this start takes from the archive cache, by the
    // level they would have been extracted to (top, "user\"), jars first.
    std::vector<std::string> cachedArchives, cachedUserArchives;
    char productKind = 'q';
    std::function<std::string()> configuredEntries;  // entry 121
    std::function<std::string()> applicationRoot;    // entry 10003, absolute, letter case kept
    SystemQueries* system = nullptr;                 // files, variables and the log
    std::function<std::string(const std::string& path)> makeAbsolute;
    std::function<std::string(const std::string& list)> expandPathList;
    std::function<void(std::string& text)> expand;
};

class ClassPathBuilder {
public:
    explicit ClassPathBuilder(const ClassPathEnvironment& environment) : env_(environment) {}

    // The complete option text, or the failure that ends the launch.
    std::optional<ClassPathFailure> buildClassPathOption(const ClassPathOverrides& overrides, std::string& option);
    // The elements of the configured entries.
    std::optional<ClassPathFailure> appendConfiguredClassPath(std::string& text);
    // One element per file of directory whose name ends in ".jar", then one
    // per ".zip" file, each in listing order; false when the directory does
    // not exist. The directory is listed once.
    bool addArchivesInDirectory(std::string& text, const std::string& directory);
    // The same without asking first whether the directory exists.
    void addListedArchives(std::string& text, const std::string& directory);

private:
    bool appendEntry(std::string& text, const ClassPathEntry& entry, const std::string& value,
                     std::optional<ClassPathFailure>& failure);

    const ClassPathEnvironment& env_;
};

// Win32 layer: the option for this process; ends the launch with message
// 1006 or 1008 when a mandatory entry is missing.
[[nodiscard]] Outcome buildClassPathOption(const ApplicationSettings& settings, const ClassPathOverrides& overrides,
                                           std::string& option);
