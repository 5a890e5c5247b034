// Search for a Java runtime and loading of its jvm.dll.
#pragma once

// True when a JVM library is loaded and JNI_CreateJavaVM resolved; otherwise
// false after the reason was shown to the user.
bool LoadDLL(bool showErrors);
