// The home of the Java runtime in use, recorded when its jvm.dll is chosen.
#pragma once

#include <string>

// Empty until a runtime was chosen.
const std::string& jvmHome();
void setJvmHome(const std::string& home);
