#include "builder/project/jar_file.h"

#include <zlib.h>

#include <cctype>
#include <cerrno>
#include <vector>

#include "builder/host/file_source.h"
#include "builder/host/system.h"
#include "builder/project/checks.h"
#include "format/little_endian.h"

namespace {

constexpr uint32_t kEndOfDirectory = 0x06054b50;
constexpr uint32_t kDirectoryEntry = 0x02014b50;
constexpr uint32_t kLocalHeader = 0x04034b50;
constexpr uint64_t kEndRecordSize = 22;
constexpr uint64_t kLongestComment = 0xffff;
constexpr uint32_t kLargestManifest = 64u << 20;

using le::get16;
using le::get32;

bool readAt(ByteSource& source, uint64_t position, uint64_t n, std::string& out) {
    if (position > source.size() || n > source.size() - position || !source.seek(position)) return false;
    out.assign(static_cast<size_t>(n), '\0');
    uint32_t got = 0, error = 0;
    return n == 0 || (source.read(out.data(), static_cast<uint32_t>(n), &got, &error) && got == n);
}

bool inflateRaw(const std::string& in, uint32_t size, std::string& out) {
    out.assign(size, '\0');
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = size;
    const int result = inflate(&z, Z_FINISH);
    const bool whole = result == Z_STREAM_END && z.total_out == size;
    inflateEnd(&z);
    return whole;
}

// Where the central directory is, from the end record: in the last 22 bytes
// plus the archive comment.
bool findCentralDirectory(ByteSource& zip, uint16_t& count, uint32_t& size, uint32_t& offset, std::string& why) {
    const uint64_t fileSize = zip.size();
    const uint64_t tail = std::min(fileSize, kEndRecordSize + kLongestComment);
    std::string end;
    if (fileSize < kEndRecordSize || !readAt(zip, fileSize - tail, tail, end)) {
        why = "not a zip archive (too short)";
        return false;
    }
    for (size_t i = end.size() - kEndRecordSize + 1; i-- > 0;)
        if (get32(end, i) == kEndOfDirectory) {
            count = get16(end, i + 10);
            size = get32(end, i + 12);
            offset = get32(end, i + 16);
            return true;
        }
    why = "not a zip archive (no end of central directory)";
    return false;
}

// The entry whose central directory record is at p, unpacked.
bool unpackEntry(ByteSource& zip, const std::string& directory, size_t p, const std::string& name, std::string& out,
                 std::string& why) {
    const uint16_t method = get16(directory, p + 10);
    const uint32_t packed = get32(directory, p + 20), unpacked = get32(directory, p + 24);
    const uint32_t local = get32(directory, p + 42);
    std::string header, data;
    if (!readAt(zip, local, 30, header) || get32(header, 0) != kLocalHeader ||
        !readAt(zip, local + 30 + get16(header, 26) + get16(header, 28), packed, data)) {
        why = "damaged zip archive (" + name + " outside the file)";
        return false;
    }
    if (unpacked > kLargestManifest) {
        why = name + " is too large";
        return false;
    }
    if (method == 0 && packed == unpacked) {
        out = std::move(data);
        return true;
    }
    if (method == 8 && inflateRaw(data, unpacked, out)) return true;
    why = method == 0 || method == 8 ? "damaged zip archive (" + name + " does not unpack)"
                                     : name + " is packed by a method other than stored or deflated";
    return false;
}

}  // namespace

bool readZipEntry(ByteSource& zip, const std::string& name, std::string& out, std::string& why) {
    uint16_t count = 0;
    uint32_t directorySize = 0, directoryOffset = 0;
    if (!findCentralDirectory(zip, count, directorySize, directoryOffset, why)) return false;
    std::string directory;
    if (!readAt(zip, directoryOffset, directorySize, directory)) {
        why = "damaged zip archive (central directory outside the file)";
        return false;
    }
    size_t p = 0;
    for (uint16_t i = 0; i < count; ++i) {
        if (p + 46 > directory.size() || get32(directory, p) != kDirectoryEntry ||
            p + 46 + get16(directory, p + 28) > directory.size()) {
            why = "damaged zip archive (central directory)";
            return false;
        }
        const uint16_t nameLength = get16(directory, p + 28), extra = get16(directory, p + 30),
                       comment = get16(directory, p + 32);
        const size_t record = p;
        p += 46 + nameLength + extra + comment;
        if (directory.compare(record + 46, nameLength, name) == 0)
            return unpackEntry(zip, directory, record, name, out, why);
    }
    why = "no " + name + " in the archive";
    return false;
}

std::map<std::string, std::string> manifestAttributes(const std::string& manifest) {
    std::map<std::string, std::string> attributes;
    std::string last;
    size_t start = 0;
    while (start < manifest.size()) {
        size_t end = manifest.find('\n', start);
        if (end == std::string::npos) end = manifest.size();
        std::string line = manifest.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) break;  // the main section ends at the first blank line
        if (line[0] == ' ') {
            if (!last.empty()) attributes[last] += line.substr(1);
            continue;
        }
        const size_t colon = line.find(": ");
        if (colon == std::string::npos) continue;
        last = line.substr(0, colon);
        attributes[last] = line.substr(colon + 2);
    }
    return attributes;
}

namespace {

std::string lowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

const std::string* attribute(const std::map<std::string, std::string>& attributes, const std::string& name) {
    for (const auto& [key, value] : attributes)
        if (lowerAscii(key) == lowerAscii(name)) return &value;
    return nullptr;
}

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while ((start = text.find_first_not_of(" \t", start)) != std::string::npos) {
        const size_t end = text.find_first_of(" \t", start);
        out.push_back(text.substr(start, end - start));
        start = end;
    }
    return out;
}

// "module/package": a module name and a package name, both dotted identifiers.
bool modulePackage(const std::string& word) {
    const size_t slash = word.find('/');
    return slash != std::string::npos && isJavaBinaryName(word.substr(0, slash)) &&
           isJavaBinaryName(word.substr(slash + 1));
}

}  // namespace

std::vector<std::string> manifestVmOptions(const std::map<std::string, std::string>& attributes,
                                           const std::string& jarName, std::vector<std::string>& warnings) {
    std::vector<std::string> options;
    for (const auto& [name, option] : {std::pair<const char*, const char*>{"Add-Opens", "--add-opens="},
                                       std::pair<const char*, const char*>{"Add-Exports", "--add-exports="}}) {
        const std::string* value = attribute(attributes, name);
        if (value == nullptr) continue;
        for (const std::string& word : words(*value)) {
            if (modulePackage(word))
                options.push_back(option + word + "=ALL-UNNAMED");
            else
                warnings.push_back(jarName + ": the manifest's " + name + " holds \"" + word +
                                   "\", not module/package; left out");
        }
    }
    if (const std::string* value = attribute(attributes, "Enable-Native-Access")) {
        const std::vector<std::string> given = words(*value);
        if (given.size() == 1 && given[0] == "ALL-UNNAMED")
            options.push_back("--enable-native-access=ALL-UNNAMED");
        else
            warnings.push_back(jarName + ": the manifest's Enable-Native-Access takes only ALL-UNNAMED, not \"" +
                               *value + "\"; left out");
    }
    return options;
}

std::string classPathUrlAsWindowsPath(const std::string& url) {
    std::string out;
    for (size_t i = 0; i < url.size(); ++i) {
        if (url[i] == '%' && i + 2 < url.size() && std::isxdigit(static_cast<unsigned char>(url[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(url[i + 2]))) {
            out += static_cast<char>(std::stoi(url.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += url[i] == '/' ? '\\' : url[i];
        }
    }
    return out;
}

namespace {

// folder + relative with its "." and ".." parts taken away, in lower case; a
// folder keeps its ending backslash; false when it leaves the top.
bool resolvedName(const std::string& folder, const std::string& relative, std::string& out) {
    std::vector<std::string> parts;
    const std::string path = folder + relative;
    size_t start = 0;
    for (;;) {
        const size_t end = path.find('\\', start);
        const std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part == "..") {
            if (parts.empty()) return false;
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    out.clear();
    for (const std::string& part : parts) out += (out.empty() ? "" : "\\") + lowerAscii(part);
    const std::string last = relative.substr(relative.find_last_of('\\') + 1);
    const bool directory = last.empty() || last == "." || last == "..";
    if (directory && !out.empty()) out += '\\';
    return true;
}

}  // namespace

bool manifestNamesIncludedFiles(const std::map<std::string, std::string>& attributes, const std::string& archiveName,
                                const std::vector<std::string>& includedNames) {
    const std::string* classPath = attribute(attributes, "Class-Path");
    if (classPath == nullptr) return false;
    const size_t slash = archiveName.find_last_of('\\');
    const std::string folder = slash == std::string::npos ? "" : archiveName.substr(0, slash + 1);
    for (const std::string& url : words(*classPath)) {
        if (url.find(':') != std::string::npos || url[0] == '/') continue;
        std::string named;
        if (!resolvedName(folder, classPathUrlAsWindowsPath(url), named)) continue;
        const bool directory = named.empty() || named.back() == '\\';
        for (const std::string& name : includedNames) {
            const std::string included = lowerAscii(name);
            if (included == lowerAscii(archiveName)) continue;
            if (included == named || (directory && included.compare(0, named.size(), named) == 0)) return true;
        }
    }
    return false;
}

bool readJarManifest(const std::string& path, std::map<std::string, std::string>& attributes, std::string& why) {
    errno = 0;
    HostFileSource source(path);
    if (!source.isOpen()) {
        why = "cannot read the jar: " + systemReason(errno);
        return false;
    }
    std::string manifest;
    if (!readZipEntry(source, "META-INF/MANIFEST.MF", manifest, why)) {
        if (why.rfind("no ", 0) != 0) return false;
        manifest.clear();
    }
    attributes = manifestAttributes(manifest);
    return true;
}
