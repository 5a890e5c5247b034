// The launcher's start-up under Wine: reading its configuration block, the
// fatal texts of a damaged block, the diagnostic log and the exit codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "format/block.h"
#include "format/config_ids.h"
#include "tests/e2e/rig.h"

namespace {

using rig::RunOptions;

const char* kConsoleApp = R"(
[application]
name = "Spine"
type = 2
main-class = "spine.Main"
)";

class SpineTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override { RIG_SKIP_UNLESS_RUNS(arch()); }
    std::string arch() const { return GetParam(); }
    std::string bits() const { return rig::bits(arch()); }
    rig::Workspace ws;
};

TEST_P(SpineTest, AGoodBlockReachesTheJvmStage) {
    auto built = rig::buildProject(ws, kConsoleApp, "app.exe", arch());
    ASSERT_EQ(0, built.exitCode) << built.err;
    auto result = rig::runWine(ws.file("app.exe"));
    EXPECT_EQ(83, result.exitCode) << result.err;
    // The no-JVM message names the launcher's own word size.
    EXPECT_NE(std::string::npos, result.err.find("installed " + bits() + "-bit JDK or JRE")) << result.err;
}

TEST_P(SpineTest, AWrongMagicIsFatal) {
    block::RawBlock raw;
    std::string bytes = block::encodeBlock(raw);
    bytes[0] = 'X';
    const std::string exe = rig::writeExecutable(ws, "bad.exe", bytes + block::noFilesTrailer(bytes.size()), arch());
    auto result = rig::runWine(exe, rig::withArgs({"-q_mvt_internal"}));
    EXPECT_EQ(1, result.exitCode);
    EXPECT_EQ("Internal Error: magic\n", result.err);
}

INSTANTIATE_TEST_SUITE_P(Arch, SpineTest, ::testing::Values("x86", "x64"));

// Cutting a valid block short at a given byte fails with the text of the
// primitive that was reading there.
using Cut = rig::BlockCut;

class TruncatedBlockTest : public ::testing::TestWithParam<Cut> {};

TEST_P(TruncatedBlockTest, FailsWithThePrimitivesText) {
    block::RawBlock raw;
    raw.narrow = {{ConfigId::ExecutableType, "2"}, {ConfigId::MainClass, "a.B"}};
    raw.wide = {{ConfigId::AppName, u"wide"}};
    const std::string full = block::encodeBlock(raw);
    rig::Workspace ws;
    auto result = rig::runCutBlock(ws, full, GetParam());
    EXPECT_EQ(1, result.exitCode);
    EXPECT_EQ(std::string(GetParam().text) + "\n", result.err);
}

// Offsets in the block above: 0 magic, 4 and 8 reserved, 12 length, 20 N1,
// 24 id 107, 28 length 1, 32 "2", 33 id 122, 37 length 3, 41 "a.B", 44 N2,
// 48 id 101, 52 length 8, 56 "wide", 64 N3.
INSTANTIATE_TEST_SUITE_P(Fields, TruncatedBlockTest,
                         ::testing::Values(Cut{"magic", 2, "Internal Error: readInt"},
                                           Cut{"reserved", 6, "Internal Error: readInt"},
                                           Cut{"length", 15, "Internal Error: readLong"},
                                           Cut{"narrowCount", 20, "Internal Error: readInt"},
                                           Cut{"entryId", 26, "Internal Error: readInt"},
                                           Cut{"entryLength", 30, "Internal Error: readInt"},
                                           Cut{"entryText", 42, "Internal Error: readString"},
                                           Cut{"wideCount", 46, "Internal Error: readInt"},
                                           Cut{"wideText", 60, "Internal Error: readWString"},
                                           Cut{"groupCount", 65, "Internal Error: readInt"}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST(DamagedCounts, AHugeCountFailsWithoutAllocating) {
    rig::Workspace ws;
    std::string header = block::encodeBlock(block::RawBlock{}).substr(0, 20);
    for (const char* count : {"\xff\xff\xff\x7f", "\xff\xff\xff\xff"}) {
        // N1 = 0x7fffffff, or N1 = -1 (none) followed by a huge wide count.
        std::string bytes = header + std::string(count, 4);
        if (count[3] == '\xff') bytes += std::string("\xff\xff\xff\x7f", 4);
        const std::string exe = rig::writeExecutable(ws, "count.exe", bytes + std::string(64, '\0'));
        auto result = rig::runWine(exe, rig::withArgs({"-q_mvt_internal"}));
        EXPECT_EQ(1, result.exitCode);
        EXPECT_EQ("Internal Error: readInt\n", result.err);
    }
    // A byte count far beyond the file's end.
    std::string bytes = header + std::string("\x01\0\0\0", 4) + std::string("\x65\0\0\0", 4) +
                        std::string("\xf0\xff\xff\x7f", 4) + "abc";
    const std::string exe = rig::writeExecutable(ws, "length.exe", bytes);
    auto result = rig::runWine(exe, rig::withArgs({"-q_mvt_internal"}));
    EXPECT_EQ(1, result.exitCode);
    EXPECT_EQ("Internal Error: readString\n", result.err);
}

TEST(ExitCodes, ConsoleTypeWritesErrorsToStandardError) {
    rig::Workspace ws;
    ASSERT_EQ(0, rig::buildProject(ws, R"toml(
[application]
type = 2
[messages]
no-jvm-found = "none here ({0} bit)"
)toml", "console.exe").exitCode);
    auto result = rig::runWine(ws.file("console.exe"));
    EXPECT_EQ(83, result.exitCode);
    EXPECT_EQ(rig::withBits("none here ({bits} bit)\n"), result.err);
}

// The diagnostic log.
class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0, rig::buildProject(ws, kConsoleApp, "logged.exe").exitCode);
        before = rig::tempFilesStartingWith("mvt_nlog_");
    }
    std::vector<std::string> newLogs() const {
        std::vector<std::string> added;
        for (const std::string& name : rig::tempFilesStartingWith("mvt_nlog_"))
            if (std::find(before.begin(), before.end(), name) == before.end()) added.push_back(name);
        return added;
    }
    rig::Workspace ws;
    std::vector<std::string> before;
};

TEST_F(LogTest, EitherVariableSetToYesCreatesOneLogFile) {
    for (const char* variable : {"QARVO_LOG", "MORVANTIC_LOG"}) {
        before = rig::tempFilesStartingWith("mvt_nlog_");
        RunOptions options;
        options.env[variable] = "yes";
        auto result = rig::runWine(ws.file("logged.exe"), options);
        EXPECT_EQ(83, result.exitCode);
        auto logs = newLogs();
        ASSERT_EQ(1u, logs.size()) << variable;
        const std::string text = rig::readFile(rig::wineTempDirectory() + "/" + logs[0]);
        const std::string header = "Started executable " + rig::windowsPath(ws.file("logged.exe")) + " at ";
        EXPECT_EQ(0u, text.find(header)) << text;
        // The ctime text ends with its own newline: an empty line follows.
        const size_t headerEnd = text.find("\r\n");
        ASSERT_NE(std::string::npos, headerEnd);
        EXPECT_EQ("\r\n", text.substr(headerEnd + 2, 2)) << text;
        for (const char* line : {"\r\nnumber of sections: ", "\r\nsize of optional headers: ",
                                 "\r\nresSectionTableStart: ", "\r\nrawDataSize: ", "\r\nworking directory unchanged\r\n",
                                 "\r\nSearching for a JVM\r\n", "\r\nERROR: No JVM found\r\n"})
            EXPECT_NE(std::string::npos, text.find(line)) << line << "\n" << text;
        // The log path ends the error text.
        EXPECT_NE(std::string::npos, result.err.find("\n\nLog: C:\\")) << result.err;
        EXPECT_NE(std::string::npos, result.err.find(logs[0])) << result.err;
    }
}

TEST_F(LogTest, OtherValuesCreateNoLog) {
    for (const char* value : {"Yes", "YES", "1", "yess", "yes "}) {
        RunOptions options;
        options.env["QARVO_LOG"] = value;
        options.env["MORVANTIC_LOG"] = value;
        auto result = rig::runWine(ws.file("logged.exe"), options);
        EXPECT_EQ(83, result.exitCode);
        EXPECT_TRUE(newLogs().empty()) << value;
        EXPECT_EQ(std::string::npos, result.err.find("Log:")) << result.err;
    }
}

TEST_F(LogTest, TheLogSwitchInElementOneRequestsALog) {
    auto result = rig::runWine(ws.file("logged.exe"), rig::withArgs({"-create-qvo-log", "x"}));
    EXPECT_EQ(83, result.exitCode);
    EXPECT_EQ(1u, newLogs().size());
    before = rig::tempFilesStartingWith("mvt_nlog_");
    result = rig::runWine(ws.file("logged.exe"), rig::withArgs({"x", "-create-qvo-log"}));
    EXPECT_EQ(83, result.exitCode);
    EXPECT_TRUE(newLogs().empty());
}

}  // namespace
