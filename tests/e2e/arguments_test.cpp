// Arguments as Windows callers quote them: a program that prints its
// arguments gets from the executable exactly what it gets from java for the
// same vector (Wine quotes the vector into a command line by the C runtime's
// rules, the launcher splits it), judged on a real HotSpot behind the fake
// jvm.dll's bridge.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/e2e/rig.h"

namespace fs = std::filesystem;

namespace {

// Prints its arguments as a JSON array of ASCII text.
const char* const kApplication = R"(package args;
public class Main {
    public static void main(String[] args) {
        StringBuilder out = new StringBuilder("[");
        for (int i = 0; i < args.length; i++) {
            out.append(i == 0 ? "\"" : ", \"");
            for (char c : args[i].toCharArray()) {
                if (c == '"' || c == '\\') out.append('\\').append(c);
                else if (c < 0x20 || c > 0x7e) out.append(String.format("\\u%04x", (int) c));
                else out.append(c);
            }
            out.append('"');
        }
        System.out.println(out.append(']'));
    }
}
)";

const char* const kProject = R"([application]
name = "Args"
type = 2
main-class = "args.Main"
RULES
[java]
class-path = [{ archive = "args.jar", mandatory = true }]
)";

class ArgumentsTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        RIG_SKIP_UNLESS_RUNS(GetParam());
        jdk = rig::bridgeJdk("17");
        if (jdk.empty()) GTEST_SKIP() << "no JDK 17 on this machine";
        ws.write("src/args/Main.java", kApplication);
        fs::create_directories(ws.file("classes"));
        auto javac = rig::run({"javac", "--release", "8", "-d", ws.file("classes"), ws.file("src/args/Main.java")});
        ASSERT_EQ(0, javac.exitCode) << javac.err;
        ASSERT_EQ(0, rig::run({"jar", "cf", ws.file("args.jar"), "-C", ws.file("classes"), "."}).exitCode);
        rig::FakeRuntimeOptions runtime;
        runtime.arch = GetParam();
        rig::layBridgedRuntime(ws.file("jre"), jdk, runtime);
    }
    void build(const std::string& rules) {
        std::string text = kProject;
        text.replace(text.find("RULES"), 5, rules);
        auto built = rig::buildProject(ws, text, "args.exe", GetParam());
        ASSERT_EQ(0, built.exitCode) << built.err;
    }
    rig::RunResult launch(const std::vector<std::string>& args) {
        return rig::runWine(ws.file("args.exe"), rig::bridgedRunOptions(ws.file("jre"), args));
    }
    std::string java(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {jdk + "/bin/java", "-cp", ws.file("args.jar"), "args.Main"};
        argv.insert(argv.end(), args.begin(), args.end());
        auto run = rig::run(argv);
        EXPECT_EQ(0, run.exitCode) << run.err;
        return run.out;
    }
    std::string jdk;
    rig::Workspace ws;
};

TEST_P(ArgumentsTest, TheApplicationGetsWhatJavaGets) {
    build("");  // the builder's default rules
    const std::vector<std::vector<std::string>> vectors = {
        {"-e", "println \"groovy says ${6*7}\"", "-Dx=it's", "'a b'"},
        {"a\\\"b", "\\\\server\\share\\", "C:\\Program Files\\x\\", "", "a\tb", "{\"json\": [1, 2]}"},
        {"caf\xc3\xa9 \xe4\xb8\xad\xe6\x96\x87", "\xd0\x96", "\"\"", "\\\"\\\\\""},
    };
    for (const auto& args : vectors) {
        const std::string expected = java(args);
        ASSERT_EQ('[', expected.front()) << expected;
        auto run = launch(args);
        EXPECT_EQ(0, run.exitCode) << run.err;
        EXPECT_EQ(expected, run.out) << run.err;
    }
}

TEST_P(ArgumentsTest, ClassicExecutablesKeepTheirRules) {
    build("command-line = \"classic\"");
    // Wine joins the vector with a blank: the command line holds 'a b'.
    auto run = launch({"'a", "b'", "c\td"});
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_EQ("[\"a b\", \"c\\u0009d\"]\n", run.out) << run.err;
    // An apostrophe there still opens a quote that must close.
    EXPECT_EQ(1, launch({"-Dx=it's"}).exitCode);
}

INSTANTIATE_TEST_SUITE_P(Arch, ArgumentsTest, ::testing::Values("x86", "x64"));

}  // namespace
