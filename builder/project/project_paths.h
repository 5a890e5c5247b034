// The rules for the names in a project file: the files it names on the host,
// and the names of the files it includes in the executable.
#pragma once

#include <string>

#include "builder/host/system.h"

// The rule for every file a project names: an absolute name stands as it
// is, a relative one is below the project's directory. Absolute is "/..."
// everywhere, and with Windows names also a leading backslash (the drive's
// root or a server) and a drive ("C:\...").
bool isAbsolutePath(const std::string& path, PathStyle style);
std::string projectFilePath(const std::string& projectDirectory, const std::string& path, PathStyle style);
// The directory of a project file, "." when its name has none.
std::string projectDirectoryOf(const std::string& projectFile, PathStyle style);

// An included file's name is stored relative, with at most one directory.
bool validIncludedName(const std::string& name, std::string& why);

// The file URL of an absolute path, as a "#:schema" line names a local file:
// "file:///opt/q/x.json", "file:///C:/Q/x.json", "file://server/share/x.json"
// (Windows names with "/" for "\"); bytes other than letters, digits and
// -._~/: are percent-encoded.
std::string fileUrl(const std::string& absolutePath, PathStyle style);
