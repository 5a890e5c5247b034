#include "jvm/packed.h"

#include <cstdio>

#include "files/fileutil.h"
#include "jvm/search_rules.h"
#include "log/diaglog.h"
#include "platform/handle.h"

bool preparePackedRuntime(const std::string& runtimeDirectory) {
    if (!fileExists(runtimeDirectory + "\\lib\\rt.jar.pack") || fileExists(runtimeDirectory + "\\lib\\jsse.jar"))
        return true;
    logInfo("Unpacking JRE");
    std::fputs("Preparing JRE ...\n", stdout);
    std::fflush(stdout);
    for (const std::string& archive : packedArchives())
        if (!unpackArchive(runtimeDirectory, archive)) return false;
    logInfo("Unpacking JRE done");
    return true;
}

bool unpackArchive(const std::string& runtimeDirectory, const std::string& archive) {
    return runUnpack200(runtimeDirectory, runtimeDirectory + "\\" + archive + ".pack");
}

bool runUnpack200(const std::string& runtimeDirectory, const std::string& packFile) {
    if (!fileExists(packFile)) {
        logInfo("pack path doesn't exists");
        return true;
    }
    const std::string tool = runtimeDirectory + "\\bin\\unpack200.exe";
    std::string arguments = unpackArguments(packFile);
    logInfo("%s", tool.c_str());
    logInfo("%s", arguments.c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(tool.c_str(), arguments.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                        nullptr, &startup, &process)) {
        logInfo("could not create unpack process");
        return false;
    }
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    logInfo("waiting for unpack200 to finish");
    WaitForSingleObject(processHandle.get(), INFINITE);
    logInfo("unpack done");
    return true;
}
