// The per-user folders the launcher keeps across starts, under
// %LOCALAPPDATA%\<folder> (class-data archives, the archive cache), and the
// file times they are judged by. Win32 layer.
#pragma once

#include <cstdint>
#include <string>

// %LOCALAPPDATA%\<folder>\<leaf>, folder defaulting to the executable's
// name without ".exe"; empty when %LOCALAPPDATA% is not set.
std::string userDataFolder(const std::string& folder, const char* leaf);
// The executable's file name without ".exe".
std::string executableStem();
// Creates the folder and its parents; true when it exists afterwards.
bool makeDirectories(const std::string& path);
// The system time now, in 100 ns units as file times count.
uint64_t fileTimeNow();
