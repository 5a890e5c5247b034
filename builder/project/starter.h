// The commented starter project that qarvo-build init writes for a jar.
#pragma once

#include <map>
#include <string>
#include <vector>

// The project text for the jar called jarName (a file name, placed beside the
// executable), from the main attributes of its manifest: the main class from
// Main-Class, the class path from the jar and its Class-Path. What the
// manifest lacks is noted in warnings and left for the user to fill in. With
// a schemaUrl the text starts with the "#:schema" line that names it.
std::string starterProject(const std::string& jarName, const std::map<std::string, std::string>& manifest,
                           const std::string& docsDirectory, const std::string& schemaUrl,
                           std::vector<std::string>& warnings);

// qarvo-build init: reads the jar's manifest and writes its starter project
// to output, through a partial file and a rename. An existing output is kept
// unless force; error names the file and the reason.
bool writeStarterProject(const std::string& jar, const std::string& output, bool force,
                         const std::string& docsDirectory, const std::string& schemaUrl,
                         std::vector<std::string>& warnings, std::string& error);
