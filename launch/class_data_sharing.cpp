#include "launch/class_data_sharing.h"

#include <algorithm>

#include "jvm/versions.h"

namespace {

const char* const kAutoCreate = "-XX:+AutoCreateSharedArchive";

bool startsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

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

std::string sharingFingerprint(const std::vector<FingerprintFile>& files) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const FingerprintFile& file : files) {
        mix(hash, file.path);
        mix(hash, std::string(1, '\0') + std::to_string(file.size) + ' ' + std::to_string(file.lastWrite) + '\n');
    }
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
    return archiveName + "." + std::to_string(processId) + ".tmp";
}

std::vector<std::string> staleArchives(const std::vector<CachedFile>& files, const std::string& executableStem,
                                       const std::string& currentArchive, uint64_t now) {
    // "<stem>-<version>-<16 hex digits>.jsa": the version holds no '-', so an
    // archive of "app-2" (another executable) cannot pass for one of "app".
    auto ours = [&executableStem](const std::string& name, const std::string& suffix) {
        if (!startsWith(name, executableStem + "-") || !endsWith(name, suffix)) return false;
        const std::string rest = name.substr(executableStem.size() + 1);
        const size_t jsa = rest.find(".jsa");
        if (jsa == std::string::npos || jsa < 18 || rest[jsa - 17] != '-') return false;
        const std::string version = rest.substr(0, jsa - 17);
        return !version.empty() && version.find('-') == std::string::npos &&
               rest.find_first_not_of("0123456789abcdef", jsa - 16) == jsa;
    };
    std::vector<CachedFile> archives;
    std::vector<std::string> stale;
    for (const CachedFile& file : files) {
        if (ours(file.name, ".jsa") && file.name != currentArchive) archives.push_back(file);
        else if (ours(file.name, ".tmp") && now > file.lastWrite && now - file.lastWrite > kStaleTemporaryAge)
            stale.push_back(file.name);
    }
    std::sort(archives.begin(), archives.end(),
              [](const CachedFile& a, const CachedFile& b) { return a.lastWrite > b.lastWrite; });
    for (size_t i = kOlderArchivesKept; i < archives.size(); ++i) stale.push_back(archives[i].name);
    return stale;
}
