// The floor of the start benchmark: a program that does nothing but load a
// jvm.dll and enter its JNI_CreateJavaVM, as a launcher could at best. Like
// any launcher it first puts the runtime's bin directory (the parent of the
// jvm.dll's directory) in front of PATH, where the jvm.dll finds the DLLs it
// depends on.
//   floor-jvm-<arch>.exe <path of jvm.dll>
// Exit code: what JNI_CreateJavaVM returned, 90 when the library or its entry
// point is missing, 91 without an argument.
// Built a second time as floor-jvm-gui (FLOOR_GUI): with the launcher's
// resources (its manifest asks for the version 6 common controls) and its first
// call, InitCommonControls. The difference between the two floors is what a
// GUI program with that manifest pays before its own code runs.
#include "platform/win32.h"

#include <jni.h>
#ifdef FLOOR_GUI
#include <commctrl.h>
#endif
#include <string>

namespace {

using CreateJavaVm = jint(JNICALL*)(JavaVM**, void**, void*);

// The command line after the program's own name, without surrounding quotes
// (parsed here so that the floor needs no shell32).
std::wstring firstArgument() {
    const wchar_t* p = GetCommandLineW();
    if (*p == L'"') {
        ++p;
        while (*p != L'\0' && *p != L'"') ++p;
        if (*p == L'"') ++p;
    } else {
        while (*p != L'\0' && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    std::wstring argument = p;
    while (!argument.empty() && (argument.back() == L' ' || argument.back() == L'\t')) argument.pop_back();
    if (argument.size() >= 2 && argument.front() == L'"' && argument.back() == L'"')
        argument = argument.substr(1, argument.size() - 2);
    return argument;
}

// PATH = <parent of the jvm.dll's directory>;<PATH>.
void putBinDirectoryOnPath(const std::wstring& jvmPath) {
    std::wstring::size_type slash = jvmPath.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash == 0) return;
    slash = jvmPath.find_last_of(L"\\/", slash - 1);
    if (slash == std::wstring::npos) return;
    std::wstring value = jvmPath.substr(0, slash);
    const DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (size > 0) {
        std::wstring path(size, L'\0');
        path.resize(GetEnvironmentVariableW(L"PATH", path.data(), size));
        value += L";" + path;
    }
    SetEnvironmentVariableW(L"PATH", value.c_str());
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
#ifdef FLOOR_GUI
    InitCommonControls();
#endif
    const std::wstring path = firstArgument();
    if (path.empty()) return 91;
    putBinDirectoryOnPath(path);
    HMODULE jvm = LoadLibraryW(path.c_str());
    if (jvm == nullptr) return 90;
    const auto create = reinterpret_cast<CreateJavaVm>(reinterpret_cast<void*>(GetProcAddress(jvm, "JNI_CreateJavaVM")));
    if (create == nullptr) return 90;
    char classPath[] = "-Djava.class.path=.";
    JavaVMOption options[] = {{classPath, nullptr}};
    JavaVMInitArgs arguments{JNI_VERSION_1_2, 1, options, JNI_TRUE};
    JavaVM* vm = nullptr;
    void* env = nullptr;
    ExitProcess(static_cast<UINT>(create(&vm, &env, &arguments)));
}
