// The launch stage under Wine with the fake jvm.dll: the options the JVM is
// created with, the arguments of the runtime's main method, the failures and
// their messages, read from the fake's transcript.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tests/e2e/rig.h"

namespace fs = std::filesystem;

namespace {

const char* kMessages = R"(
[messages]
jvm-start-failed = "cannot start"
main-class-not-loaded = "no main class"
main-method-not-found = "no main method"
internal-error = "internal {0}"
file-not-found = "missing {0}"
invalid-parameters = "invalid parameters"
)";

using rig::withPrefix;

bool has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool hasLineStarting(const std::vector<std::string>& lines, const std::string& start) {
    for (const std::string& line : lines)
        if (line.rfind(start, 0) == 0) return true;
    return false;
}

using rig::lower;

class LaunchTest : public ::testing::Test {
protected:
    // A runtime in jre\ beside the executable, found through the search entry.
    std::string build(const std::string& application, const std::string& java = "", const std::string& arch = rig::defaultArch(),
                      const std::string& name = "app.exe") {
        rig::FakeRuntimeOptions runtime;
        runtime.arch = arch;
        bin = rig::layFakeRuntime(ws.file("jre"), runtime);
        fs::remove(bin + "/server/fakejre-calls.log");
        const std::string type = application.find("type =") == std::string::npos ? "type = 2\n" : "";
        const std::string text = "[application]\nname = \"Launch\"\n" + type + "main-class = \"app.Main\"\n" +
                                 application + "\n[java]\nsearch-sequence = \"B.\\\\jre\"\n" + java + kMessages +
                                 "\n[runtime]\njar = \"none\"\n";
        auto built = rig::buildProject(ws, text, name, arch);
        EXPECT_EQ(0, built.exitCode) << built.err;
        return ws.file(name);
    }
    void script(const std::string& lines) { std::ofstream(bin + "/server/fakejre.ini") << lines; }
    std::vector<std::string> transcript() const { return rig::fakeCalls(bin + "/server"); }
    std::vector<std::string> options() const { return withPrefix(transcript(), "option "); }
    std::vector<std::string> arguments() const { return withPrefix(transcript(), "argument "); }
    std::string win(const std::string& relative) const { return rig::windowsPath(ws.file(relative)); }
    std::string dir() const { return rig::windowsPath(ws.path()); }
    rig::RunOptions env(std::map<std::string, std::string> variables, std::vector<std::string> args = {}) const {
        rig::RunOptions options;
        options.env = std::move(variables);
        options.args = std::move(args);
        return options;
    }

    rig::Workspace ws;
    std::string bin;
};

// The launch properties open the option list, the class path closes it.
struct PropertiesCase {
    const char* name;
    std::string application;
    std::map<std::string, std::string> env;
    std::vector<std::string> args;
    std::vector<std::string> expectedBeforeLibraryPath;  // "%EXE%" stands for the executable's path
    bool consoleCodepage;
};

class PropertiesTest : public LaunchTest, public ::testing::WithParamInterface<PropertiesCase> {};

TEST_P(PropertiesTest, OpenTheOptionList) {
    const PropertiesCase& c = GetParam();
    const std::string exe = build(c.application);
    auto run = rig::runWine(exe, env(c.env, c.args));
    EXPECT_EQ(0, run.exitCode) << run.err;
    const std::vector<std::string> got = options();
    // With the mode off the check reserves the first numbered semaphore; a language restart skips it.
    std::vector<std::string> expected;
    if (c.args.empty()) {
        std::string key = lower(win("app.exe"));
        std::replace(key.begin(), key.end(), '\\', '_');
        expected.push_back("-Dqarvo.semaphoreName=" + key + "0");
    }
    for (std::string line : c.expectedBeforeLibraryPath) {
        const size_t at = line.find("%EXE%");
        if (at != std::string::npos) line.replace(at, 5, win("app.exe"));
        expected.push_back(line);
    }
    ASSERT_GT(got.size(), expected.size() + 1);
    EXPECT_EQ(expected, std::vector<std::string>(got.begin(), got.begin() + expected.size()));
    EXPECT_EQ(0u, got[expected.size()].find("-Djava.library.path="));
    EXPECT_NE(std::string::npos, lower(got[expected.size()]).find(lower(win("jre\\bin"))))
        << "the runtime's bin directory is on PATH";
    const std::string next = got[expected.size() + 1];
    EXPECT_EQ(c.consoleCodepage, next.rfind("-Dqarvo.consoleCodepage=cp", 0) == 0) << next;
    EXPECT_EQ(0u, got.back().find("-Djava.class.path="));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PropertiesTest,
    ::testing::Values(
        PropertiesCase{"fiveWithManpath", "product-kind = \"q\"\n", {{"MANPATH", ""}}, {},
                       {"-Dqarvo.moduleName=%EXE%", "-Dsun.java.command=%EXE%", "-Dqarvo.tempDir=",
                        "-Dqarvo.unextractedPosition=0"},
                       false},
        PropertiesCase{"consoleCodepageWithoutManpath", "product-kind = \"q\"\n", {}, {},
                       {"-Dqarvo.moduleName=%EXE%", "-Dsun.java.command=%EXE%", "-Dqarvo.tempDir=",
                        "-Dqarvo.unextractedPosition=0"},
                       true},
        PropertiesCase{"morvanticKind", "product-kind = \"m\"\nroot = \".\"\n", {{"MANPATH", "x"}}, {},
                       {"-Dqarvo.isMorvantic=true", "-Dqarvo.moduleName=%EXE%", "-Dsun.java.command=%EXE%",
                        "-Dqarvo.tempDir=", "-Dqarvo.unextractedPosition=0"},
                       false},
        PropertiesCase{"languageRestart", "product-kind = \"q\"\n", {{"MANPATH", ""}}, {"__mvt_lang_restart"},
                       {"-Dqarvo.moduleName=%EXE%", "-Dsun.java.command=%EXE%", "-Dqarvo.tempDir=",
                        "-Dqarvo.unextractedPosition=-1"},
                       false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LaunchTest, OptionSourcesInOrder) {
    const std::string exe = build("product-kind = \"q\"\n",
                                  "vm-parameters = \"-Xmx64m '-Dspaced=a b' -include-options common.vmoptions\"\n"
                                  "options-from-arguments = true\n");
    ws.write("common.vmoptions", "-Dcommon=${QARVO_EXEDIR}\n");
    ws.write("app.vmoptions", "# comment\r\n  -Dfile=1 \r\n-classpath/a extra.jar\r\n");
    ws.write("app.exe.vmoptions", "-Dnever=1\n");
    auto run = rig::runWine(exe, env({{"MANPATH", ""}}, {"-J-Dcli=2", "plain"}));
    EXPECT_EQ(0, run.exitCode) << run.err;
    const std::vector<std::string> got = options();
    ASSERT_GE(got.size(), 12u);
    EXPECT_EQ(0u, got[0].find("-Dqarvo.semaphoreName="));
    EXPECT_EQ((std::vector<std::string>{"-Xmx64m", "-Dspaced=a b", "-Dcommon=" + dir() + "\\", "-Dcli=2", "-Dfile=1"}),
              std::vector<std::string>(got.begin() + 6, got.end() - 1));
    EXPECT_EQ("-Djava.class.path=extra.jar", got.back());
    EXPECT_TRUE(has(transcript(), "JNI_CreateJavaVM version=65538 options=" + std::to_string(got.size()) +
                                      " ignoreUnrecognized=1"));
    // "-J" arguments do not reach main when they are options.
    const std::vector<std::string> args = arguments();
    ASSERT_EQ(7u, args.size());
    EXPECT_EQ("plain", args.back());
}

TEST_F(LaunchTest, JavaOptionArgumentsStayArgumentsWhenOff) {
    const std::string exe = build("");
    auto run = rig::runWine(exe, rig::withArgs({"-J-Dcli=2", "plain"}));
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_FALSE(has(options(), "-Dcli=2"));
    const std::vector<std::string> args = arguments();
    ASSERT_EQ(8u, args.size());
    EXPECT_EQ("-J-Dcli=2", args[6]);
}

TEST_F(LaunchTest, LauncherArgumentsThenProgramFixedAndCommandLine) {
    const std::string exe =
        build("product-kind = \"q\"\narguments = \"--fixed 'two words' x=\\\"a b\\\"\"\n"
              "[redirect]\nstderr = true\nstderr-file = \"${QARVO_EXEDIR}logs\\\\err.txt\"\nstdout = true\n"
              "stdout-file = \"${NOT_EXPANDED}\\\\out.txt\"\nappend = true\n");
    auto run = rig::runWine(exe, rig::withArgs({"-create-qvo-log", "caf\xc3\xa9", "\xe4\xb8\xad\xf0\x9f\x98\x80", ""}));
    EXPECT_EQ(0, run.exitCode) << run.err;
    const std::vector<std::string> expected = {
        "false", "app.Main", dir() + "\\logs\\err.txt", "${NOT_EXPANDED}\\out.txt", "true", "app.exe",
        "--fixed", "two words", "x=a b", "caf\xc3\xa9", "\xe4\xb8\xad\xf0\x9f\x98\x80", ""};
    std::vector<std::string> got = arguments();
    ASSERT_EQ(expected.size(), got.size());
    // The program path as written on the command line.
    got[5] = got[5].substr(got[5].find_last_of("\\/") + 1);
    EXPECT_EQ(expected, got);
}

TEST_F(LaunchTest, WindowedTypeIsTheFirstArgument) {
    const std::string exe = build("type = 1\n", "", "x64");
    auto run = rig::runWine(exe, rig::withArgs({"-q_mvt_internal"}));
    EXPECT_EQ(0, run.exitCode) << run.err;
    ASSERT_FALSE(arguments().empty());
    EXPECT_EQ("true", arguments()[0]);
}

struct FailureCase {
    const char* name;
    std::string application;
    std::string script;
    int exitCode;
    std::string err;
    std::string transcriptLine;  // a line the fake must have recorded
};

class FailureTest : public LaunchTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailureTest, EndsWithItsMessage) {
    const std::string exe = build(GetParam().application);
    fs::create_directories(ws.file(".morvantic/firstrun"));
    script(GetParam().script);
    auto run = rig::runWine(exe);
    EXPECT_EQ(GetParam().exitCode, run.exitCode);
    EXPECT_EQ(GetParam().err, run.err);
    EXPECT_TRUE(hasLineStarting(transcript(), GetParam().transcriptLine))
        << rig::readFile(bin + "/server/fakejre-calls.log");
}

const std::string kQ = "product-kind = \"q\"\n";
const std::string kM = "product-kind = \"m\"\nroot = \".\"\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, FailureTest,
    ::testing::Values(
        FailureCase{"creationFails", kQ, "create=fail\n", 1, "cannot start\n", "JNI_CreateJavaVM fails"},
        FailureCase{"noLauncherClass", kQ, "missing_class=com/qarvo/runtime/WinLauncher\n", 1, "no main class\n",
                    "FindClass com/qarvo/runtime/WinLauncher"},
        FailureCase{"noMainMethod", kQ, "missing_method=main\n", 1, "no main method\n",
                    "GetStaticMethodID com/qarvo/runtime/WinLauncher.main ([Ljava/lang/String;)V"},
        FailureCase{"mainThrows", kQ, "main=throw\n", 1,
                    "Exception in thread \"main\" java.lang.IllegalStateException: thrown as the fake jvm.dll was "
                    "told\ncannot start\n",
                    "ExceptionDescribe"},
        FailureCase{"mainExits", kQ, "main=exit:42\n", 42, "", "System.exit 42"},
        FailureCase{"firstRunClassMissing", kM, "missing_class=com/morvantic/runtime/launcher/FirstRun\n", 1,
                    "internal 14\n", "FindClass com/morvantic/runtime/launcher/FirstRun"},
        FailureCase{"firstRunMethodMissing", kM, "missing_method=firstRun\n", 1, "internal 15\n",
                    "GetStaticMethodID com/morvantic/runtime/launcher/FirstRun.firstRun ()Z"},
        FailureCase{"argumentArrayNotCreated", kQ, "fail=NewObjectArray\n", 1,
                    "Assertion failed: paramArray, file src/c/windows/JavaVMLauncher, line 429\n", "NewObjectArray 6 "},
        FailureCase{"argumentStringNotCreated", kQ, "fail=NewString\n", 1,
                    "Assertion failed: jstr, file src/c/windows/JavaVMLauncher, line 437\n", "NewString failed"},
        FailureCase{"mandatoryArchiveMissing", kQ + "[entries]\n121 = \"A1gone.jar\"\n", "", 1, "missing gone.jar\n",
                    "jvm.dll loaded "}),
    [](const auto& info) { return std::string(info.param.name); });

struct FirstRunCase {
    const char* name;
    bool marker;
    std::string script;
    bool mainCalled;
};

class FirstRunTest : public LaunchTest, public ::testing::WithParamInterface<FirstRunCase> {};

TEST_P(FirstRunTest, DecidesAboutMain) {
    const std::string exe = build(kM);
    if (GetParam().marker) ws.write(".morvantic/firstrun", "");
    script(GetParam().script);
    auto run = rig::runWineLogged(exe);
    EXPECT_EQ(0, run.result.exitCode) << run.result.err;
    const std::vector<std::string> calls = transcript();
    EXPECT_EQ(GetParam().marker, has(calls, "FindClass com/morvantic/runtime/launcher/FirstRun"));
    EXPECT_EQ(GetParam().mainCalled,
              has(calls, "CallStaticVoidMethod com/morvantic/runtime/launcher/WinLauncher.main"));
    EXPECT_EQ(!GetParam().mainCalled, run.log.find("checkFirstRun stopped further execution") != std::string::npos);
    EXPECT_TRUE(has(calls, "DestroyJavaVM"));
}

INSTANTIATE_TEST_SUITE_P(Cases, FirstRunTest,
                         ::testing::Values(FirstRunCase{"noMarker", false, "firstrun=false\n", true},
                                           FirstRunCase{"goOn", true, "firstrun=true\n", true},
                                           FirstRunCase{"stop", true, "firstrun=false\n", false},
                                           FirstRunCase{"thrown", true, "firstrun=throw\n", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LaunchTest, TheLogTellsTheWholeLaunch) {
    const std::string exe = build(kQ, "class-path = \"D0lib\"\n");
    auto run = rig::runWineLogged(exe, rig::withArgs({"\xe4\xb8\xad"}));
    EXPECT_EQ(0, run.result.exitCode) << run.result.err;
    size_t at = 0;
    for (const std::string& line :
         {std::string("launching program"), std::string("adding options"), std::string("default vmoptions file: "),
          std::string("classpath entry D0lib"), std::string("vmoption count "), std::string("Creating JVM"),
          std::string("JVM created"), std::string("main class: com/qarvo/runtime/WinLauncher"),
          std::string("param count: 7"), std::string("param 6: ?"), std::string("calling main"),
          std::string("main returned"), std::string("dest JVM"), std::string("launch done")}) {
        const size_t found = run.log.find("\n" + line, at);
        ASSERT_NE(std::string::npos, found) << "missing or out of order: " << line << "\n" << run.log;
        at = found + line.size();
    }
}

}  // namespace
