// Reading a Java archive: one entry of the zip file (stored or deflated) and
// the main attributes of its manifest, for qarvo-build init.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "format/byte_source.h"

// The bytes of the entry called name; false with why when the archive is not
// a zip file, lacks the entry or cannot be inflated.
bool readZipEntry(ByteSource& zip, const std::string& name, std::string& out, std::string& why);

// The main section of a manifest: attribute names as written, values with
// their continuation lines joined.
std::map<std::string, std::string> manifestAttributes(const std::string& manifest);

// The VM options "java -jar" derives from a manifest's main section:
// every "module/package" of Add-Opens and Add-Exports (separated by blanks)
// opened or exported to ALL-UNNAMED, and Enable-Native-Access: ALL-UNNAMED.
// Attribute names are matched without regard to case, as Java does. What
// "java -jar" would not take goes to warnings, named after the jar.
std::vector<std::string> manifestVmOptions(const std::map<std::string, std::string>& attributes,
                                           const std::string& jarName, std::vector<std::string>& warnings);

// A Class-Path URL relative to the jar as a Windows path: "%20" decoded,
// slashes as backslashes.
std::string classPathUrlAsWindowsPath(const std::string& url);

// Whether the manifest's Class-Path names, relative to the folder of the
// included archive archiveName ("app.jar", "user\\x.jar"), one of the files
// of includedNames (an entry ending in "/" names a folder of them): such an
// archive finds them only beside them, where they are extracted, not alone
// in the archive cache. Absolute entries name the same place from anywhere.
bool manifestNamesIncludedFiles(const std::map<std::string, std::string>& attributes, const std::string& archiveName,
                                const std::vector<std::string>& includedNames);

// The main attributes of the manifest of a jar on the host; false with why
// when the file cannot be read or is no zip archive (a jar without a manifest
// has no attributes).
bool readJarManifest(const std::string& path, std::map<std::string, std::string>& attributes, std::string& why);
