// Messages under Wine: texts from the configuration with their placeholder,
// standard error or a real message box, the log path, the user's language,
// and the early command-line handling.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "tests/e2e/rig.h"

namespace {

using rig::RunOptions;

std::string project(const std::string& type, const std::string& extra = "") {
    return "[application]\nname = \"Msg\"\ntype = " + type + "\nproduct-kind = \"q\"\n" + extra;
}

class MessagesTest : public ::testing::Test {
protected:
    std::string build(const std::string& text, const std::string& name = "app.exe") {
        auto built = rig::buildProject(ws, text, name);
        EXPECT_EQ(0, built.exitCode) << built.err;
        return ws.file(name);
    }
    rig::Workspace ws;
};

// Only the classic rules know an unclosed quote.
TEST_F(MessagesTest, AnUnclosedQuoteOnTheCommandLineIsInvalidParameters) {
    const std::string exe =
        build(project("2", "command-line = \"classic\"\n[messages]\ninvalid-parameters = \"Bad call.\"\n"));
    auto result = rig::runWine(exe, rig::withArgs({"ok", "'open"}));
    EXPECT_EQ(1, result.exitCode);
    EXPECT_EQ("Bad call.\n", result.err);
}

struct Placeholder {
    const char* name;
    const char* text;
    const char* shown;
};

class PlaceholderTest : public MessagesTest, public ::testing::WithParamInterface<Placeholder> {};

TEST_P(PlaceholderTest, OnlyTheFirstIsReplaced) {
    const std::string exe =
        build(project("2", std::string("[messages]\nno-jvm-found = \"") + GetParam().text + "\"\n"));
    auto result = rig::runWine(exe);
    EXPECT_EQ(83, result.exitCode);
    EXPECT_EQ(rig::withBits(GetParam().shown) + "\n", result.err);
}

INSTANTIATE_TEST_SUITE_P(Texts, PlaceholderTest,
                         ::testing::Values(Placeholder{"once", "need {0} bits", "need {bits} bits"},
                                           Placeholder{"twice", "a {0} b {0}", "a {bits} b {0}"},
                                           Placeholder{"none", "plain text", "plain text"},
                                           Placeholder{"empty", "", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MessagesTest, TheInternalSwitchSendsAGuiTypesErrorsToStandardError) {
    const std::string exe = build(project("1", "[messages]\nno-jvm-found = \"gui {0}\"\n"));
    auto quiet = rig::runWine(exe, rig::withArgs({"-q_mvt_internal"}));
    EXPECT_EQ(83, quiet.exitCode);
    EXPECT_EQ(rig::withBits("gui {bits}\n"), quiet.err);
    // Without it (and without a display) the box cannot show: nothing on standard error.
    auto boxed = rig::runWine(exe);
    EXPECT_EQ(83, boxed.exitCode);
    EXPECT_EQ("", boxed.err);
}

const char* kLocalised = R"toml(
[messages]
caption = "Error"
no-jvm-found = "No Java ({0})"
[[localized]]
locale = "fr"
[localized.messages]
caption = "Erreur"
no-jvm-found = "Pas de Java ({0})"
[[localized]]
locale = "de"
[localized.messages]
caption = "Fehler"
no-jvm-found = "Kein Java für {0} Bit"
[[localized]]
locale = "de_CH"
[localized.messages]
caption = "Fehler (CH)"
)toml";

struct LocaleRun {
    const char* name;
    const char* lcAll;
    const char* shown;  // as the ANSI code page writes it to a pipe
};

class LocalisedTest : public MessagesTest, public ::testing::WithParamInterface<LocaleRun> {};

TEST_P(LocalisedTest, TheUsersGroupIsShown) {
    const std::string exe = build(project("2", kLocalised));
    RunOptions options;
    options.env["LC_ALL"] = GetParam().lcAll;
    auto result = rig::runWine(exe, options);
    EXPECT_EQ(83, result.exitCode);
    EXPECT_EQ(rig::withBits(GetParam().shown) + "\n", result.err);
}

INSTANTIATE_TEST_SUITE_P(Locales, LocalisedTest,
                         ::testing::Values(LocaleRun{"germanSwiss", "de_CH.UTF-8", "Kein Java f\xfcr {bits} Bit"},
                                           LocaleRun{"german", "de_DE.UTF-8", "Kein Java f\xfcr {bits} Bit"},
                                           LocaleRun{"french", "fr_FR.UTF-8", "Pas de Java ({bits})"},
                                           LocaleRun{"english", "en_US.UTF-8", "No Java ({bits})"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MessagesTest, WorkingDirectoryIsEnteredUnlessALanguageRestart) {
    std::filesystem::create_directories(ws.file("Work Dir"));
    const std::string exe = build(project("2", "working-directory = \"Work Dir\"\n"));
    const std::string logs = rig::wineTempDirectory();
    auto logOf = [&](const std::vector<std::string>& args) {
        auto before = rig::tempFilesStartingWith("mvt_nlog_");
        RunOptions options = rig::withArgs(args);
        options.env["QARVO_LOG"] = "yes";
        auto result = rig::runWine(exe, options);
        EXPECT_EQ(83, result.exitCode);
        for (const std::string& name : rig::tempFilesStartingWith("mvt_nlog_"))
            if (std::find(before.begin(), before.end(), name) == before.end()) return rig::readFile(logs + "/" + name);
        ADD_FAILURE() << "no log";
        return std::string();
    };
    const std::string normal = logOf({});
    EXPECT_NE(std::string::npos, normal.find("change working directory to " + rig::windowsPath(ws.file("Work Dir")) + "\r\n"))
        << normal;
    const std::string restart = logOf({"__mvt_lang_restart"});
    EXPECT_EQ(std::string::npos, restart.find("working directory")) << restart;
}

// A real message box under Xvfb: a helper program finds it, reads caption and
// text, and presses OK.
class MessageBoxTest : public MessagesTest {
protected:
    RunOptions displayOptions() {
        RunOptions options;
        options.env["DISPLAY"] = display.name();
        return options;
    }
    // Starts exe, reads the box it shows, returns the probe's output and the launcher's result.
    std::pair<std::string, rig::RunResult> runWithProbe(const std::string& exe, RunOptions options,
                                                        const std::string& button = "ok") {
        rig::Process launcher = rig::startWine(exe, options);
        RunOptions probeOptions = displayOptions();
        probeOptions.args = {"40", button};
        auto probe = rig::runWine(rig::distDirectory() + "/testing/tools/" + rig::defaultArch() + "/msgbox-probe.exe", probeOptions);
        rig::RunResult result = rig::finish(launcher, 60);
        return {probe.out, result};
    }
    rig::Display display;
};

TEST_F(MessageBoxTest, ShowsCaptionTextAndLogPathAndWaitsForOk) {
    ASSERT_TRUE(display.ok());
    const std::string exe = build(project("1", kLocalised));
    RunOptions options = displayOptions();
    options.env["QARVO_LOG"] = "yes";
    options.env["LC_ALL"] = "en_US.UTF-8";
    auto [probe, result] = runWithProbe(exe, options);
    EXPECT_EQ(83, result.exitCode);
    EXPECT_EQ(0u, probe.find(rig::withBits("caption: Error\ntext: No Java ({bits})\n\nLog: C:\\"))) << probe;
    EXPECT_NE(std::string::npos, probe.find("mvt_nlog_")) << probe;
}

TEST_F(MessageBoxTest, ALocalisedTextIsShownWithoutLoss) {
    ASSERT_TRUE(display.ok());
    const std::string exe = build(project("1", R"toml(
[[localized]]
locale = "de"
[localized.messages]
caption = "Fehler – 日本"
no-jvm-found = "Kein Java für {0} Bit – 日本語"
)toml"));
    RunOptions options = displayOptions();
    options.env["LC_ALL"] = "de_CH.UTF-8";
    auto [probe, result] = runWithProbe(exe, options);
    EXPECT_EQ(83, result.exitCode);
    EXPECT_EQ(rig::withBits("caption: Fehler – 日本\ntext: Kein Java für {bits} Bit – 日本語\n"), probe);
}

TEST_F(MessageBoxTest, ARequestedLogIsOfferedInExplorer) {
    ASSERT_TRUE(display.ok());
    const std::string exe = build(project("2"));
    RunOptions options = displayOptions();
    options.args = {"-create-qvo-log"};
    auto [probe, result] = runWithProbe(exe, options, "no");
    EXPECT_EQ(83, result.exitCode);
    EXPECT_EQ(0u, probe.find("caption: qarvo\ntext: The following log file will be created:\n\nC:\\")) << probe;
    EXPECT_NE(std::string::npos, probe.find("mvt_nlog_")) << probe;
    EXPECT_NE(std::string::npos, probe.find("\n\nDo you want to open an Explorer window?\n")) << probe;
}

}  // namespace
