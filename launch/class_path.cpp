#include "launch/class_path.h"

#include <string_view>

#include "files/paths.h"

#include "format/config_ids.h"
#include "platform/format_text.h"

namespace {

constexpr std::string_view kOptionPrefix = "-Djava.class.path=";

bool endsWith(const std::string& text, char c) { return !text.empty() && text.back() == c; }

// The platform's wildcard "*.jar" also matches longer extensions through
// short names ("a.jarx" is "A~1.JAR"); only names really ending in the
// extension count.
bool hasExtension(const std::string& name, const std::string& extension) {
    if (name.size() <= extension.size() || name[name.size() - extension.size() - 1] != '.') return false;
    for (size_t i = 0; i < extension.size(); ++i) {
        char c = name[name.size() - extension.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != extension[i]) return false;
    }
    return true;
}

}  // namespace

std::vector<ClassPathEntry> parseClassPathEntries(const std::string& text) {
    std::vector<ClassPathEntry> entries;
    for (const std::string& part : splitPathList(text)) {
        ClassPathEntry entry;
        entry.kind = part[0];
        entry.mandatory = part.size() > 1 && part[1] == '1';
        entry.value = part.size() > 2 ? part.substr(2) : std::string();
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string encodeClassPathEntries(const std::vector<ClassPathEntry>& entries) {
    std::string text;
    for (const ClassPathEntry& entry : entries) {
        text += entry.kind;
        text += entry.mandatory ? '1' : '0';
        text += entry.value;
        text += ';';
    }
    return text;
}

bool ClassPathBuilder::addArchivesInDirectory(std::string& text, const std::string& directory) {
    if (!env_.system->fileExists(directory)) return false;
    addListedArchives(text, directory);
    return true;
}

void ClassPathBuilder::addListedArchives(std::string& text, const std::string& directory) {
    const std::vector<std::string> names = env_.system->listFiles(directory, "*");
    for (const char* extension : {"jar", "zip"})
        for (const std::string& name : names) {
            if (!hasExtension(name, extension)) continue;
            text += env_.makeAbsolute(directory + "\\" + name);
            text += ';';
        }
}

bool ClassPathBuilder::appendEntry(std::string& text, const ClassPathEntry& entry, const std::string& value,
                                   std::optional<ClassPathFailure>& failure) {
    switch (entry.kind) {
        case 'D':
        case 'A': {
            const std::string paths = env_.expandPathList(value);
            text += paths;
            text += ';';
            // A value that expanded to several paths is found when each is.
            const std::vector<std::string> parts = splitPathList(paths);
            bool found = !parts.empty();
            for (const std::string& part : parts) found = found && env_.system->fileExists(part);
            return found;
        }
        case 'S': {
            const std::string directory = env_.makeAbsolute(value);
            return addArchivesInDirectory(text, directory);
        }
        case 'E': {
            std::optional<std::string> variable = env_.system->environmentVariable(value);
            std::string content = variable.value_or(std::string());
            if (content.empty()) {
                // Defined but empty counts as undefined: the entry adds nothing.
                if (entry.mandatory) failure = ClassPathFailure{MessageId::VariableUndefined, value};
                return true;
            }
            if (content.size() >= 2 && content.front() == '"' && content.back() == '"')
                content = content.substr(1, content.size() - 2);
            text += content;
            if (!endsWith(content, ';')) text += ';';
            return true;
        }
        default:
            env_.system->log(formatText("classpath entry of unknown kind '%c' ignored", entry.kind));
            return true;
    }
}

std::optional<ClassPathFailure> ClassPathBuilder::appendConfiguredClassPath(std::string& text) {
    const std::string configured = env_.configuredEntries();
    env_.system->log(formatText("classpath entry %s", configured.c_str()));
    for (const ClassPathEntry& entry : parseClassPathEntries(configured)) {
        std::string value = entry.value;
        env_.expand(value);
        std::optional<ClassPathFailure> failure;
        const bool found = appendEntry(text, entry, value, failure);
        if (failure) return failure;
        if (entry.mandatory && !found) return ClassPathFailure{MessageId::FileNotFound, value};
    }
    return std::nullopt;
}

namespace {

// Java reads an empty element of the class path as the working directory:
// the separator written after each element must not add it, at the end or
// before an override, nor may an empty element of an override.
void dropEmptyElements(std::string& option) {
    std::string out(kOptionPrefix);
    for (size_t start = kOptionPrefix.size(); start <= option.size();) {
        size_t end = option.find(';', start);
        if (end == std::string::npos) end = option.size();
        if (end > start) {
            if (out.size() > kOptionPrefix.size()) out += ';';
            out.append(option, start, end - start);
        }
        start = end + 1;
    }
    option = std::move(out);
}

}  // namespace

std::optional<ClassPathFailure> ClassPathBuilder::buildClassPathOption(const ClassPathOverrides& overrides,
                                                                       std::string& option) {
    option = kOptionPrefix;
    if (overrides.prepend) option += *overrides.prepend + ";";
    // The included archives: from the cache, and those extracted (without an
    // extraction directory there are none).
    for (const bool user : {false, true}) {
        for (const std::string& path : user ? env_.cachedUserArchives : env_.cachedArchives) option += path + ";";
        if (!env_.extractionDirectory.empty())
            addListedArchives(option, env_.extractionDirectory + (user ? "\\user" : ""));  // a missing one lists nothing
    }
    if (env_.productKind == 'm') {
        option += env_.applicationRoot();
        if (!endsWith(option, '\\')) option += '\\';
        option += ".morvantic\\mvtruntime.jar;";
    }
    if (overrides.replace) {
        option += *overrides.replace;
    } else if (std::optional<ClassPathFailure> failure = appendConfiguredClassPath(option)) {
        return failure;
    }
    if (overrides.append) {
        if (!endsWith(option, ';')) option += ';';
        option += *overrides.append;
    }
    dropEmptyElements(option);
    return std::nullopt;
}
