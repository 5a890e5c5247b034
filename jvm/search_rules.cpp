#include "jvm/search_rules.h"

bool triedInFallback(const SearchEntry& entry) {
    if (entry.type == LocationType::Bundled) return true;
    if (entry.type != LocationType::Directory && entry.type != LocationType::Relative) return false;
    const std::string& l = entry.location;
    const bool absolute = l.size() > 1 && (l[1] == ':' || (l[0] == '\\' && l[1] == '\\'));
    return !absolute;
}

std::string pathKeyName(const std::string& prefix, const std::string& path) {
    std::string name = path;
    for (char& c : name)
        if (c == '\\') c = '/';
    return prefix + name;
}

std::string pathFromKeyName(const std::string& name) {
    std::string path = name;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string stripJavaExecutable(const std::string& javaExecutable) {
    static const std::string windowed = "javaw.exe";
    const bool isWindowed = javaExecutable.size() >= windowed.size() &&
                            javaExecutable.compare(javaExecutable.size() - windowed.size(), windowed.size(), windowed) == 0;
    const size_t cut = isWindowed ? windowed.size() : 8;
    return javaExecutable.size() >= cut ? javaExecutable.substr(0, javaExecutable.size() - cut) : std::string();
}

std::string binDirectoryOf(const std::string& javaExecutable) {
    std::string directory = stripJavaExecutable(javaExecutable);
    if (!directory.empty()) directory.pop_back();  // the backslash before the file name
    return directory;
}

std::string alternativeJavaExecutable(const std::string& javaExecutable) {
    return stripJavaExecutable(javaExecutable) + "..\\jre\\bin\\java.exe";
}

std::vector<std::string> jvmDllCandidates(const std::string& binDirectory, const std::string& configuredKind) {
    std::vector<std::string> candidates;
    if (!configuredKind.empty()) candidates.push_back(binDirectory + "\\" + configuredKind + "\\jvm.dll");
    for (const char* kind : {"hotspot", "client", "server", "classic", "jrockit"})
        candidates.push_back(binDirectory + "\\" + kind + "\\jvm.dll");
    return candidates;
}

const std::vector<std::string>& packedArchives() {
    static const std::vector<std::string> archives = {"lib\\rt.jar",     "lib\\charsets.jar",
                                                      "lib\\plugin.jar", "lib\\deploy.jar",
                                                      "lib\\ext\\localedata.jar", "lib\\jsse.jar"};
    return archives;
}

std::string unpackArguments(const std::string& packFile) {
    const std::string unpacked = packFile.size() >= 5 ? packFile.substr(0, packFile.size() - 5) : std::string();
    return "-r \"" + packFile + "\" \"" + unpacked + "\"";
}
