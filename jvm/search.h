// The JVM search: the frame of sources around the configured search sequence.
#pragma once

#include <string>

// How the runtime was found; selects the message when its library fails.
enum class JvmSource { NotFound = 0, SearchPath = 1, Directory = 2, EnvironmentVariable = 3, Registry = 4 };

JvmSource searchJvm(std::string& javaExecutable, std::string& home);

bool readLocationFile(std::string& line, const std::string& relativeName);
bool checkJavaHome(std::string& javaExecutable, const std::string& directory, const std::string& minimum,
                   const std::string& maximum, bool presenceOnly);
bool checkEnvJavaHome(std::string& javaExecutable, const char* variable, const std::string& minimum,
                      const std::string& maximum);
bool checkJavaOnPath(std::string& javaExecutable, const std::string& minimum, const std::string& maximum);
