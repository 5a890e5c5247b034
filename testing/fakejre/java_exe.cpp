// Fake java.exe: prints the banner its script gives on standard error (as a
// real runtime does for -version), then waits or hangs and exits with the
// scripted code. Script lines in fakejre.ini beside it:
//   banner=<line>     (repeatable; default: openjdk version "17.0.15" 2025-04-15)
//   exit=<code>       (default 0)
//   delay_ms=<ms>     (wait before exiting)
//   hang=1            (never exit)
#include "testing/fakejre/fake_common.h"

#include <cstdio>
#include <cstdlib>

int main() {
    const std::wstring directory = fakejre::moduleDirectory();
    fakejre::recordCall(directory, L"java " + std::wstring(GetCommandLineW()));
    std::string banner = fakejre::scriptValues(directory, "banner");
    if (banner.empty()) banner = "openjdk version \"17.0.15\" 2025-04-15\nOpenJDK Runtime Environment (fake)\n";
    std::fputs(banner.c_str(), stderr);
    std::fflush(stderr);
    if (fakejre::scriptValue(directory, "hang", "0") == "1")
        for (;;) Sleep(1000);
    Sleep(static_cast<DWORD>(std::atoi(fakejre::scriptValue(directory, "delay_ms", "0").c_str())));
    return std::atoi(fakejre::scriptValue(directory, "exit", "0").c_str());
}
