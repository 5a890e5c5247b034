// qarvo-build's command line on the host: every command answers --help, and
// inspect never promises a rebuild that fails.
#include <gtest/gtest.h>

#include "tests/e2e/rig.h"

namespace {

std::string builder() { return rig::distDirectory() + "/bin/qarvo-build"; }

class CommandHelp : public ::testing::TestWithParam<const char*> {};

TEST_P(CommandHelp, PrintsItsUsageAndSucceeds) {
    const std::string command = GetParam();
    for (const char* flag : {"--help", "-h"}) {
        const auto run = rig::run({builder(), command, flag});
        EXPECT_EQ(0, run.exitCode) << command << " " << flag << ": " << run.err;
        EXPECT_EQ(0u, run.out.find("usage: qarvo-build " + command + " ")) << run.out;
        EXPECT_NE(std::string::npos, run.out.find("\nExit codes:")) << run.out;
        EXPECT_EQ("", run.err);
    }
}

INSTANTIATE_TEST_SUITE_P(Builder, CommandHelp, ::testing::Values("build", "check", "init", "inspect", "schema"));

// The default build includes the runtime archive: inspect without --extract
// says that its files are missing, and the extracted form builds again.
TEST(InspectRoundTrip, ClaimsARebuildOnlyWhenItWorks) {
    rig::Workspace ws;
    ws.write("app.toml", "[application]\nmain-class = \"hello.Main\"\n");
    const auto built = rig::run({builder(), "build", ws.file("app.toml"), "-o", ws.file("app.exe"), "--arch", "x64"});
    ASSERT_EQ(0, built.exitCode) << built.err;

    const auto bare = rig::run({builder(), "inspect", ws.file("app.exe")});
    ASSERT_EQ(0, bare.exitCode) << bare.err;
    EXPECT_EQ(std::string::npos, bare.out.find("Building this file gives the same configuration block.")) << bare.out;
    EXPECT_NE(std::string::npos, bare.out.find("--extract DIR")) << bare.out;
    ws.write("bare.toml", bare.out);
    const auto failed = rig::run({builder(), "build", ws.file("bare.toml"), "-o", ws.file("bare.exe")});
    EXPECT_EQ(1, failed.exitCode) << "the printed project says why it does not build: " << failed.err;

    const auto extracted = rig::run({builder(), "inspect", ws.file("app.exe"), "--extract", ws.file("out")});
    ASSERT_EQ(0, extracted.exitCode) << extracted.err;
    EXPECT_NE(std::string::npos, extracted.out.find("Building this file gives the same configuration block."));
    ws.write("again.toml", extracted.out);
    const auto again = rig::run({builder(), "build", ws.file("again.toml"), "-o", ws.file("again.exe")});
    ASSERT_EQ(0, again.exitCode) << again.err << extracted.out;
    EXPECT_EQ(bare.out, rig::run({builder(), "inspect", ws.file("again.exe")}).out);
}

}  // namespace
