// Temporary directories under Wine: the platform's path, its fallbacks and
// the names made in it.
#include <gtest/gtest.h>

#include <string>

#include "files/fileutil.h"
#include "files/tempdir.h"
#include "platform/win32.h"

namespace {

// Sets TMP and TEMP for one test and restores them after it.
class TempVariables {
public:
    TempVariables() {
        for (int i = 0; i < 2; ++i) {
            wchar_t buffer[32768];
            DWORD n = GetEnvironmentVariableW(kNames[i], buffer, 32768);
            saved_[i] = n ? std::wstring(buffer, n) : std::wstring();
            had_[i] = n != 0;
        }
    }
    ~TempVariables() {
        for (int i = 0; i < 2; ++i) SetEnvironmentVariableW(kNames[i], had_[i] ? saved_[i].c_str() : nullptr);
    }
    void set(const std::wstring& value) {
        for (const wchar_t* name : kNames) SetEnvironmentVariableW(name, value.c_str());
    }

private:
    static constexpr const wchar_t* kNames[2] = {L"TMP", L"TEMP"};
    std::wstring saved_[2];
    bool had_[2];
};

std::string platformTempPath() {
    char buffer[MAX_PATH + 1];
    GetTempPathA(MAX_PATH + 1, buffer);
    return buffer;
}

std::string windowsTemp() {
    char buffer[MAX_PATH];
    GetWindowsDirectoryA(buffer, MAX_PATH);
    return std::string(buffer) + "\\temp";
}

TEST(TempDirectory, IsThePlatformsPathAndIsCreatedWhenMissing) {
    TempVariables vars;
    const std::string missing = platformTempPath() + "qvo_missing_" + std::to_string(GetCurrentProcessId()) + "\\";
    vars.set(std::wstring(missing.begin(), missing.end()));
    EXPECT_EQ(missing, tempDirectory());
    EXPECT_TRUE(fileExists(missing.substr(0, missing.size() - 1)));
    RemoveDirectoryA(missing.c_str());
}

TEST(TempDirectory, APathOutsideTheAnsiCodePageFallsBackToTheWindowsTemp) {
    TempVariables vars;
    CreateDirectoryA(windowsTemp().c_str(), nullptr);
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    const std::wstring unicode = std::wstring(base) + L"qvo_\u65e5\u672c";
    CreateDirectoryW(unicode.c_str(), nullptr);
    // Given as it is, and in its short form, which the ANSI code page can
    // spell but whose long form it cannot.
    wchar_t shortForm[MAX_PATH];
    ASSERT_NE(0u, GetShortPathNameW(unicode.c_str(), shortForm, MAX_PATH));
    ASSERT_NE(std::wstring::npos, std::wstring(shortForm).find(L'~'));
    for (const std::wstring& path : {unicode, std::wstring(shortForm)}) {
        vars.set(path + L"\\");
        EXPECT_EQ(windowsTemp(), tempDirectory());
    }
    RemoveDirectoryW(unicode.c_str());
}

TEST(IsWritableDirectory, RemovesALeftoverTestDirectory) {
    const std::string dir = platformTempPath() + "qvo_w_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(dir.c_str(), nullptr);
    CreateDirectoryA((dir + "\\qvo_w_testdir").c_str(), nullptr);
    EXPECT_TRUE(isWritableDirectory(dir));
    EXPECT_FALSE(fileExists(dir + "\\qvo_w_testdir"));
    EXPECT_FALSE(isWritableDirectory(dir + "\\does-not-exist"));
    RemoveDirectoryA(dir.c_str());
}

TEST(CommunicationFileName, NamesTheProcess) {
    EXPECT_EQ(tempDirectory() + "qvo_p4242.tmp", communicationFileName(4242));
}

TEST(ExtractionDirectory, IsATempFileNameWithDirSuffix) {
    createExtractionDirectory();
    const std::string dir = extractionDirectory();
    ASSERT_GT(dir.size(), 4u);
    EXPECT_EQ("_dir", dir.substr(dir.size() - 4));
    const std::string file = dir.substr(0, dir.size() - 4);
    EXPECT_TRUE(fileExists(file));  // the empty file stays beside the directory
    EXPECT_TRUE(fileExists(dir));
    RemoveDirectoryA(dir.c_str());
    DeleteFileA(file.c_str());
    clearExtractionDirectory();
    EXPECT_TRUE(extractionDirectory().empty());
}

}  // namespace
