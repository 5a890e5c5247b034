#include "files/user_data.h"

#include "files/fileutil.h"
#include "platform/win32.h"
#include "platform/win_text.h"

std::string executableStem() {
    const std::string& path = executableLongPath();
    std::string name = path.substr(path.find_last_of("\\/") + 1);
    if (name.size() > 4 && _stricmp(name.c_str() + name.size() - 4, ".exe") == 0) name.resize(name.size() - 4);
    return name;
}

std::string userDataFolder(const std::string& folder, const char* leaf) {
    std::string localData;
    environmentVariable("LOCALAPPDATA", localData);
    if (localData.empty()) return std::string();
    return localData + "\\" + (folder.empty() ? executableStem() : folder) + "\\" + leaf;
}

bool makeDirectories(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const size_t slash = path.find_last_of("\\/");
    if (slash != std::string::npos && slash > 2) makeDirectories(path.substr(0, slash));
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

uint64_t fileTimeNow() {
    FILETIME time;
    GetSystemTimeAsFileTime(&time);
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}
