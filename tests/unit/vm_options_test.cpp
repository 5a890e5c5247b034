// VM option sources: routing of option texts, option files and their
// inclusions on real files in a temporary directory.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <list>
#include <sstream>

#include "launch/variables.h"
#include "launch/module_launch.h"
#include "launch/vm_options.h"

namespace fs = std::filesystem;

namespace {

// A temporary directory standing for the executable's directory; file names
// are host paths, resolved by the rules the launcher gives its callback.
class OptionFilesTest : public ::testing::Test {
public:
    void SetUp() override {
        root = fs::temp_directory_path() / ("qarvo-vmoptions-" + std::to_string(getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root);
        exeDir = root.string() + "/";
        env.open = [this](const std::string& path) {
            OptionFile file;
            std::ifstream in(path, std::ios::binary);
            if (!in) return file;
            std::ostringstream text;
            text << in.rdbuf();
            file.contents = text.str();
            file.handle = &opened.emplace_back(path);
            return file;
        };
        env.makeAbsolute = [this](const std::string& name, const std::string* base) {
            if (!name.empty() && name[0] == '/') return name;
            return (base != nullptr ? fs::path(*base).parent_path().string() + "/" : exeDir) + name;
        };
        env.expand = [this](std::string& text) {
            expandVariablesWith(text, VariableValues{exeDir, "", ""}, {"NAME=value"}, nullptr);
        };
        env.log = [this](const std::string& line) { log.push_back(line); };
    }
    void TearDown() override { fs::remove_all(root); }

    void write(const std::string& name, const std::string& text) {
        fs::create_directories((root / name).parent_path());
        std::ofstream(root / name, std::ios::binary) << text;
    }
    OptionFile defaultFile(const std::string& name) {
        OptionFile file = env.open(exeDir + name);
        file.path = exeDir + name;
        return file;
    }
    void collect(const std::vector<std::string>& pieces, const std::vector<std::string>& javaOptions = {},
                 const std::string& defaultName = "app.vmoptions") {
        collectVmOptionsFrom(pieces, javaOptions, [&] { return defaultFile(defaultName); }, env, list, overrides);
    }
    // Every source, the user's file as user.vmoptions; the first dangling option.
    std::optional<std::string> collectAll() {
        return collectVmOptionsFrom(pieces, javaOptions, [&] { return defaultFile("app.vmoptions"); }, env, list,
                                    overrides, [&] { return defaultFile("user.vmoptions"); });
    }
    bool logged(const std::string& part) const {
        for (const std::string& line : log)
            if (line.find(part) != std::string::npos) return true;
        return false;
    }

    fs::path root;
    std::string exeDir;
    OptionEnvironment env;
    std::list<std::string> opened;
    std::vector<std::string> log;
    VmOptionList list;
    ClassPathOverrides overrides;
    std::vector<std::string> pieces, javaOptions;
};

TEST_F(OptionFilesTest, CommentsEmptyLinesAndOuterBlanksGo) {
    write("app.vmoptions", "-Xmx256m\n\n  # a comment\n-Dname=a b \n\t-Dtab\n");
    collect({});
    EXPECT_EQ((VmOptionList{"-Xmx256m", "-Dname=a b", "\t-Dtab"}), list);
}

TEST_F(OptionFilesTest, TextModeLineEnds) {
    write("app.vmoptions", "-Da\r\n-Db\r\r\n-Dc\n-Dd\x1a-Dnever\n");
    collect({});
    EXPECT_EQ((VmOptionList{"-Da", "-Db", "-Dc", "-Dd"}), list);
}

TEST_F(OptionFilesTest, LinesAreNeverCut) {
    const std::string longOption = "-Dlong=" + std::string(20000, 'x');
    write("app.vmoptions", longOption + "\n-Dafter\n");
    collect({});
    EXPECT_EQ((VmOptionList{longOption, "-Dafter"}), list);
}

TEST_F(OptionFilesTest, LinesAreExpandedBeforeRouting) {
    write("app.vmoptions", "-classpath/a ${QARVO_EXEDIR}extra.jar\n-Dn=${NAME}\n");
    collect({});
    ASSERT_TRUE(overrides.append);
    EXPECT_EQ(exeDir + "extra.jar", *overrides.append);
    EXPECT_EQ((VmOptionList{"-Dn=value"}), list);
}

TEST_F(OptionFilesTest, SourcesInOrderWithInclusionsInPlace) {
    write("common.vmoptions", "-Dcommon\n");
    write("app.vmoptions", "-Dfile1\n-include-options common.vmoptions\n-Dfile2\n");
    collect({"-Dp1", "-include-options", "common.vmoptions", "-Dp2", "-include-options common.vmoptions"},
            {"-Xmx1g"});
    EXPECT_EQ((VmOptionList{"-Dp1", "-Dcommon", "-Dp2", "-Dcommon", "-Xmx1g", "-Dfile1", "-Dcommon", "-Dfile2"}), list);
    EXPECT_EQ("adding options\n", log.front());
    EXPECT_TRUE(logged("adding vmoptions from <" + exeDir + "common.vmoptions> (common.vmoptions) (0x"));
    EXPECT_TRUE(logged("default vmoptions file: 0x"));
}

TEST_F(OptionFilesTest, RelativeInclusionsFollowTheIncludingFile) {
    write("conf/a.vmoptions", "-include-options b.vmoptions\n");
    write("conf/b.vmoptions", "-Dfrom-b\n");
    write("b.vmoptions", "-Dwrong-b\n");
    collect({"-include-options", "conf/a.vmoptions"});
    EXPECT_EQ((VmOptionList{"-Dfrom-b"}), list);
}

TEST_F(OptionFilesTest, TheIncludedNameIsExpanded) {
    write("sub/x.vmoptions", "-Dx\n");
    collect({"-include-options ${QARVO_EXEDIR}sub/x.vmoptions"});
    EXPECT_EQ((VmOptionList{"-Dx"}), list);
}

struct RoutingCase {
    const char* name;
    std::vector<std::string> pieces;
    std::vector<std::string> javaOptions;
    std::string fileText;
    VmOptionList options;
    std::optional<std::string> replace, prepend, append;
};

class RoutingTest : public OptionFilesTest, public ::testing::WithParamInterface<RoutingCase> {};

TEST_P(RoutingTest, Routes) {
    const RoutingCase& c = GetParam();
    if (!c.fileText.empty()) write("app.vmoptions", c.fileText);
    collect(c.pieces, c.javaOptions);
    EXPECT_EQ(c.options, list);
    EXPECT_EQ(c.replace, overrides.replace);
    EXPECT_EQ(c.prepend, overrides.prepend);
    EXPECT_EQ(c.append, overrides.append);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RoutingTest,
    ::testing::Values(
        RoutingCase{"twoPiecesAreTwoOptions", {"-classpath", "x.jar"}, {}, "", {"-classpath", "x.jar"}, {}, {}, {}},
        RoutingCase{"onePieceSetsTheOverride", {"-classpath x.jar;y.jar"}, {}, "", {}, "x.jar;y.jar", {}, {}},
        RoutingCase{"allThreeOverrides", {"-classpath/p p.jar", "-classpath/a a.jar", "-classpath r.jar"}, {}, "",
                    {}, "r.jar", "p.jar", "a.jar"},
        RoutingCase{"theFileBeatsTheParameters", {"-classpath early.jar"}, {"-classpath mid.jar"},
                    "-classpath late.jar\n", {}, "late.jar", {}, {}},
        RoutingCase{"javaOptionSetsAppend", {}, {"-classpath/a C:\\extra dir\\x.jar"}, "", {}, {}, {},
                    "C:\\extra dir\\x.jar"},
        RoutingCase{"overrideKeepsInnerBlanks", {}, {}, "-classpath/a   x.jar\n", {}, {}, {}, "  x.jar"},
        RoutingCase{"prefixesAreCaseSensitive", {"-CLASSPATH x", "-Classpath/a y"}, {}, "", {"-CLASSPATH x",
                    "-Classpath/a y"}, {}, {}, {}},
        RoutingCase{"includeAsLastPieceIsAnOption", {"-Da", "-include-options"}, {}, "", {"-Da", "-include-options"},
                    {}, {}, {}},
        RoutingCase{"includeLineWithoutNameIsAnOption", {}, {}, "-include-options\n-Db\n",
                    {"-include-options", "-Db"}, {}, {}, {}},
        RoutingCase{"javaOptionsAreNotExpanded", {}, {"-Dx=${NAME}"}, "", {"-Dx=${NAME}"}, {}, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OptionFilesTest, AMissingInclusionAddsNothing) {
    collect({"-Da", "-include-options missing.vmoptions", "-Db"});
    EXPECT_EQ((VmOptionList{"-Da", "-Db"}), list);
    EXPECT_TRUE(logged("adding vmoptions from <" + exeDir + "missing.vmoptions> (missing.vmoptions) ((nil))"));
    EXPECT_TRUE(logged("default vmoptions file: (nil)"));
}

TEST_F(OptionFilesTest, AFileIncludingItselfEnds) {
    write("app.vmoptions", "-Dbefore\n-include-options app.vmoptions\n-Dafter\n");
    collect({});
    EXPECT_EQ((VmOptionList{"-Dbefore", "-Dafter"}), list);
    EXPECT_TRUE(logged("vmoptions file <" + exeDir + "app.vmoptions> includes itself; not read again"));
}

TEST_F(OptionFilesTest, ACycleThroughOtherFilesEnds) {
    write("a.vmoptions", "-Da\n-include-options b.vmoptions\n");
    write("b.vmoptions", "-Db\n-include-options A.VMOPTIONS\n");
    collect({"-include-options a.vmoptions", "-Dend"});
    EXPECT_EQ((VmOptionList{"-Da", "-Db", "-Dend"}), list);
    EXPECT_TRUE(logged("includes itself"));
}

TEST_F(OptionFilesTest, AFileIncludedTwiceWithoutACycleIsReadTwice) {
    write("shared.vmoptions", "-Dshared\n");
    write("a.vmoptions", "-include-options shared.vmoptions\n-include-options shared.vmoptions\n");
    collect({"-include-options a.vmoptions", "-include-options shared.vmoptions"});
    EXPECT_EQ((VmOptionList{"-Dshared", "-Dshared", "-Dshared"}), list);
    EXPECT_FALSE(logged("includes itself"));
}

TEST_F(OptionFilesTest, DeepChainsStopAtTheDepthLimit) {
    const int files = kMaxOptionFileDepth + 8;
    for (int i = 0; i < files; ++i)
        write("f" + std::to_string(i) + ".vmoptions",
              "-Dlevel" + std::to_string(i) + "\n-include-options ./f" + std::to_string(i + 1) + ".vmoptions\n");
    collect({"-include-options f0.vmoptions"});
    EXPECT_EQ(static_cast<size_t>(kMaxOptionFileDepth), list.size());
    EXPECT_EQ("-Dlevel" + std::to_string(kMaxOptionFileDepth - 1), list.back());
    EXPECT_TRUE(logged("deeper than"));
}

TEST_F(OptionFilesTest, InclusionsMultiplyingOverADagStopAtTheLimit) {
    // Each level includes the next one twice: 2^20 readings without a limit.
    for (int i = 0; i < 20; ++i) {
        const std::string next = "-include-options l" + std::to_string(i + 1) + ".vmoptions\n";
        write("l" + std::to_string(i) + ".vmoptions", next + next);
    }
    write("l20.vmoptions", "-Dleaf\n");
    collect({"-include-options l0.vmoptions", "-Dafter"});
    // Half the readings are of the leaf, until the limit.
    EXPECT_GT(list.size(), static_cast<size_t>(kMaxOptionFileInclusions / 2 - 20));
    EXPECT_LT(list.size(), static_cast<size_t>(kMaxOptionFileInclusions / 2 + 20));
    EXPECT_EQ("-Dafter", list.back());
    EXPECT_TRUE(logged("more than 1000 vmoptions inclusions"));
}

// The "java" command's forms whose value is a separate word, in every source,
// with the value as the next option and after a blank on the same line.
// An empty value: the form alone.
std::vector<std::string> pieces(const std::string& form, const std::string& value, bool sameLine) {
    if (value.empty()) return {form};
    return sameLine ? std::vector<std::string>{form + " " + value} : std::vector<std::string>{form, value};
}

struct FormSource {
    const char* name;
    std::function<void(OptionFilesTest&, const std::string& form, const std::string& value, bool sameLine)> give;
};

const FormSource kFormSources[] = {
    {"parameters",
     [](OptionFilesTest& t, const std::string& form, const std::string& value, bool sameLine) {
         t.pieces = pieces(form, value, sameLine);
     }},
    {"javaOptions",
     [](OptionFilesTest& t, const std::string& form, const std::string& value, bool sameLine) {
         t.javaOptions = pieces(form, value, sameLine);
     }},
    {"file",
     [](OptionFilesTest& t, const std::string& form, const std::string& value, bool sameLine) {
         t.write("app.vmoptions", form + (sameLine ? "  " : "\n") + value + "\n");
     }},
    {"userFile",
     [](OptionFilesTest& t, const std::string& form, const std::string& value, bool sameLine) {
         t.write("user.vmoptions", form + (sameLine ? " " : "\n") + value + "\n");
     }},
};

TEST_F(OptionFilesTest, EveryFormIsJoinedInEverySource) {
    for (const SplitOptionForm& form : splitOptionForms())
        for (const FormSource& source : kFormSources)
            for (bool sameLine : {false, true}) {
                SCOPED_TRACE(std::string(form.written) + " from " + source.name + (sameLine ? ", same line" : ", next"));
                pieces.clear(), javaOptions.clear(), list.clear();
                fs::remove(root / "app.vmoptions"), fs::remove(root / "user.vmoptions");
                source.give(*this, form.written, "java.base/x=ALL-UNNAMED", sameLine);
                EXPECT_EQ(std::nullopt, collectAll());
                EXPECT_EQ((VmOptionList{std::string(form.joined) + "=java.base/x=ALL-UNNAMED"}), list);
            }
}

TEST_F(OptionFilesTest, ADanglingFormInAnySourceIsNamed) {
    for (const SplitOptionForm& form : splitOptionForms())
        for (const FormSource& source : kFormSources) {
            SCOPED_TRACE(std::string(form.written) + " from " + source.name);
            pieces.clear(), javaOptions.clear(), list.clear();
            fs::remove(root / "app.vmoptions"), fs::remove(root / "user.vmoptions");
            source.give(*this, form.written, "", false);
            EXPECT_EQ(std::optional<std::string>(form.written), collectAll());
        }
}

struct JoinCase {
    const char* name;
    std::vector<std::string> pieces, javaOptions;
    std::string fileText;
    VmOptionList options;
    std::optional<std::string> dangling;
};

class JoinTest : public OptionFilesTest, public ::testing::WithParamInterface<JoinCase> {};

TEST_P(JoinTest, Joins) {
    const JoinCase& c = GetParam();
    pieces = c.pieces, javaOptions = c.javaOptions;
    if (!c.fileText.empty()) write("app.vmoptions", c.fileText);
    EXPECT_EQ(c.dangling, collectAll());
    EXPECT_EQ(c.options, list);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JoinTest,
    ::testing::Values(
        JoinCase{"equalsFormsStay", {"--add-opens=a=b", "--module-path=m"}, {}, "", {"--add-opens=a=b", "--module-path=m"}},
        JoinCase{"shortModulePath", {"-p", "mods"}, {"-p lib"}, "", {"--module-path=mods", "--module-path=lib"}},
        JoinCase{"lookAlikesStay", {"--add-opensX", "-pmods", "--add-open", "-Dx=--add-opens y"}, {}, "",
                 {"--add-opensX", "-pmods", "--add-open", "-Dx=--add-opens y"}},
        JoinCase{"theValueIsTakenAsItIs", {"--add-opens", "-Xmx1g"}, {}, "", {"--add-opens=-Xmx1g"}},
        JoinCase{"noValueAcrossSources", {"--add-opens"}, {"a=b"}, "", {"a=b"}, "--add-opens"},
        JoinCase{"noValueAcrossFiles", {}, {}, "--add-reads\n-include-options inc.vmoptions\n", {}, "--add-reads"},
        JoinCase{"anOverrideIsNoValue", {}, {}, "--add-exports\n-classpath/a x.jar\n-Da\n", {"-Da"}, "--add-exports"},
        JoinCase{"theFirstDanglingIsNamed", {"--limit-modules"}, {"-p"}, "", {}, "--limit-modules"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OptionFilesTest, TheUserFileComesAfterTheFileBesideTheExecutable) {
    write("app.vmoptions", "-Xmx200m\n-Dwhere=beside\n");
    write("user.vmoptions", "# mine\n-Xmx37m\n-include-options more.vmoptions\n");
    write("more.vmoptions", "-Dwhere=user\n");
    collectAll();
    EXPECT_EQ((VmOptionList{"-Xmx200m", "-Dwhere=beside", "-Xmx37m", "-Dwhere=user"}), list);
}

TEST(UserOptionFile, PathUnderApplicationData) {
    const char* const data = "C:\\users\\u\\AppData\\Roaming";
    EXPECT_EQ("C:\\users\\u\\AppData\\Roaming\\PerUser\\app.vmoptions",
              userOptionFilePath(data, "PerUser", "C:\\apps\\app.exe"));
    EXPECT_EQ("C:\\d\\Vendor\\App\\Run.Me.vmoptions", userOptionFilePath("C:\\d\\", "Vendor\\App", "C:\\x\\Run.Me.EXE"));
    EXPECT_EQ("C:\\d\\F\\tool.vmoptions", userOptionFilePath("C:\\d", "F", "tool"));
    EXPECT_EQ("", userOptionFilePath("", "F", "C:\\app.exe"));
    EXPECT_EQ("", userOptionFilePath(data, "", "C:\\app.exe"));
}

struct RuntimeOptionCase {
    const char* option;
    const char* version;
    bool taken;
};

TEST(RuntimeTakesOption, ByTheVersionThatBroughtIt) {
    const RuntimeOptionCase cases[] = {
        {"-XX:+AutoCreateSharedArchive", "17.0.15", false}, {"-XX:+AutoCreateSharedArchive", "18", false},
        {"-XX:+AutoCreateSharedArchive", "19", true},       {"-XX:+AutoCreateSharedArchive", "25.0.3", true},
        {"-XX:+AutoCreateSharedArchive", "", false},        {"-XX:+AutoCreateSharedArchive", "garbage", false},
        {"--add-opens=java.base/java.lang=ALL-UNNAMED", "1.8.0_401", false},
        {"--add-opens=java.base/java.lang=ALL-UNNAMED", "9", true},
        {"--enable-native-access=ALL-UNNAMED", "11.0.2", false}, {"--enable-native-access=ALL-UNNAMED", "17", true},
        {"-Xmx1g", "", true},                                {"-Dqarvo.tempDir=C:\\t", "1.8", true},
        {"-XX:+AutoCreateSharedArchiveX", "8", true},
    };
    for (const RuntimeOptionCase& c : cases)
        EXPECT_EQ(c.taken, runtimeTakesOption(c.option, c.version)) << c.option << " on " << c.version;
    EXPECT_EQ((VmOptionList{"-Da", "-Db"}),
              launcherOptionsFor({"-Da", "-XX:+AutoCreateSharedArchive", "-Db"}, "17.0.15"));
}

TEST(JavaOptionArguments, ElementZeroCountsAndTheRestIsKept) {
    const ArgumentList arguments = {u"-Jzero", u"-J-Xmx1g", u"plain", u"-J", u"-j-no", u"x-Jno"};
    EXPECT_EQ((std::vector<std::u16string>{u"zero", u"-Xmx1g", u""}), javaOptionArguments(arguments));
}

TEST(DefaultOptionFile, ExtensionReplacedThenAppended) {
    EXPECT_EQ((std::vector<std::string>{"C:\\apps\\run.vmoptions", "C:\\apps\\run.exe.vmoptions"}),
              defaultOptionFileCandidates("C:\\apps\\run.exe"));
}

}  // namespace

// --- Modular launch: the options and the main class the runtime is given ------

TEST(ModuleLaunch, OptionsAndMainClassFollowTheMainModule) {
    struct Case {
        const char* mainModule;
        const char* mainClass;
        const char* modulePath;
        VmOptionList options;
        const char* runtimeClass;
    };
    const std::string exports = "--add-exports=java.base/jdk.internal.module=ALL-UNNAMED";
    const Case cases[] = {
        {"", "a.Main", "c:\\app\\mods", {}, "a.Main"},
        {"app", "", "", {"-Djdk.module.main=app", exports}, ""},
        {"app/com.example.Main", "", "c:\\app\\mods;c:\\app\\lib\\x.jar",
         {"--module-path=c:\\app\\mods;c:\\app\\lib\\x.jar", "-Djdk.module.main=app", exports}, "com.example.Main"},
    };
    for (const Case& c : cases) {
        ApplicationSettings settings;
        settings.mainModule = c.mainModule;
        settings.mainClass = c.mainClass;
        EXPECT_EQ(c.options, moduleLaunchOptions(c.mainModule, c.modulePath)) << c.mainModule;
        EXPECT_EQ(c.runtimeClass, mainClassArgument(settings)) << c.mainModule;
    }
}
