#include "launch/class_data_sharing.h"

#include <algorithm>

#include "jvm/versions.h"

namespace {

const char* const kAutoCreate = "-XX:+AutoCreateSharedArchive";

bool startsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }
// For a literal: no string made for it.
bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

std::string lowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// FNV-1a, 64 bits: stable across builds and platforms.
void mix(uint64_t& hash, const std::string& bytes) {
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
}

}  // namespace

const char* sharingDecisionText(SharingDecision decision) {
    switch (decision) {
        case SharingDecision::Added: return "archive options added";
        case SharingDecision::TurnedOff: return "turned off in the project";
        case SharingDecision::UserDecided: return "the VM options decide";
        case SharingDecision::VersionUnknown: return "the runtime's version is not known";
        case SharingDecision::RuntimeTooOld: return "the runtime is older than 19";
        case SharingDecision::ClassPathExtracted: return "the class path has files extracted for this start only";
    }
    return "";
}

bool isSharingOption(const std::string& option) {
    if (startsWith(option, "-Xshare:")) return true;
    if (!startsWith(option, "-XX:")) return false;
    std::string name = option.substr(4, option.find('=') == std::string::npos ? std::string::npos : option.find('=') - 4);
    if (!name.empty() && (name[0] == '+' || name[0] == '-')) name.erase(0, 1);
    return name == "SharedArchiveFile" || name == "ArchiveClassesAtExit" || name == "AutoCreateSharedArchive" ||
           startsWith(name, "AOT");
}

std::vector<std::string> classPathEntries(const VmOptionList& options) {
    const std::string prefix = "-Djava.class.path=";
    std::vector<std::string> entries;
    for (const std::string& option : options) {
        if (!startsWith(option, prefix)) continue;
        entries.clear();  // the last one counts, as for the JVM
        const std::string list = option.substr(prefix.size());
        for (size_t start = 0; start <= list.size();) {
            size_t end = list.find(';', start);
            if (end == std::string::npos) end = list.size();
            if (end > start) entries.push_back(list.substr(start, end - start));
            start = end + 1;
        }
    }
    return entries;
}

SharingDecision decideSharing(bool enabled, const VmOptionList& options, const std::string& runtimeVersion,
                              const std::string& extractionDirectory) {
    if (!enabled) return SharingDecision::TurnedOff;
    if (std::any_of(options.begin(), options.end(), isSharingOption)) return SharingDecision::UserDecided;
    if (versionComponents(runtimeVersion).empty()) return SharingDecision::VersionUnknown;
    if (!runtimeTakesOption(kAutoCreate, runtimeVersion)) return SharingDecision::RuntimeTooOld;
    if (!extractionDirectory.empty()) {
        const std::string directory = lowerAscii(extractionDirectory);
        for (const std::string& entry : classPathEntries(options)) {
            const std::string name = lowerAscii(entry);
            if (startsWith(name, directory) &&
                (name.size() == directory.size() || name[directory.size()] == '\\' || name[directory.size()] == '/' ||
                 directory.back() == '\\'))
                return SharingDecision::ClassPathExtracted;
        }
    }
    return SharingDecision::Added;
}

VmOptionList sharingOptions(const std::string& archivePath, const std::string& runtimeVersion) {
    // Both or neither: a runtime that would map a named archive but not
    // create it (17) loses even its own default archive when the file is missing.
    const VmOptionList wanted = {"-XX:SharedArchiveFile=" + archivePath, kAutoCreate};
    VmOptionList taken = launcherOptionsFor(wanted, runtimeVersion);
    return taken.size() == wanted.size() ? taken : VmOptionList{};
}

std::string sharingFingerprint(const std::vector<FingerprintFile>& files, const std::string& options) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const FingerprintFile& file : files) {
        mix(hash, file.path);
        mix(hash, std::string(1, '\0') + std::to_string(file.size) + ' ' + std::to_string(file.lastWrite) + '\n');
    }
    // '\1' cannot start a path: options never pass for a file.
    if (!options.empty()) mix(hash, '\1' + options);
    static const char digits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4) text[i] = digits[hash & 15];
    return text;
}

std::string archiveFileName(const std::string& executableStem, const std::string& runtimeVersion,
                            const std::string& fingerprint) {
    std::string version = runtimeVersion;
    for (char& c : version) {
        const bool kept = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
                          c == '+';
        if (!kept) c = '_';
    }
    return executableStem + "-" + version + "-" + fingerprint + ".jsa";
}

std::string temporaryArchiveName(const std::string& archiveName, unsigned long processId) {
    return processFileName(archiveName, processId) + ".tmp";
}

SharingFiles sharingFiles(const std::vector<CachedFile>& files, const std::string& executableStem,
                          const std::string& currentArchive, uint64_t now) {
    // "<stem>-<version>-<16 hex digits>.<kind>": the version holds no '-', so
    // a file of "app-2" (another executable) cannot pass for one of "app".
    const size_t group = currentArchive.rfind('.');
    SharingFiles found;
    std::vector<CachedFile> others;
    for (const CachedFile& file : files) {
        const std::string& name = file.name;
        const size_t dash = name.find('-', executableStem.size() + 1);
        if (!startsWith(name, executableStem + "-") || dash == std::string::npos || name.size() < dash + 19 ||
            dash == executableStem.size() + 1 || name[dash + 17] != '.' ||
            name.find_first_not_of("0123456789abcdef", dash + 1) != dash + 17)
            continue;
        const std::string kind = name.substr(dash + 18);
        const bool temporary = endsWith(kind, ".tmp");
        const uint64_t age = now > file.lastWrite ? now - file.lastWrite : 0;
        if (dash + 17 == group && name.compare(0, group, currentArchive, 0, group) == 0) {
            found.archive |= kind == "jsa";
            found.aotCache |= kind == "aot";
            found.aotFailed |= kind == "aot-failed";
            const bool making = temporary && startsWith(kind, "aot.");
            found.aotUnderway |= making && age < kAotCreationTime;
            found.aotAbandoned |= making && age >= kAotCreationTime;
        } else if (kind == "jsa" || kind == "aot" || kind == "aot-failed") {
            others.push_back(file);
        }
        if (temporary && age > kStaleTemporaryAge) found.stale.push_back(name);
    }
    std::sort(others.begin(), others.end(),
              [](const CachedFile& a, const CachedFile& b) { return a.lastWrite > b.lastWrite; });
    for (size_t i = kOlderArchivesKept; i < others.size(); ++i) found.stale.push_back(others[i].name);
    return found;
}

bool runtimeMakesAotCache(const std::string& runtimeVersion) { return runtimeTakesOption("-XX:AOTMode", runtimeVersion); }

SharingMode sharingMode(const std::string& runtimeVersion, const SharingFiles& files) {
    if (runtimeMakesAotCache(runtimeVersion) && !files.aotFailed && !files.aotAbandoned) {
        if (files.aotCache) return SharingMode::ReadAotCache;
        return files.aotUnderway ? SharingMode::AotCacheUnderway : SharingMode::RecordAotCache;
    }
    return files.archive ? SharingMode::ReadArchive : SharingMode::WriteArchive;
}

VmOptionList aotRecordOptions(const std::string& configurationPath) {
    return {"-XX:AOTMode=record", "-XX:AOTConfiguration=" + configurationPath, "-XX:+UnlockDiagnosticVMOptions",
            "-XX:-DisplayVMOutput"};
}

void appendArgument(std::string& command, const std::string& argument) {
    command.append(1, ' ');
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
        command += argument;
        return;
    }
    command.append(1, '"');
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        command.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        command.append(1, c);
    }
    command.append(backslashes * 2, '\\');
    command.append(1, '"');
}

std::string aotMatchingOptions(const VmOptionList& options, std::string* classPath) {
    // Flags that write files, record or run commands: not for the helper's JVM.
    static const char* const kSideEffects[] = {"FlightRecord", "LogFile", "OnError", "OnOutOfMemoryError",
                                               "ErrorFile", "HeapDump", "PrintFlags"};
    static const char* const kMatching[] = {"-Xmx", "-Xms", "-Xverify", "-Djdk.module.", "--enable-preview"};
    std::string kept;
    for (const std::string& option : options) {
        bool keep = false;
        for (const char* prefix : kMatching) keep |= startsWith(option, prefix);
        // "--add-opens" "X" as two options is skipped by the JVM; alone it would take the next argument.
        if (startsWith(option, "--")) keep |= option.find('=') != std::string::npos;
        if (startsWith(option, "-XX:")) {
            keep = !isSharingOption(option);
            for (const char* name : kSideEffects) keep &= option.find(name) == std::string::npos;
        }
        if (keep) appendArgument(kept, option);
        // The last one counts, as for the JVM.
        if (classPath != nullptr && startsWith(option, "-Djava.class.path=")) *classPath = option.substr(18);
    }
    return kept;
}

std::string aotCreateCommand(const std::string& javaExecutable, const VmOptionList& options,
                             const std::string& processFiles) {
    // The program always quoted: the helper starts the command as it is.
    std::string classPath, command = "\"" + javaExecutable + "\" -XX:+IgnoreUnrecognizedVMOptions";
    command += aotMatchingOptions(options, &classPath);
    command += " -cp";
    appendArgument(command, classPath);
    command += " -XX:AOTMode=create";
    appendArgument(command, "-XX:AOTConfiguration=" + aotConfigurationFile(processFiles));
    appendArgument(command, "-XX:AOTCache=" + aotTemporaryFile(processFiles));
    return command;
}

std::string aotCacheName(const std::string& archiveName) {
    return archiveName.substr(0, archiveName.rfind('.')) + ".aot";
}

std::string processFileName(const std::string& name, unsigned long processId) {
    return name + "." + std::to_string(processId);
}
