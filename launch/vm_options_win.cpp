#include <cstdio>

#include "config/run_state.h"
#include "files/fileutil.h"
#include "format/config_ids.h"
#include "launch/variables.h"
#include "launch/vm_options.h"
#include "log/diaglog.h"
#include "platform/win_text.h"

namespace {

// Opens a file for reading and reads it whole; the handle value stays for
// the log only.
OptionFile openOptionFile(const std::string& path) {
    OptionFile file;
    file.path = path;
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) return file;
    file.handle = in;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) file.contents.append(buffer, n);
    std::fclose(in);
    return file;
}

OptionFile openDefaultOptionFile() {
    const std::string& executable = executablePath();
    const std::string& longForm = executableLongPath();
    const std::vector<std::string> candidates = defaultOptionFileCandidates(longForm);
    OptionFile file = openOptionFile(candidates[0]);
    logInfo("vmoptions: exe file: %s, long: %s, opts1: %s, file: %p", executable.c_str(), longForm.c_str(),
            candidates[0].c_str(), file.handle);
    if (file.handle != nullptr) return file;
    file = openOptionFile(candidates[1]);
    logInfo("vmoptions: opts2: %s, file: %p", candidates[1].c_str(), file.handle);
    return file;
}

// %APPDATA%\<folder>\<executable name>.vmoptions, read after the file
// beside the executable.
OptionFile openUserOptionFile(const std::string& folder) {
    std::string applicationData;
    environmentVariable("APPDATA", applicationData);
    const std::string path = userOptionFilePath(applicationData, folder, executableLongPath());
    OptionFile file;
    if (!path.empty()) file = openOptionFile(path);
    logInfo("user vmoptions file: %s, file: %p", path.empty() ? "(none)" : path.c_str(), file.handle);
    return file;
}

const OptionEnvironment& processEnvironment() {
    static const OptionEnvironment environment{
        openOptionFile,
        [](const std::string& name, const std::string* base) {
            return makeAbsolute(name, base != nullptr ? base->c_str() : nullptr);
        },
        expandVariables,
        [](const std::string& line) { logInfo("%s", line.c_str()); },
    };
    return environment;
}

}  // namespace

Outcome collectVmOptions(const ApplicationSettings& settings, const ArgumentList& arguments, VmOptionList& list,
                         ClassPathOverrides& overrides) {
    std::string parameters = settings.vmParameters;
    expandVariables(parameters);
    std::vector<std::string> pieces;
    if (!splitArguments(parameters, pieces)) return endWithMessage(MessageId::InvalidParameters);
    std::vector<std::string> javaOptions;
    if (settings.javaOptionArguments)
        for (const std::u16string& option : javaOptionArguments(arguments))
            javaOptions.push_back(wideToNarrow(option));
    const std::optional<std::string> dangling =
        collectVmOptionsFrom(pieces, javaOptions, openDefaultOptionFile, processEnvironment(), list, overrides,
                             [&settings] { return openUserOptionFile(settings.userOptionsFolder); });
    if (dangling) {
        logError("the VM option %s needs a value: \"%s=VALUE\" or \"%s VALUE\"", dangling->c_str(),
                 dangling->c_str(), dangling->c_str());
        return endWithMessage(MessageId::JvmCouldNotStart);
    }
    return std::nullopt;
}
