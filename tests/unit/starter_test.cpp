// qarvo-build init: entries of a jar, its manifest, and the starter project.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <map>

#include <unistd.h>

#include "builder/project/jar_file.h"
#include "builder/project/jar_manifest_options.h"
#include "builder/project/project.h"
#include "builder/project/starter.h"
#include "format/config_ids.h"

namespace {

void put16(std::string& b, uint32_t v) {
    b.push_back(static_cast<char>(v & 0xff));
    b.push_back(static_cast<char>((v >> 8) & 0xff));
}
void put32(std::string& b, uint32_t v) {
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}

std::string deflateRaw(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// A zip archive of the given entries, each stored (method 0) or deflated (8).
std::string zipOf(const std::vector<std::tuple<std::string, std::string, int>>& entries, const std::string& comment = "") {
    std::string file, directory;
    for (const auto& [name, data, method] : entries) {
        const std::string packed = method == 8 ? deflateRaw(data) : data;
        const uint32_t local = static_cast<uint32_t>(file.size());
        put32(file, 0x04034b50);
        put16(file, 20), put16(file, 0), put16(file, method), put32(file, 0), put32(file, 0);
        put32(file, packed.size()), put32(file, data.size()), put16(file, name.size()), put16(file, 0);
        file += name + packed;
        put32(directory, 0x02014b50);
        put16(directory, 20), put16(directory, 20), put16(directory, 0), put16(directory, method);
        put32(directory, 0), put32(directory, 0), put32(directory, packed.size()), put32(directory, data.size());
        put16(directory, name.size()), put16(directory, 0), put16(directory, 0), put16(directory, 0), put16(directory, 0);
        put32(directory, 0), put32(directory, local);
        directory += name;
    }
    const uint32_t offset = static_cast<uint32_t>(file.size());
    file += directory;
    put32(file, 0x06054b50), put16(file, 0), put16(file, 0), put16(file, entries.size()), put16(file, entries.size());
    put32(file, directory.size()), put32(file, offset), put16(file, comment.size());
    return file + comment;
}

const std::string kManifest = "Manifest-Version: 1.0\r\nMain-Class: com.example.Ma\r\n in\r\nClass-Path: lib/a.jar lib/b%20c.jar\r\n"
                              "  extra/\r\n\r\nName: other\r\nMain-Class: not.This\r\n";

struct ZipCase {
    const char* name;
    std::string zip;
    std::string expected;  // the entry, or the start of why
};

class ZipEntryTest : public ::testing::TestWithParam<ZipCase> {};

TEST_P(ZipEntryTest, ReadsStoredAndDeflatedEntriesOrSaysWhy) {
    MemorySource source(GetParam().zip);
    std::string out, why;
    const bool ok = readZipEntry(source, "META-INF/MANIFEST.MF", out, why);
    EXPECT_EQ(GetParam().expected, ok ? out : why.substr(0, GetParam().expected.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Jars, ZipEntryTest,
    ::testing::Values(
        ZipCase{"stored", zipOf({{"a.class", "x", 0}, {"META-INF/MANIFEST.MF", "Main-Class: a\r\n", 0}}), "Main-Class: a\r\n"},
        ZipCase{"deflated", zipOf({{"META-INF/MANIFEST.MF", kManifest + kManifest, 8}}, "a comment"), kManifest + kManifest},
        ZipCase{"missing", zipOf({{"a.class", "x", 8}}), "no META-INF/MANIFEST.MF"},
        ZipCase{"notZip", std::string(100, 'x'), "not a zip archive"},
        ZipCase{"otherMethod", zipOf({{"META-INF/MANIFEST.MF", "x", 12}}), "META-INF/MANIFEST.MF is packed by a method"},
        ZipCase{"cut", zipOf({{"META-INF/MANIFEST.MF", "x", 0}}).substr(20), "damaged zip archive"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Manifest, MainSectionWithContinuationLines) {
    const auto attributes = manifestAttributes(kManifest);
    EXPECT_EQ("com.example.Main", attributes.at("Main-Class"));
    EXPECT_EQ("lib/a.jar lib/b%20c.jar extra/", attributes.at("Class-Path"));
}

// The starter builds as it is: the manifest's main class and class path, the
// default search, the runtime archive included.
TEST(Starter, TheProjectBuildsAsWritten) {
    std::vector<std::string> warnings;
    const std::string text =
        starterProject("my-app.jar", manifestAttributes(kManifest), "/dist/docs", "file:///dist/schema/s.json", warnings);
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(0u, text.find("#:schema file:///dist/schema/s.json\n\n# ")) << text;
    BuildPlan plan;
    std::string error;
    ASSERT_TRUE(parseProject(text, "my-app.toml", "/p", plan, error)) << error << "\n" << text;
    std::map<int, std::string> narrow;
    for (const auto& e : plan.block.narrow) narrow[e.id] = e.value;
    EXPECT_EQ("my-app", narrow[ConfigId::AppName]);
    EXPECT_EQ("com.example.Main", narrow[ConfigId::MainClass]);
    EXPECT_EQ("A1my-app.jar;A0lib\\a.jar;A0lib\\b c.jar;D0extra;", narrow[ConfigId::ClassPath]);
    EXPECT_EQ("Bjre;EJAVA_HOME;EJDK_HOME;Y;W;S;", narrow[ConfigId::SearchSequence]);
    EXPECT_EQ("x64", plan.arch);
    EXPECT_EQ(RuntimeJar::Bundled, plan.runtimeJar);
    EXPECT_TRUE(plan.warnings.empty());
}

// A Linux package's jar names absolute paths: none of them is beside the
// executable.
TEST(Starter, AbsoluteClassPathEntriesAreLeftOutWithAWarning) {
    std::vector<std::string> warnings;
    const std::string text = starterProject(
        "groovy.jar",
        manifestAttributes("Main-Class: a.B\r\nClass-Path: /usr/share/java/asm.jar lib/x.jar file:/C:/y.jar\r\n"), "/d",
        "", warnings);
    ASSERT_EQ(2u, warnings.size());
    EXPECT_NE(std::string::npos, warnings[0].find("/usr/share/java/asm.jar"));
    EXPECT_NE(std::string::npos, warnings[1].find("file:/C:/y.jar"));
    BuildPlan plan;
    std::string error;
    ASSERT_TRUE(parseProject(text, "groovy.toml", "/p", plan, error)) << error;
    for (const auto& e : plan.block.narrow)
        if (e.id == ConfigId::ClassPath) EXPECT_EQ("A1groovy.jar;A0lib\\x.jar;", e.value);
}

TEST(Starter, WithoutAMainClassItSaysSo) {
    std::vector<std::string> warnings;
    const std::string text = starterProject("tool.jar", {}, "/d", "", warnings);
    EXPECT_EQ(std::string::npos, text.find("#:schema")) << "no schema installed, no line";
    ASSERT_EQ(1u, warnings.size());
    EXPECT_NE(std::string::npos, warnings[0].find("Main-Class"));
    EXPECT_NE(std::string::npos, text.find("main-class = \"com.example.Main\""));
}

}  // namespace

// --- The application jar's manifest: VM options as "java -jar" takes them ----

struct ManifestOptionsCase {
    std::map<std::string, std::string> attributes;
    std::vector<std::string> options;
    size_t warnings;
};

class ManifestOptionsTest : public ::testing::TestWithParam<ManifestOptionsCase> {};

TEST_P(ManifestOptionsTest, BecomeTheOptionsJavaDashJarApplies) {
    std::vector<std::string> warnings;
    EXPECT_EQ(GetParam().options, manifestVmOptions(GetParam().attributes, "app.jar", warnings));
    EXPECT_EQ(GetParam().warnings, warnings.size());
}

INSTANTIATE_TEST_SUITE_P(
    Attributes, ManifestOptionsTest,
    ::testing::Values(
        ManifestOptionsCase{{{"Main-Class", "a.B"}}, {}, 0},
        ManifestOptionsCase{{{"Add-Opens", "java.base/java.lang  java.base/java.util"}},
                            {"--add-opens=java.base/java.lang=ALL-UNNAMED", "--add-opens=java.base/java.util=ALL-UNNAMED"},
                            0},
        ManifestOptionsCase{{{"add-exports", "java.base/sun.nio.ch"}, {"ADD-OPENS", "java.desktop/sun.awt"}},
                            {"--add-opens=java.desktop/sun.awt=ALL-UNNAMED",
                             "--add-exports=java.base/sun.nio.ch=ALL-UNNAMED"},
                            0},
        ManifestOptionsCase{{{"Enable-Native-Access", "ALL-UNNAMED"}}, {"--enable-native-access=ALL-UNNAMED"}, 0},
        ManifestOptionsCase{{{"Enable-Native-Access", "app"}}, {}, 1},
        ManifestOptionsCase{{{"Add-Opens", "java.base java.base/java.lang=x /x"}}, {}, 3}));

TEST(ManifestOptions, TheBuilderTakesThemFromTheFirstArchiveUnlessTheProjectSetsThem) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("qarvo-mf-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir / "lib");
    std::ofstream(dir / "lib" / "app.jar", std::ios::binary)
        << zipOf({{"META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\nAdd-Opens: java.base/java.lang\r\n"
                                           "Enable-Native-Access: ALL-UNNAMED\r\n\r\n", 8}});
    const auto stored = [&](const std::string& java) {
        BuildPlan plan;
        std::string error;
        EXPECT_TRUE(parseProject("[java]\n" + java, "app.toml", "/base", plan, error)) << error;
        addJarManifestOptions(plan, {(dir / "elsewhere").string(), dir.string()});
        for (const auto& e : plan.block.narrow)
            if (e.id == ConfigId::JarManifestOptions) return e.value;
        return std::string("<absent>");
    };
    EXPECT_EQ("--add-opens=java.base/java.lang=ALL-UNNAMED --enable-native-access=ALL-UNNAMED",
              stored("class-path = [{ directory = \"x\" }, { archive = \"lib\\\\app.jar\" }]\n"));
    EXPECT_EQ("<absent>", stored("class-path = [{ archive = \"${QARVO_EXEDIR}\\\\lib\\\\app.jar\" }]\n"));
    EXPECT_EQ("<absent>", stored("class-path = [{ archive = \"missing.jar\" }, { archive = \"lib\\\\app.jar\" }]\n"));
    EXPECT_EQ("", stored("class-path = [{ archive = \"lib\\\\app.jar\" }]\njar-manifest-options = []\n"));
    std::filesystem::remove_all(dir);
}

// --- An included archive whose manifest names files included with it ------------

struct BesideCase {
    const char* classPath;  // nullptr: no Class-Path
    const char* archive;
    bool names;
};

class ManifestBesideTest : public ::testing::TestWithParam<BesideCase> {};

TEST_P(ManifestBesideTest, NamesIncludedFilesOnlyRelativeToTheArchive) {
    std::map<std::string, std::string> attributes{{"Main-Class", "a.B"}};
    if (GetParam().classPath != nullptr) attributes["class-path"] = GetParam().classPath;
    const std::vector<std::string> included = {"app.jar", "lib\\dep.jar", "user\\x.jar", "helper.dll"};
    EXPECT_EQ(GetParam().names, manifestNamesIncludedFiles(attributes, GetParam().archive, included));
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ManifestBesideTest,
    ::testing::Values(BesideCase{nullptr, "app.jar", false}, BesideCase{"lib/dep.jar", "app.jar", true},
                      BesideCase{"other.jar  LIB/Dep.jar", "app.jar", true}, BesideCase{"lib/", "app.jar", true},
                      BesideCase{"lib/./dep.jar", "app.jar", true}, BesideCase{"lib/other.jar", "app.jar", false},
                      BesideCase{"/usr/share/java/helper.dll file:/C:/helper.dll", "app.jar", false},
                      BesideCase{"../lib/dep.jar", "user\\x.jar", true}, BesideCase{"dep.jar", "user\\x.jar", false},
                      BesideCase{"../helper.dll", "app.jar", false}, BesideCase{"app.jar", "app.jar", false},
                      BesideCase{".", "app.jar", true}, BesideCase{"helper%2Edll", "app.jar", true}));
