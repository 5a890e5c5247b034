// The JVM search and the loading of jvm.dll under Wine, with fake runtimes
// laid out by the tests. Which runtime was taken shows in the fake runtimes'
// transcripts; the search's own log lines are checked by the host tables
// (runtime_search_test.cpp), the probe's and the loader's here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tests/e2e/rig.h"

namespace fs = std::filesystem;

namespace {

using rig::FakeRuntimeOptions;
using Layout = FakeRuntimeOptions::Layout;

const auto expectInOrder = rig::expectLinesInOrder;

size_t countOf(const std::vector<std::string>& lines, const std::string& start) {
    return std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
}

class SearchTest : public ::testing::Test {
protected:
    std::string build(const std::string& java, const std::string& application = "", const std::string& arch = rig::defaultArch()) {
        const std::string text = "[application]\nname = \"Search\"\ntype = 2\n" + application +
                                 "\n[java]\n" + java + "\n[messages]\nno-jvm-found = \"no JVM ({0})\"\n"
                                 "jvm-damaged-32 = \"damaged {0}\"\njvm-damaged-64 = \"damaged64 {0}\"\n"
                                 "env-var-jvm-broken-32 = \"broken {0}\"\nenv-var-jvm-broken-64 = \"broken64 {0}\"\n"
                                 "jvm-start-failed = \"cannot start\"\n"
                                 "internal-error = \"internal {0}\"\n";
        auto built = rig::buildProject(ws, text, "app.exe", arch);
        EXPECT_EQ(0, built.exitCode) << built.err;
        return ws.file("app.exe");
    }
    std::string win(const std::string& relative) { return rig::windowsPath(ws.file(relative)); }
    std::string lower(std::string text) {
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    }
    rig::Workspace ws;
    rig::LoadWatch loads{ws.path()};
    using Homes = std::vector<std::string>;
};

TEST_F(SearchTest, WalksTheFrameAroundTheSequenceInOrder) {
    const std::string exe = build("search-sequence = \"B.\\\\jre;Y;EJAVA_HOME;EJDK_HOME;\"");
    auto run = rig::runWineLogged(exe);
    EXPECT_EQ(83, run.result.exitCode);
    EXPECT_EQ(rig::withBits("no JVM ({bits})\n"), run.result.err.substr(0, run.result.err.find("\n\nLog:")) + "\n");
    expectInOrder(run.log, {"Searching for a JVM", "Testing location .\\jre (type B)", "Testing location  (type Y)",
                            "Testing location JAVA_HOME (type E)", "Testing location JDK_HOME (type E)",
                            "Testing relative location .\\jre", "Search sequence finished", "ERROR: No JVM found"});
}

TEST_F(SearchTest, TheFallbackPassTakesARuntimeOutsideTheLimits) {
    rig::layFakeRuntime(ws.file("jre"));
    const std::string exe = build("search-sequence = \"B.\\\\jre;EJAVA_HOME\"\nmin-version = \"21\"");
    auto run = rig::runWineLogged(exe);
    // The fake runtime's main returns: a normal end.
    EXPECT_EQ(0, run.result.exitCode) << run.result.err;
    // Probed once (17 is below the limit), then taken by the fallback pass.
    expectInOrder(run.log, {"got version from execution 17.0.15", "checkJavaExe returning 0"});
    EXPECT_EQ(1u, countOf(rig::fakeCalls(ws.file("jre/bin")), "java "));
    EXPECT_EQ(Homes{"jre"}, loads.loaded());
    EXPECT_EQ(1u, countOf(rig::fakeCalls(ws.file("jre/bin/server")), "jvm.dll loaded"));
}

TEST_F(SearchTest, PreferredLocationComesFirstAndInstallerLocationAfterTheSequence) {
    rig::layFakeRuntime(ws.file("preferred"));
    rig::layFakeRuntime(ws.file("installed"));
    fs::create_directories(ws.file(".morvantic"));
    ws.write(".morvantic/pref_jre.cfg", win("preferred") + "\r\nignored second line\r\n");
    ws.write(".morvantic/inst_jre.cfg", win("installed") + "\n");
    const std::string exe = build("search-sequence = \"Anowhere\"");
    rig::runWineLogged(exe);
    EXPECT_EQ(Homes{"preferred"}, loads.loaded());

    // A preferred location that fails does not stop the search.
    ws.write(".morvantic/pref_jre.cfg", win("missing") + "\n");
    rig::runWineLogged(exe);
    EXPECT_EQ(Homes{"installed"}, loads.loaded());
}

TEST_F(SearchTest, EnvironmentVariablesAcceptForwardSlashesAndComeLast) {
    const std::string bin = rig::layFakeRuntime(ws.file("jdk"));
    std::string slashed = win("jdk");
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    const std::string exe = build("search-sequence = \"EMY_JAVA\"");
    rig::RunOptions options;
    options.env["MY_JAVA"] = slashed;
    auto run = rig::runWineLogged(exe, options);
    expectInOrder(run.log, {"checkJavaExe (" + win("jdk") + "\\bin\\java.exe, [out], , , 0)"});
    EXPECT_EQ(Homes{"jdk"}, loads.loaded());
    // QARVO_JAVA_HOME only after every other source.
    rig::RunOptions last;
    last.env["QARVO_JAVA_HOME"] = win("jdk");
    run = rig::runWineLogged(build("search-sequence = \"EMISSING\""), last);
    expectInOrder(run.log, {"checkJavaExe (" + win("jdk") + "\\bin\\java.exe, [out], , , 0)"});
    EXPECT_EQ(Homes{"jdk"}, loads.loaded());
}

TEST_F(SearchTest, PreReleasesAreRejectedFromVariablesButNotFromDirectories) {
    rig::layFakeRuntime(ws.file("ea"), {.banner = {"openjdk version \"25-ea\" 2025-09-16"}});
    rig::RunOptions options;
    options.env["EA_HOME"] = win("ea");
    auto run = rig::runWineLogged(build("search-sequence = \"EEA_HOME\""), options);
    EXPECT_EQ(83, run.result.exitCode);
    EXPECT_NE(std::string::npos, run.log.find("beta vm not allowed\n")) << run.log;
    EXPECT_EQ(Homes{}, loads.loaded());
    run = rig::runWineLogged(build("search-sequence = 'A" + win("ea") + "'"), options);
    EXPECT_EQ(Homes{"ea"}, loads.loaded());
}

TEST_F(SearchTest, TypeSFindsJavaOnThePath) {
    const std::string bin = rig::layFakeRuntime(ws.file("onpath"));
    rig::RunOptions options;
    options.env["WINEPATH"] = win("onpath\\bin");
    rig::runWineLogged(build("search-sequence = \"S\""), options);
    EXPECT_EQ(Homes{"onpath"}, loads.loaded());
}

TEST_F(SearchTest, TheVersionCacheSavesTheSecondProbe) {
    const std::string bin = rig::layFakeRuntime(ws.file("cached"));
    const std::string exe = build("search-sequence = 'A" + win("cached") + "'");
    auto first = rig::runWineLogged(exe);
    EXPECT_NE(std::string::npos, first.log.find("got version from execution 17.0.15")) << first.log;
    auto second = rig::runWineLogged(exe);
    EXPECT_NE(std::string::npos, second.log.find("got version from registry 17.0.15")) << second.log;
    EXPECT_EQ(1u, countOf(rig::fakeCalls(bin), "java "));
    const std::string key = "HKCU\\Software\\korvath\\qarvo\\jvms\\" +
                            [&] { std::string k = lower(win("cached\\bin\\java.exe")); std::replace(k.begin(), k.end(), '\\', '/'); return k; }();
    auto query = rig::wineReg({"query", key, "/v", "Version"});
    EXPECT_NE(std::string::npos, query.out.find("17.0.15")) << query.out << query.err;

    // A changed file is probed again.
    fs::last_write_time(bin + "/java.exe", fs::last_write_time(bin + "/java.exe") + std::chrono::hours(1));
    auto third = rig::runWineLogged(exe);
    EXPECT_NE(std::string::npos, third.log.find("got version from execution 17.0.15")) << third.log;
    EXPECT_EQ(2u, countOf(rig::fakeCalls(bin), "java "));
}

TEST_F(SearchTest, AFailingProbeIsRecordedAsUnusable) {
    const std::string bin = rig::layFakeRuntime(ws.file("failing"), {.exitCode = 3});
    const std::string exe = build("search-sequence = 'A" + win("failing") + "'");
    auto first = rig::runWineLogged(exe);
    EXPECT_EQ(83, first.result.exitCode);
    expectInOrder(first.log, {"Exit Code 3", "couldn't get version", "checkJavaExe returning 0"});
    auto second = rig::runWineLogged(exe);
    EXPECT_EQ(83, second.result.exitCode);
    expectInOrder(second.log, {"got version from registry 1.0.0", "checkJavaExe returning 0"});
    EXPECT_EQ(1u, countOf(rig::fakeCalls(bin), "java "));
}

TEST_F(SearchTest, ProbeQuotesTheExecutablePath) {
    const std::string bin = rig::layFakeRuntime(ws.file("with blank"));
    rig::runWineLogged(build("search-sequence = 'A" + win("with blank") + "'"));
    EXPECT_EQ(Homes{"with blank"}, loads.loaded());
    const auto calls = rig::fakeCalls(bin);
    ASSERT_EQ(1u, countOf(calls, "java "));
    EXPECT_NE(std::string::npos, calls[0].find("\" -version")) << calls[0];
}

TEST_F(SearchTest, JdkRequiredAcceptsOldAndNewJdksOnly) {
    rig::layFakeRuntime(ws.file("jre"));
    rig::layFakeRuntime(ws.file("jdk8"), {.layout = Layout::Jdk8});
    rig::layFakeRuntime(ws.file("jdk17"), {.layout = Layout::Jdk9});
    const std::string java = "jdk-required = true\nsearch-sequence = \"Ajre;Ajdk8\"";
    auto run = rig::runWineLogged(build(java));
    EXPECT_EQ(Homes{"jdk8/jre"}, loads.loaded());
    EXPECT_EQ(std::string::npos, run.log.find("checkJavaExe (" + lower(win("jre"))));
    rig::runWineLogged(build("jdk-required = true\nsearch-sequence = \"Ajdk17\""));
    EXPECT_EQ(Homes{"jdk17"}, loads.loaded());
}

TEST_F(SearchTest, AWindowedTypeNeedsJavaw) {
    rig::layFakeRuntime(ws.file("nojavaw"), {.javaw = false});
    rig::layFakeRuntime(ws.file("withjavaw"));
    auto built = rig::buildProject(ws, "[application]\ntype = 1\n[java]\nsearch-sequence = \"Anojavaw;Awithjavaw\"\n",
                                   "gui.exe");
    ASSERT_EQ(0, built.exitCode);
    auto run = rig::runWineLogged(ws.file("gui.exe"), rig::withArgs({"-q_mvt_internal"}));
    expectInOrder(run.log, {"checkJavaExe returning 0",
                            "Trying to load JVM-DLL from " + lower(win("withjavaw\\bin\\javaw.exe"))});
    EXPECT_EQ(Homes{"withjavaw"}, loads.loaded());
}

TEST_F(SearchTest, JvmDllCandidatesInOrderWithPathExtendedAndRestored) {
    rig::layFakeRuntime(ws.file("jdk"), {.vmKind = ""});
    rig::layFakeRuntime(ws.file("jdk/jre"), {.vmKind = "client"});
    // Only the library lies in the inner JRE, so the JDK's own bin\java.exe is chosen.
    fs::remove(ws.file("jdk/jre/bin/java.exe"));
    fs::remove(ws.file("jdk/jre/bin/javaw.exe"));
    auto run = rig::runWineLogged(build("search-sequence = \"Ajdk\"\nvm-kind-directory = \"server\""));
    const std::string bin = lower(win("jdk\\bin"));
    const std::string jreBin = bin + "\\..\\jre\\bin";
    expectInOrder(run.log, {"Trying " + bin + "\\server\\jvm.dll (exists 0)", "Trying " + bin + "\\hotspot\\jvm.dll (exists 0)",
                            "Trying " + bin + "\\client\\jvm.dll (exists 0)", "Trying " + bin + "\\server\\jvm.dll (exists 0)",
                            "Trying " + bin + "\\classic\\jvm.dll (exists 0)", "Trying " + bin + "\\jrockit\\jvm.dll (exists 0)",
                            "Trying " + jreBin + "\\server\\jvm.dll (exists 0)", "Trying " + jreBin + "\\hotspot\\jvm.dll (exists 0)",
                            "Trying " + jreBin + "\\client\\jvm.dll (exists 1)", "Loading of JVM-DLL successful"});
    // PATH: extended by the first bin directory, restored, then extended by the second (the native
    // library path, set earlier, has its own line).
    const size_t first = run.log.find("\nSetting PATH C") + 1;
    ASSERT_NE(0u, first) << run.log;
    const std::string firstLine = run.log.substr(first, run.log.find('\n', first) - first);
    EXPECT_EQ(";" + bin, firstLine.substr(firstLine.size() - bin.size() - 1));
    const size_t restore = run.log.find("\nSetting PATH C", first) + 1;
    ASSERT_NE(0u, restore) << run.log;
    const std::string restoreLine = run.log.substr(restore, run.log.find('\n', restore) - restore);
    EXPECT_EQ(firstLine.substr(0, firstLine.size() - bin.size() - 1), restoreLine);
    EXPECT_NE(std::string::npos, run.log.find("Setting PATH " + restoreLine.substr(13) + ";" + jreBin + "\n"));
}

struct FailureMessage {
    const char* name;
    const char* sequence;
    const char* message;  // with HOME for the configured location
};

class LoadFailureTest : public SearchTest, public ::testing::WithParamInterface<FailureMessage> {};

TEST_P(LoadFailureTest, TheMessageFitsHowTheRuntimeWasFound) {
    rig::layFakeRuntime(ws.file("broken"), {.createEntry = false});
    rig::RunOptions options;
    options.env["BROKEN_HOME"] = win("broken");
    options.env["WINEPATH"] = win("broken\\bin");
    auto run = rig::runWineLogged(build(std::string("search-sequence = \"") + GetParam().sequence + "\""), options);
    EXPECT_EQ(83, run.result.exitCode);
    // The x64 launcher's texts of damaged and broken runtimes are its own.
    std::string message = rig::withBits(GetParam().message);
    const size_t blank = message.find(' ');
    if (rig::defaultArch() == "x64" && message.rfind("no JVM", 0) != 0) message.insert(blank, "64");
    EXPECT_EQ(0u, run.result.err.find(message)) << run.result.err;
    expectInOrder(run.log, {"Trying to load JVM-DLL from", "ERROR: Could not load functions"});
}

INSTANTIATE_TEST_SUITE_P(Sources, LoadFailureTest,
                         ::testing::Values(FailureMessage{"directory", "Abroken", "damaged broken\n"},
                                           FailureMessage{"variable", "EBROKEN_HOME", "broken BROKEN_HOME\n"},
                                           FailureMessage{"searchPath", "S", "no JVM ({bits})\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SearchTest, TheX64LauncherLoads64BitRuntimesAndSaysSo) {
    rig::layFakeRuntime(ws.file("broken64"), {.arch = "x64", .createEntry = false});
    auto run = rig::runWineLogged(build("search-sequence = \"Abroken64\"", "", "x64"));
    EXPECT_EQ(83, run.result.exitCode);
    EXPECT_EQ(0u, run.result.err.find("damaged64 broken64\n")) << run.result.err;
    EXPECT_EQ(Homes{"broken64"}, loads.loaded());  // loaded, without the entry point
    rig::layFakeRuntime(ws.file("good64"), {.arch = "x64"});
    run = rig::runWineLogged(build("search-sequence = \"Agood64\"", "", "x64"));
    EXPECT_EQ(Homes{"good64"}, loads.loaded());
    // A runtime with a 32-bit jvm.dll is skipped by the 64-bit launcher, in
    // the fallback pass too, instead of failing to load (its release file
    // states the version: no 32-bit program needs to run).
    rig::layFakeRuntime(ws.file("wrongwidth"), {.arch = "x86"});
    ws.write("wrongwidth/release", "JAVA_VERSION=\"17.0.9\"\n");
    run = rig::runWineLogged(build("search-sequence = \"Awrongwidth\"", "", "x64"));
    EXPECT_EQ(83, run.result.exitCode);
    EXPECT_EQ(0u, run.result.err.find("no JVM (64)")) << run.result.err;
    EXPECT_NE(std::string::npos, run.log.find("wrongwidth\\bin\\server\\jvm.dll is a 32-bit library: runtime skipped"))
        << run.log;
    EXPECT_EQ(std::string::npos, run.log.find("Trying to load JVM-DLL")) << run.log;
}

TEST_F(SearchTest, PackedRuntimesAreUnpackedOnceInOrder) {
    const std::string bin = rig::layFakeRuntime(ws.file("packed"));
    for (const char* archive : {"rt.jar", "charsets.jar", "deploy.jar", "ext/localedata.jar", "jsse.jar"}) {
        fs::create_directories(fs::path(ws.file(std::string("packed/lib/") + archive)).parent_path());
        ws.write(std::string("packed/lib/") + archive + ".pack", "packed");
    }
    const std::string exe = build("search-sequence = \"Apacked\"");
    auto run = rig::runWineLogged(exe);
    EXPECT_NE(std::string::npos, run.result.out.find("Preparing JRE ...")) << run.result.out;
    expectInOrder(run.log, {"Unpacking JRE", "pack path doesn't exists", "unpack done", "Unpacking JRE done"});
    const auto calls = rig::fakeCalls(bin);
    ASSERT_EQ(5u, countOf(calls, "unpack200 "));
    const char* order[] = {"rt.jar", "charsets.jar", "deploy.jar", "localedata.jar", "jsse.jar"};
    for (int i = 0; i < 5; ++i) EXPECT_NE(std::string::npos, calls[i].find(order[i])) << calls[i];
    EXPECT_TRUE(fs::exists(ws.file("packed/lib/jsse.jar")));
    // Complete now: nothing more to do.
    run = rig::runWineLogged(exe);
    EXPECT_EQ(std::string::npos, run.log.find("Unpacking JRE"));
    EXPECT_EQ(5u, countOf(rig::fakeCalls(bin), "unpack200 "));
}

TEST_F(SearchTest, AMissingUnpackToolIsInternalError20) {
    rig::layFakeRuntime(ws.file("packed"));
    fs::remove(ws.file("packed/bin/unpack200.exe"));
    ws.write("packed/lib/rt.jar.pack", "packed");
    auto run = rig::runWineLogged(build("search-sequence = \"Apacked\""));
    EXPECT_EQ(1, run.result.exitCode);
    EXPECT_EQ(0u, run.result.err.find("internal 20\n")) << run.result.err;
    EXPECT_NE(std::string::npos, run.log.find("could not create unpack process")) << run.log;
}

// The version probe reads a banner longer than a pipe holds before its
// version line, on either architecture, and leaves nothing in %TEMP%
// (without a console of its own, tests/e2e/service_test.cpp).
class ProbeTest : public SearchTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(ProbeTest, ReadsALongBannerAndLeavesNothingInTheTemporaryDirectory) {
    RIG_SKIP_UNLESS_RUNS(GetParam());
    FakeRuntimeOptions runtime{.arch = GetParam()};
    runtime.banner = std::vector<std::string>(200, "Picked up _JAVA_OPTIONS: -Dqarvo.filler=" + std::string(60, 'x'));
    runtime.banner.push_back("openjdk version \"17.0.15\" 2025-04-15");
    const std::string bin = rig::layFakeRuntime(ws.file("jre"), runtime);
    const std::string exe = build("search-sequence = \"B.\\\\jre\"", "", GetParam());
    const std::vector<std::string> before = rig::tempFilesStartingWith("qvo");
    for (int start = 1; start <= 3; ++start) {
        // A changed java.exe is probed again.
        fs::last_write_time(bin + "/java.exe", fs::last_write_time(bin + "/java.exe") + std::chrono::hours(1));
        const auto run = rig::runWineLogged(exe);
        EXPECT_EQ(static_cast<size_t>(start), countOf(rig::fakeCalls(bin), "java "))
            << "exit code " << run.result.exitCode << ", " << run.result.err << run.log;
        EXPECT_EQ(Homes{"jre"}, loads.loaded()) << "its version was read";
    }
    EXPECT_EQ(before, rig::tempFilesStartingWith("qvo"));
}

INSTANTIATE_TEST_SUITE_P(Arch, ProbeTest, ::testing::Values("x86", "x64"));

}  // namespace
