// What the builder asks of the operating system: files by UTF-8 name, file
// identity, the partial output and its removal on a signal, the command
// line, the program's own directory. One implementation per system:
// system_posix.cpp and system_win.cpp.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

// How file names are written on this system: POSIX names are absolute with
// a leading "/"; Windows ones also with "\" or a drive ("C:\...", "\\server\...").
enum class PathStyle { Posix, Windows };
PathStyle hostPathStyle();

// File names are UTF-8 strings throughout the builder. These open one so that
// names outside the ANSI code page work on Windows too (where a narrow name
// would be read in the ANSI code page).
std::FILE* openFile(const std::filesystem::path& path, const char* mode);
std::FILE* openFile(const std::string& utf8, const char* mode);

// Seeks a stdio stream to a 64-bit position, and tells where it is; false on failure.
bool seekFile(std::FILE* file, uint64_t position);
bool tellFile(std::FILE* file, uint64_t& position);

// Whether two names are the same existing file (device and inode, or volume
// and file index on Windows).
bool sameFile(const std::string& a, const std::string& b);

// Copies a file over target (replacing it); ec says why not.
void copyFileOver(const std::string& from, const std::filesystem::path& target, std::error_code& ec);

// A new file beside outputPath, with a name no other build uses, for bytes
// that replace the output only once complete. nullptr with the system's error
// number when it cannot be made; path is its name.
std::FILE* createPartialFile(const std::string& outputPath, std::string& path, int& error);

// The partial output that a signal (Ctrl+C on Windows) removes before the
// process ends: track "" once it is gone.
void trackPartial(const std::string& path);
void removePartialOnInterrupt();

// Whether standard error is a terminal, and what clears its current line.
bool onTerminal();
const char* clearLineSequence();

// The directory of the running program.
std::filesystem::path ownDirectory();

// The arguments after the program name as UTF-8. On Windows they are taken
// in UTF-16 from the system, as the narrow ones hold only what the ANSI code
// page can (and the console then writes UTF-8).
std::vector<std::string> commandArguments(int argc, char** argv);
