// Where Windows looks for the libraries a library imports. A library loaded
// with the altered search path has its imports looked for in its own
// directory, then in the DLL directory (the current directory when none is
// set), the system directories and PATH.
#pragma once

#include <string>

// The system directory becomes the DLL directory: libraries loaded by name,
// now or by anything the launcher loads later, are never looked for in the
// current directory, which the user may not own. (An empty one would do on
// Windows, but Wine takes an empty one for none and keeps searching the
// current directory.)
void keepCurrentDirectoryOutOfDllSearch();

// While it lives, a runtime's bin directory is the DLL directory, so that its
// jvm.dll binds to the libraries the runtime ships before any copy of the
// same name in the system directories or elsewhere on PATH, as under the
// runtime's own java.exe, whose directory that is. Ends by keeping the
// current directory out again.
class RuntimeLibrariesFirst {
public:
    explicit RuntimeLibrariesFirst(const std::string& binDirectory);
    ~RuntimeLibrariesFirst();
    RuntimeLibrariesFirst(const RuntimeLibrariesFirst&) = delete;
    RuntimeLibrariesFirst& operator=(const RuntimeLibrariesFirst&) = delete;
};
