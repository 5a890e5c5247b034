// File utilities on real directories under Wine.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "files/fileutil.h"
#include "platform/win32.h"

namespace {

std::string freshDirectory(const char* name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string dir = std::string(temp) + name + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

void touch(const std::string& path, const char* content = "x") { std::ofstream(path) << content; }

}  // namespace

TEST(ExecutablePath, NamesThisTestProgram) {
    const std::string& path = executablePath();
    ASSERT_GE(path.size(), 4u);
    EXPECT_EQ(0, _stricmp(path.substr(path.size() - 4).c_str(), ".exe"));
    EXPECT_TRUE(fileExists(path));
    const std::string& dir = executableDirectory();
    EXPECT_EQ('\\', dir.back());
    EXPECT_EQ(0, path.compare(0, dir.size(), dir));
}

TEST(FileExists, DriveRootsCountWithoutASearch) {
    for (const char* root : {"C:\\", "c:\\.", "Q:\\.\\."}) EXPECT_TRUE(fileExists(root)) << root;
    EXPECT_FALSE(fileExists("C:\\no-such-directory-here\\x"));
}

TEST(ListFiles, MatchesTheExtensionWithOrWithoutDot) {
    const std::string dir = freshDirectory("qvo_list_");
    touch(dir + "\\a.jar");
    touch(dir + "\\b.jar");
    touch(dir + "\\c.txt");
    for (const char* ext : {"jar", ".jar"}) {
        auto names = listFiles(dir, ext);
        ASSERT_EQ(2u, names.size()) << ext;
        EXPECT_NE(names[0], names[1]);
        for (const auto& n : names) EXPECT_TRUE(n == "a.jar" || n == "b.jar") << n;
    }
    EXPECT_TRUE(listFiles(dir, "zip").empty());
}

TEST(EmptyDirectory, RemovesFilesAndEmptySubdirectoriesOnly) {
    const std::string dir = freshDirectory("qvo_empty_");
    touch(dir + "\\f1");
    CreateDirectoryA((dir + "\\emptysub").c_str(), nullptr);
    CreateDirectoryA((dir + "\\fullsub").c_str(), nullptr);
    touch(dir + "\\fullsub\\inner");
    emptyDirectory(dir);
    EXPECT_FALSE(fileExists(dir + "\\f1"));
    EXPECT_FALSE(fileExists(dir + "\\emptysub"));
    EXPECT_TRUE(fileExists(dir + "\\fullsub\\inner"));
    EXPECT_TRUE(fileExists(dir));
}

TEST(EmptyDirectory, IgnoresRelativeDotNames) {
    const std::string dir = freshDirectory("qvo_dot_");
    touch(dir + "\\keep");
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(dir.c_str());
    emptyDirectory(".");
    emptyDirectory("");
    SetCurrentDirectoryA(previous);
    EXPECT_TRUE(fileExists(dir + "\\keep"));
}

// The platform's function and the shell emulation for systems without it.
using LongName = size_t (*)(const std::string&, std::string&);
class LongPathNameTest : public ::testing::TestWithParam<LongName> {};

TEST_P(LongPathNameTest, ExpandsShortNames) {
    const std::string dir = freshDirectory("qvo_long_directory_name_");
    char shortName[MAX_PATH];
    ASSERT_NE(0u, GetShortPathNameA(dir.c_str(), shortName, MAX_PATH));
    std::string longName;
    ASSERT_NE(0u, GetParam()(shortName, longName));
    EXPECT_EQ(0, _stricmp(dir.c_str(), longName.c_str())) << shortName << " -> " << longName;
    EXPECT_EQ(0u, GetParam()("C:\\no-such-dir-qvo\\x", longName));
}

INSTANTIATE_TEST_SUITE_P(Ways, LongPathNameTest, ::testing::Values(&longPathName, &emulatedLongPathName),
                         [](const auto& info) { return info.index == 0 ? "platform" : "shellEmulation"; });

TEST(FindFileTime, ReportsTheLastWriteTime) {
    const std::string dir = freshDirectory("qvo_time_");
    touch(dir + "\\t");
    uint64_t time = 0;
    EXPECT_TRUE(findFileTime(dir + "\\t", &time));
    EXPECT_NE(0u, time);
    EXPECT_FALSE(findFileTime(dir + "\\missing", &time));
}
