// Included files under Wine: written unscrambled into a private directory
// below the temporary directory, refused when a name could reach outside it,
// and cleaned up when the data is short.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "tests/e2e/rig.h"

namespace fs = std::filesystem;

namespace {

// Every byte value, the scrambling mask among them, in an order of its own.
std::string binary(size_t n, int seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed) & 0xff);
    return s;
}

std::set<std::string> extractionDirectories() {
    std::set<std::string> out;
    for (const std::string& name : rig::tempFilesStartingWith("qvo"))
        if (name.size() > 4 && name.compare(name.size() - 4, 4, "_dir") == 0) out.insert(name);
    return out;
}

using rig::logged;

std::string hostPathOfTemp(const std::string& windowsPath) {
    return rig::wineTempDirectory() + "/" + windowsPath.substr(windowsPath.rfind('\\') + 1);
}

class ExtractionTest : public ::testing::Test {
protected:
    void SetUp() override { before_ = extractionDirectories(); }
    void TearDown() override {
        for (const std::string& name : extractionDirectories())
            if (!before_.count(name)) fs::remove_all(rig::wineTempDirectory() + "/" + name);
    }
    // Only the files the test names: no runtime archive, and the archives
    // extracted like every other file.
    std::string build(const std::string& body) {
        auto built = rig::buildProject(ws, "[build]\narchive-cache = false\n[application]\nname = \"X\"\ntype = 2\n[messages]\n"
                                           "internal-error = \"internal {0}\"\n[runtime]\njar = \"none\"\n" + body,
                                       "app.exe");
        EXPECT_EQ(0, built.exitCode) << built.err;
        return ws.file("app.exe");
    }
    // A fake runtime that waits in main, and the project's search entry for it.
    std::string waitingRuntime() {
        const std::string bin = rig::layFakeRuntime(ws.file("jre"));
        std::ofstream(bin + "/server/fakejre.ini") << rig::waitInMainLine(bin + "/server");
        return "[java]\nsearch-sequence = \"B.\\\\jre\"\n";
    }
    // The logged run of exe; look() runs while its main waits, with the
    // extraction directory as a host path.
    rig::LoggedRun runLoggedWhileRunning(const std::string& exe, const std::function<void(const std::string&)>& look) {
        rig::LoggedRun run;
        const auto logsBefore = rig::tempFilesStartingWith("mvt_nlog_");
        rig::RunOptions options;
        options.env["QARVO_LOG"] = "yes";
        run.result = rig::runWhileMainWaits(exe, ws.file("jre/bin/server"), [&] {
            const std::set<std::string> made = newDirectories();
            look(made.size() == 1 ? rig::wineTempDirectory() + "/" + *made.begin() : std::string());
        }, options);
        for (const std::string& name : rig::tempFilesStartingWith("mvt_nlog_")) {
            if (std::find(logsBefore.begin(), logsBefore.end(), name) != logsBefore.end()) continue;
            for (char c : rig::readFile(rig::wineTempDirectory() + "/" + name))
                if (c != '\r') run.log.push_back(c);
            fs::remove(rig::wineTempDirectory() + "/" + name);
        }
        return run;
    }
    std::set<std::string> newDirectories() const {
        std::set<std::string> out;
        for (const std::string& name : extractionDirectories())
            if (!before_.count(name)) out.insert(name);
        return out;
    }
    rig::Workspace ws;
    std::set<std::string> before_;
};

TEST_F(ExtractionTest, WritesEveryFileUnscrambledWithItsDirectory) {
    ws.write("src/a.dll", binary(20000, 1));
    ws.write("src/b.dll", binary(8192, 7));
    const std::string exe = build(waitingRuntime() +
        "[[files]]\nsource = \"src/a.dll\"\nname = \"a.dll\"\n[[files]]\nsource = \"src/b.dll\"\nname = \"lib\\\\b.dll\"\n");
    std::string a, b, host;
    auto run = runLoggedWhileRunning(exe, [&](const std::string& directory) {
        host = directory;
        a = rig::readFile(directory + "/a.dll");
        b = rig::readFile(directory + "/lib/b.dll");
    });
    EXPECT_EQ(0, run.result.exitCode) << run.result.err;
    const std::string directory = logged(run.log, "Temp dir: ");
    ASSERT_FALSE(directory.empty()) << run.log;
    EXPECT_EQ(hostPathOfTemp(directory), host);
    EXPECT_EQ(binary(20000, 1), a);
    EXPECT_EQ(binary(8192, 7), b);
    EXPECT_NE(std::string::npos, run.log.find("\nIncluded files: 2\n")) << run.log;
    EXPECT_NE(std::string::npos, run.log.find("\ncreating directory " + directory + "\\lib\n")) << run.log;
    EXPECT_NE(std::string::npos, run.log.find("\nextracting " + directory + "\\lib\\b.dll (size: 8192)\n")) << run.log;
    EXPECT_NE(std::string::npos, run.log.find("\nextracting files done\n")) << run.log;
}

TEST_F(ExtractionTest, AFileOfSizeZeroIsLoggedButNotCreated) {
    ws.write("src/empty.txt", "");
    ws.write("src/a.dll", "after");
    const std::string exe =
        build(waitingRuntime() + "[[files]]\nsource = \"src/empty.txt\"\n[[files]]\nsource = \"src/a.dll\"\n");
    bool emptyExists = true;
    std::string after;
    auto run = runLoggedWhileRunning(exe, [&](const std::string& directory) {
        emptyExists = fs::exists(directory + "/empty.txt");
        after = rig::readFile(directory + "/a.dll");
    });
    EXPECT_EQ(0, run.result.exitCode) << run.result.err;
    const std::string directory = logged(run.log, "Temp dir: ");
    ASSERT_FALSE(directory.empty()) << run.log;
    EXPECT_NE(std::string::npos, run.log.find("\nextracting " + directory + "\\empty.txt (size: 0)\n")) << run.log;
    EXPECT_FALSE(emptyExists);
    EXPECT_EQ("after", after);
}

TEST_F(ExtractionTest, NoFilesMakeNoDirectory) {
    const std::string exe = build("");
    auto run = rig::runWineLogged(exe);
    EXPECT_EQ(83, run.result.exitCode);
    EXPECT_NE(std::string::npos, run.log.find("\nIncluded files: 0\n")) << run.log;
    EXPECT_EQ(std::string::npos, run.log.find("Temp dir: ")) << run.log;
    EXPECT_TRUE(newDirectories().empty());
}

// Entry 2002 announces a file, but no data follows the block: what follows
// (the end-of-block marker) reads as a size far beyond the end of the file.
TEST_F(ExtractionTest, ASizeBeyondTheDataLeftFailsWithCode16AndRemovesTheDirectory) {
    const std::string exe = build("[entries]\n2002 = \"1\"\n2003 = \"a.dll\"\n");
    auto run = rig::runWineLogged(exe);
    EXPECT_EQ(1, run.result.exitCode);
    EXPECT_EQ(0u, run.result.err.find("internal 16")) << run.result.err;
    const std::string directory = logged(run.log, "Temp dir: ");
    ASSERT_FALSE(directory.empty()) << run.log;
    EXPECT_NE(std::string::npos, run.log.find("\nERROR: ReadFile failed ")) << run.log;
    EXPECT_NE(std::string::npos, run.log.find("\nERROR: Failed to extract " + directory + "\\a.dll\n")) << run.log;
    EXPECT_FALSE(fs::exists(hostPathOfTemp(directory)));
    EXPECT_TRUE(newDirectories().empty());
}

// What the application is told: the extraction directory, the position after
// the last extracted file, and the extracted archives on its class path.
TEST_F(ExtractionTest, TheApplicationSeesTheDirectoryThePositionAndTheArchives) {
    const std::string bin = rig::layFakeRuntime(ws.file("jre"));
    ws.write("src/app.jar", binary(3000, 3));
    ws.write("src/more.zip", binary(100, 4));
    ws.write("src/other.jar", binary(10, 5));
    const std::string exe = build("[java]\nsearch-sequence = \"B.\\\\jre\"\n"
                                  "[[files]]\nsource = \"src/app.jar\"\n"
                                  "[[files]]\nsource = \"src/more.zip\"\nname = \"user\\\\more.zip\"\n"
                                  "[[files]]\nsource = \"src/other.jar\"\nname = \"lib\\\\other.jar\"\n");
    std::ofstream(bin + "/server/fakejre.ini") << rig::waitInMainLine(bin + "/server");
    std::string appJar;
    auto run = runLoggedWhileRunning(exe, [&](const std::string& host) { appJar = rig::readFile(host + "/app.jar"); });
    EXPECT_EQ(0, run.result.exitCode) << run.result.err;
    const std::string directory = logged(run.log, "Temp dir: ");
    ASSERT_FALSE(directory.empty()) << run.log;
    std::map<std::string, std::string> properties;
    for (const std::string& call : rig::fakeCalls(bin + "/server")) {
        const size_t at = call.find(": -D");
        if (call.rfind("option ", 0) != 0 || at == std::string::npos) continue;
        const std::string option = call.substr(at + 4);
        properties[option.substr(0, option.find('='))] = option.substr(option.find('=') + 1);
    }
    EXPECT_EQ(directory, properties["qarvo.tempDir"]);
    EXPECT_EQ(std::to_string(fs::file_size(exe)), properties["qarvo.unextractedPosition"]);
    EXPECT_EQ(directory + "\\app.jar;" + directory + "\\user\\more.zip", properties["java.class.path"]);
    EXPECT_EQ(binary(3000, 3), appJar);
}

// The application's only archive is inside the executable: extracted, it is
// what the host's real JVM runs (through the fake jvm.dll's bridge).
TEST_F(ExtractionTest, AnIncludedArchiveIsWhatTheApplicationRunsFrom) {
    const fs::path example = fs::path(rig::distDirectory()).parent_path() / "examples" / "hello";
    auto javac = rig::run({"javac", "--release", "8", "-d", ws.file("classes"),
                           (example / "src" / "hello" / "Main.java").string()});
    ASSERT_EQ(0, javac.exitCode) << javac.err;
    fs::create_directories(ws.file("src"));
    ASSERT_EQ(0, rig::run({"jar", "cf", ws.file("src/hello.jar"), "-C", ws.file("classes"), "."}).exitCode);
    const std::string bin = rig::layFakeRuntime(ws.file("jre"));
    auto java = rig::run({"sh", "-c", "readlink -f \"$(command -v java)\""});
    std::ofstream(bin + "/server/fakejre.ini") << "main=bridge\nbridge=" << rig::distDirectory()
                                               << "/testing/fakejre/bridge\njava=" << java.out;
    auto built = rig::buildProject(ws, R"toml(
[build]
archive-cache = false
[application]
name = "Hello"
type = 2
main-class = "hello.Main"
product-kind = "q"
[java]
search-sequence = "B.\\jre"
[runtime]
jar = "beside"
[[files]]
source = "src/hello.jar"
)toml",
                                   "hello.exe");
    ASSERT_EQ(0, built.exitCode) << built.err;
    rig::RunOptions options = rig::withArgs({"included"});
    options.env["LC_ALL"] = "C.UTF-8";
    options.timeoutSeconds = 180;
    auto run = rig::runWine(ws.file("hello.exe"), options);
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("argument 0: included\n")) << run.out << run.err;
    // The bridge hands the host JVM the class path as host paths.
    EXPECT_NE(std::string::npos, run.out.find("_dir/hello.jar:")) << run.out;
}

// A jar built as Maven builds it names its libraries in its manifest
// (Class-Path: lib/dep.jar), relative to where it lies; with the builder's
// defaults the application still finds them.
TEST_F(ExtractionTest, AJarsManifestClassPathFindsTheIncludedLibraries) {
    ws.write("src/app/Main.java", "package app; public class Main { public static void main(String[] a) {"
                                  " System.out.println(dep.Dep.greeting()); } }\n");
    ws.write("src/dep/Dep.java", "package dep; public class Dep { public static String greeting() { return \"from dep\"; } }\n");
    ws.write("manifest.txt", "Class-Path: lib/dep.jar\n");
    auto javac = rig::run({"javac", "--release", "8", "-d", ws.file("classes"), ws.file("src/app/Main.java"),
                           ws.file("src/dep/Dep.java")});
    ASSERT_EQ(0, javac.exitCode) << javac.err;
    ASSERT_EQ(0, rig::run({"jar", "cfm", ws.file("app.jar"), ws.file("manifest.txt"), "-C", ws.file("classes"), "app"})
                     .exitCode);
    ASSERT_EQ(0, rig::run({"jar", "cf", ws.file("dep.jar"), "-C", ws.file("classes"), "dep"}).exitCode);
    const std::string bin = rig::layFakeRuntime(ws.file("jre"));
    auto java = rig::run({"sh", "-c", "readlink -f \"$(command -v java)\""});
    std::ofstream(bin + "/server/fakejre.ini") << "main=bridge\nbridge=" << rig::distDirectory()
                                               << "/testing/fakejre/bridge\njava=" << java.out;
    const std::string project = R"toml(
[application]
name = "Deps"
type = 2
main-class = "app.Main"
product-kind = "q"
[java]
search-sequence = "B.\\jre"
user-options-folder = "QarvoManifestTest"
[[files]]
source = "app.jar"
[[files]]
source = "dep.jar"
name = "lib\\dep.jar"
)toml";
    auto built = rig::buildProject(ws, project, "deps.exe");
    ASSERT_EQ(0, built.exitCode) << built.err;
    rig::RunOptions options;
    options.env["LC_ALL"] = "C.UTF-8";
    options.timeoutSeconds = 180;
    auto run = rig::runWine(ws.file("deps.exe"), options);
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("from dep\n")) << run.out << run.err;
    // Asked to cache it all the same, the builder says what that breaks.
    const std::string line = "source = \"app.jar\"\n";
    std::string cachedProject = project;
    cachedProject.replace(cachedProject.find(line), line.size(), line + "cache = true\n");
    auto cached = rig::buildProject(ws, cachedProject, "cached.exe");
    EXPECT_EQ(0, cached.exitCode) << cached.err;
    EXPECT_NE(std::string::npos, cached.err.find("warning: ")) << cached.err;
    EXPECT_NE(std::string::npos, cached.err.find("not beside its cached copy")) << cached.err;
    fs::remove_all(fs::path(rig::wineTempDirectory()).parent_path() / "AppData" / "Local" / "QarvoManifestTest");
}

struct UnsafeName {
    const char* name;
    const char* entry;  // TOML basic string
    int count = 1;
};

class UnsafeNameTest : public ExtractionTest, public ::testing::WithParamInterface<UnsafeName> {};

// The builder refuses such names; an executable written otherwise must not
// make the launcher write outside its directory.
TEST_P(UnsafeNameTest, IsRefusedWithCode11BeforeAnythingIsWritten) {
    const std::string exe = build("[entries]\n2002 = \"" + std::to_string(GetParam().count) + "\"\n2003 = \"" +
                                  GetParam().entry + "\"\n");
    auto run = rig::runWineLogged(exe);
    EXPECT_EQ(1, run.result.exitCode);
    EXPECT_EQ(0u, run.result.err.find("internal 11")) << run.result.err;
    EXPECT_NE(std::string::npos, run.log.find("\nERROR: refusing included file name ")) << run.log;
    EXPECT_EQ(std::string::npos, run.log.find("Temp dir: ")) << run.log;
    EXPECT_TRUE(newDirectories().empty());
    for (const std::string& place : {rig::wineTempDirectory(), fs::path(rig::wineTempDirectory()).parent_path().string(),
                                     rig::winePrefix() + "/drive_c", ws.path()})
        EXPECT_FALSE(fs::exists(place + "/evil.dll")) << place;
}

INSTANTIATE_TEST_SUITE_P(Names, UnsafeNameTest,
                         ::testing::Values(UnsafeName{"parent", "..\\\\evil.dll"},
                                           UnsafeName{"parentAfterDirectory", "lib\\\\..\\\\..\\\\evil.dll"},
                                           UnsafeName{"forwardSlashes", "../evil.dll"},
                                           UnsafeName{"absolute", "C:\\\\evil.dll"},
                                           UnsafeName{"rooted", "\\\\evil.dll"},
                                           UnsafeName{"driveRelative", "C:evil.dll"},
                                           UnsafeName{"safeFirstThenUnsafe", "a.dll;..\\\\evil.dll", 2}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
