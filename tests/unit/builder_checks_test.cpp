// qarvo-build's value checks, the runtime search in words, the architecture
// key and the rules that keep a build from replacing its inputs.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>

#include "builder/project/checks.h"
#include "builder/project/suggest.h"
#include "builder/host/file_source.h"
#include "builder/inspect/render.h"
#include "builder/project/launch_keys.h"
#include "builder/pe/pe_image.h"
#include "builder/project/project.h"
#include "builder/output/writer.h"
#include "format/config_ids.h"

namespace fs = std::filesystem;

namespace {

BuildPlan parse(const std::string& text) {
    BuildPlan plan;
    std::string error;
    EXPECT_TRUE(parseProject(text, "app.toml", "/base", plan, error)) << error;
    return plan;
}

std::string entry(const BuildPlan& plan, int id) {
    for (const auto& e : plan.block.narrow)
        if (e.id == id) return e.value;
    return "<absent>";
}

// --- The runtime search in words -------------------------------------------

struct SearchCase {
    const char* readable;  // the TOML array's elements
    const char* stored;
};

class SearchWordsTest : public ::testing::TestWithParam<SearchCase> {};

TEST_P(SearchWordsTest, WritesTheCodedEntriesAndReadsThemBack) {
    const BuildPlan plan = parse(std::string("[java]\nsearch = [") + GetParam().readable + "]\n");
    EXPECT_EQ(GetParam().stored, entry(plan, ConfigId::SearchSequence));
    InspectedExecutable exe;
    exe.block = plan.block;
    std::vector<std::string> warnings;
    const std::string text = renderProject(exe, "", warnings);
    EXPECT_NE(std::string::npos, text.find(std::string("search = [") + GetParam().readable + "]")) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Search, SearchWordsTest,
    ::testing::Values(SearchCase{"\"bundled:jre\"", "Bjre;"}, SearchCase{"\"directory:C:\\\\Java\"", "AC:\\Java;"},
                      SearchCase{"\"env:JAVA_HOME\"", "EJAVA_HOME;"}, SearchCase{"\"registry\"", "Y;"},
                      SearchCase{"\"path\"", "S;"}, SearchCase{"\"well-known\"", "W;"},
                      SearchCase{"\"bundled:.\\\\jre\", \"registry\", \"env:JDK_HOME\"", "B.\\jre;Y;EJDK_HOME;"},
                      SearchCase{"", ""}));

TEST(SearchWords, WithoutASearchTheDefaultFindsWhatUsersInstall) {
    const std::string stored = entry(parse("[application]\nname = \"a\"\n"), ConfigId::SearchSequence);
    EXPECT_EQ("Bjre;EJAVA_HOME;EJDK_HOME;Y;W;S;", stored);
    EXPECT_EQ("<absent>", entry(parse("[build]\ndefault-search = false\n"), ConfigId::SearchSequence));
    EXPECT_EQ("Ax;", entry(parse("[java]\nsearch-sequence = \"Ax;\"\n"), ConfigId::SearchSequence));
}

// Texts the readable form cannot say stay raw, and both rebuild the same block.
TEST(SearchWords, InspectKeepsRawAndAbsentSearchesAsTheyWere) {
    for (const char* stored : {"Rlib\\jre;Y", "Qodd;", "Bjre", ""}) {
        BuildPlan plan;
        plan.block.narrow = {{ConfigId::SearchSequence, stored}};
        if (*stored == '\0') plan.block.narrow.clear();
        InspectedExecutable exe;
        exe.block = plan.block;
        std::vector<std::string> warnings;
        BuildPlan again;
        std::string error;
        ASSERT_TRUE(parseProject(renderProject(exe, "", warnings), "i.toml", "/b", again, error)) << error;
        EXPECT_EQ(block::encodeBlock(plan.block), block::encodeBlock(again.block)) << stored;
    }
}

// --- The architecture -------------------------------------------------------

TEST(Architecture, TheProjectSetsItAndInspectWritesIt) {
    EXPECT_EQ("x64", parse("[build]\narch = \"x64\"\n").arch);
    EXPECT_EQ("", parse("").arch);
    for (uint16_t machine : {pe::kMachineAmd64, pe::kMachineI386}) {
        InspectedExecutable exe;
        exe.machine = machine;
        std::vector<std::string> warnings;
        EXPECT_EQ(machine == pe::kMachineAmd64 ? "x64" : "x86", parse(renderProject(exe, "", warnings)).arch);
    }
}

TEST(RuntimeJar, IncludedUnlessTheProjectSaysOtherwise) {
    const BuildPlan plan = parse("");
    ASSERT_EQ(1u, plan.files.size());
    EXPECT_EQ(kRuntimeJarName, plan.files[0].name);
    EXPECT_TRUE(parse("[runtime]\njar = \"none\"\n").files.empty());
    // A project that writes the included-file entries itself keeps them.
    EXPECT_TRUE(parse("[entries]\n2002 = \"1\"\n2003 = \"a.dll\"\n").files.empty());
}

// --- Values ------------------------------------------------------------------

TEST(Values, VersionLimitsFollowTheLauncherRules) {
    for (const char* good : {"17", "1.8", "11.0.2", "1.8.0_401", "17-ea", "9+181"}) EXPECT_TRUE(validVersionLimit(good)) << good;
    for (const char* bad : {"seventeen", "", "v17", "17 or later", ".8", "1,8"}) EXPECT_FALSE(validVersionLimit(bad)) << bad;
    const std::vector<std::tuple<const char*, const char*, bool>> pairs = {
        {"17", "11", false}, {"11", "17", true}, {"11.0.2", "11", true}, {"1.8", "8", true},
        {"17", "1.8", false}, {"1.8", "", true}, {"11", "11.0.1", true}, {"11.0.3", "11.0.2", false}};
    for (const auto& [minimum, maximum, agree] : pairs)
        EXPECT_EQ(agree, versionLimitsAgree(minimum, maximum)) << minimum << " .. " << maximum;
}

TEST(Values, MainClassIsAJavaBinaryName) {
    for (const char* good : {"Main", "com.example.Main", "a.Outer$Inner", "_x.$y", "caf\xe9.Main"})
        EXPECT_TRUE(isJavaBinaryName(good)) << good;
    for (const char* bad : {"", "com/example/Main", "a..B", ".a", "a.", "1a.B", "a.B-c", "a b"})
        EXPECT_FALSE(isJavaBinaryName(bad)) << bad;
}

TEST(Values, TheUserOptionsFolderIsAFolderUnderAppData) {
    std::string why;
    for (const char* good : {"PerUser", "Example App", "Vendor\\App", ""})
        EXPECT_TRUE(checkEntryValue(ConfigId::UserOptionsFolder, good, why)) << good;
    for (const char* bad : {"C:\\x", "\\x", "a/b", "..\\up", "a*b", "a|b"})
        EXPECT_FALSE(checkEntryValue(ConfigId::UserOptionsFolder, bad, why)) << bad;
    // By default the application's name, when it can be a folder; the key wins.
    EXPECT_EQ("Per User", entry(parse("[application]\nname = \"Per User\"\n"), ConfigId::UserOptionsFolder));
    EXPECT_EQ("<absent>", entry(parse("[application]\nname = \"A/B\"\n"), ConfigId::UserOptionsFolder));
    EXPECT_EQ("", entry(parse("[application]\nname = \"A\"\n[java]\nuser-options-folder = \"\"\n"),
                        ConfigId::UserOptionsFolder));
}

TEST(Values, MisspeltNamesFindTheirKey) {
    const std::vector<std::string> keys = {"java.min-version", "java.max-version", "application.name"};
    EXPECT_EQ("java.min-version", closestName("java.minversion", keys));
    EXPECT_EQ("java.max-version", closestName("java.max_version", keys));
    EXPECT_EQ("", closestName("splash.width", keys));
}

// --- Nothing lost ------------------------------------------------------------

class OutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("qarvo-output-" + std::to_string(getpid()));
        fs::create_directories(dir / "sub");
        for (const char* name : {"app.toml", "icon.ico", "lib.dll", "other.exe"}) std::ofstream(dir / name) << name;
        inputs = {{(dir / "app.toml").string(), "the project file"},
                  {(dir / "icon.ico").string(), "app.toml:9: resources.icon"},
                  {(dir / "lib.dll").string(), "app.toml:12: files.source"}};
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string check(const fs::path& output) {
        std::string error;
        return checkOutput(output.string(), inputs, error) ? "ok" : error;
    }
    fs::path dir;
    std::vector<BuildInput> inputs;
};

TEST_F(OutputTest, AnInputUnderAnyNameIsRefused) {
    fs::create_hard_link(dir / "icon.ico", dir / "hard.exe");
    fs::create_symlink(dir / "lib.dll", dir / "link.exe");
    const std::map<fs::path, std::string> refused = {
        {dir / "app.toml", "is the project file"},
        {dir / "sub" / ".." / "icon.ico", "is app.toml:9: resources.icon"},
        {dir / "hard.exe", "is app.toml:9: resources.icon"},
        {dir / "link.exe", "is app.toml:12: files.source"},
        {dir / "sub", "not a regular file"},
        {"/dev/full", "not a regular file"}};
    for (const auto& [output, message] : refused) EXPECT_NE(std::string::npos, check(output).find(message)) << output;
    EXPECT_EQ("ok", check(dir / "new.exe"));
    EXPECT_EQ("ok", check(dir / "other.exe"));
}

TEST_F(OutputTest, InputsNameEveryFileTheBuildReads) {
    BuildPlan plan = parse("[resources]\nicon = \"icon.ico\"\n[[files]]\nsource = \"lib.dll\"\n");
    const auto found = buildInputs("p.toml", "stub.exe", plan);
    std::vector<std::string> whats;
    for (const BuildInput& input : found) whats.push_back(input.path + " <- " + input.what);
    EXPECT_EQ((std::vector<std::string>{"p.toml <- the project file", "stub.exe <- the launcher stub",
                                        "/base/lib.dll <- app.toml:4: files.source",
                                        "/base/icon.ico <- app.toml:2: resources.icon"}),
              whats);
}

TEST(SystemReason, AFullDiskSaysSo) {
    EXPECT_NE(std::string::npos, systemReason(ENOSPC).find("the disk is full"));
    std::string bytes, reason;
    EXPECT_FALSE(readWholeFile("/nonexistent/x", bytes, reason));
    EXPECT_EQ(systemReason(ENOENT), reason);
}

}  // namespace

// --- Modular applications: main-module and module-path ---------------------

struct ModuleKeyCase {
    const char* project;  // lines of the project file
    const char* mainModule;  // the stored entries, "<absent>" when not set
    const char* modulePath;
    const char* error;  // a part of the error; empty: the project is accepted
};

class ModuleKeysTest : public ::testing::TestWithParam<ModuleKeyCase> {};

TEST_P(ModuleKeysTest, AreCheckedStoredAndReadBackByInspect) {
    const ModuleKeyCase& c = GetParam();
    BuildPlan plan;
    std::string error;
    const bool ok = parseProject(c.project, "app.toml", "/base", plan, error);
    if (*c.error != '\0') {
        EXPECT_FALSE(ok);
        EXPECT_NE(std::string::npos, error.find(c.error)) << error;
        return;
    }
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(c.mainModule, entry(plan, ConfigId::MainModule));
    EXPECT_EQ(c.modulePath, entry(plan, ConfigId::ModulePath));
    InspectedExecutable exe;
    exe.block = plan.block;
    std::vector<std::string> warnings;
    const std::string text = renderProject(exe, "", warnings);
    BuildPlan again;
    ASSERT_TRUE(parseProject(text, "i.toml", "/b", again, error)) << error << "\n" << text;
    EXPECT_EQ(c.mainModule, entry(again, ConfigId::MainModule)) << text;
    EXPECT_EQ(c.modulePath, entry(again, ConfigId::ModulePath)) << text;
    if (std::string(c.mainModule) != "<absent>")
        EXPECT_NE(std::string::npos, text.find("main-module = \"" + std::string(c.mainModule) + "\"")) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Modules, ModuleKeysTest,
    ::testing::Values(
        ModuleKeyCase{"[application]\nmain-module = \"app\"\n", "app", "<absent>", ""},
        ModuleKeyCase{"[application]\nmain-module = \"com.example.app/com.example.Main\"\n[java]\n"
                      "module-path = [\"mods\", \"lib\\\\app.jar\", \"${QARVO_EXEDIR}\\\\more\"]\n",
                      "com.example.app/com.example.Main", "mods;lib\\app.jar;${QARVO_EXEDIR}\\more", ""},
        ModuleKeyCase{"[application]\nmain-module = \"app\"\n[java]\nmodule-path = \"mods;lib\"\n", "app", "mods;lib", ""},
        ModuleKeyCase{"[application]\nmain-module = \"app/\"\n", "", "", "application.main-module: expected the main class"},
        ModuleKeyCase{"[application]\nmain-module = \"1app\"\n", "", "", "expected a module name"},
        ModuleKeyCase{"[application]\nmain-module = \"a..b\"\n", "", "", "expected a module name"},
        ModuleKeyCase{"[application]\nmain-module = \"app/com/example/Main\"\n", "", "", "expected the main class"},
        ModuleKeyCase{"[application]\nmain-module = \"app\"\nmain-class = \"a.Main\"\n", "", "",
                      "main-module = \"app/a.Main\""},
        ModuleKeyCase{"[application]\nmain-module = \"app\"\n[java]\nmodule-path = [\"a;b\"]\n", "", "",
                      "a path cannot contain"},
        ModuleKeyCase{"[application]\nmain-module = \"app\"\n[java]\nmodule-path = \"a;;b\"\n", "", "",
                      "java.module-path: expected paths"},
        ModuleKeyCase{"[application]\nmain-module = \"app\"\n[java]\nmodule-path = [\"m*\"]\n", "", "",
                      "java.module-path: expected paths"}));

TEST(Values, AModularProjectNeedsNoMainClassAndAModulePathNeedsAModule) {
    EXPECT_TRUE(parse("[application]\nmain-module = \"app\"\n").warnings.empty());
    const BuildPlan plain = parse("[application]\nmain-class = \"a.B\"\n[java]\nmodule-path = [\"mods\"]\n");
    ASSERT_EQ(1u, plain.warnings.size());
    EXPECT_NE(std::string::npos, plain.warnings[0].find("module-path is used only with application.main-module"));
}
