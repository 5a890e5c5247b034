// The process-wide JVM session: the loaded library's JNI_CreateJavaVM entry
// point and the home of the runtime in use (set when jvm.dll is chosen), the
// created JavaVM with the main thread's JNIEnv, and the option texts the JVM
// was created with. Nothing of it is ever released.
#pragma once

#include <jni.h>

#include <atomic>
#include <string>
#include <vector>

struct JvmSession {
    void* createEntry = nullptr;
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    // Written once by the main thread after vm; read by the splash thread.
    std::atomic<bool> created{false};
    std::string home;
    // The JVM may keep pointers into these texts.
    std::vector<std::string> options;
};

JvmSession& jvmSession();

// The library's JNI_CreateJavaVM, as GetProcAddress gave it.
void setCreateJavaVmEntry(void* entry);
void* createJavaVmEntry();

// Records the home of the runtime whose java executable is given: the path
// without its "javaw.exe" (or its last 8 characters, "java.exe") followed by
// "..", as c:\jdk\jre\bin\.. for c:\jdk\jre\bin\java.exe.
void setJvmHomeFromJavaExecutable(const std::string& javaExecutable);
// Empty until a runtime was chosen.
const std::string& jvmHome();

// The rule above, on its own.
std::string javaHomeOfExecutable(const std::string& javaExecutable);

// The calling thread's JNIEnv once the JVM exists (attaching the thread as a
// daemon, so that it never holds up DestroyJavaVM), or null: before the JVM
// is created the JVM is not called at all.
JNIEnv* attachCurrentThreadToJvm();
// Detaches the calling thread; nothing before the JVM is created.
void detachCurrentThreadFromJvm();
