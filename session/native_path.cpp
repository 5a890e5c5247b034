#include "session/native_path.h"

std::string nativeLibraryPathValue(const std::string& directories, const std::string* oldPath) {
    std::string value = directories;
    if (!value.empty() && value.back() != ';') value += ';';
    if (oldPath != nullptr) value += *oldPath;
    return value;
}
