// Reading a Java archive: one entry of the zip file (stored or deflated) and
// the main attributes of its manifest, for qarvo-build init.
#pragma once

#include <map>
#include <string>

#include "format/byte_source.h"

// The bytes of the entry called name; false with why when the archive is not
// a zip file, lacks the entry or cannot be inflated.
bool readZipEntry(ByteSource& zip, const std::string& name, std::string& out, std::string& why);

// The main section of a manifest: attribute names as written, values with
// their continuation lines joined.
std::map<std::string, std::string> manifestAttributes(const std::string& manifest);
