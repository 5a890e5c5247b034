// Fake unpack200.exe: records its command line and writes the target file it
// is asked for ("-r <pack> <target>"), holding the name of the pack file.
#include "testing/fakejre/fake_common.h"

#include <shellapi.h>

#include <filesystem>
#include <fstream>

int main() {
    fakejre::recordCall(fakejre::moduleDirectory(), L"unpack200 " + std::wstring(GetCommandLineW()));
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    // The tool is started with the argument text alone as its command line.
    if (args == nullptr || count < 3) return 2;
    const std::wstring pack = args[count - 2];
    const std::wstring target = args[count - 1];
    std::ofstream out(std::filesystem::path(target), std::ios::binary);
    out << "unpacked from " << std::string(pack.begin(), pack.end());
    return out ? 0 : 1;
}
