// The PATH value that puts the application's native library directories in
// front of the process's PATH.
#pragma once

#include <string>

// directories: the absolute, ";"-separated list; oldPath: PATH's value, or
// null when PATH is not set. The old value is always kept in full, however
// long the two are together.
std::string nativeLibraryPathValue(const std::string& directories, const std::string* oldPath);

// Puts the configured native library directories (entry 10004), expanded by
// expand, in front of this process's PATH (Win32 layer).
void addNativeLibraryPath(std::string directories, void (*expand)(std::string& text));
