// The per-user archive cache under Wine: an included jar written once and
// used from there, written again when damaged, ten first starts at once, a
// cache that cannot be written, and a block whose digest does not match.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "tests/e2e/rig.h"

namespace fs = std::filesystem;

namespace {

std::string jarBytes() {
    std::string s(300000, '\0');
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>((i * 7919 + i / 1000) & 0xff);
    return s;
}

std::set<std::string> extractionDirectories() {
    std::set<std::string> out;
    for (const std::string& name : rig::tempFilesStartingWith("qvo"))
        if (name.size() > 8 && name.compare(name.size() - 8, 8, ".tmp_dir") == 0) out.insert(name);
    return out;
}

class ArchiveCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::string("ArchiveCache-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        local = (fs::path(rig::wineTempDirectory()).parent_path() / "AppData" / "Local" / folder).string();
        fs::remove_all(local);
        ws.write("app.jar", jarBytes());
        bin = rig::layFakeRuntime(ws.file("jre"));
        before = extractionDirectories();
    }
    void TearDown() override { fs::remove_all(local); }
    std::string build() {
        auto built = rig::buildProject(ws, "[application]\nname = \"Cache\"\ntype = 2\nmain-class = \"app.Main\"\n"
                                           "[java]\nsearch-sequence = \"B.\\\\jre\"\nuser-options-folder = \"" + folder +
                                           "\"\n[runtime]\njar = \"none\"\n[[files]]\nsource = \"app.jar\"\n",
                                       "app.exe");
        EXPECT_EQ(0, built.exitCode) << built.err;
        return ws.file("app.exe");
    }
    // The version folders of the cache, and the one file of each.
    std::vector<std::string> versions() const {
        std::vector<std::string> out;
        if (fs::is_directory(local + "/archives"))
            for (const auto& e : fs::directory_iterator(local + "/archives"))
                if (e.is_directory()) out.push_back(e.path().string());
        return out;
    }
    std::string cachedJar() const {
        const auto v = versions();
        return v.size() == 1 ? v[0] + "/app.jar" : std::string();
    }
    std::string classPath() const {
        for (const std::string& option : rig::withPrefix(rig::fakeCalls(bin + "/server"), "option "))
            if (option.rfind("-Djava.class.path=", 0) == 0) return option.substr(18);
        return "";
    }
    rig::RunResult start() {
        fs::remove(bin + "/server/fakejre-calls.log");
        return rig::runWine(ws.file("app.exe"));
    }
    std::string folder, local, bin;
    std::set<std::string> before;
    rig::Workspace ws;
};

TEST_F(ArchiveCacheTest, TwoStartsWriteOnceAndLeaveNothingInTemp) {
    build();
    auto first = start();
    ASSERT_EQ(0, first.exitCode) << first.err;
    const std::string jar = cachedJar();
    ASSERT_FALSE(jar.empty());
    EXPECT_EQ(jarBytes(), rig::readFile(jar));
    EXPECT_EQ(rig::lower(rig::windowsPath(jar)), rig::lower(classPath()));
    EXPECT_EQ(before, extractionDirectories());
    const auto written = fs::last_write_time(jar);
    auto second = start();
    EXPECT_EQ(0, second.exitCode) << second.err;
    EXPECT_EQ(written, fs::last_write_time(jar)) << "the second start wrote it again";
    EXPECT_EQ(rig::lower(rig::windowsPath(jar)), rig::lower(classPath()));
    EXPECT_EQ(before, extractionDirectories());
}

TEST_F(ArchiveCacheTest, ADamagedCopyIsWrittenAgain) {
    build();
    ASSERT_EQ(0, start().exitCode);
    const std::string jar = cachedJar();
    ASSERT_FALSE(jar.empty());
    fs::resize_file(jar, 1000);  // truncated
    EXPECT_EQ(0, start().exitCode);
    EXPECT_EQ(jarBytes(), rig::readFile(jar));
    std::ofstream(jar, std::ios::binary) << std::string(jarBytes().size(), 'x');  // replaced, same size
    EXPECT_EQ(0, start().exitCode);
    EXPECT_EQ(jarBytes(), rig::readFile(jar));
}

TEST_F(ArchiveCacheTest, TenFirstStartsAtOnceAllRunAndLeaveOneFile) {
    build();
    std::vector<rig::Process> starts;
    for (int i = 0; i < 10; ++i) starts.push_back(rig::startWine(ws.file("app.exe")));
    for (rig::Process& p : starts) EXPECT_EQ(0, rig::finish(p, 120).exitCode);
    const auto v = versions();
    ASSERT_EQ(1u, v.size());
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(v[0])) files.push_back(e.path().filename().string());
    ASSERT_EQ(2u, files.size()) << files[0];  // the jar and its marker, no temporary file
    EXPECT_EQ(jarBytes(), rig::readFile(v[0] + "/app.jar"));
    EXPECT_EQ(before, extractionDirectories());
}

TEST_F(ArchiveCacheTest, ACacheThatCannotBeWrittenFallsBackToExtraction) {
    build();
    fs::create_directories(fs::path(local).parent_path());
    std::ofstream(local) << "a file where the cache folder would be";
    auto run = start();
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_NE(std::string::npos, classPath().find(".tmp_dir\\app.jar")) << classPath();
    EXPECT_EQ(before, extractionDirectories()) << "the extraction directory goes at the end";
}

// A cache whose paths pass MAX_PATH (a folder name of 200 characters): the
// jar is written and used there through long paths, or extracted as before;
// the start succeeds either way.
TEST_F(ArchiveCacheTest, ACachePathLongerThanMaxPathStillStarts) {
    folder = std::string(200, 'f');
    local = (fs::path(rig::wineTempDirectory()).parent_path() / "AppData" / "Local" / folder).string();
    build();
    const auto run = start();
    EXPECT_EQ(0, run.exitCode) << run.err;
    const std::string path = classPath();
    const bool cached = path.find("\\" + folder + "\\archives\\") != std::string::npos;
    EXPECT_TRUE(cached || path.find(".tmp_dir\\app.jar") != std::string::npos) << path;
    if (cached) EXPECT_EQ(jarBytes(), rig::readFile(cachedJar()));
    EXPECT_EQ(before, extractionDirectories());
}

TEST_F(ArchiveCacheTest, AnIncludedFileThatDoesNotMatchItsDigestIsRefused) {
    std::string exe = rig::readFile(build());
    // The jar's last byte, scrambled, is the last byte of the executable.
    exe.back() = static_cast<char>(exe.back() ^ 1);
    std::ofstream(ws.file("app.exe"), std::ios::binary) << exe;
    auto run = start();
    EXPECT_EQ(1, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find("16")) << run.err;
    for (const std::string& version : versions()) EXPECT_TRUE(fs::is_empty(version)) << "a copy was kept";
    EXPECT_TRUE(classPath().empty()) << "the JVM was not started";
}

}  // namespace
