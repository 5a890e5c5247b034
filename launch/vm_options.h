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

private:
    void includeOptionFile(const std::string* base, const std::string& name);
    bool alreadyBeingRead(const std::string& path) const;

    const OptionEnvironment& env_;
    VmOptionList& list_;
    ClassPathOverrides& overrides_;
    std::vector<std::string> reading_;  // the files being read, outermost first, in lower case
    int inclusions_ = 0;
};

// Everything of the option sources after the configured VM parameters were
// expanded and split: their pieces ("-include-options" joined with the next
// piece), then the "-J" options, then the default option file.
void collectVmOptionsFrom(const std::vector<std::string>& parameterPieces,
                          const std::vector<std::string>& javaOptionArguments,
                          const std::function<OptionFile()>& openDefaultOptionFile, const OptionEnvironment& environment,
                          VmOptionList& list, ClassPathOverrides& overrides);

// The elements of the argument list, element 0 included, that begin with
// "-J", without those two characters.
std::vector<std::u16string> javaOptionArguments(const ArgumentList& arguments);

// The default option file's candidates for the long form of the executable
// path: the name with its extension replaced by ".vmoptions", then the name
// with ".vmoptions" appended.
std::vector<std::string> defaultOptionFileCandidates(const std::string& longExecutablePath);

// printf into a string of any length.
std::string formatText(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Win32 layer: the three sources of this process, in order, into list and
// overrides. Ends the launch with message 1007 on an unclosed quote in the
// configured VM parameters.
[[nodiscard]] Outcome collectVmOptions(const ApplicationSettings& settings, const ArgumentList& arguments,
                                       VmOptionList& list, ClassPathOverrides& overrides);
