// Test helper: stands in for a launcher that reaches the JVM from threads
// other than its main thread, as a service's stop does. It loads a jvm.dll,
// creates the JVM with an "exit" hook, calls MAIN-CLASS.main(String[]) with
// no arguments on its main thread, then DestroyJavaVM; meanwhile:
//   jvm-threads-probe.exe JVM.DLL [-option...] MAIN-CLASS stop STOP...
//     a thread attached as a daemon for each STOP in turn calls, as the
//     launcher's stop does, "exit:<n>" System.exit(n), "pkg.Cls.m" the static
//     m()V, or m(String[]) with an empty array when there is no m()V
//   ... MAIN-CLASS nondaemon   a thread attached as a non-daemon detaches 0.5 s after main returned
//   ... MAIN-CLASS wrongenv    another thread calls FindClass with the main thread's JNIEnv
// Prints what happened, one line each ("stop <STOP> returned|threw",
// "main returned|threw", "detaching", "destroyed", "exit hook <n>"); the exit
// hook ends the process with its code.
#include <jni.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32.h"

namespace {

JavaVM* vm = nullptr;
JNIEnv* mainEnv = nullptr;
HANDLE attached = CreateEventW(nullptr, TRUE, FALSE, nullptr);
HANDLE mainReturned = CreateEventW(nullptr, TRUE, FALSE, nullptr);

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void JNICALL exitHook(jint code) {
    say("exit hook " + std::to_string(code));
    ExitProcess(static_cast<UINT>(code));
}

std::string slashed(std::string name) {
    for (char& c : name)
        if (c == '.') c = '/';
    return name;
}

// The launcher's stop: attach as a daemon, call, describe, detach.
void stop(const std::string& item) {
    JNIEnv* env = nullptr;
    vm->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&env), nullptr);
    JNIEnv* again = nullptr;
    vm->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&again), nullptr);
    say("env own=" + std::to_string(env != mainEnv) + " same=" + std::to_string(env == again));
    if (item.rfind("exit:", 0) == 0) {
        jclass system = env->FindClass("java/lang/System");
        jmethodID exit = env->GetStaticMethodID(system, "exit", "(I)V");
        env->CallStaticVoidMethod(system, exit, static_cast<jint>(std::atoi(item.c_str() + 5)));
    } else {
        const size_t dot = item.rfind('.');
        jclass type = env->FindClass(slashed(item.substr(0, dot)).c_str());
        const std::string name = item.substr(dot + 1);
        if (jmethodID method = env->GetStaticMethodID(type, name.c_str(), "()V")) {
            env->CallStaticVoidMethod(type, method);
        } else {
            env->ExceptionClear();
            method = env->GetStaticMethodID(type, name.c_str(), "([Ljava/lang/String;)V");
            env->CallStaticVoidMethod(type, method, env->NewObjectArray(0, env->FindClass("java/lang/String"), nullptr));
        }
    }
    const bool threw = env->ExceptionCheck();
    if (threw) env->ExceptionDescribe();
    say("stop " + item + (threw ? " threw" : " returned"));
    vm->DetachCurrentThread();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    using Create = jint(JNICALL*)(JavaVM**, void**, void*);
    const auto create = reinterpret_cast<Create>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryA(argv[1]), "JNI_CreateJavaVM")));
    if (create == nullptr) return 3;
    std::vector<JavaVMOption> options = {{const_cast<char*>("exit"), reinterpret_cast<void*>(&exitHook)}};
    int at = 2;
    for (; at < argc && argv[at][0] == '-'; ++at) options.push_back({argv[at], nullptr});
    if (argc - at < 2) return 2;
    JavaVMInitArgs arguments{JNI_VERSION_1_2, static_cast<jint>(options.size()), options.data(), JNI_TRUE};
    if (create(&vm, reinterpret_cast<void**>(&mainEnv), &arguments) != JNI_OK) return 4;
    const std::string mode = argv[at + 1];
    const std::vector<std::string> items(argv + at + 2, argv + argc);
    std::thread other([&] {
        if (mode == "stop") {
            for (const std::string& item : items) stop(item);
        } else if (mode == "nondaemon") {
            JNIEnv* env = nullptr;
            vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr);
            SetEvent(attached);
            WaitForSingleObject(mainReturned, INFINITE);
            Sleep(500);
            say("detaching");
            vm->DetachCurrentThread();
        } else if (mode == "wrongenv") {
            mainEnv->FindClass("java/lang/String");
        }
    });
    if (mode == "nondaemon") WaitForSingleObject(attached, INFINITE);
    if (mode == "wrongenv") other.join();  // it traps
    jclass type = mainEnv->FindClass(slashed(argv[at]).c_str());
    jmethodID main = mainEnv->GetStaticMethodID(type, "main", "([Ljava/lang/String;)V");
    jobjectArray none = mainEnv->NewObjectArray(0, mainEnv->FindClass("java/lang/String"), nullptr);
    mainEnv->functions->CallStaticVoidMethod(mainEnv, type, main, none);
    const bool threw = mainEnv->ExceptionOccurred() != nullptr;
    if (threw) mainEnv->ExceptionDescribe();
    say(threw ? "main threw" : "main returned");
    SetEvent(mainReturned);
    vm->DestroyJavaVM();
    say("destroyed");
    if (other.joinable()) other.detach();
    return 0;
}
