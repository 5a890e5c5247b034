#include "files/tempdir.h"

#include <cstdlib>
#include <ctime>

#include "files/fileutil.h"
#include "format/config_ids.h"
#include "log/diaglog.h"
#include "platform/outcome.h"
#include "platform/win32.h"
#include "platform/win_text.h"

namespace {

std::string& extraction() {
    static std::string directory;
    return directory;
}

std::string windowsDirectory() {
    std::string directory;
    fillGrowing(directory, [](char* b, DWORD n) { return GetWindowsDirectoryA(b, n); });
    return directory;
}

// The temporary path holds characters the ANSI code page cannot represent:
// the first writable of a few well-known places.
std::string fallbackTempDirectory() {
    const std::string windows = windowsDirectory();
    for (const std::string& candidate : {windows + "\\temp", std::string("c:\\temp"), std::string("c:\\tmp"), windows})
        if (isWritableDirectory(candidate)) return candidate;
    if (isWritableDirectory("c:\\")) {
        CreateDirectoryA("c:\\tmp", nullptr);
        if (isWritableDirectory("c:\\tmp")) return "c:\\tmp";
    }
    // Asked for deep inside the JVM search's probes too (java -version output): no caller can return from there.
    fatalEnd(endWithMessage(MessageId::PowerUserRequired));
}

}  // namespace

std::string tempDirectory() {
    std::string out;
    DWORD length = 0;
    fillGrowing(out, [&](char* b, DWORD n) { return length = GetTempPathA(n, b); });
    logInfo("GetTempPath returned %lu (last error %lu)", length, GetLastError());
    if (out.empty()) {
        std::string drive, path;
        environmentVariable("HOMEDRIVE", drive);
        environmentVariable("HOMEPATH", path);
        out = drive + path;
        logInfo("No temp dir defined. Using home %s", out.c_str());
    } else {
        logInfo("make dir returned %d", CreateDirectoryA(out.c_str(), nullptr));
    }
    std::string longForm;
    longPathName(out, longForm);
    // '?' is never part of a real path: the platform put it for a character
    // the ANSI code page lacks, in the path itself or in its long form.
    if (out.find('?') == std::string::npos && longForm.find('?') == std::string::npos) return out;
    return fallbackTempDirectory();
}

bool isWritableDirectory(const std::string& directory) {
    const std::string test = directory + "\\qvo_w_testdir";
    RemoveDirectoryA(test.c_str());
    if (!CreateDirectoryA(test.c_str(), nullptr)) return false;
    const bool found = fileExists(test);
    RemoveDirectoryA(test.c_str());
    return found;
}

std::string tempFileName() {
    const std::string directory = tempDirectory();
    logInfo("tempPath is %s", directory.c_str());
    std::string name(directory.size() + MAX_PATH + 16, '\0');
    if (GetTempFileNameA(directory.c_str(), "qvo", 0, name.data()) != 0) {
        name.resize(std::char_traits<char>::length(name.c_str()));
    } else {
        logInfo("GetTempFileName failed (last error %lu)", GetLastError());
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        name = directory + "qvo" + std::to_string(std::rand());
    }
    logInfo("tempFile is %s", name.c_str());
    return name;
}

std::string communicationFileName(unsigned long processId) {
    return tempDirectory() + "qvo_p" + std::to_string(processId) + ".tmp";
}

bool createExtractionDirectory() {
    for (int attempt = 0; attempt < 5; ++attempt) {
        extraction() = tempFileName() + "_dir";
        logInfo("Temp dir: %s", extraction().c_str());
        if (CreateDirectoryA(extraction().c_str(), nullptr)) return true;
        logInfo("Could not create dir (%lu)", GetLastError());
    }
    extraction().clear();
    return false;
}

const std::string& extractionDirectory() { return extraction(); }
void clearExtractionDirectory() { extraction().clear(); }
