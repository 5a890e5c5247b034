// The launch properties and the argument list of the runtime's main method.
#include <gtest/gtest.h>

#include "launch/launch_args.h"

namespace {

LaunchFacts plainFacts() {
    LaunchFacts facts;
    facts.executablePath = "C:\\apps\\tool.exe";
    facts.extractionDirectory = "C:\\t\\qvo1.tmp_dir";
    facts.unextractedPosition = 4096;
    facts.path = "C:\\windows;C:\\jre\\bin";
    return facts;
}

struct PropertiesCase {
    const char* name;
    void (*change)(LaunchFacts&);
    std::vector<std::string> properties;
};

class PropertiesTest : public ::testing::TestWithParam<PropertiesCase> {};

TEST_P(PropertiesTest, InTableOrder) {
    LaunchFacts facts = plainFacts();
    GetParam().change(facts);
    EXPECT_EQ(GetParam().properties, launchProperties(facts));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PropertiesTest,
    ::testing::Values(
        PropertiesCase{"onlyTheFiveAlwaysPresent", [](LaunchFacts&) {},
                       {"-Dqarvo.moduleName=C:\\apps\\tool.exe", "-Dsun.java.command=C:\\apps\\tool.exe",
                        "-Dqarvo.tempDir=C:\\t\\qvo1.tmp_dir", "-Dqarvo.unextractedPosition=4096",
                        "-Djava.library.path=C:\\windows;C:\\jre\\bin"}},
        PropertiesCase{"everything",
                       [](LaunchFacts& f) {
                           f.semaphoreName = "c:_apps_tool.exe";
                           f.productKind = 'm';
                           f.communicationFile = "C:\\t\\qvo_p42.tmp";
                           f.consoleCodePage = 850;
                       },
                       {"-Dqarvo.semaphoreName=c:_apps_tool.exe", "-Dqarvo.isMorvantic=true",
                        "-Dqarvo.moduleName=C:\\apps\\tool.exe", "-Dsun.java.command=C:\\apps\\tool.exe",
                        "-Dqarvo.processCommFile=C:\\t\\qvo_p42.tmp", "-Dqarvo.tempDir=C:\\t\\qvo1.tmp_dir",
                        "-Dqarvo.unextractedPosition=4096", "-Djava.library.path=C:\\windows;C:\\jre\\bin",
                        "-Dqarvo.consoleCodepage=cp850"}},
        PropertiesCase{"languageRestartAndNoExtraction",
                       [](LaunchFacts& f) {
                           f.languageRestart = true;
                           f.extractionDirectory.clear();
                           f.path = std::string(20000, 'p');
                       },
                       {"-Dqarvo.moduleName=C:\\apps\\tool.exe", "-Dsun.java.command=C:\\apps\\tool.exe",
                        "-Dqarvo.tempDir=", "-Dqarvo.unextractedPosition=-1",
                        "-Djava.library.path=" + std::string(20000, 'p')}},
        PropertiesCase{"otherKindLettersAreNotMorvantic", [](LaunchFacts& f) { f.productKind = 'x'; },
                       {"-Dqarvo.moduleName=C:\\apps\\tool.exe", "-Dsun.java.command=C:\\apps\\tool.exe",
                        "-Dqarvo.tempDir=C:\\t\\qvo1.tmp_dir", "-Dqarvo.unextractedPosition=4096",
                        "-Djava.library.path=C:\\windows;C:\\jre\\bin"}}),
    [](const auto& info) { return std::string(info.param.name); });

struct ArgumentsCase {
    const char* name;
    MainArgumentFacts facts;
    ArgumentList commandLine;
    ArgumentList expected;
};

class MainArgumentsTest : public ::testing::TestWithParam<ArgumentsCase> {};

TEST_P(MainArgumentsTest, Assembled) {
    EXPECT_EQ(GetParam().expected, launcherMainArguments(GetParam().facts, GetParam().commandLine));
}

MainArgumentFacts facts(bool windowed, bool javaOptions, ArgumentList fixed = {}) {
    MainArgumentFacts f;
    f.windowed = windowed;
    f.mainClass = u"hello.Main";
    f.javaOptionArguments = javaOptions;
    f.fixedArguments = std::move(fixed);
    return f;
}

MainArgumentFacts redirected() {
    MainArgumentFacts f = facts(false, false);
    f.errorFile = u"C:\\logs\\err.txt";
    f.outputFile = u"C:\\logs\\out.txt";
    f.append = true;
    return f;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MainArgumentsTest,
    ::testing::Values(
        ArgumentsCase{"noArguments", facts(false, false, {u"--fixed", u"two words"}), {u"C:\\app.exe"},
                      {u"false", u"hello.Main", u"", u"", u"false", u"C:\\app.exe", u"--fixed", u"two words"}},
        ArgumentsCase{"javaOptionsLeftOut", facts(true, true), {u"app", u"-Jfoo", u"bar"},
                      {u"true", u"hello.Main", u"", u"", u"false", u"app", u"bar"}},
        ArgumentsCase{"javaOptionsKeptWhenOff", facts(false, false), {u"app", u"-Jfoo", u"bar"},
                      {u"false", u"hello.Main", u"", u"", u"false", u"app", u"-Jfoo", u"bar"}},
        ArgumentsCase{"redirectFiles", redirected(), {u"app", u"\u00e9\u4e2d\U0001F600"},
                      {u"false", u"hello.Main", u"C:\\logs\\err.txt", u"C:\\logs\\out.txt", u"true", u"app",
                       u"\u00e9\u4e2d\U0001F600"}},
        ArgumentsCase{"emptyCommandLine", facts(false, false, {u"x"}), {},
                      {u"false", u"hello.Main", u"", u"", u"false", u"x"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RedirectPath, UnexpandedVariablesStay) {
    auto resolve = [](const std::string& p) { return "C:\\app\\" + p; };
    EXPECT_EQ("${UNKNOWN}\\err.txt", redirectPath("${UNKNOWN}\\err.txt", resolve));
    EXPECT_EQ("C:\\app\\logs\\err.txt", redirectPath("logs\\err.txt", resolve));
}

TEST(RuntimeLauncherClass, ByProductKind) {
    EXPECT_STREQ("com/morvantic/runtime/launcher/WinLauncher", runtimeLauncherClass('m'));
    EXPECT_STREQ("com/qarvo/runtime/WinLauncher", runtimeLauncherClass('q'));
    EXPECT_STREQ("com/qarvo/runtime/WinLauncher", runtimeLauncherClass('\0'));
    EXPECT_EQ("a/b/C$D", jniClassName("a.b.C$D"));
}

}  // namespace
