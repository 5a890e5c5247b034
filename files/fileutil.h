// Path and file operations over the ANSI file API. Paths are narrow strings in
// the ANSI code page; they grow as needed rather than being cut short.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The executable's own path in a form the ANSI file API can open (cached).
const std::string& executablePath();
// Its long form (cached): the path itself when the system gave it in long form.
const std::string& executableLongPath();
// Its directory, ending in a backslash (cached).
const std::string& executableDirectory();

void normalizePath(std::string& path);
void toLowerPath(std::string& path);
bool isRelativePath(const std::string& path);
// path made absolute against the executable's directory, or against the
// directory of the file base names when base is given.
std::string makeAbsolute(const std::string& path, const char* base = nullptr);
// makeAbsolute, ". and .." resolved, lower-cased unless keepCase, normalised.
std::string resolvePath(const std::string& path, bool keepCase);
bool fileExists(const std::string& path);
bool findFileTime(const std::string& path, uint64_t* lastWriteTime = nullptr);
// Names (without directory) of dir\*.ext in the order the search returns them.
std::vector<std::string> listFiles(const std::string& directory, const std::string& extension);
// Each non-empty ";"-separated part made absolute, joined by ";".
std::string expandPathList(const std::string& list);
// Deletes the files and removes the empty subdirectories of dir; dir stays.
void emptyDirectory(const std::string& directory);
// The long form of an existing path; returns its length, 0 on failure.
size_t longPathName(const std::string& path, std::string& out);
// The same through the shell's namespace, for systems without GetLongPathNameA.
size_t emulatedLongPathName(const std::string& path, std::string& out);
