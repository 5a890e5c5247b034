// A project made by qarvo-build init from a jar, built with no edits: the
// 64-bit executable finds an installed runtime the usual ways (JAVA_HOME, the
// registry) and starts the example through the fake runtime's bridge, with
// the runtime archive included in the executable.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/e2e/rig.h"

namespace fs = std::filesystem;

namespace {

class InitTest : public ::testing::Test {
protected:
    void SetUp() override {
        clean();
        const fs::path example = fs::path(rig::distDirectory()).parent_path() / "examples" / "hello";
        fs::create_directories(ws.file("classes"));
        auto javac = rig::run({"javac", "--release", "8", "-d", ws.file("classes"),
                               (example / "src" / "hello" / "Main.java").string()});
        ASSERT_EQ(0, javac.exitCode) << javac.err;
        // A jar whose manifest names the main class, as build tools write it.
        ASSERT_EQ(0, rig::run({"jar", "cfe", ws.file("hello.jar"), "hello.Main", "-C", ws.file("classes"), "."}).exitCode);
        const std::string builder = rig::distDirectory() + "/bin/qarvo-build";
        auto init = rig::run({builder, "init", ws.file("hello.jar")});
        ASSERT_EQ(0, init.exitCode) << init.err;
        // No --arch: the starter's own (x64).
        auto built = rig::run({builder, "build", ws.file("hello.toml"), "-o", ws.file("hello.exe")});
        ASSERT_EQ(0, built.exitCode) << built.err;
        EXPECT_NE(std::string::npos, built.out.find(": x64, ")) << built.out;
        EXPECT_FALSE(fs::exists(ws.file("qarvo-runtime.jar"))) << "the runtime archive is inside the executable";
        // An installed JDK somewhere else, its launch run on the host's java.
        const std::string bin = rig::layFakeRuntime(ws.file("installed/jdk-17"), {.arch = "x64"});
        std::ofstream(bin + "/server/fakejre.ini") << "main=bridge\nbridge=" << rig::distDirectory()
                                                   << "/testing/fakejre/bridge\njava=" << rig::hostJava() << "\n";
    }
    void TearDown() override { clean(); }
    // The starter's launcher is x64: the machine's 64-bit view.
    void clean() {
        rig::RegistryFile("x64").remove("HKLM\\SOFTWARE\\JavaSoft").remove("HKCU\\SOFTWARE\\korvath\\qarvo").import();
    }
    rig::RunResult launch(std::map<std::string, std::string> env) {
        rig::RunOptions options = rig::withArgs({"from init"});
        options.env = std::move(env);
        options.env["LC_ALL"] = "C.UTF-8";
        options.timeoutSeconds = 180;
        return rig::runWine(ws.file("hello.exe"), options);
    }
    void expectTheExample(const rig::RunResult& run) {
        EXPECT_EQ(0, run.exitCode) << run.out << run.err;
        EXPECT_EQ(0u, run.out.find("Hello from Java ")) << run.out << run.err;
        EXPECT_NE(std::string::npos, run.out.find("argument 0: from init\n")) << run.out;
        EXPECT_NE(std::string::npos, run.out.find("qarvo-runtime.jar")) << "extracted onto the class path\n" << run.out;
    }
    rig::Workspace ws;
};

TEST_F(InitTest, FindsTheRuntimeThroughJavaHome) {
    expectTheExample(launch({{"JAVA_HOME", rig::windowsPath(ws.file("installed/jdk-17"))}}));
}

TEST_F(InitTest, FindsTheRuntimeThroughTheRegistry) {
    auto r = rig::RegistryFile("x64")
                 .set("HKLM\\SOFTWARE\\JavaSoft\\JDK", "CurrentVersion", "17")
                 .set("HKLM\\SOFTWARE\\JavaSoft\\JDK\\17", "JavaHome", rig::windowsPath(ws.file("installed/jdk-17")))
                 .import();
    ASSERT_EQ(0, r.exitCode) << r.out << r.err;
    expectTheExample(launch({}));
}

}  // namespace
