// Fake splashscreen.dll of a Java runtime: records how the launcher calls its
// three entry points and keeps the image bytes it was handed in
// splash-received.bin beside itself. SplashLoadMemory returns the value of
// "splash_load_result" in fakejre.ini (default 1).
#include "testing/fakejre/fake_common.h"

#include <cstdlib>
#include <fstream>
#include <filesystem>
#include <string>

namespace {

HMODULE self = nullptr;

void record(const std::wstring& line) { fakejre::recordCall(fakejre::moduleDirectory(self), line); }

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        record(L"splashscreen.dll loaded");
    }
    return TRUE;
}

extern "C" __declspec(dllexport) void SplashInit() { record(L"SplashInit"); }

extern "C" __declspec(dllexport) int SplashLoadMemory(void* data, int size) {
    record(L"SplashLoadMemory " + std::to_wstring(size));
    const std::wstring directory = fakejre::moduleDirectory(self);
    std::ofstream out(std::filesystem::path(directory + L"splash-received.bin"), std::ios::binary);
    if (data != nullptr && size > 0) out.write(static_cast<const char*>(data), size);
    return std::atoi(fakejre::scriptValue(directory, "splash_load_result", "1").c_str());
}

extern "C" __declspec(dllexport) void SplashClose() { record(L"SplashClose"); }
