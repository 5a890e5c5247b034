// Session services without a window: single-instance names and hand-over
// content, the wait for its consumption, the native library PATH, and the
// splash screen's placement, fonts and show/hide gate.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "session/instance_rules.h"
#include "session/native_path.h"
#include "session/splash_rules.h"

namespace {

TEST(SemaphoreName, BackslashesBecomeUnderscoresAfterTheOptionalGlobalPrefix) {
    EXPECT_EQ("c:_apps_tool_tool.exe", semaphoreBaseName("c:\\apps\\tool\\tool.exe", false));
    EXPECT_EQ("Global\\c:_apps_tool_tool.exe", semaphoreBaseName("c:\\apps\\tool\\tool.exe", true));
}

struct RawCase {
    const char* name;
    const char16_t* commandLine;
    const char16_t* classic;  // the arguments handed over by each rule
    const char16_t* windows;
};

class RawArgumentsTest : public ::testing::TestWithParam<RawCase> {};

TEST_P(RawArgumentsTest, AreTheTextAfterTheProgramName) {
    EXPECT_EQ(std::u16string(GetParam().classic), rawArguments(GetParam().commandLine, CommandLineRules::Classic));
    EXPECT_EQ(std::u16string(GetParam().windows), rawArguments(GetParam().commandLine, CommandLineRules::Windows));
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, RawArgumentsTest,
    ::testing::Values(RawCase{"plain", u"app.exe a b", u"a b", u"a b"},
                      RawCase{"quoted", u"\"c:\\my app\\app.exe\" a b", u"a b", u"a b"},
                      RawCase{"blanksSkipped", u"app.exe    a  b ", u"a  b ", u"a  b "},
                      RawCase{"quotedNoArguments", u"\"c:\\app.exe\"", u"", u""},
                      RawCase{"unclosedQuote", u"\"c:\\app.exe a b", u"", u""},
                      RawCase{"noBlank", u"app.exe", u"", u""},
                      RawCase{"tabIsNoSeparator", u"app.exe\ta b", u"b", u"a b"},
                      RawCase{"textAfterQuote", u"\"app.exe\"x y", u"y", u"y"},
                      RawCase{"quoteInsideTheName", u"a\"b c\"d e", u"c\"d e", u"e"},
                      RawCase{"quotesKept", u"app.exe \"two words\" 'x'", u"\"two words\" 'x'", u"\"two words\" 'x'"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NotificationContent, IsUtf16LeWithALineFeedAndNothingElse) {
    EXPECT_EQ(std::string("a\0 \0b\0\n\0", 8), notificationContent(u"a b"));
    EXPECT_EQ(std::string("\n\0", 2), notificationContent(u""));
    EXPECT_EQ(std::string("\xe4\0\x2c\x65\n\0", 6), notificationContent(u"\u00e4\u652c"));
}

// A scripted file and first instance; time passes only through sleep.
struct WaitScript {
    int goneAfterMs = -1;      // -1: never
    int vanishesAfterMs = -1;  // -1: never
    int now = 0;
    int livenessChecks = 0;
    WaitHooks hooks() {
        return {[this] { return goneAfterMs < 0 || now < goneAfterMs; },
                [this] {
                    ++livenessChecks;
                    return vanishesAfterMs < 0 || now < vanishesAfterMs;
                },
                [this](unsigned ms) { now += static_cast<int>(ms); }};
    }
};

struct WaitCase {
    const char* name;
    int goneAfterMs, vanishesAfterMs;
    WaitOutcome outcome;
    int endsAtMs;
};

class WaitTest : public ::testing::TestWithParam<WaitCase> {};

TEST_P(WaitTest, EndsAsTheFileAndTheFirstInstanceDo) {
    WaitScript script;
    script.goneAfterMs = GetParam().goneAfterMs;
    script.vanishesAfterMs = GetParam().vanishesAfterMs;
    EXPECT_EQ(GetParam().outcome, waitForFileConsumed(script.hooks()));
    EXPECT_EQ(GetParam().endsAtMs, script.now);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, WaitTest,
    ::testing::Values(WaitCase{"noFile", 0, -1, WaitOutcome::FileGone, 0},
                      WaitCase{"consumedSoon", 120, -1, WaitOutcome::FileGone, 150},
                      WaitCase{"neverConsumed", -1, -1, WaitOutcome::TimedOut, 10000},
                      WaitCase{"consumedAtTheLastPoll", 9950, -1, WaitOutcome::FileGone, 9950},
                      WaitCase{"firstInstanceGone", -1, 300, WaitOutcome::FirstInstanceVanished, 300},
                      WaitCase{"goneBeforeTheFirstCheck", -1, 10, WaitOutcome::FirstInstanceVanished, 50}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Wait, AsksForTheFirstInstanceEveryFifthPoll) {
    WaitScript script;
    waitForFileConsumed(script.hooks());
    EXPECT_EQ(40, script.livenessChecks);
}

struct PathCase {
    const char* name;
    const char* directories;
    const char* oldPath;  // nullptr: PATH not set
    const char* value;
};

class NativePathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(NativePathTest, PutsTheDirectoriesFirst) {
    const std::string old = GetParam().oldPath != nullptr ? GetParam().oldPath : "";
    EXPECT_EQ(GetParam().value,
              nativeLibraryPathValue(GetParam().directories, GetParam().oldPath != nullptr ? &old : nullptr));
}

INSTANTIATE_TEST_SUITE_P(
    Values, NativePathTest,
    ::testing::Values(PathCase{"two", "c:\\app\\lib;c:\\app\\native\\x64", "c:\\windows",
                               "c:\\app\\lib;c:\\app\\native\\x64;c:\\windows"},
                      PathCase{"endsInSeparator", "c:\\libs;", "c:\\windows", "c:\\libs;c:\\windows"},
                      PathCase{"noDirectories", "", "c:\\windows", "c:\\windows"},
                      PathCase{"pathUnset", "c:\\libs", nullptr, "c:\\libs;"},
                      PathCase{"bothEmpty", "", nullptr, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NativePath, ALongOldPathIsKeptInFull) {
    const std::string directories(16000, 'd');
    const std::string old = "c:\\windows;" + std::string(20000, 'p');
    const std::string value = nativeLibraryPathValue(directories, &old);
    EXPECT_EQ(directories + ";" + old, value);
}

TEST(SplashPlacement, IsCentredRoundingTowardZero) {
    const SplashPlacement a = centredOn(0, 0, 1280, 1024, 400, 300);
    EXPECT_EQ(440, a.x);
    EXPECT_EQ(362, a.y);
    const SplashPlacement odd = centredOn(0, 0, 1281, 1025, 400, 300);
    EXPECT_EQ(440, odd.x);
    EXPECT_EQ(362, odd.y);
    const SplashPlacement larger = centredOn(0, 0, 100, 100, 301, 201);
    EXPECT_EQ(-100, larger.x);
    EXPECT_EQ(-50, larger.y);
    const SplashPlacement offset = centredOn(-200, 50, 1080, 1074, 400, 300);
    EXPECT_EQ(440, offset.x);
    EXPECT_EQ(362, offset.y);
}

struct FontCase {
    int points, dpi, height;
};

class FontHeightTest : public ::testing::TestWithParam<FontCase> {};

TEST_P(FontHeightTest, RoundsAsMulDiv) {
    EXPECT_EQ(GetParam().height, fontHeight(GetParam().points, GetParam().dpi))
        << GetParam().points << "pt at " << GetParam().dpi;
}

INSTANTIATE_TEST_SUITE_P(Sizes, FontHeightTest,
                         ::testing::Values(FontCase{12, 96, -16}, FontCase{9, 96, -12}, FontCase{10, 96, -13},
                                           FontCase{11, 96, -15}, FontCase{3, 12, -1}, FontCase{1, 36, -1},
                                           FontCase{1, 35, 0}, FontCase{0, 96, 0}, FontCase{-12, 96, 16},
                                           FontCase{-3, 12, 1}));

TEST(SplashGate, AHideBeforeTheStartMeansNoWindow) {
    SplashGate gate;
    EXPECT_EQ(nullptr, gate.hide());
    EXPECT_TRUE(gate.started());
    EXPECT_FALSE(gate.mayStart());
}

TEST(SplashGate, AHideWhileTheWindowIsMadeDiscardsIt) {
    SplashGate gate;
    ASSERT_TRUE(gate.mayStart());
    EXPECT_EQ(nullptr, gate.hide());
    int window = 0;
    bool shown = false;
    EXPECT_FALSE(gate.publish(&window, [&] { shown = true; }));
    EXPECT_FALSE(shown);
}

TEST(SplashGate, AHideAfterTheShowFindsTheWindow) {
    SplashGate gate;
    EXPECT_FALSE(gate.started());
    ASSERT_TRUE(gate.mayStart());
    int window = 0;
    bool shown = false;
    EXPECT_TRUE(gate.publish(&window, [&] { shown = true; }));
    EXPECT_TRUE(shown);
    EXPECT_TRUE(gate.started());
    EXPECT_EQ(&window, gate.hide());
    EXPECT_EQ(&window, gate.hide());
}

// Hides racing the show from another thread: whenever the show ran, the
// hide that came after it found the window; whenever it did not, no hide
// found one.
TEST(SplashGate, EveryRaceEndsHiddenOrNeverShown) {
    for (int round = 0; round < 500; ++round) {
        SplashGate gate;
        int window = 0;
        std::atomic<bool> shown{false}, hiddenFound{false};
        std::thread hider([&] { hiddenFound = gate.hide() != nullptr; });
        if (gate.mayStart()) gate.publish(&window, [&] { shown = true; });
        hider.join();
        EXPECT_EQ(shown.load(), hiddenFound.load()) << "round " << round;
    }
}

}  // namespace
