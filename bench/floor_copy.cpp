// The floor of the extraction benchmark: the system's own copy of a file.
//   floor-copy-<arch>.exe <source> <target>
// Writes the milliseconds CopyFile took on standard output (and into
// <target>.ms, for runs where Wine gives a GUI program no output); exit code 0
// on success, 1 when the copy failed, 2 without arguments.
#include "platform/win32.h"

#include <shellapi.h>

#include <cstdio>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (args == nullptr || count < 3) return 2;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const BOOL copied = CopyFileW(args[1], args[2], FALSE);
    QueryPerformanceCounter(&end);
    if (!copied) return 1;
    const double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    const std::string text = std::to_string(ms) + "\n";
    const std::wstring report = std::wstring(args[2]) + L".ms";
    HANDLE out = CreateFileW(report.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (out != INVALID_HANDLE_VALUE) {
        WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(out);
    }
    std::fputs(text.c_str(), stdout);
    return 0;
}
