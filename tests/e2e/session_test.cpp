// Console switches, the native library path and the reboot request under Wine.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/e2e/rig.h"
#include "tests/e2e/screen.h"

namespace fs = std::filesystem;

namespace {

std::string logged(const std::string& log, const std::string& prefix) {
    const size_t at = log.find("\n" + prefix);
    if (at == std::string::npos) return "(no line " + prefix + ")";
    const size_t start = at + 1 + prefix.size();
    return log.substr(start, log.find('\n', start) - start);
}

class SessionTest : public ::testing::Test {
protected:
    std::string build(const std::string& application, const std::string& more = "", int type = 1) {
        auto built = rig::buildProject(ws,
                                       "[application]\nname = \"S\"\ntype = " + std::to_string(type) + "\n" +
                                           application + "\n[messages]\nno-jvm-found = \"no JVM\"\n" + more,
                                       "app.exe");
        EXPECT_EQ(0, built.exitCode) << built.err;
        return ws.file("app.exe");
    }
    rig::Workspace ws;
};

struct SwitchCase {
    const char* name;
    const char* keys;
    const char* argument;
    bool toStandardError;     // message boxes turned off
    const char* consoleLine;  // expected in the log, or empty for no console work
};

class ConsoleSwitchTest : public SessionTest, public ::testing::WithParamInterface<SwitchCase> {};

// A GUI-type executable without a display: a message box cannot show, so the
// error text reaches standard error only when the switch turned boxes off.
TEST_P(ConsoleSwitchTest, TurnsBoxesOffAndAttachesAConsoleAsTheEntriesAllow) {
    const std::string exe = build(GetParam().keys);
    auto run = rig::runWineLogged(exe, rig::withArgs({GetParam().argument, "second"}));
    EXPECT_EQ(83, run.result.exitCode);
    EXPECT_EQ(GetParam().toStandardError, run.result.err.rfind("no JVM", 0) == 0) << run.result.err;
    const std::string line = GetParam().consoleLine;
    if (line.empty()) {
        for (const char* any : {"\nallocated a console\n", "\nattached to the parent's console\n",
                                "\nconsole already attached\n", "could not allocate a console"})
            EXPECT_EQ(std::string::npos, run.log.find(any)) << run.log;
    } else {
        EXPECT_NE(std::string::npos, run.log.find("\n" + line + "\n")) << run.log;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Switches, ConsoleSwitchTest,
    ::testing::Values(SwitchCase{"quiet", "console-switches = true", "-q", true, ""},
                      SwitchCase{"quietConsole", "console-switches = true", "-c", true, "allocated a console"},
                      SwitchCase{"console", "console-switches = true", "-console", false, "allocated a console"},
                      SwitchCase{"consoleOnlyEntry", "console-switch = true", "-console", false, "allocated a console"},
                      SwitchCase{"quietNeedsEntry154", "console-switch = true", "-q", false, ""},
                      SwitchCase{"quietConsoleNeedsEntry154", "console-switch = true", "-c", false, ""},
                      SwitchCase{"noEntries", "", "-console", false, ""},
                      SwitchCase{"caseMatters", "console-switches = true", "-C", false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Started from a console program: its console is used, no new one is made.
TEST_F(SessionTest, FromACommandPromptTheParentsConsoleIsUsed) {
    const std::string exe = build("console-switch = true");
    rig::RunOptions options = rig::withArgs({"/c", rig::windowsPath(exe), "-console"});
    auto run = rig::runWineLogged("cmd", options);
    EXPECT_EQ(83, run.result.exitCode);
    EXPECT_EQ(std::string::npos, run.log.find("allocated a console")) << run.log;
    EXPECT_TRUE(run.log.find("\nconsole already attached\n") != std::string::npos ||
                run.log.find("\nattached to the parent's console\n") != std::string::npos)
        << run.log;
}

struct PathCase {
    const char* name;
    const char* entry;     // TOML basic string
    const char* expected;  // with {exe} for the executable's directory and {old} for the old PATH
};

class NativePathTest : public SessionTest, public ::testing::WithParamInterface<PathCase> {};

std::string filled(std::string text, const std::string& exeDirectory, const std::string& old) {
    for (auto [key, value] : {std::pair<std::string, std::string>{"{exe}", exeDirectory}, {"{old}", old}})
        for (size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, key.size(), value);
    return text;
}

TEST_P(NativePathTest, PutsTheDirectoriesInFrontOfPath) {
    const std::string exe = build(std::string("native-library-directory = \"") + GetParam().entry + "\"", "", 2);
    rig::RunOptions options;
    options.env["WINEPATH"] = "C:\\old1;C:\\old2";
    auto run = rig::runWineLogged(exe, options);
    EXPECT_EQ(83, run.result.exitCode);
    const std::string old = "C:\\old1;C:\\old2;" + logged(run.log, "Setting PATH (native libs) ").substr(
                                                        logged(run.log, "Setting PATH (native libs) ").find("C:\\windows"));
    const std::string exeDirectory = rig::windowsPath(ws.path());
    EXPECT_EQ(filled(GetParam().expected, exeDirectory, old), logged(run.log, "Setting PATH (native libs) "));
    std::string raw = GetParam().entry;  // the TOML text unescaped
    for (size_t at; (at = raw.find("\\\\")) != std::string::npos;) raw.erase(at, 1);
    EXPECT_EQ(raw, logged(run.log, "native lib dir is "));
}

INSTANTIATE_TEST_SUITE_P(
    Entries, NativePathTest,
    ::testing::Values(PathCase{"relative", "lib;native\\\\x64", "{exe}\\lib;{exe}\\native\\x64;{old}"},
                      PathCase{"endsInSeparator", "c:\\\\libs;", "c:\\libs;{old}"},
                      PathCase{"empty", "", "{old}"},
                      PathCase{"variable", "${QARVO_EXEDIR}\\\\bin", "{exe}\\bin;{old}"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SessionTest, AnOldPathLongerThanAnyBufferIsKeptInFull) {
    const std::string exe = build("native-library-directory = \"" + std::string(9000, 'd') + "\"", "", 2);
    std::string old;
    for (int i = 0; i < 2500; ++i) old += (i ? ";C:\\p" : "C:\\p") + std::to_string(10000 + i);
    rig::RunOptions options;
    options.env["WINEPATH"] = old;
    auto run = rig::runWineLogged(exe, options);
    EXPECT_EQ(83, run.result.exitCode);
    const std::string value = logged(run.log, "Setting PATH (native libs) ");
    const std::string front = rig::windowsPath(ws.path()) + "\\" + std::string(9000, 'd') + ";" + old + ";";
    EXPECT_EQ(0u, value.find(front)) << value.substr(0, 200);
    EXPECT_NE(std::string::npos, value.find("C:\\windows\\system32", front.size()));
}

// The reboot request in a prefix of its own: the end-session messages reach a
// program of that prefix and no other.
class RebootTest : public ::testing::Test {
protected:
    void SetUp() override {
        prefix = rig::winePrefix() + "-reboot";
        fs::remove_all(prefix);
        rig::RunOptions options;
        options.env["WINEPREFIX"] = prefix;
        options.timeoutSeconds = 240;
        rig::run({rig::wineRunner(), "wineboot", "--init"}, options);
        rig::run({"wineserver", "-w"}, options);
    }
    void TearDown() override {
        rig::RunOptions options;
        options.env["WINEPREFIX"] = prefix;
        rig::run({"wineserver", "-k"}, options);
        fs::remove_all(prefix);
    }
    // A helper with a window that reports the end-session messages; its
    // output goes to a file, which says "waiting" once the window is there.
    rig::Process session(const std::string& winePrefix, const std::string& outputFile) {
        rig::RunOptions options = rig::withArgs({"session", "25"});
        options.env["WINEPREFIX"] = winePrefix;
        options.env["DISPLAY"] = display.name();
        options.outputFile = outputFile;
        return rig::startWine(screen::probePath(), options);
    }
    static bool waitForWindow(const std::string& outputFile) {
        for (int i = 0; i < 600; ++i) {
            if (rig::readFile(outputFile).find("waiting") != std::string::npos) return true;
            usleep(50000);
        }
        return false;
    }
    std::string prefix;
    rig::Display display;
    rig::Workspace ws;
};

TEST_F(RebootTest, EndsTheSessionOfItsOwnPrefixOnly) {
    ASSERT_TRUE(display.ok());
    auto built = rig::buildProject(ws, "[application]\nname = \"R\"\ntype = 1\n", "app.exe");
    ASSERT_EQ(0, built.exitCode) << built.err;
    rig::Process inPrefix = session(prefix, ws.file("in-prefix.out"));
    rig::Process elsewhere = session(rig::winePrefix(), ws.file("elsewhere.out"));
    ASSERT_TRUE(waitForWindow(ws.file("in-prefix.out")));
    ASSERT_TRUE(waitForWindow(ws.file("elsewhere.out")));
    rig::RunOptions options = rig::withArgs({"__mvt_reboot"});
    options.env["WINEPREFIX"] = prefix;
    options.env["DISPLAY"] = display.name();
    options.env["QARVO_LOG"] = "yes";
    auto run = rig::runWine(ws.file("app.exe"), options);
    EXPECT_EQ(0, run.exitCode);
    auto ended = rig::finish(inPrefix, 30);
    auto untouched = rig::finish(elsewhere, 30);
    EXPECT_NE(std::string::npos, ended.out.find("query-end-session\r\nend-session 1")) << ended.out;
    // Only what it received counts: Wine may add a line of its own about the
    // helper (a fault in one of its threads was seen once).
    EXPECT_NE(std::string::npos, untouched.out.find("waiting\r\n")) << untouched.out;
    EXPECT_EQ(std::string::npos, untouched.out.find("end-session")) << untouched.out;
    std::string log;
    for (const auto& entry : fs::recursive_directory_iterator(prefix + "/drive_c/users"))
        if (entry.path().filename().string().rfind("mvt_nlog_", 0) == 0) log = rig::readFile(entry.path().string());
    EXPECT_NE(std::string::npos, log.find("reboot requested\r\nshutdown privilege enabled\r\nExitWindowsEx returned 1\r\n"))
        << log;
}

TEST_F(SessionTest, TheRebootTextWithMoreWordsIsAnOrdinaryStart) {
    const std::string exe = build("", "", 2);
    auto run = rig::runWineLogged(exe, rig::withArgs({"__mvt_reboot", "now"}));
    EXPECT_EQ(83, run.result.exitCode);
    EXPECT_EQ(std::string::npos, run.log.find("reboot requested")) << run.log;
    EXPECT_NE(std::string::npos, run.log.find("Searching for a JVM")) << run.log;
}

}  // namespace
