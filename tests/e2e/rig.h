// Test rig for executables built by qarvo-build and run under Wine.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "format/block.h"

namespace rig {

std::string distDirectory();

// Whether this machine runs 32-bit Windows programs: the Wine runner
// (scripts/wine-run.sh) decides, once per test program.
bool x86Runs();
// The architecture of a test that is not about x86 in particular: x86 where
// 32-bit programs run, x64 otherwise.
const std::string& defaultArch();
// Whether an executable of this architecture can run here.
inline bool runs(const std::string& arch) { return arch != "x86" || x86Runs(); }
// The launcher's word size in its messages: "32" or "64".
inline std::string bits(const std::string& arch) { return arch == "x86" ? "32" : "64"; }
// The text with every "{bits}" replaced by the default architecture's word size.
std::string withBits(std::string text);
// Why a test about x86 is skipped.
inline constexpr const char* kNoX86 = "32-bit programs cannot run on this machine";
std::string winePrefix();
// The Windows temporary directory of the prefix, as a host path.
std::string wineTempDirectory();
// A host path below the prefix's drive C: as the Windows path C:\...
std::string windowsPath(const std::string& hostPath);

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
    bool timedOut = false;
};

struct RunOptions {
    std::vector<std::string> args;
    std::map<std::string, std::string> env;  // set for the child
    int timeoutSeconds = 120;
    // When set, standard output and error go to this file (read back into
    // RunResult::out) instead of pipes: Wine's background programs keep the
    // streams of the program that started them, and with pipes a test would
    // wait for them as well.
    std::string outputFile;
    std::string inputFile;  // standard input, instead of /dev/null
};

inline RunOptions withArgs(std::vector<std::string> args) {
    RunOptions options;
    options.args = std::move(args);
    return options;
}

// Skips the running test when executables of the architecture cannot run.
#define RIG_SKIP_UNLESS_RUNS(arch) \
    if (!rig::runs(arch)) GTEST_SKIP() << rig::kNoX86

// A program started in the background (its own process group).
struct Process {
    int pid = -1;
    int outFd = -1;
    int errFd = -1;
    std::string outputFile;
};

Process start(const std::vector<std::string>& argv, const RunOptions& options = {});
Process startWine(const std::string& exe, const RunOptions& options = {});
// Collects the output and waits for the end (killing the group on time-out).
RunResult finish(Process& process, int timeoutSeconds = 120);

// An X server (Xvfb) for tests where a window matters. The Wine server of the
// prefix is stopped when the display comes (the test's programs start one
// with the display) and when it goes, so no Wine process keeps it; the
// server the run keeps up (scripts/wine-server.sh) is then started again.
class Display {
public:
    Display();
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;
    const std::string& name() const { return name_; }
    bool ok() const { return pid_ > 0; }

private:
    int pid_ = -1;
    std::string name_;
};

// Runs a host program with the test environment (launcher-related variables
// such as QARVO_LOG and JAVA_HOME cleared unless env sets them).
RunResult run(const std::vector<std::string>& argv, const RunOptions& options = {});
// The runner every Windows program starts through, with the loader that runs it.
std::string wineRunner();
// Runs a Windows executable under Wine.
RunResult runWine(const std::string& exe, const RunOptions& options = {});

// A fresh directory below the prefix's drive C:, named after the running test.
class Workspace {
public:
    Workspace();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    void write(const std::string& name, const std::string& content) const;

private:
    std::string path_;
};

std::string readFile(const std::string& path);
std::string stubPath(const std::string& arch);

// Builds an executable with dist/bin/qarvo-build from a project text.
RunResult buildProject(const Workspace& ws, const std::string& project, const std::string& exeName,
                       const std::string& arch = defaultArch());
// The stub followed by arbitrary appended bytes (for damaged blocks).
std::string writeExecutable(const Workspace& ws, const std::string& exeName, const std::string& appended,
                            const std::string& arch = defaultArch());

// A configuration block cut short after `keep` bytes: the field it stops in
// (`what`) and the text the launcher must fail with.
struct BlockCut {
    const char* what;
    size_t keep;
    const char* text;
};
// Runs a launcher carrying the first cut.keep bytes of block, its errors on
// standard error ("-q_mvt_internal").
RunResult runCutBlock(const Workspace& ws, const std::string& block, const BlockCut& cut);

// Names in the Wine temporary directory that start with prefix.
std::vector<std::string> tempFilesStartingWith(const std::string& prefix);

// A launcher run with the diagnostic log on: its result and its log's text.
struct LoggedRun {
    RunResult result;
    std::string log;
};
LoggedRun runWineLogged(const std::string& exe, RunOptions options = {});

// A fake Java runtime laid out for a test (see testing/fakejre).
struct FakeRuntimeOptions {
    std::string arch = defaultArch();
    std::vector<std::string> banner = {"openjdk version \"17.0.15\" 2025-04-15"};
    int exitCode = 0;
    bool hang = false;
    std::string vmKind = "server";  // directory of jvm.dll below bin; empty: none
    bool createEntry = true;        // false: a jvm.dll without JNI_CreateJavaVM
    bool javaw = true;              // a javaw.exe beside java.exe
    bool splashLibrary = false;     // the runtime's splashscreen.dll beside java.exe
    enum class Layout { Jre, Jdk8, Jdk9 } layout = Layout::Jre;
};

// Lays out home\bin\java.exe (and, for Jdk8, home\jre\bin\java.exe with
// lib\tools.jar; for Jdk9, bin\javac.exe). Returns the bin directory that
// holds the runtime's java.exe and jvm.dll (home/bin or home/jre/bin).
std::string layFakeRuntime(const std::string& home, const FakeRuntimeOptions& options = {});
// The lines the fake runtime's pieces recorded in directory (fakejre-calls.log).
std::vector<std::string> fakeCalls(const std::string& directory);
// The texts after "<prefix><i>: " (or after the prefix alone) of the
// transcript lines that start with the prefix, in order.
std::vector<std::string> withPrefix(const std::vector<std::string>& lines, const std::string& prefix);

// Which fake runtimes below a directory the launcher loaded: their jvm.dll
// writes "jvm.dll loaded <path>" to the transcript beside it.
class LoadWatch {
public:
    explicit LoadWatch(std::string root) : root_(std::move(root)) {}
    // The homes (relative to the root, with '/') whose jvm.dll was loaded
    // since the last call, in name order.
    std::vector<std::string> loaded();

private:
    std::string root_;
    std::map<std::string, size_t> seen_;  // transcript -> loads counted
};

// ASCII lower case, as the launcher keeps the paths it searches.
std::string lower(std::string text);
// The value logged after a prefix at the start of a log line, up to the end
// of that line; empty when no line has it.
std::string logged(const std::string& log, const std::string& prefix);
// Each expected text starts a line of the log, in this order (a failure
// names the first one missing and prints the log).
void expectLinesInOrder(const std::string& log, const std::vector<std::string>& lines);

// Runs a launcher whose fake jvm.dll in dllDirectory is scripted
// "main=wait:<dllDirectory>\release-main": look() runs while main waits (the
// process is alive, its extraction directory in place), then main goes on
// and the run is finished. A fake that never waits is released at once.
RunResult runWhileMainWaits(const std::string& exe, const std::string& dllDirectory, const std::function<void()>& look,
                            const RunOptions& options = {});
// The script line for that.
std::string waitInMainLine(const std::string& dllDirectory);

// The host's java executable, links resolved (for the fake runtime's bridge).
std::string hostJava();

// The home of a host JDK the fake runtime's bridge can run, by its version:
// "17" Debian's default JDK, "25" Temurin 25 (QARVO_JDK25_HOME overrides its
// place); empty when the machine has no such JDK (its lib/server/libjvm.so).
std::string bridgeJdk(const std::string& version);
// A fake runtime (layFakeRuntime) whose main runs on that JDK through the
// bridge; returns its bin directory.
std::string layBridgedRuntime(const std::string& home, const std::string& jdk, const FakeRuntimeOptions& options = {});
// How a launcher runs against such a runtime: found through QARVO_JAVA_HOME,
// a UTF-8 locale for the host JVM's output, time for a real JVM to start.
RunOptions bridgedRunOptions(const std::string& home, std::vector<std::string> args = {});

// Runs Wine's reg.exe with the arguments; the result's exit code tells success.
RunResult wineReg(const std::vector<std::string>& args);

// Registry changes gathered into a .reg file and made by one start of
// reg.exe (`reg import`). Keys are written HKLM\... or HKCU\...; keys
// below HKLM\SOFTWARE go to the view of the machine's software keys that a
// launcher of the architecture reads (x86: Wow6432Node).
class RegistryFile {
public:
    explicit RegistryFile(std::string arch = defaultArch()) : arch_(std::move(arch)) {}
    // Deletes the key with its subkeys (nothing when it is absent).
    RegistryFile& remove(const std::string& key);
    // Creates the key; with a name, sets its string value.
    RegistryFile& set(const std::string& key, const std::string& name = "", const std::string& value = "");
    bool empty() const { return text_.empty(); }
    // Runs reg import and forgets the changes.
    RunResult import();

private:
    std::string arch_;
    std::string text_;
};

}  // namespace rig
