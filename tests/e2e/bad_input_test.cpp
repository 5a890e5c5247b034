// Bad inputs under Wine: damaged configuration blocks, option files that
// include each other or run very long, a very long PATH, long paths and paths
// the ANSI code page cannot spell, a temporary directory filled in advance
// and libraries planted where the launcher starts. Each case ends with the
// message or exit code the launcher gives for it, and whatever reaches the JVM
// is read back from the fake runtime's transcript, so that nothing is cut
// short or lost on the way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "format/block.h"
#include "format/config_ids.h"
#include "launch/vm_options.h"
#include "tests/e2e/rig.h"

namespace fs = std::filesystem;

namespace {

std::string le32(uint32_t value) {
    std::string out;
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
    return out;
}

using rig::logged;
using rig::lower;
using rig::withPrefix;

bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

std::vector<std::string> startingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : lines)
        if (startsWith(line, prefix)) out.push_back(line);
    return out;
}

// Runs a command line through Wine's cmd, for what only a Windows parent can
// set for the launcher: the current directory, TMP and TEMP. The tokens must
// hold no blanks.
rig::RunResult runThroughCmd(const std::vector<std::string>& tokens, rig::RunOptions options = {}) {
    std::vector<std::string> argv = {rig::wineRunner(), "cmd", "/c"};
    argv.insert(argv.end(), tokens.begin(), tokens.end());
    rig::RunResult result = rig::run(argv, options);
    for (std::string* text : {&result.out, &result.err}) text->erase(std::remove(text->begin(), text->end(), '\r'), text->end());
    return result;
}

// ------------------------------------------------------------ damaged blocks

// A block cut short inside the wide entries and the localised groups (the
// narrow entries and the counts are cut in spine_test.cpp).
using Cut = rig::BlockCut;

class TruncatedAtTest : public ::testing::TestWithParam<Cut> {};

TEST_P(TruncatedAtTest, FailsWithThePrimitivesText) {
    block::RawBlock raw;
    raw.narrow = {{ConfigId::ExecutableType, "2"}};
    raw.wide = {{ConfigId::AppName, u"w"}};
    raw.groups = {{"en", {{1000, u"E"}}}};
    const std::string full = block::encodeBlock(raw);
    ASSERT_EQ(71u, full.size()) << "the offsets below no longer fit the block";
    rig::Workspace ws;
    auto result = rig::runCutBlock(ws, full, GetParam());
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(1, result.exitCode);
    EXPECT_EQ(std::string(GetParam().text) + "\n", result.err);
}

// Offsets: 20 N1, 24 id 107, 28 length 1, 32 "2", 33 N2, 37 id 101,
// 41 length 2, 45 "w", 47 N3, 51 code length 2, 55 "en", 57 M, 61 id 1000,
// 65 length 2, 69 "E", 71 end.
INSTANTIATE_TEST_SUITE_P(WideAndGroupFields, TruncatedAtTest,
                         ::testing::Values(Cut{"wideId", 39, "Internal Error: readInt"},
                                           Cut{"wideLength", 43, "Internal Error: readInt"},
                                           Cut{"groupCodeLength", 53, "Internal Error: readInt"},
                                           Cut{"groupCode", 56, "Internal Error: readString"},
                                           Cut{"groupEntryCount", 59, "Internal Error: readInt"},
                                           Cut{"groupEntryId", 63, "Internal Error: readInt"},
                                           Cut{"groupEntryLength", 67, "Internal Error: readInt"},
                                           Cut{"groupEntryText", 70, "Internal Error: readWString"}),
                         [](const auto& info) { return std::string(info.param.what); });

// Counts and byte counts of every sign and size, in a block that ends where
// its bytes end. A count of 0 or less means none, and the launch goes on to
// the JVM search; a count or byte count beyond the file's end, or an odd wide
// byte count, is refused at once.
struct Counts {
    const char* name;
    std::string afterHeader;  // everything after the 20 header bytes
    int exitCode;
    const char* err;
};

// The narrow entries of a block that gets as far as the JVM search.
std::string goodNarrow() {
    const std::string type = "2", message = "no jvm";
    return le32(2) + le32(ConfigId::ExecutableType) + le32(1) + type + le32(1016) + le32(6) + message;
}

std::string zeros(size_t n) { return std::string(n, '\0'); }

class DamagedCountTest : public ::testing::TestWithParam<Counts> {};

TEST_P(DamagedCountTest, EndsAsTheBlockSays) {
    const Counts& c = GetParam();
    rig::Workspace ws;
    const std::string header = block::encodeBlock(block::RawBlock{}).substr(0, 20);
    const std::string bytes = header + c.afterHeader;
    const std::string exe = rig::writeExecutable(ws, "counts.exe", bytes);
    auto result = rig::runWine(exe, rig::withArgs({"-q_mvt_internal"}));
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(c.exitCode, result.exitCode) << result.err;
    EXPECT_EQ(c.err, result.err);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, DamagedCountTest,
    ::testing::Values(
        Counts{"wideCountAllOnesIsNone", goodNarrow() + le32(0xffffffff) + le32(0), 83, "no jvm\n"},
        Counts{"groupCountAllOnesIsNone", goodNarrow() + le32(0) + le32(0xffffffff), 83, "no jvm\n"},
        Counts{"groupEntryCountAllOnesIsNone", goodNarrow() + le32(0) + le32(1) + le32(2) + "en" + le32(0xffffffff),
               83, "no jvm\n"},
        Counts{"groupCountMax", goodNarrow() + le32(0) + le32(0x7fffffff), 1, "Internal Error: readInt\n"},
        Counts{"groupEntryCountMax", goodNarrow() + le32(0) + le32(1) + le32(2) + "en" + le32(0x7fffffff), 1,
               "Internal Error: readInt\n"},
        Counts{"narrowByteCountAllOnes", le32(1) + le32(101) + le32(0xffffffff) + "abc", 1,
               "Internal Error: readString\n"},
        Counts{"wideByteCountAllOnes", le32(0) + le32(1) + le32(101) + le32(0xffffffff) + "abcd", 1,
               "Internal Error: readWString\n"},
        Counts{"wideByteCountMax", le32(0) + le32(1) + le32(101) + le32(0x7fffffff) + "abcd", 1,
               "Internal Error: readWString\n"},
        Counts{"groupCodeByteCountAllOnes", goodNarrow() + le32(0) + le32(1) + le32(0xffffffff) + "en", 1,
               "Internal Error: readString\n"},
        Counts{"wideByteCountOne", le32(0) + le32(1) + le32(101) + le32(1) + "a" + zeros(8), 1,
               "Internal Error: readWString\n"},
        Counts{"wideByteCountThree", le32(0) + le32(1) + le32(101) + le32(3) + "abc" + zeros(8), 1,
               "Internal Error: readWString\n"},
        Counts{"groupByteCountOdd", goodNarrow() + le32(0) + le32(1) + le32(2) + "en" + le32(1) + le32(1000) +
                                        le32(5) + "abcde" + zeros(8),
               1, "Internal Error: readWString\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ launches

const char* kMessages = R"(
[messages]
jvm-start-failed = "cannot start"
internal-error = "internal {0}"
no-jvm-found = "no jvm"
)";

// An application with the fake runtime in jre\ beside it, found through the
// search sequence.
class BadInputLaunch : public ::testing::Test {
protected:
    std::string build(const std::string& application = "", const std::string& java = "",
                      const std::string& search = "B.\\jre", const std::string& arch = rig::defaultArch()) {
        rig::FakeRuntimeOptions runtime;
        runtime.arch = arch;
        bin = rig::layFakeRuntime(ws.file("jre"), runtime);
        const std::string text = "[application]\nname = \"Bad\"\ntype = 2\nmain-class = \"app.Main\"\n" + application +
                                 "\n[java]\nsearch-sequence = '" + search + "'\n" + java + kMessages;
        auto built = rig::buildProject(ws, text, "app.exe", arch);
        EXPECT_EQ(0, built.exitCode) << built.err;
        return ws.file("app.exe");
    }
    std::vector<std::string> transcript() const { return rig::fakeCalls(bin + "/server"); }
    std::vector<std::string> options() const { return withPrefix(transcript(), "option "); }
    // The options whose text starts with prefix, in order.
    std::vector<std::string> options(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& option : options())
            if (startsWith(option, prefix)) out.push_back(option);
        return out;
    }
    std::string option(const std::string& prefix) const {
        const auto found = options(prefix);
        return found.empty() ? std::string() : found.front().substr(prefix.size());
    }
    bool mainWasCalled() const {
        return !startingWith(transcript(), "CallStaticVoidMethod com/qarvo/runtime/WinLauncher.main").empty();
    }
    std::string win(const std::string& relative) const { return rig::windowsPath(ws.file(relative)); }

    rig::Workspace ws;
    std::string bin;
};

// ------------------------------------------------------------ option files

class OptionFileInputTest : public BadInputLaunch {};

TEST_F(OptionFileInputTest, AnInclusionCycleIsReadOnceAndTheLaunchGoesOn) {
    const std::string exe = build("", "vm-parameters = \"-include-options self.vmoptions\"\n");
    ws.write("self.vmoptions", "-Dcycle.self1\n-include-options self.vmoptions\n-Dcycle.self2\n");
    // The default option file takes part in the cycle through b.
    ws.write("app.vmoptions", "-Dcycle.a1\n-include-options b.vmoptions\n-Dcycle.a2\n");
    ws.write("b.vmoptions",
             "-Dcycle.b1\n-include-options app.vmoptions\n-include-options ${QARVO_EXEDIR}\\b.vmoptions\n-Dcycle.b2\n");
    auto run = rig::runWineLogged(exe);
    EXPECT_FALSE(run.result.timedOut);
    EXPECT_EQ(0, run.result.exitCode) << run.result.err;
    EXPECT_EQ((std::vector<std::string>{"-Dcycle.self1", "-Dcycle.self2", "-Dcycle.a1", "-Dcycle.b1", "-Dcycle.b2",
                                        "-Dcycle.a2"}),
              options("-Dcycle."));
    EXPECT_NE(std::string::npos, run.log.find("self.vmoptions> includes itself; not read again")) << run.log;
    EXPECT_NE(std::string::npos, run.log.find("b.vmoptions> includes itself; not read again")) << run.log;
}

TEST_F(OptionFileInputTest, AFiftyDeepChainIsReadWhole) {
    const int files = 50;
    static_assert(files < kMaxOptionFileDepth, "the chain stays within the depth limit");
    const std::string exe = build("", "vm-parameters = \"-include-options c1.vmoptions\"\n");
    for (int i = 1; i <= files; ++i) {
        const std::string include = i < files ? "-include-options c" + std::to_string(i + 1) + ".vmoptions\n" : "";
        ws.write("c" + std::to_string(i) + ".vmoptions",
                 "-Dlevel=" + std::to_string(i) + "\n" + include + "-Dafter=" + std::to_string(i) + "\n");
    }
    auto run = rig::runWineLogged(exe);
    EXPECT_FALSE(run.result.timedOut);
    EXPECT_EQ(0, run.result.exitCode) << run.result.err;
    std::vector<std::string> expected;
    for (int i = 1; i <= files; ++i) expected.push_back("-Dlevel=" + std::to_string(i));
    for (int i = files; i >= 1; --i) expected.push_back("-Dafter=" + std::to_string(i));
    std::vector<std::string> got = options("-Dlevel=");
    for (const std::string& after : options("-Dafter=")) got.push_back(after);
    EXPECT_EQ(expected, got);
    EXPECT_EQ(std::string::npos, run.log.find("not read")) << run.log;
}

// Lines at and beyond the old 8192-byte line buffer reach the JVM whole,
// from an option file and from the configured VM parameters.
TEST_F(OptionFileInputTest, LongLinesReachTheJvmWhole) {
    auto padded = [](const std::string& name, size_t length) {
        std::string text = "-Dlong." + name + "=";
        for (size_t i = text.size(); i < length; ++i) text.push_back(static_cast<char>('a' + i % 26));
        return text;
    };
    const std::vector<std::string> fileLines = {padded("a", 8191), padded("b", 8192), padded("c", 8193),
                                                padded("d", 100000)};
    const std::string parameter = padded("p", 100000);
    const std::string exe = build("", "vm-parameters = \"" + parameter + "\"\n");
    std::string file;
    for (const std::string& line : fileLines) file += line + "\r\n";
    ws.write("app.vmoptions", file);
    auto run = rig::runWine(exe);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(0, run.exitCode) << run.err.substr(0, 500);
    std::vector<std::string> expected = {parameter};
    expected.insert(expected.end(), fileLines.begin(), fileLines.end());
    const std::vector<std::string> got = options("-Dlong.");
    ASSERT_EQ(expected.size(), got.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].size(), got[i].size()) << i;
        EXPECT_TRUE(expected[i] == got[i]) << i;
    }
}

// ------------------------------------------------------------ PATH

// A PATH near the largest an environment variable can hold: the runtime's bin
// directory still goes on its end, and the library jvm.dll imports from that
// directory is found through it.
TEST_F(BadInputLaunch, APathOf32000CharactersStillGetsTheRuntimesDirectory) {
    const std::string exe = build();
    std::string old;
    for (int i = 0; old.size() < 32000; ++i) old += (i ? ";C:\\p" : "C:\\p") + std::to_string(10000 + i);
    old.resize(32000);
    if (old.back() == ';') old.back() = 'x';
    rig::RunOptions options;
    options.env["WINEPATH"] = old;
    auto run = rig::runWineLogged(exe, options);
    EXPECT_FALSE(run.result.timedOut);
    EXPECT_EQ(0, run.result.exitCode) << run.result.err;
    // The line of the JVM loading, not the one of the native library path.
    const std::string path = "C:" + logged(run.log, "Setting PATH C:");
    ASSERT_GT(path.size(), 2u) << run.log.substr(0, 2000);
    EXPECT_EQ(0u, path.find(old)) << "the old value is kept whole";
    const std::string end = ";" + lower(win("jre\\bin"));
    ASSERT_GT(path.size(), end.size());
    EXPECT_EQ(end, lower(path.substr(path.size() - end.size())));
    EXPECT_EQ((std::vector<std::string>{"base library " + lower(win("jre\\bin\\fakejre-base.dll"))}),
              [&] {
                  std::vector<std::string> lines = startingWith(transcript(), "base library ");
                  for (std::string& line : lines) line = lower(line);
                  return lines;
              }());
    EXPECT_TRUE(mainWasCalled());
}

// ------------------------------------------------------------ paths

// A directory name the ANSI code page cannot spell (Greek under code page
// 1252): the launcher runs from its short form and hands the JVM no "?".
TEST_F(BadInputLaunch, AnExecutablePathOutsideTheAnsiCodePageStillLaunches) {
    const std::string built = build("", "", "A" + rig::windowsPath(ws.file("jre")));
    const std::string directory = ws.file("\xce\xa9\xce\xbc\xce\xad\xce\xb3\xce\xb1");  // Ωμέγα
    fs::create_directories(directory);
    fs::copy_file(built, directory + "/app.exe");
    rig::RunOptions utf8;
    utf8.env["LC_ALL"] = "C.UTF-8";
    auto run = rig::runWine(directory + "/app.exe", utf8);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_TRUE(mainWasCalled());
    const std::string module = option("-Dqarvo.moduleName=");
    EXPECT_FALSE(module.empty());
    EXPECT_EQ(std::string::npos, module.find('?')) << module;
    for (const std::string& text : options()) EXPECT_EQ(std::string::npos, text.find('?')) << text;
}

// TMP and TEMP the ANSI code page cannot spell: a temporary directory the
// launcher can name is used instead, for the extraction too.
TEST_F(BadInputLaunch, ATemporaryDirectoryOutsideTheAnsiCodePageIsReplaced) {
    ws.write("src/a.dll", "included");
    const std::string exe =
        build("[[files]]\nsource = \"src/a.dll\"\nname = \"a.dll\"\n", "", "A" + rig::windowsPath(ws.file("jre")));
    const std::string temp = ws.file("tmp\xce\xa9\xce\xbc\xce\xad\xce\xb3\xce\xb1");
    fs::create_directories(temp);
    const std::string windowsTemp = rig::windowsPath(temp);
    rig::RunOptions options;
    options.env["LC_ALL"] = "C.UTF-8";
    options.args = {"/c", "set", "TMP=" + windowsTemp + "&&", "set", "TEMP=" + windowsTemp + "&&", rig::windowsPath(exe)};
    // The file is read where the JVM was told while the application runs.
    std::ofstream(bin + "/server/fakejre.ini") << rig::waitInMainLine(bin + "/server");
    const std::string windowsTempHost = rig::winePrefix() + "/drive_c/windows/temp/";
    std::string included;
    auto run = rig::runWhileMainWaits("cmd", bin + "/server", [&] {
        const std::string tempDir = option("-Dqarvo.tempDir=");
        if (tempDir.size() > std::string("C:\\windows\\temp\\").size())
            included = rig::readFile(windowsTempHost + tempDir.substr(std::string("C:\\windows\\temp\\").size()) + "/a.dll");
    }, options);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_TRUE(mainWasCalled());
    const std::string tempDir = option("-Dqarvo.tempDir=");
    EXPECT_EQ(0u, lower(tempDir).find("c:\\windows\\temp\\qvo")) << tempDir;
    EXPECT_EQ(std::string::npos, tempDir.find('?'));
    EXPECT_TRUE(fs::is_empty(temp)) << "nothing is written under a name the launcher cannot spell";
    EXPECT_EQ("included", included);
}

// Executable paths of 259, 260 and 261 characters, around MAX_PATH: the
// ANSI file functions open at most 259. A longer path is not refused with
// the media-file text: the launcher runs from its short form, as it does
// from a path the ANSI code page cannot spell.
class PathLengthTest : public BadInputLaunch, public ::testing::WithParamInterface<size_t> {};

TEST_P(PathLengthTest, LaunchesAndNamesItselfByAPathTheAnsiFunctionsOpen) {
    const size_t length = GetParam();
    const std::string built = build("", "", "A" + rig::windowsPath(ws.file("jre")));
    // Directories of at most 100 characters fill the path up to the length.
    std::string relative;
    size_t left = length - rig::windowsPath(ws.path()).size() - std::string("\\app.exe").size();
    while (left > 0) {
        const size_t part = left > 101 ? 100 : (left == 101 ? 50 : left);
        relative += "/" + std::string(part - 1, static_cast<char>('a' + relative.size() % 26));
        left -= part;
    }
    const std::string directory = ws.path() + relative;
    fs::create_directories(directory);
    fs::copy_file(built, directory + "/app.exe");
    const std::string windowsExe = rig::windowsPath(directory + "/app.exe");
    ASSERT_EQ(length, windowsExe.size()) << windowsExe;
    auto run = rig::runWine(directory + "/app.exe");
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_TRUE(mainWasCalled());
    const std::string module = option("-Dqarvo.moduleName=");
    if (length < 260) {
        EXPECT_EQ(lower(windowsExe), lower(module));
    } else {
        EXPECT_LT(module.size(), 260u) << module;
        EXPECT_NE(std::string::npos, lower(module).find("~")) << module;
        EXPECT_EQ(lower(module).size() - 8, lower(module).rfind("\\app.exe")) << module;
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, PathLengthTest, ::testing::Values(259, 260, 261));

// ------------------------------------------------------------ planted names

// Every name the platform's unique temporary names could give exists
// already in a private temporary directory, as another user or an older
// version might have made them: the launcher takes none of them, and its own
// names do not run out, so the start goes on.
TEST_F(BadInputLaunch, ExtractionDirectoriesMadeInAdvanceAreNeverUsed) {
    ws.write("src/a.dll", "included");
    const std::string exe = build("[[files]]\nsource = \"src/a.dll\"\nname = \"a.dll\"\n");
    const std::string temp = ws.file("tmp");
    fs::create_directories(temp);
    // The platform's unique temporary names: the prefix and a hexadecimal number.
    std::vector<std::string> planted;
    for (unsigned number = 1; number <= 0xffff; ++number) {
        char name[32];
        std::snprintf(name, sizeof name, "qvo%x.tmp_dir", number);
        planted.push_back(temp + "/" + name);
        fs::create_directory(planted.back());
    }
    const std::string windowsTemp = rig::windowsPath(temp);
    auto run = runThroughCmd({"set", "TMP=" + windowsTemp + "&&", "set", "TEMP=" + windowsTemp + "&&",
                              rig::windowsPath(exe)});
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_EQ("", run.err);
    EXPECT_TRUE(mainWasCalled());
    size_t used = 0;
    for (const std::string& directory : planted)
        if (!fs::is_empty(directory)) ++used;
    EXPECT_EQ(0u, used);
    fs::remove_all(temp);
}

// A copy of the library jvm.dll imports, planted beside the launcher, in
// the current directory or in a directory on PATH (which the runtime's bin
// directory joins at the end), is not the one used: the runtime's own copy in
// its bin directory is. The override makes Wine search the application
// directory for it first, as Windows does.
struct Planting {
    const char* name;
    const char* arch;
    bool besideTheLauncher;
    bool inTheCurrentDirectory;
    bool onThePath = false;
};

class PlantedLibraryTest : public BadInputLaunch, public ::testing::WithParamInterface<Planting> {};

TEST_P(PlantedLibraryTest, IsNotLoadedInPlaceOfTheRuntimes) {
    const Planting& p = GetParam();
    RIG_SKIP_UNLESS_RUNS(p.arch);
    const std::string exe = build("", "", "A" + rig::windowsPath(ws.file("jre")), p.arch);
    const std::string library = rig::distDirectory() + "/testing/fakejre/" + p.arch + "/fakejre-base.dll";
    fs::create_directories(ws.file("cwd"));
    if (p.besideTheLauncher) fs::copy_file(library, ws.file("fakejre-base.dll"));
    if (p.inTheCurrentDirectory) fs::copy_file(library, ws.file("cwd/fakejre-base.dll"));
    rig::RunOptions options;
    options.env["WINEDLLOVERRIDES"] = "mscoree,mshtml=;fakejre-base=n,b";
    if (p.onThePath) {
        fs::create_directories(ws.file("onpath"));
        fs::copy_file(library, ws.file("onpath/fakejre-base.dll"));
        options.env["WINEPATH"] = rig::windowsPath(ws.file("onpath"));
    }
    auto run = runThroughCmd({"cd", "/d", rig::windowsPath(ws.file("cwd")) + "&&", rig::windowsPath(exe)}, options);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_TRUE(mainWasCalled());
    std::vector<std::string> used = startingWith(transcript(), "base library ");
    for (std::string& line : used) line = lower(line);
    EXPECT_EQ((std::vector<std::string>{"base library " + lower(win("jre\\bin\\fakejre-base.dll"))}), used);
}

INSTANTIATE_TEST_SUITE_P(Places, PlantedLibraryTest,
                         ::testing::Values(Planting{"nowhere", "x86", false, false},
                                           Planting{"besideTheLauncher", "x86", true, false},
                                           Planting{"inTheCurrentDirectory", "x86", false, true},
                                           Planting{"inBoth", "x86", true, true},
                                           Planting{"besideTheLauncher64", "x64", true, false},
                                           Planting{"inTheCurrentDirectory64", "x64", false, true},
                                           Planting{"onThePath", "x86", false, false, true},
                                           Planting{"onThePath64", "x64", false, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
