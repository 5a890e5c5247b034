#include "files/own_executable.h"

#include <string>

#include "files/fileutil.h"
#include "log/diaglog.h"

UniqueFile openOwnExecutable() {
    const std::string& path = executablePath();
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) logError("Could not open %s", path.c_str());
    return file;
}

LaunchEnd ownExecutableUnreadable() {
    return endWithText("Error opening media file. Please move this file to an ascii-only path like c:\\");
}
