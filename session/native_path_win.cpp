// The native library directories (entry 10004) in front of the PATH.
#include <cstdlib>
#include <string>

#include "files/fileutil.h"
#include "log/diaglog.h"
#include "platform/win_text.h"
#include "session/native_path.h"

void addNativeLibraryPath(std::string directories, void (*expand)(std::string& text)) {
    logInfo("native lib dir is %s", directories.c_str());
    expand(directories);
    std::string oldPath;
    const bool hasPath = environmentVariable("PATH", oldPath);
    const std::string value = nativeLibraryPathValue(expandPathList(directories), hasPath ? &oldPath : nullptr);
    if (SetEnvironmentVariableA("PATH", value.c_str()))
        logInfo("Setting PATH (native libs) %s", value.c_str());
    else
        logInfo("Setting PATH (native libs) %s failed with error %lu", value.c_str(), GetLastError());
    _putenv(("PATH=" + value).c_str());
}
