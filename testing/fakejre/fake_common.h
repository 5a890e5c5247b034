// Shared by the pieces of the fake Java runtime: their script file and the
// calls log that the tests read. Both live in the directory of the module.
#pragma once

#include "platform/win32.h"

#include <string>

namespace fakejre {

// The directory of the given module (nullptr: the process's executable), with a trailing backslash.
std::wstring moduleDirectory(HMODULE module = nullptr);

// Values of "key=value" lines of fakejre.ini beside the module, in file order.
std::string scriptValue(const std::wstring& directory, const char* key, const char* fallback);
std::string scriptValues(const std::wstring& directory, const char* key);  // all, one per line

// Appends one line (UTF-8) to fakejre-calls.log beside the module.
void recordCall(const std::wstring& directory, const std::wstring& line);

}  // namespace fakejre
