// JVM options from the configured VM parameters, the "-J" arguments and the
// VM option files beside the executable, with their inclusions and class-path
// overrides. The reading and routing here are independent of the platform:
// files, path resolution, expansion and the log come in as callbacks.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/args.h"
#include "config/launch_config.h"
#include "platform/format_text.h"
#include "platform/outcome.h"

// The ordered option texts handed to the JVM. Kept for the life of the
// process once the JVM has them.
using VmOptionList = std::vector<std::string>;

// Class-path texts set by "-classpath ", "-classpath/p " and "-classpath/a ";
// the last one set wins.
struct ClassPathOverrides {
    std::optional<std::string> replace;
    std::optional<std::string> prepend;
    std::optional<std::string> append;
};

// An option file as opened: its path, the handle the log shows (null when
// the file did not open) and its raw bytes.
struct OptionFile {
    std::string path;
    const void* handle = nullptr;
    std::string contents;
};

struct OptionEnvironment {
    // Opens and reads a whole file.
    std::function<OptionFile(const std::string& path)> open;
    // A relative name made absolute against the executable's directory (no
    // base) or against the directory of the base file.
    std::function<std::string(const std::string& name, const std::string* base)> makeAbsolute;
    std::function<void(std::string& text)> expand;
    std::function<void(const std::string& line)> log;
};

// Inclusions deeper than this are not followed (a cycle that the open-file
// check cannot see, as one file reached under two spellings). Far deeper than
// any real chain of option files, which must be read whole.
inline constexpr int kMaxOptionFileDepth = 128;
// Nor more inclusions than this in one launch: files that each include
// several others twice over would otherwise be read exponentially often.
inline constexpr int kMaxOptionFileInclusions = 1000;

// The forms of the "java" command whose value is a separate word: "--add-opens X"
// (the next option, or after a blank on the same line) becomes
// "--add-opens=X", the only form JNI_CreateJavaVM takes; "-p X" becomes
// "--module-path=X".
struct SplitOptionForm {
    const char* written;  // as users write it
    const char* joined;   // the option name HotSpot takes, before "=value"
};
const std::vector<SplitOptionForm>& splitOptionForms();

// An option text as HotSpot takes it: "--add-opens X" (a form, blanks, a
// value) joined with "=", any other text unchanged.
std::string joinedOptionText(const std::string& text);
// The form's joined name when the text is exactly a form that waits for its
// value in the next option ("--add-opens", "-p").
const SplitOptionForm* formAwaitingValue(const std::string& text);

// The lines of a file as the C runtime's text mode and fgets give them: CR LF
// read as LF, reading ends at a Ctrl-Z. Lines are not cut at any length.
std::vector<std::string> textModeLines(const std::string& contents);

// The clean-up of one option-file line: line ends, then leading and trailing
// blanks (spaces only) removed. Empty for a comment or an empty line.
std::string cleanOptionLine(std::string line);

class OptionReader {
public:
    OptionReader(const OptionEnvironment& environment, VmOptionList& list, ClassPathOverrides& overrides)
        : env_(environment), list_(list), overrides_(overrides) {}

    // Routes one option text: an inclusion, a class-path override or an option.
    void processOptionLine(const std::string* base, const std::string& text);
    // Reads the options of an opened file (nothing when it did not open).
    void readOptionFile(const std::string* base, const OptionFile& file);
    // The end of one option source (the configured parameters, the "-J"
    // arguments, a file): a form still waiting for its value is dangling.
    void endOfSource();
    // The first option that was left without its value, as written.
    const std::optional<std::string>& dangling() const { return dangling_; }

private:
    void includeOptionFile(const std::string* base, const std::string& name);
    bool alreadyBeingRead(const std::string& path) const;

    const OptionEnvironment& env_;
    VmOptionList& list_;
    ClassPathOverrides& overrides_;
    std::vector<std::string> reading_;  // the files being read, outermost first, in lower case
    int inclusions_ = 0;
    const SplitOptionForm* awaiting_ = nullptr;  // a form waiting for the next option as its value
    std::optional<std::string> dangling_;
};

// Everything of the option sources after the configured VM parameters were
// expanded and split: their pieces ("-include-options" joined with the next
// piece), then the "-J" options, then the default option file, then the
// user's own option file (when there is an opener for it). Returns the first
// option left without its value (the launch cannot go on), as written.
std::optional<std::string> collectVmOptionsFrom(const std::vector<std::string>& parameterPieces,
                                                const std::vector<std::string>& javaOptionArguments,
                                                const std::function<OptionFile()>& openDefaultOptionFile,
                                                const OptionEnvironment& environment, VmOptionList& list,
                                                ClassPathOverrides& overrides,
                                                const std::function<OptionFile()>& openUserOptionFile = {});

// The elements of the argument list, element 0 included, that begin with
// "-J", without those two characters.
std::vector<std::u16string> javaOptionArguments(const ArgumentList& arguments);

// The default option file's candidates for the long form of the executable
// path: the name with its extension replaced by ".vmoptions", then the name
// with ".vmoptions" appended.
std::vector<std::string> defaultOptionFileCandidates(const std::string& longExecutablePath);

// The user's own option file: <application data>\<folder>\<executable
// name without ".exe">.vmoptions. Empty when the folder or the application
// data directory is not known.
std::string userOptionFilePath(const std::string& applicationData, const std::string& folder,
                               const std::string& executablePath);

// Whether a runtime of this version (as its release file or banner gives it)
// takes an option the launcher would add itself: options that came with a
// later Java version ("-XX:+AutoCreateSharedArchive" with 19) are left out
// for an older runtime, and for one whose version is not known. Options the
// user wrote are never judged by this.
bool runtimeTakesOption(const std::string& option, const std::string& runtimeVersion);

// The launcher's own options that the runtime takes, in order.
VmOptionList launcherOptionsFor(const VmOptionList& options, const std::string& runtimeVersion);

// Win32 layer: the three sources of this process, in order, into list and
// overrides. Ends the launch with message 1007 on an unclosed quote in the
// configured VM parameters, with message 1005 on an option without its value.
[[nodiscard]] Outcome collectVmOptions(const ApplicationSettings& settings, const ArgumentList& arguments,
                                       VmOptionList& list, ClassPathOverrides& overrides);
