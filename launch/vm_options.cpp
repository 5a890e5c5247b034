#include "launch/vm_options.h"

#include <string_view>

#include "jvm/versions.h"

namespace {

constexpr std::string_view kInclude = "-include-options ";
constexpr std::string_view kReplace = "-classpath ";
constexpr std::string_view kPrepend = "-classpath/p ";
constexpr std::string_view kAppend = "-classpath/a ";

bool startsWith(const std::string& text, std::string_view prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

std::string lowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

std::vector<std::string> textModeLines(const std::string& contents) {
    std::vector<std::string> lines;
    std::string line;
    bool pending = false;
    for (size_t i = 0; i < contents.size(); ++i) {
        const char c = contents[i];
        if (c == '\x1a') break;
        if (c == '\r' && i + 1 < contents.size() && contents[i + 1] == '\n') continue;
        line.push_back(c);
        pending = true;
        if (c == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            pending = false;
        }
    }
    if (pending) lines.push_back(std::move(line));
    return lines;
}

std::string cleanOptionLine(std::string line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    const size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    line.erase(0, first);
    line.erase(line.find_last_not_of(' ') + 1);
    return line[0] == '#' ? std::string() : line;
}

const std::vector<SplitOptionForm>& splitOptionForms() {
    static const std::vector<SplitOptionForm> forms = {
        {"--add-opens", "--add-opens"},
        {"--add-exports", "--add-exports"},
        {"--add-reads", "--add-reads"},
        {"--add-modules", "--add-modules"},
        {"--limit-modules", "--limit-modules"},
        {"--patch-module", "--patch-module"},
        {"--upgrade-module-path", "--upgrade-module-path"},
        {"--module-path", "--module-path"},
        {"-p", "--module-path"},
        {"--enable-native-access", "--enable-native-access"},
    };
    return forms;
}

const SplitOptionForm* formAwaitingValue(const std::string& text) {
    for (const SplitOptionForm& form : splitOptionForms()) {
        const std::string written = form.written;
        // Blanks after the form are no value ("--add-opens " in quotes).
        if (startsWith(text, written) && text.find_first_not_of(' ', written.size()) == std::string::npos) return &form;
    }
    return nullptr;
}

std::string joinedOptionText(const std::string& text) {
    for (const SplitOptionForm& form : splitOptionForms()) {
        const std::string written = form.written;
        if (!startsWith(text, written + " ")) continue;
        const size_t value = text.find_first_not_of(' ', written.size());
        if (value == std::string::npos) return text;  // blanks only: no value on this line
        return std::string(form.joined) + "=" + text.substr(value);
    }
    return text;
}

namespace {

// Options by the first Java version that takes them; an option is matched by
// its name (the text before "=", or the whole "-XX:" flag).
struct OptionSince {
    const char* name;
    const char* version;
};
const OptionSince kOptionsSince[] = {
    {"--add-opens", "9"},          {"--add-exports", "9"},         {"--add-reads", "9"},
    {"--add-modules", "9"},        {"--limit-modules", "9"},       {"--patch-module", "9"},
    {"--upgrade-module-path", "9"}, {"--module-path", "9"},        {"--enable-native-access", "17"},
    {"-XX:+AutoCreateSharedArchive", "19"}, {"-XX:-AutoCreateSharedArchive", "19"},
    // 24 has the ahead-of-time cache too; the launcher makes one from 25 on.
    {"-XX:AOTMode", "25"},
};

}  // namespace

bool runtimeTakesOption(const std::string& option, const std::string& runtimeVersion) {
    const std::string name = option.substr(0, option.find('='));
    for (const OptionSince& since : kOptionsSince)
        if (name == since.name)
            return !versionComponents(runtimeVersion).empty() && compareVersions(runtimeVersion, since.version) >= 0;
    return true;
}

VmOptionList launcherOptionsFor(const VmOptionList& options, const std::string& runtimeVersion) {
    VmOptionList kept;
    for (const std::string& option : options)
        if (runtimeTakesOption(option, runtimeVersion)) kept.push_back(option);
    return kept;
}

void OptionReader::endOfSource() {
    if (awaiting_ != nullptr && !dangling_) dangling_ = awaiting_->written;
    awaiting_ = nullptr;
}

void OptionReader::processOptionLine(const std::string* base, const std::string& text) {
    const bool plainOption = !startsWith(text, kInclude) && !startsWith(text, kReplace) && !startsWith(text, kPrepend) &&
                             !startsWith(text, kAppend);
    if (awaiting_ != nullptr) {
        // The value is the next option; an inclusion or an override is none.
        if (plainOption) {
            list_.push_back(std::string(awaiting_->joined) + "=" + text);
            awaiting_ = nullptr;
            return;
        }
        endOfSource();
    }
    if (plainOption) {
        awaiting_ = formAwaitingValue(text);
        if (awaiting_ == nullptr) list_.push_back(joinedOptionText(text));
    } else if (startsWith(text, kInclude)) {
        includeOptionFile(base, text.substr(kInclude.size()));
    } else if (startsWith(text, kReplace)) {
        overrides_.replace = text.substr(kReplace.size());
    } else if (startsWith(text, kPrepend)) {
        overrides_.prepend = text.substr(kPrepend.size());
    } else if (startsWith(text, kAppend)) {
        overrides_.append = text.substr(kAppend.size());
    }
}

bool OptionReader::alreadyBeingRead(const std::string& path) const {
    const std::string key = lowerAscii(path);
    for (const std::string& open : reading_)
        if (open == key) return true;
    return false;
}

void OptionReader::includeOptionFile(const std::string* base, const std::string& rawName) {
    std::string name = rawName;
    env_.expand(name);
    const std::string path = env_.makeAbsolute(name, base);
    if (alreadyBeingRead(path)) {
        env_.log(formatText("vmoptions file <%s> includes itself; not read again", path.c_str()));
        return;
    }
    if (reading_.size() >= static_cast<size_t>(kMaxOptionFileDepth)) {
        env_.log(formatText("vmoptions inclusions deeper than %d files; <%s> not read", kMaxOptionFileDepth,
                            path.c_str()));
        return;
    }
    if (++inclusions_ > kMaxOptionFileInclusions) {
        env_.log(formatText("more than %d vmoptions inclusions; <%s> not read", kMaxOptionFileInclusions,
                            path.c_str()));
        return;
    }
    OptionFile file = env_.open(path);
    file.path = path;
    env_.log(formatText("adding vmoptions from <%s> (%s) (%p)", path.c_str(), name.c_str(), file.handle));
    readOptionFile(&path, file);
}

void OptionReader::readOptionFile(const std::string* base, const OptionFile& file) {
    if (file.handle == nullptr) return;
    // Kept in lower case: a deep chain of long names is compared at every
    // inclusion, and lowering them each time made that quadratic in the text.
    if (!file.path.empty()) reading_.push_back(lowerAscii(file.path));
    for (const std::string& raw : textModeLines(file.contents)) {
        std::string text = cleanOptionLine(raw);
        if (text.empty()) continue;
        env_.expand(text);
        processOptionLine(base, text);
    }
    endOfSource();
    if (!file.path.empty()) reading_.pop_back();
}

std::optional<std::string> collectVmOptionsFrom(const std::vector<std::string>& parameterPieces,
                                                const std::vector<std::string>& javaOptionArguments,
                                                const std::function<OptionFile()>& openDefaultOptionFile,
                                                const OptionEnvironment& environment, VmOptionList& list,
                                                ClassPathOverrides& overrides,
                                                const std::function<OptionFile()>& openUserOptionFile) {
    OptionReader reader(environment, list, overrides);
    environment.log("adding options\n");
    for (size_t i = 0; i < parameterPieces.size(); ++i) {
        if (parameterPieces[i] == "-include-options" && i + 1 < parameterPieces.size()) {
            reader.processOptionLine(nullptr, parameterPieces[i] + " " + parameterPieces[i + 1]);
            ++i;
        } else {
            reader.processOptionLine(nullptr, parameterPieces[i]);
        }
    }
    reader.endOfSource();
    for (const std::string& option : javaOptionArguments) reader.processOptionLine(nullptr, option);
    reader.endOfSource();
    const OptionFile file = openDefaultOptionFile();
    environment.log(formatText("default vmoptions file: %p", file.handle));
    reader.readOptionFile(nullptr, file);
    // The user's file comes last, so that a user's -Xmx wins.
    if (openUserOptionFile) reader.readOptionFile(nullptr, openUserOptionFile());
    return reader.dangling();
}

std::vector<std::u16string> javaOptionArguments(const ArgumentList& arguments) {
    std::vector<std::u16string> options;
    for (const std::u16string& argument : arguments)
        if (argument.compare(0, 2, u"-J") == 0) options.push_back(argument.substr(2));
    return options;
}

std::vector<std::string> defaultOptionFileCandidates(const std::string& longExecutablePath) {
    const std::string stem =
        longExecutablePath.size() >= 4 ? longExecutablePath.substr(0, longExecutablePath.size() - 4) : std::string();
    return {stem + ".vmoptions", longExecutablePath + ".vmoptions"};
}

std::string userOptionFilePath(const std::string& applicationData, const std::string& folder,
                               const std::string& executablePath) {
    if (applicationData.empty() || folder.empty()) return std::string();
    std::string name = executablePath.substr(executablePath.find_last_of("\\/") + 1);
    if (name.size() > 4 && lowerAscii(name.substr(name.size() - 4)) == ".exe") name.resize(name.size() - 4);
    std::string path = applicationData;
    if (path.back() != '\\') path += '\\';
    return path + folder + "\\" + name + ".vmoptions";
}
