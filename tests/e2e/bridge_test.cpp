// The example application started by the launcher under Wine, its launch run
// on the host's real JVM through the fake jvm.dll's bridge: its output, its
// arguments and its exit code.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/e2e/rig.h"

namespace fs = std::filesystem;

namespace {

class BridgeTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        RIG_SKIP_UNLESS_RUNS(GetParam());
        const fs::path example = fs::path(rig::distDirectory()).parent_path() / "examples" / "hello";
        fs::create_directories(ws.file("classes"));
        auto javac = rig::run({"javac", "--release", "8", "-d", ws.file("classes"),
                               (example / "src" / "hello" / "Main.java").string()});
        ASSERT_EQ(0, javac.exitCode) << javac.err;
        ASSERT_EQ(0, rig::run({"jar", "cf", ws.file("hello.jar"), "-C", ws.file("classes"), "."}).exitCode);
        project = rig::readFile((example / "hello.toml").string());
        ASSERT_FALSE(project.empty());
        rig::FakeRuntimeOptions runtime;
        runtime.arch = GetParam();
        const std::string bin = rig::layFakeRuntime(ws.file("jre"), runtime);
        std::ofstream(bin + "/server/fakejre.ini") << "main=bridge\nbridge=" << rig::distDirectory()
                                                   << "/testing/fakejre/bridge\njava=" << rig::hostJava() << "\n";
    }
    rig::RunResult launch(const std::string& text, std::vector<std::string> args) {
        auto built = rig::buildProject(ws, text, "hello.exe", GetParam());
        EXPECT_EQ(0, built.exitCode) << built.err;
        EXPECT_TRUE(fs::exists(ws.file("qarvo-runtime.jar"))) << "the builder puts the runtime beside";
        rig::RunOptions options = rig::withArgs(std::move(args));
        options.env["QARVO_JAVA_HOME"] = rig::windowsPath(ws.file("jre"));
        options.env["LC_ALL"] = "C.UTF-8";
        options.timeoutSeconds = 180;
        return rig::runWine(ws.file("hello.exe"), options);
    }
    rig::Workspace ws;
    std::string project;
};

TEST_P(BridgeTest, TheExampleRunsWithItsArgumentsAndExitCode) {
    auto run = launch(project, {"caf\xc3\xa9 \xe4\xb8\xad", "--exit", "3"});
    EXPECT_EQ(3, run.exitCode) << run.err;
    const std::string expected = "argument 0: --from-launcher\nargument 1: two words\nargument 2: caf\xc3\xa9 \xe4\xb8\xad\n"
                                 "argument 3: --exit\nargument 4: 3\n";
    EXPECT_EQ(0u, run.out.find("Hello from Java ")) << run.out << run.err;
    EXPECT_NE(std::string::npos, run.out.find(expected)) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("qarvo.programPath = ")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("exiting with code 3")) << run.out;
}

TEST_P(BridgeTest, MainReturningEndsTheLauncherWithZero) {
    auto run = launch(project, {});
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("argument 1: two words\nqarvo.moduleName = ")) << run.out;
}

TEST_P(BridgeTest, AnExceptionInMainIsMessage1005) {
    std::string text = project;
    text.replace(text.find("\"hello.Main\""), 12, "\"hello.Missing\"");
    text.replace(text.find("caption = "), 0, "jvm-start-failed = \"cannot start\"\n");
    auto run = launch(text, {});
    EXPECT_EQ(1, run.exitCode) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("Exception in thread \"main\" java.lang.ClassNotFoundException")) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("\ncannot start\n")) << run.err;
    EXPECT_EQ("", run.out);
}

INSTANTIATE_TEST_SUITE_P(Arch, BridgeTest, ::testing::Values("x86", "x64"));

}  // namespace
