// The launcher's ahead-of-time cache and class-data archive on a real
// HotSpot behind the fake jvm.dll's bridge: recorded at the first start,
// made after it by a hidden helper and mapped at the next, the archive
// written and mapped after a failed cache, nothing the user sees when the
// cache folder cannot be written, and no option JDK 17 refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/e2e/rig.h"

namespace fs = std::filesystem;

namespace {

const char* const kApplication = R"(package cds;
public class Main {
    public static void main(String[] args) {
        java.util.List<String> names = new java.util.ArrayList<>(java.util.Map.of("b", 2, "a", 1).keySet());
        java.util.Collections.sort(names);
        System.out.println("sorted " + names + " " + String.join(" ", args));
        if (args.length == 2 && args[0].equals("exit")) System.exit(Integer.parseInt(args[1]));
    }
}
)";

const char* const kProject = R"([application]
name = "CdsApp"
type = 2
main-class = "cds.Main"
product-kind = "q"

[java]
class-path = [{ archive = "cds.jar", mandatory = true }]
options-from-arguments = true
user-options-folder = "FOLDER"

[runtime]
jar = "beside"
)";

class ClassDataSharingTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        jdk = rig::bridgeJdk(GetParam());
        if (jdk.empty()) GTEST_SKIP() << "no JDK " << GetParam() << " on this machine";
        ws.write("src/cds/Main.java", kApplication);
        buildJar();
        rig::FakeRuntimeOptions runtime;
        runtime.banner = {GetParam() == "25" ? "openjdk version \"25.0.3\" 2026-04-21" : "openjdk version \"17.0.15\" 2025-04-15"};
        rig::layBridgedRuntime(ws.file("jre"), jdk, runtime);
        // A folder of this test's own under the prefix's %LOCALAPPDATA%.
        folder = "QarvoCds" + GetParam() + std::to_string(::getpid());
        cache = (fs::path(rig::wineTempDirectory()).parent_path() / "AppData" / "Local" / folder / "cds").string();
        fs::remove_all(fs::path(cache).parent_path());
        std::string text = kProject;
        text.replace(text.find("FOLDER"), 6, folder);
        ASSERT_EQ(0, rig::buildProject(ws, text, "app.exe").exitCode);
    }
    void TearDown() override {
        if (!cache.empty()) fs::remove_all(fs::path(cache).parent_path());
    }
    void buildJar(const std::string& extra = "") {
        fs::create_directories(ws.file("classes"));
        if (!extra.empty()) ws.write("classes/cds/extra.txt", extra);
        auto javac = rig::run({"javac", "--release", "11", "-d", ws.file("classes"), ws.file("src/cds/Main.java")});
        ASSERT_EQ(0, javac.exitCode) << javac.err;
        fs::remove(ws.file("cds.jar"));
        ASSERT_EQ(0, rig::run({"jar", "cf", ws.file("cds.jar"), "-C", ws.file("classes"), "."}).exitCode);
    }
    rig::LoggedRun launch(std::vector<std::string> args = {}) {
        rig::RunOptions options = rig::bridgedRunOptions(ws.file("jre"), std::move(args));
        return rig::runWineLogged(ws.file("app.exe"), options);
    }
    // The cache's making in the background has ended: none of its temporary files is left.
    void awaitHelper() const {
        for (int i = 0; i < 1200 && !(cached(".tmp").empty() && (!cached(".aot").empty() || !cached(".aot-failed").empty())); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    // How often the runtime's java.exe was asked to make a cache.
    size_t cacheCreations() {
        std::istringstream calls(rig::readFile(ws.file("jre/bin/fakejre-calls.log")));
        size_t count = 0;
        for (std::string line; std::getline(calls, line);)
            count += line.rfind("java \"", 0) == 0 && line.find(" -XX:AOTMode=create ") != std::string::npos;
        return count;
    }
    // The names in the cache folder ending in suffix.
    std::vector<std::string> cached(const std::string& suffix) const {
        std::vector<std::string> names;
        if (fs::is_directory(cache))
            for (const auto& entry : fs::directory_iterator(cache)) {
                const std::string name = entry.path().filename().string();
                if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                    names.push_back(name);
            }
        return names;
    }
    std::string jdk, folder, cache;
    rig::Workspace ws;
};

const char* const kOutput = "sorted [a, b] exit 3\n";

TEST_P(ClassDataSharingTest, TheCacheIsRecordedMadeAfterTheFirstStartAndMappedTheArchiveAfterAFailure) {
    if (GetParam() != "25") GTEST_SKIP() << "the cache needs Java 25 or newer";
    // The first start records; the launcher's hidden helper makes the cache after it.
    auto first = launch({"exit", "3"});
    EXPECT_EQ(3, first.result.exitCode) << first.result.err << first.log;
    EXPECT_EQ(kOutput, first.result.out);
    EXPECT_EQ("", first.result.err);
    awaitHelper();
    const std::vector<std::string> caches = cached(".aot");
    ASSERT_EQ(1u, caches.size()) << first.log;
    EXPECT_EQ(0u, caches[0].find("app-25.0.3-")) << caches[0];
    EXPECT_TRUE(cached(".tmp").empty());
    EXPECT_TRUE(cached(".aot-failed").empty());
    EXPECT_EQ(1u, cacheCreations());

    // The second maps it, as HotSpot's own report says, and starts nothing.
    auto second = launch({"-J-Xlog:aot=info", "exit", "3"});
    EXPECT_EQ(3, second.result.exitCode) << second.result.err;
    EXPECT_NE(std::string::npos, second.result.out.find("Opened AOT cache ")) << second.result.out;
    EXPECT_NE(std::string::npos, second.result.out.find("/cds/" + caches[0])) << second.result.out;
    auto third = launch({"exit", "3"});
    EXPECT_EQ(3, third.result.exitCode);
    EXPECT_EQ(kOutput, third.result.out);
    EXPECT_EQ("", third.result.err);
    EXPECT_EQ(1u, cacheCreations());

    // After a failure the dynamic archive takes over: written at an exit, mapped at the next start.
    const fs::path cache = fs::path(this->cache) / caches[0];
    fs::rename(cache, fs::path(cache.string() + "-failed"));
    auto fourth = launch();
    EXPECT_EQ(0, fourth.result.exitCode) << fourth.result.err;
    EXPECT_EQ("sorted [a, b] \n", fourth.result.out);
    EXPECT_EQ("", fourth.result.err);
    ASSERT_EQ(1u, cached(".jsa").size()) << fourth.log;
    auto fifth = launch({"-J-Xlog:cds=info", "exit", "3"});
    EXPECT_EQ(3, fifth.result.exitCode) << fifth.result.err;
    EXPECT_NE(std::string::npos, fifth.result.out.find("Mapped dynamic region")) << fifth.result.out;
    EXPECT_EQ(1u, cacheCreations());
}

TEST_P(ClassDataSharingTest, AnUnwritableCacheFolderOrJdk17ChangesNothingTheUserSees) {
    // A file where the folder would be: no folder can be made there.
    fs::create_directories(fs::path(cache).parent_path());
    std::ofstream(cache) << "in the way";
    auto run = launch({"exit", "3"});
    EXPECT_EQ(3, run.result.exitCode) << run.result.err << run.log;
    EXPECT_EQ(kOutput, run.result.out);
    EXPECT_EQ("", run.result.err);
    const std::string why = GetParam() == "25" ? "class-data sharing: none (cannot write to "
                                               : "class-data sharing: none (the runtime is older than 19)";
    EXPECT_NE(std::string::npos, run.log.find(why)) << run.log;
    EXPECT_EQ(std::string::npos, run.log.find("SharedArchive")) << run.log;
}

INSTANTIATE_TEST_SUITE_P(Jdk, ClassDataSharingTest, ::testing::Values("17", "25"));

}  // namespace
