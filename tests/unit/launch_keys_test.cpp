// qarvo-build's readable launch keys: class-path entries, VM parameters and
// fixed arguments as arrays, the runtime archive, and their inspect form.
#include <gtest/gtest.h>

#include <map>

#include "builder/inspect/render.h"
#include "builder/project/launch_keys.h"
#include "builder/project/project.h"
#include "format/config_ids.h"
#include "config/args.h"

namespace {

std::map<int, std::string> narrowOf(const std::string& text, BuildPlan* out = nullptr) {
    BuildPlan plan;
    std::string error;
    EXPECT_TRUE(parseProject(text, "app.toml", "/base", plan, error)) << error;
    std::map<int, std::string> narrow;
    for (const auto& e : plan.block.narrow) narrow[e.id] = e.value;
    if (out != nullptr) *out = plan;
    return narrow;
}

std::string errorOf(const std::string& text) {
    BuildPlan plan;
    std::string error;
    EXPECT_FALSE(parseProject(text, "app.toml", "/base", plan, error));
    return error;
}

TEST(LaunchKeys, ClassPathEntriesAsTables) {
    auto narrow = narrowOf(R"toml(
[java]
class-path = [
  { archive = "hello.jar", mandatory = true },
  { directory = "classes" },
  { archives-in = "${QARVO_EXEDIR}lib" },
  { variable = "EXTRA_CP", mandatory = false },
]
)toml");
    EXPECT_EQ("A1hello.jar;D0classes;S0${QARVO_EXEDIR}lib;E0EXTRA_CP;", narrow[ConfigId::ClassPath]);
    // The raw text stays accepted as it is.
    EXPECT_EQ("A1x.jar", narrowOf("[java]\nclass-path = \"A1x.jar\"\n")[ConfigId::ClassPath]);
}

TEST(LaunchKeys, ArraysSplitBackIntoTheSamePieces) {
    const std::vector<std::string> pieces = {"-Xmx64m", "-Dname=a b", "it's", "say \"hi\"", "", "-include-options"};
    std::string text, why;
    ASSERT_TRUE(joinArguments(pieces, text, why)) << why;
    ArgumentList split;
    ASSERT_TRUE(splitArgumentText(std::u16string(text.begin(), text.end()), split));
    ASSERT_EQ(pieces.size(), split.size()) << text;
    for (size_t i = 0; i < pieces.size(); ++i) EXPECT_EQ(std::u16string(pieces[i].begin(), pieces[i].end()), split[i]);

    auto narrow = narrowOf(R"toml(
[application]
arguments = ["--fixed", "two words"]
[java]
vm-parameters = ["-Xmx64m", "-Dname=a b"]
)toml");
    EXPECT_EQ("--fixed \"two words\"", narrow[ConfigId::FixedArguments]);
    EXPECT_EQ("-Xmx64m \"-Dname=a b\"", narrow[ConfigId::VmParameters]);
}

struct BadCase {
    const char* name;
    const char* text;
    const char* expected;
};

class BadLaunchKeyTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadLaunchKeyTest, NamesTheKey) {
    const std::string error = errorOf(GetParam().text);
    EXPECT_NE(std::string::npos, error.find(GetParam().expected)) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Errors, BadLaunchKeyTest,
    ::testing::Values(
        BadCase{"semicolonInValue", "[java]\nclass-path = [{ archive = \"a.jar;b.jar\" }]", "java.class-path: a class-path entry cannot hold ';'"},
        BadCase{"twoKinds", "[java]\nclass-path = [{ archive = \"a\", directory = \"b\" }]", "java.class-path.directory: expected one of"},
        BadCase{"noKind", "[java]\nclass-path = [{ mandatory = true }]", "java.class-path: an entry needs"},
        BadCase{"notATable", "[java]\nclass-path = [\"a.jar\"]", "java.class-path: expected entries"},
        BadCase{"emptyValue", "[java]\nclass-path = [{ archive = \"\" }]", "needs a value"},
        BadCase{"bothQuotes", "[java]\nvm-parameters = [\"a'b\\\"c\"]", "java.vm-parameters: an argument cannot hold both"},
        BadCase{"arrayForOtherText", "[application]\nmain-class = [\"a\"]", "application.main-class: expected a string"},
        BadCase{"runtimeMode", "[runtime]\njar = \"inside\"", "runtime.jar: expected \"beside\", \"bundled\" or \"none\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LaunchKeys, TheRuntimeArchiveBesideOrBundled) {
    BuildPlan plan;
    auto narrow = narrowOf("[java]\nclass-path = [{ archive = \"hello.jar\" }]\n[runtime]\njar = \"beside\"\n", &plan);
    EXPECT_EQ(RuntimeJar::Beside, plan.runtimeJar);
    EXPECT_EQ("A0hello.jar;A1qarvo-runtime.jar;", narrow[ConfigId::ClassPath]);
    EXPECT_TRUE(plan.files.empty());

    narrow = narrowOf("[java]\nclass-path = \"A0hello.jar\"\n[runtime]\njar = \"bundled\"\n", &plan);
    EXPECT_EQ(RuntimeJar::Bundled, plan.runtimeJar);
    EXPECT_EQ("A0hello.jar", narrow[ConfigId::ClassPath]);
    ASSERT_EQ(1u, plan.files.size());
    EXPECT_EQ("qarvo-runtime.jar", plan.files[0].name);
    EXPECT_EQ("", plan.files[0].source);
    EXPECT_EQ("1", narrow[ConfigId::IncludedFileCount]);
}

TEST(LaunchKeys, InspectShowsTheReadableClassPathWhenItReadsBack) {
    for (const std::string& entries : {std::string("A1hello.jar;D0classes;"), std::string("A1hello.jar"),
                                       std::string("X1odd;"), std::string("A2x;")}) {
        InspectedExecutable exe;
        exe.block.narrow = {{ConfigId::ClassPath, entries}};
        std::vector<std::string> warnings;
        const std::string text = renderProject(exe, "", warnings);
        BuildPlan again;
        std::string error;
        ASSERT_TRUE(parseProject(text, "inspected.toml", "/base", again, error)) << error << text;
        EXPECT_EQ(block::encodeBlock(exe.block), block::encodeBlock(again.block)) << text;
        EXPECT_EQ(entries == "A1hello.jar;D0classes;", text.find("{ archive = \"hello.jar\", mandatory = true }") !=
                                                          std::string::npos)
            << text;
    }
}

}  // namespace
