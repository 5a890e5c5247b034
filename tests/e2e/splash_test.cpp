// The splash screen under Xvfb, read from screenshots and window facts.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/e2e/rig.h"
#include "tests/e2e/screen.h"

namespace fs = std::filesystem;

namespace {

using screen::Rgb;

constexpr Rgb kGreen = 0x00C800, kYellow = 0xC8C800, kBlue = 0x0000C8, kLightGrey = 0xC0C0C0;
constexpr Rgb kRed = 0xFF0000, kWhite = 0xFFFFFF;

// 200 x 100: green and yellow halves above, blue below. The window is
// 240 x 140, so a light grey margin shows right of and below the bitmap.
constexpr int kWindowWidth = 240, kWindowHeight = 140;
Rgb splashPixel(int x, int y) { return y < 50 ? (x < 100 ? kGreen : kYellow) : kBlue; }

// The splash keys, with more keys of the [splash] table.
std::string splashKeys(const std::string& splashTable) {
    return "[splash]\nshow = true\nwidth = 240\nheight = 140\n" + splashTable + R"toml(
[splash.line1]
x = 10
y = 8
text = "Status"
font = "Arial"
size = 20
color = [255, 0, 0]
weight = 700
[splash.line2]
x = 10
y = 60
text = "Second"
font = "Arial"
size = 16
color = [255, 255, 255]
weight = 700
[resources]
splash-bitmap = "splash.bmp"
)toml";
}

// The log line's position, npos when absent.
size_t lineAt(const std::string& log, const std::string& line) { return log.find("\n" + line + "\n"); }

class SplashTest : public ::testing::Test {
protected:
    void SetUp() override {
        ws.write("splash.bmp", screen::bmp24(200, 100, splashPixel));
        runtimeBin = rig::layFakeRuntime(ws.file("jre"));
    }
    // The runtime's java -version answers after a while, keeping the JVM
    // search (and so the splash) waiting: with a good version, or with an
    // error while its jvm.dll cannot be used.
    void javaWill(const std::string& how) {
        if (how == "fail") {
            rig::FakeRuntimeOptions broken;
            broken.createEntry = false;
            runtimeBin = rig::layFakeRuntime(ws.file("jre"), broken);
        }
        std::ofstream ini(runtimeBin + "/fakejre.ini", std::ios::app);
        ini << (how == "fail" ? "exit=1\ndelay_ms=4000\n" : "delay_ms=60000\nrelease_file=release\n");
    }
    // Lets a slow java -version answer now.
    void releaseJava() { std::ofstream(runtimeBin + "/release") << "go"; }
    // What the application (the fake jvm.dll's main) does, step by step.
    void application(const std::vector<std::string>& steps, const std::string& more = "") {
        std::ofstream ini(runtimeBin + "/server/fakejre.ini");
        ini << "main=app\n" << more;
        for (const std::string& step : steps) ini << "app=" << step << "\n";
    }
    // Lets the application past its step "wait:<name>".
    void release(const std::string& name) { std::ofstream(runtimeBin + "/server/" + name) << "go"; }
    std::vector<std::string> transcript() { return rig::fakeCalls(runtimeBin + "/server"); }
    bool recorded(const std::string& line) {
        const auto calls = transcript();
        return std::find(calls.begin(), calls.end(), line) != calls.end();
    }
    // Polls the transcript for a line, for up to 30 seconds.
    bool waitForCall(const std::string& line) {
        for (int i = 0; i < 300; ++i) {
            if (recorded(line)) return true;
            usleep(100000);
        }
        return false;
    }
    // Type 2 unless said otherwise: errors go to standard error, no box waits.
    std::string build(const std::string& extraSplash = "", const std::string& application = "", int type = 2) {
        const std::string text = "[application]\nname = \"Splashy\"\ntype = " + std::to_string(type) + "\n" +
                                 application +
                                 "\n[java]\nsearch-sequence = \"B.\\\\jre\"\n[messages]\ncaption = \"Oops\"\n"
                                 "no-jvm-found = \"no JVM\"\njvm-damaged-32 = \"damaged\"\njvm-damaged-64 = \"damaged\"\n"
                                 "internal-error = \"internal {0}\"\njvm-start-failed = \"cannot start\"\n" +
                                 splashKeys(extraSplash);
        auto built = rig::buildProject(ws, text, "app.exe");
        EXPECT_EQ(0, built.exitCode) << built.err;
        return ws.file("app.exe");
    }
    // Output through a file, as for every Windows program of these tests.
    rig::RunOptions displayOptions(std::vector<std::string> args = {}) {
        rig::RunOptions options = rig::withArgs(std::move(args));
        options.env["DISPLAY"] = display.name();
        options.env["QARVO_LOG"] = "yes";
        options.outputFile = ws.file("output-" + std::to_string(++outputs) + ".txt");
        return options;
    }
    int outputs = 0;
    rig::Process start(const std::string& exe) {
        logsBefore = rig::tempFilesStartingWith("mvt_nlog_");
        return rig::startWine(exe, displayOptions());
    }
    // The log of the run started last (once its process has ended).
    std::string runLog() {
        for (const std::string& name : rig::tempFilesStartingWith("mvt_nlog_")) {
            if (std::find(logsBefore.begin(), logsBefore.end(), name) != logsBefore.end()) continue;
            std::string text = rig::readFile(rig::wineTempDirectory() + "/" + name), lf;
            for (char c : text)
                if (c != '\r') lf.push_back(c);
            fs::remove(rig::wineTempDirectory() + "/" + name);
            return lf;
        }
        return std::string();
    }
    std::map<std::string, std::string> waitForSplash() {
        auto found = screen::probe(display, {"find", "QarvoSplashScreen", "40"});
        EXPECT_EQ(0, found.exitCode) << found.out;
        return screen::facts(found.out);
    }
    rig::Display display;
    rig::Workspace ws;
    std::string runtimeBin;
    std::vector<std::string> logsBefore;
};

TEST_F(SplashTest, ShowsTheBitmapAndBothLinesCentredAtTheConfiguredSize) {
    ASSERT_TRUE(display.ok());
    javaWill("slow");
    rig::Process launcher = start(build());
    auto facts = waitForSplash();
    const int left = (screen::kWidth - kWindowWidth) / 2, top = (screen::kHeight - kWindowHeight) / 2;
    EXPECT_EQ(std::to_string(left) + " " + std::to_string(top) + " " + std::to_string(left + kWindowWidth) + " " +
                  std::to_string(top + kWindowHeight),
              facts["rect"]);
    EXPECT_EQ("Splashy", facts["title"]);
    EXPECT_EQ("0", facts["topmost"]);
    // Both lines drawn.
    const screen::Screenshot shot = screen::shotWhen(display, [&](const screen::Screenshot& s) {
        return s.count(kRed, left + 10, top + 8, left + 200, top + 50) > 40 &&
               s.count(kWhite, left + 10, top + 60, left + 200, top + 100) > 40;
    });
    // The bitmap where no text is, the grey margin, and nothing outside.
    EXPECT_EQ(kGreen, shot.at(left + 4, top + 4));
    EXPECT_EQ(kYellow, shot.at(left + 195, top + 45));
    EXPECT_EQ(kBlue, shot.at(left + 190, top + 95));
    EXPECT_EQ(kLightGrey, shot.at(left + 220, top + 20));
    EXPECT_EQ(kLightGrey, shot.at(left + 100, top + 120));
    EXPECT_NE(kLightGrey, shot.at(left - 2, top + 20));
    EXPECT_NE(kLightGrey, shot.at(left + 100, top + kWindowHeight + 1));
    // Line 1 in red from (10, 8), line 2 in white from (10, 60), nowhere else.
    EXPECT_GT(shot.count(kRed, left + 10, top + 8, left + 200, top + 50), 40);
    EXPECT_EQ(0, shot.count(kRed, left, top, left + kWindowWidth, top + 8));
    EXPECT_EQ(0, shot.count(kRed, left, top, left + 10, top + kWindowHeight));
    EXPECT_EQ(0, shot.count(kRed, left, top + 50, left + kWindowWidth, top + kWindowHeight));
    EXPECT_GT(shot.count(kWhite, left + 10, top + 60, left + 200, top + 100), 40);
    EXPECT_EQ(0, shot.count(kWhite, left, top, left + kWindowWidth, top + 60));
    EXPECT_EQ(0, shot.count(kWhite, left, top, left + 10, top + kWindowHeight));
    releaseJava();
    rig::finish(launcher, 60);
    const std::string log = runLog();
    EXPECT_LT(lineAt(log, "Starting splash screen thread"), lineAt(log, "Searching for a JVM")) << log;
    EXPECT_NE(std::string::npos, lineAt(log, "Initializing splash screen")) << log;
}

struct Stacking {
    const char* name;
    bool topmost;
};

class TopmostTest : public SplashTest, public ::testing::WithParamInterface<Stacking> {};

TEST_P(TopmostTest, DecidesWhetherAnotherWindowCanCoverTheSplash) {
    ASSERT_TRUE(display.ok());
    javaWill("slow");
    rig::Process launcher = start(build(GetParam().topmost ? "topmost = true\n" : "topmost = false\n"));
    auto facts = waitForSplash();
    EXPECT_EQ(GetParam().topmost ? "1" : "0", facts["topmost"]);
    const int left = (screen::kWidth - kWindowWidth) / 2, top = (screen::kHeight - kWindowHeight) / 2;
    rig::RunOptions coverOptions = displayOptions({"cover", std::to_string(left - 20), std::to_string(top - 20),
                                                  std::to_string(left + kWindowWidth + 20),
                                                  std::to_string(top + kWindowHeight + 20), "30"});
    rig::Process cover = rig::startWine(screen::probePath(), coverOptions);
    EXPECT_EQ(0, screen::probe(display, {"find", "QarvoTestCover", "30"}).exitCode);
    // Wine keeps its z-order by the topmost style; without a window manager
    // the X server's stacking (and so a screenshot) does not follow it.
    const std::string order = screen::probe(display, {"zorder"}).out;
    const size_t splash = order.find("window QarvoSplashScreen\n"), covering = order.find("window QarvoTestCover\n");
    ASSERT_NE(std::string::npos, splash) << order;
    ASSERT_NE(std::string::npos, covering) << order;
    EXPECT_EQ(GetParam().topmost, splash < covering) << order;
    rig::finish(cover, 0);
    releaseJava();
    rig::finish(launcher, 60);
}

INSTANTIATE_TEST_SUITE_P(Splash, TopmostTest, ::testing::Values(Stacking{"topmost", true}, Stacking{"normal", false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ShowCommand {
    const char* name;
    int command;
    const char* seen;
};

class ShowCommandTest : public SplashTest, public ::testing::WithParamInterface<ShowCommand> {};

// The show command the process was started with: 0 (hidden) means no splash.
TEST_P(ShowCommandTest, ZeroShowsNoSplash) {
    ASSERT_TRUE(display.ok());
    javaWill("slow");
    const std::string exe = build();
    logsBefore = rig::tempFilesStartingWith("mvt_nlog_");
    rig::Process launcher = rig::startWine(
        screen::probePath(), displayOptions({"launch", std::to_string(GetParam().command), rig::windowsPath(exe)}));
    auto watched = screen::probe(display, {"watch", "QarvoSplashScreen", "8"});
    EXPECT_EQ(std::string(GetParam().seen) + "\n", watched.out);
    releaseJava();
    rig::finish(launcher, 60);
    const std::string log = runLog();
    EXPECT_NE(std::string::npos, lineAt(log, "Searching for a JVM")) << log;
    if (GetParam().command == 0) {
        EXPECT_NE(std::string::npos, lineAt(log, "Hiding splash screen")) << log;
        EXPECT_EQ(std::string::npos, lineAt(log, "Starting splash screen thread")) << log;
    }
}

INSTANTIATE_TEST_SUITE_P(Splash, ShowCommandTest,
                         ::testing::Values(ShowCommand{"hidden", 0, "never"}, ShowCommand{"normal", 1, "seen"},
                                           ShowCommand{"minimised", 7, "seen"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SplashTest, AnErrorBoxHidesTheSplashFirst) {
    ASSERT_TRUE(display.ok());
    javaWill("fail");
    rig::Process launcher = start(build("", "", 1));
    waitForSplash();
    EXPECT_EQ(0, screen::probe(display, {"find", "#32770", "40"}).exitCode);
    EXPECT_EQ("gone\n", screen::probe(display, {"gone", "QarvoSplashScreen", "1"}).out);
    auto box = screen::readMessageBox(display);
    EXPECT_EQ(0u, box.out.find("caption: Oops\n")) << box.out;
    auto result = rig::finish(launcher, 60);
    EXPECT_EQ(83, result.exitCode);
    const std::string log = runLog();
    EXPECT_LT(lineAt(log, "Splash screen visible"), lineAt(log, "Hiding splash screen")) << log;
}

// A hide that arrives before the splash thread has shown its window (here the
// refusal of an included file's name right after the splash was started):
// the window is never shown. The thread may win the race and show the window
// first; the runs where it did are not counted.
TEST_F(SplashTest, AHideBeforeTheWindowIsShownMeansNoWindowAtAll) {
    ASSERT_TRUE(display.ok());
    const std::string exe = build("", "[entries]\n2002 = \"1\"\n2003 = \"..\\\\evil.dll\"\n", 1);
    int hideFirst = 0;
    for (int attempt = 0; attempt < 5 && hideFirst == 0; ++attempt) {
        logsBefore = rig::tempFilesStartingWith("mvt_nlog_");
        rig::Process launcher = rig::startWine(exe, displayOptions());
        auto watched = screen::probe(display, {"watch", "QarvoSplashScreen", "4"});
        auto box = screen::readMessageBox(display);
        EXPECT_NE(std::string::npos, box.out.find("text: internal 11")) << box.out;
        EXPECT_EQ(1, rig::finish(launcher, 60).exitCode);
        const std::string log = runLog();
        const size_t hidden = lineAt(log, "Hiding splash screen"), visible = lineAt(log, "Splash screen visible");
        ASSERT_NE(std::string::npos, hidden) << log;
        if (visible != std::string::npos) {
            EXPECT_LT(visible, hidden) << log;  // a show after the hide never happens
            continue;
        }
        ++hideFirst;
        EXPECT_EQ("never\n", watched.out) << log;
    }
    if (hideFirst == 0) GTEST_SKIP() << "the splash thread showed its window first in every run";
}

constexpr int kLeft = (screen::kWidth - kWindowWidth) / 2, kTop = (screen::kHeight - kWindowHeight) / 2;
// Where line 1's "Status" has ended in every font Wine has picked for Arial
// (about 100 pixels in the 64-bit Wine's fallback), with room for a longer
// text beyond.
constexpr int kStatusEnd = 130;

TEST_F(SplashTest, AStatusTextFromTheApplicationReplacesLineOne) {
    ASSERT_TRUE(display.ok());
    application({"wait:text:60000", "text:Loading plug-ins", "wait:finish:60000"});
    rig::Process launcher = start(build());
    waitForSplash();
    ASSERT_TRUE(waitForCall("CallStaticIntMethod com/qarvo/runtime/QarvoController.getAction -> 0"));
    screen::Screenshot before(display);
    release("text");
    EXPECT_TRUE(waitForCall("CallStaticObjectMethod com/qarvo/runtime/QarvoController.getText -> Loading plug-ins"));
    const screen::Screenshot after = screen::shotWhen(display, [](const screen::Screenshot& s) {
        return s.count(kRed, kLeft + kStatusEnd, kTop + 8, kLeft + kWindowWidth, kTop + 50) > 20;
    });
    // "Status" ends before kStatusEnd; the longer text reaches beyond it.
    EXPECT_EQ(0, before.count(kRed, kLeft + kStatusEnd, kTop + 8, kLeft + kWindowWidth, kTop + 50));
    EXPECT_GT(after.count(kRed, kLeft + kStatusEnd, kTop + 8, kLeft + kWindowWidth, kTop + 50), 20);
    EXPECT_EQ(0, after.count(kRed, kLeft, kTop + 50, kLeft + kWindowWidth, kTop + kWindowHeight));
    // Line 2 is drawn as before.
    const int whiteBefore = before.count(kWhite, kLeft, kTop + 50, kLeft + kWindowWidth, kTop + kWindowHeight);
    EXPECT_GT(whiteBefore, 40);
    EXPECT_EQ(whiteBefore, after.count(kWhite, kLeft, kTop + 50, kLeft + kWindowWidth, kTop + kWindowHeight));
    release("finish");
    EXPECT_EQ(0, rig::finish(launcher, 60).exitCode);
}

// The application asks for the hide while another program has the focus:
// the splash goes and the application's window comes to the front.
TEST_F(SplashTest, AHideFromTheApplicationBringsItsWindowToTheFront) {
    ASSERT_TRUE(display.ok());
    application({"window:Main", "wait:hide:60000", "hide", "wait:finish:60000"});
    rig::Process launcher = start(build());
    waitForSplash();
    EXPECT_EQ(0, screen::probe(display, {"find", "QarvoTestApp", "30"}).exitCode);
    rig::Process cover = rig::startWine(screen::probePath(), displayOptions({"cover", "900", "50", "1200", "250", "60"}));
    EXPECT_EQ(0, screen::probe(display, {"find", "QarvoTestCover", "30"}).exitCode);
    std::string foreground;
    for (int i = 0; i < 100 && foreground != "QarvoTestCover"; ++i) {
        if (i > 0) usleep(100000);
        foreground = screen::facts(screen::probe(display, {"foreground"}).out)["class"];
    }
    EXPECT_EQ("QarvoTestCover", foreground);
    release("hide");
    EXPECT_EQ("gone\n", screen::probe(display, {"gone", "QarvoSplashScreen", "20"}).out);
    // Without a window manager Wine waits a while for a hidden window to be
    // withdrawn before the splash thread goes on.
    EXPECT_TRUE(waitForCall("DetachCurrentThread"));
    EXPECT_EQ("QarvoTestApp", screen::facts(screen::probe(display, {"foreground"}).out)["class"]);
    release("finish");
    EXPECT_EQ(0, rig::finish(launcher, 60).exitCode);
    rig::finish(cover, 0);
    const std::string log = runLog();
    const size_t hiding = lineAt(log, "Hiding splash screen");
    EXPECT_NE(std::string::npos, hiding) << log;
    EXPECT_NE(std::string::npos, log.find("\nfound window ", hiding)) << log;
    EXPECT_NE(std::string::npos, log.find("\nforeground\npopup\ndone\n", hiding)) << log;
}

struct AutoOff {
    const char* name;
    bool autoOff;
    bool splashStays;
};

class AutoOffTest : public SplashTest, public ::testing::WithParamInterface<AutoOff> {};

TEST_P(AutoOffTest, TheApplicationsFirstWindowHidesTheSplashWhenAsked) {
    ASSERT_TRUE(display.ok());
    application({"wait:window:60000", "window:Main", "wait:finish:60000"});
    rig::Process launcher = start(build(GetParam().autoOff ? "auto-off = true\n" : "auto-off = false\n"));
    waitForSplash();
    ASSERT_TRUE(waitForCall("app wait:window:60000"));
    usleep(500000);
    EXPECT_EQ(0, screen::probe(display, {"find", "QarvoSplashScreen", "1"}).exitCode) << "no window of its own yet";
    release("window");
    EXPECT_EQ(0, screen::probe(display, {"find", "QarvoTestApp", "30"}).exitCode);
    auto gone = screen::probe(display, {"gone", "QarvoSplashScreen", "5"});
    EXPECT_EQ(GetParam().splashStays ? "still visible\n" : "gone\n", gone.out);
    EXPECT_EQ(0, screen::probe(display, {"find", "QarvoTestApp", "1"}).exitCode) << "the application's window stays";
    release("finish");
    rig::finish(launcher, 60);
    const std::string log = runLog();
    EXPECT_EQ(GetParam().splashStays, lineAt(log, "Splash screen auto off") == std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(Splash, AutoOffTest,
                         ::testing::Values(AutoOff{"on", true, false}, AutoOff{"off", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SplashTest, WithoutTheControllerClassTheSplashKeepsItsTextAndStays) {
    ASSERT_TRUE(display.ok());
    application({"text:never shown", "hide", "wait:finish:60000"},
                "missing_class=com/qarvo/runtime/QarvoController\n");
    rig::Process launcher = start(build());
    waitForSplash();
    ASSERT_TRUE(waitForCall("FindClass com/qarvo/runtime/QarvoController"));
    sleep(1);
    screen::Screenshot shot(display);
    EXPECT_EQ(0, shot.count(kRed, kLeft + kStatusEnd, kTop + 8, kLeft + kWindowWidth, kTop + 50));
    EXPECT_GT(shot.count(kRed, kLeft + 10, kTop + 8, kLeft + kStatusEnd, kTop + 50), 40);
    EXPECT_EQ(0, screen::probe(display, {"find", "QarvoSplashScreen", "1"}).exitCode);
    release("finish");
    rig::finish(launcher, 60);
    const auto calls = transcript();
    EXPECT_EQ(1, std::count(calls.begin(), calls.end(), "FindClass com/qarvo/runtime/QarvoController"));
    for (const std::string& call : calls) EXPECT_EQ(std::string::npos, call.find("QarvoController.get")) << call;
}

// The runtime's splash library, after the JVM library was loaded.
class RuntimeSplashTest : public ::testing::Test {
protected:
    std::string build(bool library) {
        rig::FakeRuntimeOptions fake;
        fake.splashLibrary = library;
        bin = rig::layFakeRuntime(ws.file("jre"), fake);
        ws.write("image.bmp", image);
        auto built = rig::buildProject(
            ws, "[application]\nname = \"Lib\"\ntype = 2\n[java]\nsearch-sequence = \"B.\\\\jre\"\n"
                "[messages]\njvm-start-failed = \"cannot start\"\n[splash]\nshow = true\nthrough-runtime = true\n"
                "[resources]\nsplash-bitmap = \"image.bmp\"\nsplash-image = \"image.bmp\"\n",
            "app.exe");
        EXPECT_EQ(0, built.exitCode) << built.err;
        return ws.file("app.exe");
    }
    // The fake jvm.dll's script, beside it.
    void script(const std::string& line) { std::ofstream(bin + "/server/fakejre.ini", std::ios::app) << line << "\n"; }
    std::vector<std::string> splashCalls() {
        std::vector<std::string> out;
        for (const std::string& call : rig::fakeCalls(bin))
            if (call.rfind("Splash", 0) == 0 || call.rfind("splashscreen", 0) == 0) out.push_back(call);
        return out;
    }
    rig::Workspace ws;
    std::string bin;
    const std::string image = screen::bmp24(30, 20, [](int x, int) { return x < 15 ? 0x123456u : 0x88FF00u; });
};

TEST_F(RuntimeSplashTest, AnErrorAfterTheImageWasHandedOverClosesTheLibrarysSplash) {
    const std::string exe = build(true);
    script("create=fail");
    auto run = rig::runWineLogged(exe);
    EXPECT_EQ(1, run.result.exitCode);
    EXPECT_EQ(0u, run.result.err.find("cannot start")) << run.result.err;
    const std::vector<std::string> expected = {"splashscreen.dll loaded", "SplashInit",
                                               "SplashLoadMemory " + std::to_string(image.size()), "SplashClose"};
    EXPECT_EQ(expected, splashCalls());
    EXPECT_EQ(image, rig::readFile(bin + "/splash-received.bin"));
    // The JVM search keeps the runtime's path in lower case.
    auto lower = [](std::string text) {
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    const std::string home = lower(rig::windowsPath(bin)) + "\\..";
    const size_t loading = lower(run.log).find("\nloading splashscreen dll from " + home + "\\bin\\splashscreen.dll\n");
    EXPECT_NE(std::string::npos, loading) << run.log;
    EXPECT_LT(run.log.find("\nLoading of JVM-DLL successful"), loading) << run.log;
    EXPECT_NE(std::string::npos, run.log.find("\nsplash load memory returned 1 (")) << run.log;
    EXPECT_EQ(std::string::npos, run.log.find("Hiding splash screen")) << run.log;
}

TEST_F(RuntimeSplashTest, AMissingLibraryIsLoggedAndTheLaunchGoesOn) {
    const std::string exe = build(false);
    auto run = rig::runWineLogged(exe);
    EXPECT_EQ(0, run.result.exitCode) << run.result.err;
    const size_t missing = run.log.find("\nERROR: Could not load splashscreen.dll\n");
    EXPECT_NE(std::string::npos, missing) << run.log;
    EXPECT_LT(missing, run.log.find("\nlaunching program\n")) << run.log;
    EXPECT_NE(std::string::npos, run.log.find("\nlaunch done\n")) << run.log;
    EXPECT_TRUE(splashCalls().empty());
}

TEST_F(RuntimeSplashTest, ALaunchThatGoesWellLeavesClosingToTheLibrary) {
    const std::string exe = build(true);
    auto run = rig::runWineLogged(exe);
    EXPECT_EQ(0, run.result.exitCode) << run.result.err;
    const std::vector<std::string> expected = {"splashscreen.dll loaded", "SplashInit",
                                               "SplashLoadMemory " + std::to_string(image.size())};
    EXPECT_EQ(expected, splashCalls());
    EXPECT_EQ(image, rig::readFile(bin + "/splash-received.bin"));
}

TEST_F(RuntimeSplashTest, ALibraryWithoutTheEntryPointsIsLogged) {
    const std::string exe = build(false);
    fs::copy_file(bin + "/server/jvm.dll", bin + "/splashscreen.dll");
    script("create=fail");
    auto run = rig::runWineLogged(exe);
    EXPECT_EQ(1, run.result.exitCode);
    EXPECT_NE(std::string::npos, run.log.find("\nERROR: Could not find functions in splashscreen.dll\n")) << run.log;
    EXPECT_FALSE(fs::exists(bin + "/splash-received.bin"));
}

}  // namespace
