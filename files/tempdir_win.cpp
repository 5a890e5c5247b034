#include "files/tempdir.h"

#include <atomic>
#include <cstdlib>

#include "files/fileutil.h"
#include "files/leftovers.h"
#include "format/config_ids.h"
#include "log/diaglog.h"
#include "platform/handle.h"
#include "platform/outcome.h"
#include "platform/win32.h"
#include "platform/win_text.h"

namespace {

// The extraction directory, the temporary directory it was made in and its
// owner file, held without sharing while the process runs.
struct Extraction {
    std::string directory;
    std::string temp;
    std::string ownerName;
    UniqueFile owner;
};

Extraction& current() {
    static Extraction extraction;
    return extraction;
}

std::string& extraction() { return current().directory; }

std::atomic<bool> removed{false};
HANDLE sweepThread = nullptr;

// Nobody else can open it while we hold it; closing it deletes it, and so
// does the end of the process, however it ends.
UniqueFile takeOwnerFile(const std::string& path, DWORD disposition) {
    return UniqueFile(CreateFileA(path.c_str(), GENERIC_READ | DELETE, 0, nullptr, disposition,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
}

uint64_t uniqueNumber() {
    static std::atomic<unsigned long> counter{0};
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return mixUnique(static_cast<uint64_t>(now.QuadPart), GetCurrentProcessId(),
                     GetTickCount64() ^ (static_cast<uint64_t>(++counter) << 32) ^ reinterpret_cast<uintptr_t>(&now));
}

// Removes what can be removed below path and then path itself; never follows
// a link out of it.
void removeTree(const std::string& path, int depth) {
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileA((path + "\\*").c_str(), &data));
    if (find) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            const std::string full = path + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                SetFileAttributesA(full.c_str(), data.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
            const DWORD attributes = data.dwFileAttributes;
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) && depth < 64)
                removeTree(full, depth + 1);
            else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryA(full.c_str());
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(find.get(), &data));
    }
    find.reset();
    RemoveDirectoryA(path.c_str());
}

class TempPlace final : public SweepPlace {
public:
    explicit TempPlace(std::string temp) : temp_(std::move(temp)) {}
    std::vector<TempEntry> list() override {
        std::vector<TempEntry> entries;
        WIN32_FIND_DATAA data;
        UniqueFind find(FindFirstFileA((temp_ + "qvo*").c_str(), &data));
        if (!find) return entries;
        do {
            entries.push_back({data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
        } while (FindNextFileA(find.get(), &data));
        return entries;
    }
    bool take(const std::string& ownerFile) override {
        taken_ = takeOwnerFile(temp_ + ownerFile, OPEN_ALWAYS);
        return static_cast<bool>(taken_);
    }
    void removeTree(const std::string& directory) override {
        logInfo("removing leftover %s%s", temp_.c_str(), directory.c_str());
        ::removeTree(temp_ + directory, 0);
    }
    void release(const std::string&) override { taken_.reset(); }

private:
    std::string temp_;
    UniqueFile taken_;
};

DWORD WINAPI sweepLeftoversInBackground(LPVOID parameter) {
    std::string* temp = static_cast<std::string*>(parameter);
    TempPlace place(*temp);
    sweepLeftovers(place, current().ownerName);
    delete temp;
    return 0;
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
    // A name the system shortened has a '~' (C:\Users\5B0F~1\...): only
    // then can the long form differ from the path itself.
    std::string longForm;
    if (out.find('~') != std::string::npos) longPathName(out, longForm);
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

std::string communicationFileName(unsigned long processId) {
    return tempDirectory() + "qvo_p" + std::to_string(processId) + ".tmp";
}

// The owner file is taken first and the directory made second: a sweeper
// that finds the directory finds its owner file held.
bool createExtractionDirectory() {
    Extraction& made = current();
    made.temp = tempDirectory();
    logInfo("tempPath is %s", made.temp.c_str());
    if (!made.temp.empty() && made.temp.back() != '\\') made.temp += '\\';
    // A name in use (by a process of ours, another program or a user) costs
    // a new name, not an attempt: 64 bits do not run out.
    int failures = 0;
    for (int tries = 0; failures < 5 && tries < 1000; ++tries) {
        made.ownerName = ownerFileName(uniqueNumber());
        const std::string name = made.temp + made.ownerName;
        made.owner = takeOwnerFile(name, CREATE_NEW);
        if (!made.owner) {
            const DWORD error = GetLastError();
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) ++failures;
            continue;
        }
        logInfo("tempFile is %s", name.c_str());
        made.directory = name + "_dir";
        logInfo("Temp dir: %s", made.directory.c_str());
        if (CreateDirectoryA(made.directory.c_str(), nullptr)) return true;
        const DWORD error = GetLastError();
        logInfo("Could not create dir (%lu)", error);
        made.owner.reset();
        if (error != ERROR_ALREADY_EXISTS) ++failures;
    }
    made.directory.clear();
    made.ownerName.clear();
    return false;
}

const std::string& extractionDirectory() { return extraction(); }
void clearExtractionDirectory() { extraction().clear(); }

void removeExtractionDirectory() {
    Extraction& made = current();
    if (!made.owner || removed.exchange(true)) return;
    removeTree(made.directory, 0);
    // Files the application still holds keep the directory; its owner file
    // goes when the process ends, and a later start sweeps the rest.
    if (GetFileAttributesA(made.directory.c_str()) == INVALID_FILE_ATTRIBUTES) made.owner.reset();
}

void startLeftoverSweep() {
    Extraction& made = current();
    std::string temp = made.temp;
    if (temp.empty()) fillGrowing(temp, [](char* b, DWORD n) { return GetTempPathA(n, b); });
    if (temp.empty()) return;
    if (temp.back() != '\\') temp += '\\';
    sweepThread = CreateThread(nullptr, 0, sweepLeftoversInBackground, new std::string(temp), 0, nullptr);
}

void awaitLeftoverSweep(unsigned long milliseconds) {
    if (sweepThread != nullptr) WaitForSingleObject(sweepThread, milliseconds);
}

void leaveNothingBehind() {
    removeExtractionDirectory();
    awaitLeftoverSweep(50);
}
