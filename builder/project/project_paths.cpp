#include "builder/project/project_paths.h"

#include <cstring>

bool isAbsolutePath(const std::string& path, PathStyle style) {
    if (path.empty()) return false;
    if (path.front() == '/') return true;
    // \\server\..., \... (the current drive's root), C:\... and C:x (a drive's own directory).
    return style == PathStyle::Windows && (path.front() == '\\' || (path.size() > 1 && path[1] == ':'));
}

std::string projectFilePath(const std::string& projectDirectory, const std::string& path, PathStyle style) {
    return path.empty() || projectDirectory.empty() || isAbsolutePath(path, style) ? path : projectDirectory + "/" + path;
}

std::string projectDirectoryOf(const std::string& projectFile, PathStyle style) {
    const size_t slash = style == PathStyle::Windows ? projectFile.find_last_of("/\\") : projectFile.find_last_of('/');
    return slash == std::string::npos ? "." : projectFile.substr(0, slash);
}

bool validIncludedName(const std::string& name, std::string& why) {
    if (name.empty()) {
        why = "an included file needs a name";
        return false;
    }
    if (name.find(';') != std::string::npos) {
        why = "an included file's name cannot contain ';'";
        return false;
    }
    if (name.find('/') != std::string::npos) {
        why = "write directories in an included file's name with a backslash";
        return false;
    }
    if (name[0] == '\\' || name.find(':') != std::string::npos) {
        why = "an included file's name must be relative";
        return false;
    }
    size_t slash = name.find('\\');
    if (slash != std::string::npos && name.find('\\', slash + 1) != std::string::npos) {
        why = "an included file's name has at most one directory level";
        return false;
    }
    const std::string first = slash == std::string::npos ? name : name.substr(0, slash);
    const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
    if (first == ".." || last == ".." || first == "." || last == "." || last.empty()) {
        why = "an included file's name cannot have '.' or '..' components";
        return false;
    }
    return true;
}

std::string fileUrl(const std::string& absolutePath, PathStyle style) {
    std::string path = absolutePath;
    if (style == PathStyle::Windows)
        for (char& c : path)
            if (c == '\\') c = '/';
    std::string url = path.rfind("//", 0) == 0 ? "file:" : path.rfind("/", 0) == 0 ? "file://" : "file:///";
    static const char hex[] = "0123456789ABCDEF";
    for (unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           (c != '\0' && std::strchr("-._~/:", c) != nullptr);
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}
