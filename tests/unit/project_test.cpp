// qarvo-build's project files: keys, types, errors, and the inspect round trip.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "builder/inspect/render.h"
#include "builder/project/keys.h"
#include "builder/project/project.h"
#include "builder/project/text_codec.h"
#include "format/config_ids.h"

namespace {

std::map<int, std::string> narrowOf(const BuildPlan& plan) {
    std::map<int, std::string> out;
    for (const auto& e : plan.block.narrow) out[e.id] = e.value;
    return out;
}

BuildPlan parse(const std::string& text) {
    BuildPlan plan;
    std::string error;
    EXPECT_TRUE(parseProject(text, "app.toml", "/base", plan, error)) << error;
    return plan;
}

std::string parseError(const std::string& text) {
    BuildPlan plan;
    std::string error;
    EXPECT_FALSE(parseProject(text, "app.toml", "/base", plan, error));
    return error;
}

TEST(Project, ReadableKeysSetTheirEntries) {
    const BuildPlan plan = parse(R"toml(
[application]
name = "Hello Wörld"
type = 2
main-class = "hello.Main"
[java]
vm-parameters = "-Xmx64m"
min-version = "1.8"
jdk-required = true
allow-prerelease = false
[splash.line1]
color = [255, 0, 128]
)toml");
    auto narrow = narrowOf(plan);
    EXPECT_EQ("Hello W\xf6rld", narrow[ConfigId::AppName]);  // Windows-1252
    EXPECT_EQ("2", narrow[ConfigId::ExecutableType]);
    EXPECT_EQ("hello.Main", narrow[ConfigId::MainClass]);
    EXPECT_EQ("-Xmx64m", narrow[ConfigId::VmParameters]);
    EXPECT_EQ("1", narrow[ConfigId::JdkRequired]);
    EXPECT_EQ("0", narrow[ConfigId::AllowBeta]);
    EXPECT_EQ("255,0,128", narrow[ConfigId::SplashText1Color]);
    // Default English messages fill what the project does not give.
    EXPECT_EQ("Invalid parameters.", narrow[MessageId::InvalidParameters]);
}

// New executables take the C runtime's rules; "classic" is the absent entry
// that executables built before the key have.
TEST(Project, CommandLineRulesDefaultToWindows) {
    EXPECT_EQ("windows", narrowOf(parse(""))[ConfigId::CommandLineRules]);
    EXPECT_EQ("windows", narrowOf(parse("[application]\ncommand-line = \"windows\""))[ConfigId::CommandLineRules]);
    EXPECT_EQ(0u, narrowOf(parse("[application]\ncommand-line = \"classic\"")).count(ConfigId::CommandLineRules));
}

TEST(Project, EntriesAreStoredInIdOrderOnce) {
    const BuildPlan plan = parse("[entries]\n149 = \"b\"\n-5 = \"neg\"\n[application]\nname = \"a\"\n");
    for (size_t i = 1; i < plan.block.narrow.size(); ++i)
        EXPECT_LT(plan.block.narrow[i - 1].id, plan.block.narrow[i].id);
    EXPECT_EQ("neg", narrowOf(plan)[-5]);
}

TEST(Project, MessagesByNameAndLocalisedGroups) {
    const BuildPlan plan = parse(R"toml(
[build]
default-messages = false
default-search = false
[runtime]
jar = "none"
[messages]
caption = "Oops"
internal-error = "Code {0}"
[[localized]]
locale = "de"
[localized.messages]
caption = "Fehler"
[localized.entries]
5000 = "ß"
[[localized]]
locale = "de_CH"
[localized.messages]
caption = "Fehler (CH)"
)toml");
    auto narrow = narrowOf(plan);
    EXPECT_EQ(3u, narrow.size());  // and the command-line rules
    EXPECT_EQ("Oops", narrow[1000]);
    ASSERT_EQ(2u, plan.block.groups.size());
    EXPECT_EQ("de", plan.block.groups[0].locale);
    EXPECT_EQ("de_CH", plan.block.groups[1].locale);
    ASSERT_EQ(2u, plan.block.groups[0].entries.size());
    EXPECT_EQ(1000, plan.block.groups[0].entries[0].id);
    EXPECT_EQ(u"Fehler", plan.block.groups[0].entries[0].value);
    EXPECT_EQ(u"ß", plan.block.groups[0].entries[1].value);
}

TEST(Project, FilesSetCountAndNames) {
    const BuildPlan plan = parse("[runtime]\njar = \"none\"\n[[files]]\nsource = \"dlls/a.dll\"\n[[files]]\nsource = \"b.bin\"\nname = \"lib\\\\b.dll\"\n");
    ASSERT_EQ(2u, plan.files.size());
    EXPECT_EQ("a.dll", plan.files[0].name);
    EXPECT_EQ("/base/dlls/a.dll", plan.files[0].source);
    auto narrow = narrowOf(plan);
    EXPECT_EQ("2", narrow[ConfigId::IncludedFileCount]);
    EXPECT_EQ("a.dll;lib\\b.dll", narrow[ConfigId::IncludedFileNames]);
}

// The archives that join the class path go to the archive cache by default.
TEST(Project, FilesForTheArchiveCache) {
    const std::string files =
        "[[files]]\nsource = \"app.jar\"\n[[files]]\nsource = \"x.dll\"\n[[files]]\nsource = \"lib.zip\"\n"
        "name = \"user\\\\lib.zip\"\ncache = false\n";
    auto cached = [](const BuildPlan& plan) {
        std::string flags;
        for (const IncludedFile& f : plan.files) flags += f.cache ? '1' : '0';
        return flags;
    };
    EXPECT_EQ("1001", cached(parse(files)));  // the bundled runtime archive last
    EXPECT_EQ("0000", cached(parse("[build]\narchive-cache = false\n" + files)));
    EXPECT_EQ("100", cached(parse("[build]\narchive-cache = false\n[[files]]\nsource = \"app.jar\"\ncache = true\n"
                                  "[[files]]\nsource = \"y.jar\"\n")));
    EXPECT_NE(std::string::npos, parseError("[[files]]\nsource = \"x.dll\"\ncache = true\n").find("files.cache: only archives"));
    EXPECT_NE(std::string::npos,
              parseError("[entries]\n10144 = \"\"\n[[files]]\nsource = \"x.dll\"\n").find("written from [[files]]"));
}

struct BadProject {
    const char* name;
    const char* text;
    const char* expected;  // the error must contain this
};

class BadProjectTest : public ::testing::TestWithParam<BadProject> {};

TEST_P(BadProjectTest, NamesFileLineAndKey) {
    EXPECT_NE(std::string::npos, parseError(GetParam().text).find(GetParam().expected)) << parseError(GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, BadProjectTest,
    ::testing::Values(
        BadProject{"syntax", "[application\nname = 1", "app.toml:1: "},
        BadProject{"unknownKey", "\n[application]\nnmae = \"x\"", "app.toml:3: application.nmae: unknown key"},
        BadProject{"unknownTable", "[aplication]\nname = \"x\"", "app.toml:1: aplication: unknown table"},
        BadProject{"emptyUnknownTable", "[app]", "app.toml:1: app: unknown table"},
        BadProject{"unknownSubTable", "[splash.line3]\nx = 1", "app.toml:1: splash.line3: unknown table"},
        BadProject{"quotedDottedTable", "[\"splash.line1\"]\nx = 1", "app.toml:1: splash.line1: unknown table"},
        BadProject{"tableForAKey", "[application.name]\nx = 1", "app.toml:1: application.name: expected a string"},
        BadProject{"flagType", "[java]\n\njdk-required = 1", "app.toml:3: java.jdk-required: expected true or false"},
        BadProject{"intType", "[application]\ntype = \"2\"", "app.toml:2: application.type: expected an integer"},
        BadProject{"intRange", "[application]\ntype = 3000000000", "application.type: integer out of range"},
        BadProject{"textType", "[application]\nmain-class = 5", "application.main-class: expected a string"},
        BadProject{"colour", "[splash.line2]\ncolor = [1, 2]", "splash.line2.color: expected a colour"},
        BadProject{"colourRange", "[splash.line2]\ncolor = [1, 2, 256]", "colour components are integers"},
        BadProject{"notAnsi", "[application]\nname = \"日本\"", "application.name: holds a character"},
        BadProject{"twice", "[application]\nname = \"a\"\n[entries]\n101 = \"b\"", "entries.101: entry 101 is already set by application.name"},
        BadProject{"rawId", "[entries]\nabc = \"b\"", "entries.abc: expected an entry number"},
        BadProject{"message", "[messages]\nnope = \"b\"", "messages.nope: unknown message name"},
        BadProject{"localeCode", "[[localized]]\nlocale = \"de-CH\"", "localized.locale: a locale code has letters"},
        BadProject{"noLocale", "[[localized]]\n[localized.messages]\ncaption = \"x\"", "localized: needs a locale code"},
        BadProject{"fileNoSource", "[[files]]\nname = \"a\"", "files: needs a source"},
        BadProject{"fileDotDot", "[[files]]\nsource = \"a\"\nname = \"..\\\\a\"", "'.' or '..'"},
        BadProject{"fileAbsolute", "[[files]]\nsource = \"a\"\nname = \"C:\\\\a\"", "must be relative"},
        BadProject{"fileDeep", "[[files]]\nsource = \"a\"\nname = \"a\\\\b\\\\c\"", "at most one directory level"},
        BadProject{"fileSlash", "[[files]]\nsource = \"a\"\nname = \"a/b\"", "with a backslash"},
        BadProject{"fileAndRawCount", "[entries]\n2002 = \"1\"\n[[files]]\nsource = \"a\"", "written from [[files]]"}),
    [](const auto& info) { return std::string(info.param.name); });

// Building from what inspect prints gives the same block byte for byte.
std::string roundTrip(const BuildPlan& plan, std::string* rendered = nullptr) {
    InspectedExecutable exe;
    exe.block = plan.block;
    for (const IncludedFile& f : plan.files) exe.files.push_back({f.name, 3, 0});
    std::vector<std::string> warnings;
    const std::string text = renderProject(exe, plan.files.empty() ? "" : "/x", warnings);
    EXPECT_TRUE(warnings.empty());
    if (rendered) *rendered = text;
    BuildPlan again;
    std::string error;
    EXPECT_TRUE(parseProject(text, "inspected.toml", "/base", again, error)) << error << "\n" << text;
    return block::encodeBlock(again.block);
}

TEST(Inspect, RebuildingGivesTheSameBlock) {
    const BuildPlan plan = parse(R"toml(
[application]
name = "Quote \" and \\ and tab\t and é and €"
type = 1
[java]
jdk-required = true
[splash.line1]
color = [1, 2, 3]
[entries]
149 = "raw"
108 = "yes"
[wide-entries]
77 = "日本語 😀"
[[localized]]
locale = "de"
[localized.messages]
caption = "Fehler"
[localized.entries]
9000 = "x"
[[localized]]
locale = ""
[localized.messages]
ok-word = "OK"
[[files]]
source = "a.dll"
name = "lib\\a.dll"
)toml");
    std::string rendered;
    EXPECT_EQ(block::encodeBlock(plan.block), roundTrip(plan, &rendered));
    // A flag whose text is not 0 or 1 stays a raw entry.
    EXPECT_NE(std::string::npos, rendered.find("108 = \"yes\"")) << rendered;
    EXPECT_NE(std::string::npos, rendered.find("jdk-required = true")) << rendered;
}

TEST(Inspect, EveryByteOfANarrowTextSurvives) {
    BuildPlan plan;
    std::string all;
    for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
    plan.block.narrow = {{5, std::string("\0x", 2)}, {101, all}};
    EXPECT_EQ(block::encodeBlock(plan.block), roundTrip(plan));
}

// Every entry the launcher reads, with the kind its readers use, written
// down from the table of configuration ids rather than from the key table.
struct IdKind {
    int id;
    KeyKind kind;
};

const IdKind kLauncherIds[] = {
    {101, KeyKind::Text},   {102, KeyKind::Flag},   {103, KeyKind::Text},   {104, KeyKind::Flag},
    {105, KeyKind::Text},   {106, KeyKind::Flag},   {107, KeyKind::Int},    {108, KeyKind::Flag},
    {121, KeyKind::ClassPath}, {122, KeyKind::Text}, {123, KeyKind::Arguments}, {124, KeyKind::Arguments},
    {125, KeyKind::Flag},   {126, KeyKind::Text},   {127, KeyKind::Text},   {128, KeyKind::Text},
    {130, KeyKind::Flag},   {131, KeyKind::Flag},   {141, KeyKind::Size},   {142, KeyKind::Size},
    {145, KeyKind::Flag},   {146, KeyKind::Text},   {147, KeyKind::Flag},   {152, KeyKind::Text},
    {154, KeyKind::Flag},   {156, KeyKind::Flag},   {158, KeyKind::Flag},   {160, KeyKind::Text},
    {2001, KeyKind::Text},  {10003, KeyKind::Text}, {10004, KeyKind::Text}, {10005, KeyKind::Flag},
    {10109, KeyKind::Int},  {10110, KeyKind::Int},  {10111, KeyKind::Text}, {10112, KeyKind::Text},
    {10113, KeyKind::Size}, {10114, KeyKind::Color}, {10115, KeyKind::Int}, {10116, KeyKind::Int},
    {10117, KeyKind::Int},  {10118, KeyKind::Text}, {10119, KeyKind::Text}, {10120, KeyKind::Size},
    {10121, KeyKind::Color}, {10122, KeyKind::Int}, {10123, KeyKind::Flag},
};

class KeyForIdTest : public ::testing::TestWithParam<IdKind> {};

// Texts the checked entries accept.
const std::map<int, std::string> kCheckedTexts = {
    {ConfigId::ClassPath, "A1some text.jar;"}, {ConfigId::MainClass, "some.Text"}, {ConfigId::MinVersion, "1.8"},
    {ConfigId::MaxVersion, "21"},              {ConfigId::SearchSequence, "Bsome text;"}};

// Each id is reachable by a readable key of the right kind: a project that
// sets the key stores the id with the value's text.
TEST_P(KeyForIdTest, AReadableKeySetsTheEntry) {
    const IdKind expected = GetParam();
    const KeyDef* key = keyForId(expected.id);
    ASSERT_NE(nullptr, key) << expected.id;
    EXPECT_EQ(expected.kind, key->kind) << key->table << "." << key->name;
    const auto checked = kCheckedTexts.find(expected.id);
    const std::string text = checked != kCheckedTexts.end() ? checked->second : "some text";
    const bool integer = expected.kind == KeyKind::Int || expected.kind == KeyKind::Size;
    const std::string value = expected.kind == KeyKind::Flag    ? "true"
                              : integer                         ? "42"
                              : expected.kind == KeyKind::Color ? "[1, 2, 255]"
                                                                : "\"" + text + "\"";
    const std::string stored = expected.kind == KeyKind::Flag    ? "1"
                               : integer                         ? "42"
                               : expected.kind == KeyKind::Color ? "1,2,255"
                                                                 : text;
    const BuildPlan plan = parse("[" + std::string(key->table) + "]\n" + key->name + " = " + value + "\n");
    EXPECT_EQ(stored, narrowOf(plan)[expected.id]);
}

INSTANTIATE_TEST_SUITE_P(LauncherIds, KeyForIdTest, ::testing::ValuesIn(kLauncherIds),
                         [](const auto& info) { return std::to_string(info.param.id); });

TEST(Keys, MessagesAndIncludedFilesHaveTheirOwnTables) {
    for (int id = ConfigId::FirstMessage; id <= ConfigId::LastMessage; ++id) EXPECT_NE(nullptr, messageById(id)) << id;
    const BuildPlan plan = parse("[runtime]\njar = \"none\"\n[[files]]\nsource = \"a.dll\"\n");
    EXPECT_EQ("1", narrowOf(plan)[2002]);
    EXPECT_EQ("a.dll", narrowOf(plan)[2003]);
}

TEST(Keys, TheExecutableTypeTakesNamesOrNumbers) {
    for (const auto& [text, stored] : std::vector<std::pair<std::string, std::string>>{
             {"\"gui\"", "1"}, {"\"console\"", "2"}, {"5", "5"}, {"1", "1"}})
        EXPECT_EQ(stored, narrowOf(parse("[application]\ntype = " + text + "\n"))[107]) << text;
    EXPECT_NE(std::string::npos, parseError("[application]\ntype = \"window\"\n")
                                     .find("application.type: expected an integer or one of \"gui\", \"console\""));
}

TEST(Resources, KeysOfTheResourceTables) {
    const BuildPlan plan = parse(R"toml(
[resources]
icon = ["a.png", "/abs/b.png"]
splash-bitmap = "s.bmp"
[version]
file-version = "1.2"
company = "Q"
[manifest]
dpi-awareness = "system"
long-path-aware = true
)toml");
    const ResourcePlan& r = plan.resources;
    ASSERT_EQ(2u, r.icon.size());
    EXPECT_EQ("/base/a.png", r.icon[0].path);
    EXPECT_EQ("/abs/b.png", r.icon[1].path);
    EXPECT_EQ("app.toml:3: resources.icon", r.icon[0].where);
    ASSERT_EQ(1u, r.splashBitmap.size());
    EXPECT_EQ("/base/s.bmp", r.splashBitmap[0].path);
    EXPECT_TRUE(r.hasVersion);
    EXPECT_EQ((version::Number{1, 2, 0, 0}), r.version.fileVersion);
    EXPECT_EQ(r.version.fileVersion, r.version.productVersion);  // defaults to the file version
    EXPECT_EQ((std::vector<std::pair<std::string, std::u16string>>{
                  {"CompanyName", u"Q"}, {"FileVersion", u"1.2"}, {"ProductVersion", u"1.2"}}),
              r.version.strings);
    EXPECT_TRUE(r.manifestOptions);
    EXPECT_EQ((manifest::Options{manifest::DpiAwareness::System, true}), r.manifest);
    // None of it is part of the configuration block.
    EXPECT_EQ(block::encodeBlock(parse("").block), block::encodeBlock(plan.block));
}

INSTANTIATE_TEST_SUITE_P(
    ResourceErrors, BadProjectTest,
    ::testing::Values(
        BadProject{"resourceKey", "[resources]\nicons = \"a.ico\"", "app.toml:2: resources.icons: unknown key"},
        BadProject{"bitmapList", "[resources]\nsplash-bitmap = [\"a.bmp\"]", "resources.splash-bitmap: expected a file name"},
        BadProject{"iconNumber", "[resources]\nicon = [\"a.png\", 3]", "resources.icon: expected a file name"},
        BadProject{"iconEmptyList", "[resources]\nicon = []", "resources.icon: expected at least one file"},
        BadProject{"versionMissing", "[version]\ncompany = \"Q\"", "app.toml:1: version: needs file-version"},
        BadProject{"versionNumber", "[version]\nfile-version = \"1.x\"", "app.toml:2: version.file-version: expected a version"},
        BadProject{"versionKey", "[version]\nfile-version = \"1\"\ntrademark = \"x\"", "version.trademark: unknown key"},
        BadProject{"versionType", "[version]\nfile-version = 1", "version.file-version: expected a string"},
        BadProject{"dpiValue", "[manifest]\ndpi-awareness = \"high\"", "manifest.dpi-awareness: expected \"unaware\""},
        BadProject{"longPathType", "[manifest]\nlong-path-aware = \"yes\"", "manifest.long-path-aware: expected true or false"},
        BadProject{"fileAndOptions", "[manifest]\nfile = \"m.xml\"\nlong-path-aware = true",
                   "manifest.file: a manifest file replaces the generated manifest"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    CheckedValues, BadProjectTest,
    ::testing::Values(
        BadProject{"minWords", "[java]\nmin-version = \"seventeen\"", "app.toml:2: java.min-version: expected a Java version"},
        BadProject{"minAboveMax", "[java]\nmin-version = \"17\"\n\nmax-version = \"11\"",
                   "app.toml:4: java.max-version: the maximum 11 is below the minimum 17"},
        BadProject{"mainSlashes", "[application]\nmain-class = \"com/example/Main\"", "application.main-class: expected a Java binary name"},
        BadProject{"mainEmpty", "[application]\nmain-class = \"\"", "application.main-class: expected the main class"},
        BadProject{"mainDotClass", "[application]\nmain-class = \"a.Main.class\"", "without \".class\""},
        BadProject{"splashWidth", "[splash]\nwidth = -5", "app.toml:2: splash.width: expected a positive size"},
        BadProject{"fontSize", "[splash.line1]\nsize = 0", "splash.line1.size: expected a positive size"},
        BadProject{"classPathHabit", "[java]\nclass-path = \"app.jar;lib/*\"",
                   "class-path = [{ archive = \"app.jar\" }, { archives-in = \"lib\" }]"},
        BadProject{"searchLetter", "[java]\nsearch-sequence = \"Bjre;Xfoo\"", "unknown type letter 'X'"},
        BadProject{"searchWord", "[java]\nsearch = [\"registy\"]", "java.search: unknown search entry \"registy\" (did you mean registry?)"},
        BadProject{"searchValue", "[java]\nsearch = [\"env\"]", "\"env\" needs a value"},
        BadProject{"searchNoValue", "[java]\nsearch = [\"registry:x\"]", "\"registry\" takes no value"},
        BadProject{"searchTwice", "[java]\nsearch = []\nsearch-sequence = \"\"", "entry 128 is already set by java.search"},
        BadProject{"arch", "[build]\narch = \"arm64\"", "app.toml:2: build.arch: expected \"x86\" or \"x64\""},
        BadProject{"nearKey", "[java]\nminversion = \"17\"", "java.minversion: unknown key; did you mean java.min-version?"},
        BadProject{"otherTable", "[java]\nmain-class = \"a.B\"", "did you mean application.main-class?"},
        BadProject{"topLevelArch", "arch = \"x64\"", "app.toml:1: arch: unknown key; did you mean build.arch?"},
        BadProject{"nearTable", "[aplication]\nname = \"x\"", "unknown table; did you mean application?"},
        BadProject{"commandLineRules", "[application]\ncommand-line = \"posix\"",
                   "app.toml:2: application.command-line: expected \"windows\" or \"classic\""},
        BadProject{"nearMessage", "[messages]\ncaptoin = \"x\"", "did you mean messages.caption?"}),
    [](const auto& info) { return std::string(info.param.name); });

// The reference of project keys names every key with its entry.
TEST(Keys, TheReferenceDocumentsEveryKey) {
    std::ifstream in(std::string(QARVO_SOURCE_DIR) + "/docs/project-file.md");
    ASSERT_TRUE(in);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string doc = text.str();
    for (const KeyDef& key : keyTable()) {
        const size_t section = doc.find(std::string("### [") + key.table + "]\n");
        ASSERT_NE(std::string::npos, section) << key.table;
        const size_t row = doc.find("| `" + std::string(key.name) + "` | " + std::to_string(key.id) + " |", section);
        EXPECT_LT(row, doc.find("\n#", section + 4)) << key.table << "." << key.name;
    }
    for (const MessageDef& m : messageTable())
        EXPECT_NE(std::string::npos, doc.find("| `" + std::string(m.name) + "` | " + std::to_string(m.id) + " |"))
            << m.name;
    for (const version::StringKey& k : version::stringKeys())
        EXPECT_NE(std::string::npos, doc.find("| `" + std::string(k.key) + "` | " + k.name + " |")) << k.key;
    for (const char* key : {"icon", "splash-icon", "splash-bitmap", "splash-image", "dpi-awareness", "long-path-aware",
                            "file", "default-messages", "source", "name"})
        EXPECT_NE(std::string::npos, doc.find("| `" + std::string(key) + "` |")) << key;
}

TEST(TextCodec, Windows1252BothWays) {
    EXPECT_EQ(std::string("\x80\x9f\xe9", 3), utf8ToAnsi("€Ÿé").value());
    EXPECT_FALSE(utf8ToAnsi("日").has_value());
    EXPECT_FALSE(utf8ToAnsi("\xff").has_value());
    for (int c = 0; c < 256; ++c) {
        const std::string byte(1, static_cast<char>(c));
        EXPECT_EQ(byte, utf8ToAnsi(ansiToUtf8(byte)).value()) << c;
    }
}

TEST(TextCodec, Utf16RejectsBrokenInput) {
    EXPECT_EQ(u"a😀", utf8ToUtf16("a😀").value());
    EXPECT_FALSE(utf8ToUtf16("\xc3").has_value());
    EXPECT_FALSE(utf8ToUtf16("\xed\xa0\x80").has_value());  // encoded surrogate
    EXPECT_FALSE(utf8ToUtf16("\xc0\xaf").has_value());      // overlong
    EXPECT_FALSE(utf16ToUtf8(std::u16string(1, char16_t(0xd800))).has_value());
}

}  // namespace
