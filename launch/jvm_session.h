// The process-wide JVM session: the loaded library's JNI_CreateJavaVM entry
// point and the home of the runtime in use (set when jvm.dll is chosen), and
// later the created JavaVM.
#pragma once

#include <string>

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
