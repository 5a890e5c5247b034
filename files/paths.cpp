#include "files/paths.h"

#include <vector>

void collapseBackslashes(std::u16string& path) {
    std::u16string out;
    out.reserve(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == u'\\' && !out.empty() && out.back() == u'\\' && i != 1) continue;
        out.push_back(path[i]);
    }
    path.swap(out);
}

std::u16string directoryOf(std::u16string_view path) {
    const size_t slash = path.find_last_of(u"\\/");
    if (slash == std::u16string_view::npos) return std::u16string();
    return std::u16string(path.substr(0, slash + 1));
}

std::u16string absoluteIn(std::u16string_view path, std::u16string_view baseDirectory) {
    std::u16string out;
    if (isRelativePath(path)) out.assign(baseDirectory);
    out.append(path);
    collapseBackslashes(out);
    return out;
}

std::u16string fullPathOf(std::u16string_view absolutePath) {
    std::u16string path(absolutePath);
    for (char16_t& c : path)
        if (c == u'/') c = u'\\';
    // The root that ".." never climbs above: "X:\" or "\\server\share\".
    size_t rootEnd = 0;
    if (path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\') {
        size_t server = path.find(u'\\', 2);
        size_t share = server == std::u16string::npos ? server : path.find(u'\\', server + 1);
        rootEnd = share == std::u16string::npos ? path.size() : share + 1;
    } else if (path.size() >= 3 && path[1] == u':' && path[2] == u'\\') {
        rootEnd = 3;
    }
    std::u16string root = path.substr(0, rootEnd);
    std::vector<std::u16string> parts;
    size_t start = rootEnd;
    while (start <= path.size()) {
        size_t end = path.find(u'\\', start);
        if (end == std::u16string::npos) end = path.size();
        std::u16string part = path.substr(start, end - start);
        if (part == u"..") {
            if (!parts.empty()) parts.pop_back();
        } else if (part != u"." && !part.empty()) {
            parts.push_back(std::move(part));
        }
        start = end + 1;
    }
    const bool trailing = path.size() > rootEnd && path.back() == u'\\';
    std::u16string out = root;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out += u'\\';
        out += parts[i];
    }
    if (trailing && !parts.empty()) out += u'\\';
    return out;
}

void lowerAscii(std::u16string& text) {
    for (char16_t& c : text)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
}

std::u16string resolveAgainst(std::u16string_view path, std::u16string_view executableDirectory, bool keepCase) {
    std::u16string out = fullPathOf(absoluteIn(path, executableDirectory));
    if (!keepCase) lowerAscii(out);
    collapseBackslashes(out);
    return out;
}

bool isDriveRoot(std::u16string_view path) {
    if (path.size() < 3 || path[1] != u':' || path[2] != u'\\') return false;
    const char16_t d = path[0];
    if (!((d >= u'a' && d <= u'z') || (d >= u'A' && d <= u'Z'))) return false;
    std::u16string_view rest = path.substr(3);
    return rest.empty() || rest == u"." || rest == u".\\.";
}

std::vector<std::string> splitPathList(const std::string& list) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string::npos) end = list.size();
        if (end > start) parts.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}
