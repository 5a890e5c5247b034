// Fake jvm.dll: records that it was loaded. Built twice: with the JNI
// invocation entry point, and without it (FAKEJRE_NO_CREATE) for the tests of
// a damaged runtime.
#include "testing/fakejre/fake_common.h"

namespace {
HMODULE self = nullptr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        fakejre::recordCall(fakejre::moduleDirectory(instance),
                            L"jvm.dll loaded " + fakejre::moduleDirectory(instance) + L"jvm.dll");
    }
    return TRUE;
}

#ifndef FAKEJRE_NO_CREATE
// Creation is not faked yet: it fails as a runtime refusing the options would.
extern "C" __declspec(dllexport) long __stdcall JNI_CreateJavaVM(void**, void**, void*) {
    fakejre::recordCall(fakejre::moduleDirectory(self), L"JNI_CreateJavaVM");
    return -1;
}
#endif
