#include "builder/inspect.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>

#include "builder/checks.h"
#include "builder/file_source.h"
#include "builder/images.h"
#include "builder/keys.h"
#include "builder/launch_keys.h"
#include "builder/manifest.h"
#include "builder/pe_image.h"
#include "builder/version_info.h"
#include "format/resource_ids.h"
#include "builder/project.h"
#include "builder/text_codec.h"
#include "format/config_ids.h"

namespace {

std::string tomlString(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            default:
                if (c < 0x20 || c == 0x7f) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                    out += buffer;
                } else {
                    out.push_back(static_cast<char>(c));
                }
        }
    }
    return out + "\"";
}

// A narrow value as UTF-8 TOML text. C1 controls from the undefined
// Windows-1252 bytes are escaped like the other controls.
std::string narrowValue(const std::string& ansi) {
    std::string utf8 = ansiToUtf8(ansi);
    std::string out = "\"";
    std::string quoted = tomlString(utf8);
    // Escape U+0080..U+009F, which TOML allows raw but editors mangle.
    for (size_t i = 1; i + 1 < quoted.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(quoted[i]);
        unsigned char d = static_cast<unsigned char>(quoted[i + 1]);
        if (c == 0xc2 && d >= 0x80 && d <= 0x9f) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", d);
            out += buffer;
            ++i;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out + "\"";
}

std::string wideValue(const std::u16string& text, const std::string& where, std::vector<std::string>& warnings) {
    auto utf8 = utf16ToUtf8(text);
    if (!utf8) {
        warnings.push_back(where + " holds an unpaired surrogate that a project file cannot carry; it was replaced");
        std::u16string cleaned = text;
        for (char16_t& c : cleaned)
            if (c >= 0xd800 && c <= 0xdfff) c = 0xfffd;
        utf8 = utf16ToUtf8(cleaned);
    }
    return tomlString(*utf8);
}

// The typed form of a narrow value, or empty when the typed key would not
// reproduce the stored text exactly.
std::string typedForm(const KeyDef& def, const std::string& text) {
    switch (def.kind) {
        case KeyKind::Flag:
            if (text == "1") return "true";
            if (text == "0") return "false";
            return "";
        case KeyKind::Int: {
            if (text.empty() || text.size() > 11) return "";
            char* end = nullptr;
            long long v = std::strtoll(text.c_str(), &end, 10);
            if (*end != '\0' || std::to_string(v) != text || v < INT32_MIN || v > INT32_MAX) return "";
            return text;
        }
        case KeyKind::Color: {
            int r, g, b;
            char tail;
            if (std::sscanf(text.c_str(), "%d,%d,%d%c", &r, &g, &b, &tail) != 3) return "";
            if (std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b) != text) return "";
            if (r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255) return "";
            return "[" + std::to_string(r) + ", " + std::to_string(g) + ", " + std::to_string(b) + "]";
        }
        case KeyKind::Text:
            return narrowValue(text);
    }
    return "";
}

// Class-path entries in their readable form when they read back the same.
std::string classPathForm(const std::string& text) {
    const auto entries = decodeClassPath(text);
    if (!entries) return narrowValue(text);
    std::string out = "[";
    for (size_t i = 0; i < entries->size(); ++i) {
        const ReadableClassPathEntry& e = (*entries)[i];
        out += (i > 0 ? ", " : "") + std::string("{ ") + e.kindKey + " = " + narrowValue(e.value) +
               (e.mandatory ? ", mandatory = true" : "") + " }";
    }
    return out + "]";
}

// The runtime search in words when it reads back the same.
std::string searchForm(const std::string& text) {
    const auto entries = decodeSearch(text);
    if (!entries) return "";
    std::string out = "[";
    for (size_t i = 0; i < entries->size(); ++i) out += (i > 0 ? ", " : "") + narrowValue((*entries)[i]);
    return out + "]";
}

template <typename Entry>
bool strictlyIncreasing(const std::vector<Entry>& entries) {
    for (size_t i = 1; i < entries.size(); ++i)
        if (entries[i].id <= entries[i - 1].id) return false;
    return true;
}


using rsrc::Name;

const rsrc::Resource* resourceOf(const InspectedExecutable& exe, uint32_t type, int id) {
    return rsrc::find(exe.resources, Name::number(type), Name::number(static_cast<uint32_t>(id)));
}

// Reads the PE headers and the resource section of the image before the block.
void readImage(HostFileSource& source, InspectedExecutable& out) {
    std::string bytes(static_cast<size_t>(out.blockOffset), '\0');
    uint32_t got = 0, error = 0;
    if (!source.seek(0) || !source.read(bytes.data(), static_cast<uint32_t>(bytes.size()), &got, &error) ||
        got != bytes.size()) {
        out.resourceError = "cannot read the executable's headers";
        return;
    }
    pe::Image image;
    if (!pe::Image::parse(std::move(bytes), image, out.resourceError)) return;
    out.machine = image.machine();
    out.subsystem = image.subsystem();
    const pe::DataDirectory security = image.directory(pe::kDirectorySecurity);
    out.signatureOffset = security.rva;  // a file offset for this directory
    out.signatureSize = security.size;
    const pe::DataDirectory resources = image.directory(pe::kDirectoryResource);
    if (resources.size == 0) return;
    for (const pe::Section& section : image.sections()) {
        if (resources.rva < section.virtualAddress || resources.rva - section.virtualAddress >= section.rawSize)
            continue;
        const std::string data = image.sectionData(section).substr(resources.rva - section.virtualAddress);
        if (!rsrc::decodeSection(data, resources.rva, out.resources, out.resourceError)) out.resources.clear();
        return;
    }
    out.resourceError = "the resource directory lies outside the sections";
}

std::string describeIcon(const rsrc::Resource& group) {
    std::vector<images::GroupEntry> entries;
    std::string why;
    if (!images::readGroupDirectory(group.data, entries, why)) return why;
    std::string sizes;
    for (const images::GroupEntry& e : entries) {
        const int w = e.header.width == 0 ? 256 : e.header.width, h = e.header.height == 0 ? 256 : e.header.height;
        sizes += (sizes.empty() ? "" : ", ") + std::to_string(w) + "x" + std::to_string(h);
    }
    return std::to_string(entries.size()) + " image(s): " + sizes;
}

std::string describeBitmap(const std::string& dib) {
    int32_t w = 0, h = 0;
    uint16_t bits = 0;
    if (!images::bitmapSize(dib, w, h, bits)) return "damaged bitmap";
    return std::to_string(w) + "x" + std::to_string(h < 0 ? -h : h) + ", " + std::to_string(bits) + " bits";
}

// The images of an icon group, as stored in the icon resources it names.
bool groupImages(const InspectedExecutable& exe, const rsrc::Resource& group, std::vector<images::IconImage>& out) {
    std::vector<images::GroupEntry> entries;
    std::string why;
    if (!images::readGroupDirectory(group.data, entries, why)) return false;
    out.clear();
    for (const images::GroupEntry& e : entries) {
        const rsrc::Resource* icon = resourceOf(exe, rsrc::kTypeIcon, e.id);
        if (icon == nullptr) return false;
        images::IconImage image = e.header;
        image.data = icon->data;
        out.push_back(std::move(image));
    }
    return true;
}

bool sameIconGroups(const InspectedExecutable& exe) {
    const rsrc::Resource* app = resourceOf(exe, rsrc::kTypeGroupIcon, ResourceId::ApplicationIcon);
    const rsrc::Resource* splash = resourceOf(exe, rsrc::kTypeGroupIcon, ResourceId::SplashIcon);
    return app != nullptr && splash != nullptr && app->data == splash->data;
}

// The raw-data copy is the default one: the bitmap's own file.
bool rawCopyOfBitmap(const InspectedExecutable& exe) {
    const rsrc::Resource* bitmap = resourceOf(exe, rsrc::kTypeBitmap, ResourceId::SplashBitmap);
    const rsrc::Resource* raw = resourceOf(exe, rsrc::kTypeRawData, ResourceId::SplashImage);
    return bitmap != nullptr && raw != nullptr && raw->data == images::bmpFile(bitmap->data);
}

std::optional<manifest::Options> manifestOptions(const InspectedExecutable& exe) {
    const rsrc::Resource* m = resourceOf(exe, rsrc::kTypeManifest, ResourceId::Manifest);
    if (m == nullptr) return std::nullopt;
    return manifest::recognize(m->data, exe.machine);
}

const char* versionKeyOf(const std::string& name) {
    for (const version::StringKey& k : version::stringKeys())
        if (name == k.name) return k.key;
    return nullptr;
}

// [version] keys that rebuild the same version information, or comments.
void renderVersion(const InspectedExecutable& exe, std::ostream& out, std::vector<std::string>& warnings) {
    const rsrc::Resource* r = resourceOf(exe, rsrc::kTypeVersion, ResourceId::VersionInfo);
    if (r == nullptr) return;
    version::VersionInfo info;
    std::string why;
    bool rebuilds = version::decode(r->data, info, why);
    std::string keys;
    version::Number number;
    bool fileVersion = false;
    for (const auto& [name, text] : info.strings) {
        const char* key = versionKeyOf(name);
        auto utf8 = utf16ToUtf8(text);
        if (key == nullptr || !utf8) {
            rebuilds = false;
            continue;
        }
        if (name == "FileVersion" || name == "ProductVersion") {
            const version::Number& fixed = name == "FileVersion" ? info.fileVersion : info.productVersion;
            if (!version::parseNumber(*utf8, number) || number != fixed) rebuilds = false;
            fileVersion = fileVersion || name == "FileVersion";
        }
        keys += std::string(key) + " = " + tomlString(*utf8) + "\n";
    }
    version::VersionInfo again = info;
    version::sortStrings(again);
    if (!fileVersion || version::encode(again) != r->data) rebuilds = false;
    if (rebuilds) {
        out << "\n[version]\n" << keys;
        return;
    }
    warnings.push_back("the version information was not written by qarvo-build; it is shown as comments");
    out << "\n# Version information (not in a form qarvo-build writes):\n";
    if (why.empty()) {
        out << "#   file " << version::formatNumber(info.fileVersion) << ", product "
            << version::formatNumber(info.productVersion) << "\n";
        for (const auto& [name, text] : info.strings)
            out << "#   " << name << " = " << tomlString(utf16ToUtf8(text).value_or("?")) << "\n";
    } else {
        out << "#   " << why << "\n";
    }
}

// Keys of the extracted resource files, or comments describing the resources.
void renderResources(const InspectedExecutable& exe, std::ostream& out, std::vector<std::string>& warnings) {
    if (exe.machine == 0 && exe.resourceError.empty()) return;  // no image was read
    out << "\n# Executable: " << (exe.machine == pe::kMachineAmd64 ? "x64" : exe.machine == pe::kMachineI386 ? "x86" : "?")
        << ", " << (exe.subsystem == pe::kSubsystemConsole ? "console" : exe.subsystem == pe::kSubsystemGui ? "GUI" : "other")
        << " subsystem (set by application.type)\n";
    if (exe.signatureSize != 0)
        out << "# Signed: certificate table of " << exe.signatureSize << " bytes at offset " << exe.signatureOffset
            << ", after the configuration block\n";
    if (!exe.resourceError.empty()) {
        warnings.push_back("resources not read: " + exe.resourceError);
        out << "# Resources not read: " << exe.resourceError << "\n";
    }
    if (!exe.extractedResources.empty()) {
        out << "\n[resources]\n";
        for (const auto& [key, path] : exe.extractedResources)
            if (key != "manifest.file") out << key.substr(10) << " = " << tomlString(path) << "\n";
    } else {
        std::string lines;
        if (const auto* g = resourceOf(exe, rsrc::kTypeGroupIcon, ResourceId::ApplicationIcon))
            lines += "#   icon: " + describeIcon(*g) + "\n";
        if (const auto* g = resourceOf(exe, rsrc::kTypeGroupIcon, ResourceId::SplashIcon))
            lines += "#   splash-icon (ID_SPLASH_ICON): " +
                     (sameIconGroups(exe) ? std::string("the application icon") : describeIcon(*g)) + "\n";
        if (const auto* b = resourceOf(exe, rsrc::kTypeBitmap, ResourceId::SplashBitmap))
            lines += "#   splash-bitmap: " + describeBitmap(b->data) + "\n";
        if (const auto* r = resourceOf(exe, rsrc::kTypeRawData, ResourceId::SplashImage)) {
            const std::string kind = images::imageKind(r->data);
            lines += "#   splash-image: " + (rawCopyOfBitmap(exe) ? std::string("the splash bitmap's file")
                                                                 : (kind.empty() ? "data" : kind) + ", " +
                                                                       std::to_string(r->data.size()) + " bytes") +
                     "\n";
        }
        if (!lines.empty())
            out << "\n# Resources (inspect --extract DIR writes them as files and names them here):\n" << lines;
    }
    const auto options = manifestOptions(exe);
    std::string manifestKeys;
    for (const auto& [key, path] : exe.extractedResources)
        if (key == "manifest.file") manifestKeys += "file = " + tomlString(path) + "\n";
    if (options && options->dpi != manifest::DpiAwareness::Unaware)
        manifestKeys += std::string("dpi-awareness = \"") + manifest::dpiAwarenessName(options->dpi) + "\"\n";
    if (options && options->longPathAware) manifestKeys += "long-path-aware = true\n";
    if (!manifestKeys.empty()) out << "\n[manifest]\n" << manifestKeys;
    if (!options && exe.extractedResources.empty() && resourceOf(exe, rsrc::kTypeManifest, ResourceId::Manifest))
        out << "# The manifest is not one qarvo-build generates; --extract writes it as a file.\n";
}

// Files already there are kept unless the caller says to replace them.
bool mayWrite(const std::filesystem::path& path, bool force, std::string& error) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(path, ec);
    if (!std::filesystem::exists(status)) return true;
    if (force && std::filesystem::is_regular_file(status)) return true;
    error = path.string() + (std::filesystem::is_regular_file(status)
                                 ? ": already exists; inspect --extract keeps existing files (--force replaces them)"
                                 : ": exists and is not a regular file; it is not replaced");
    return false;
}

bool writeBytes(const std::filesystem::path& path, const std::string& bytes, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(openFile(path, "wb"), &std::fclose);
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out.get()) != bytes.size() || std::fclose(out.release()) != 0) {
        error = path.string() + ": cannot write: " + systemReason(errno != 0 ? errno : EIO);
        return false;
    }
    return true;
}

}  // namespace

bool readExecutable(const std::string& path, InspectedExecutable& out, std::string& error) {
    errno = 0;
    HostFileSource source(path);
    if (!source.isOpen()) {
        error = path + ": cannot read the executable: " + systemReason(errno);
        return false;
    }
    block::BlockReader reader(source, [](const std::string&) {});
    if (!reader.locateAppendedData(&out.blockOffset)) {
        error = path + ": not a Windows executable (its PE headers cannot be read)";
        return false;
    }
    if (!reader.readBlock(out.block)) {
        error = path + ": not an executable built by qarvo-build: " +
                (reader.failure() == block::Failure::Magic
                     ? std::string("no configuration block follows its last section")
                     : "the configuration block after its last section is damaged or cut short");
        return false;
    }
    const uint64_t afterBlock = source.position();
    readImage(source, out);
    source.seek(afterBlock);
    std::string count, names;
    for (const block::NarrowEntry& e : out.block.narrow) {
        if (e.id == ConfigId::IncludedFileCount) count = e.value;
        if (e.id == ConfigId::IncludedFileNames) names = e.value;
    }
    const long long k = std::atoll(count.c_str());
    size_t start = 0;
    for (long long i = 0; i < k && start <= names.size(); ++i) {
        size_t end = names.find(';', start);
        if (end == std::string::npos) end = names.size();
        InspectedFile file;
        file.name = names.substr(start, end - start);
        if (file.name.empty()) break;
        if (!reader.readLong(&file.size)) {
            error = path + ": included file " + file.name + " is cut short";
            return false;
        }
        file.offset = source.position();
        if (file.size > 0) {
            if (static_cast<uint64_t>(file.size) > source.size() - file.offset) {
                error = path + ": included file " + file.name + " is cut short";
                return false;
            }
            source.seek(file.offset + static_cast<uint64_t>(file.size));
        }
        out.files.push_back(file);
        start = end + 1;
    }
    return true;
}

bool extractFiles(const std::string& executablePath, const InspectedExecutable& exe, const std::string& directory,
                  bool force, std::string& error) {
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(openFile(executablePath, "rb"), &std::fclose);
    if (!in) {
        error = executablePath + ": cannot read the executable: " + systemReason(errno);
        return false;
    }
    std::vector<std::filesystem::path> targets;
    for (const InspectedFile& file : exe.files) {
        std::string why;
        if (!validIncludedName(file.name, why)) {
            error = "included file '" + ansiToUtf8(file.name) + "' not extracted: " + why;
            return false;
        }
        std::string relative = ansiToUtf8(file.name);
        for (char& c : relative)
            if (c == '\\') c = '/';
        targets.push_back(fsPath(directory) / fsPath(relative));
        if (!mayWrite(targets.back(), force, error)) return false;
    }
    std::vector<char> buffer(1 << 20);
    for (size_t i = 0; i < exe.files.size(); ++i) {
        const InspectedFile& file = exe.files[i];
        const std::filesystem::path& target = targets[i];
        const std::string relative = target.filename().string();
        std::error_code ec;
        std::filesystem::create_directories(target.parent_path(), ec);
        errno = 0;
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(openFile(target, "wb"), &std::fclose);
        if (!out) {
            error = target.string() + ": cannot write: " + systemReason(errno);
            return false;
        }
        if (!seekFile(in.get(), file.offset)) {
            error = executablePath + ": cannot seek";
            return false;
        }
        int64_t left = file.size;
        while (left > 0) {
            size_t n = left < static_cast<int64_t>(buffer.size()) ? static_cast<size_t>(left) : buffer.size();
            if (std::fread(buffer.data(), 1, n, in.get()) != n) {
                error = executablePath + ": included file " + relative + " is cut short";
                return false;
            }
            block::scramble(buffer.data(), n);
            errno = 0;
            if (std::fwrite(buffer.data(), 1, n, out.get()) != n) {
                error = target.string() + ": cannot write: " + systemReason(errno != 0 ? errno : EIO);
                return false;
            }
            left -= static_cast<int64_t>(n);
        }
        errno = 0;
        if (std::fclose(out.release()) != 0) {
            error = target.string() + ": cannot write: " + systemReason(errno != 0 ? errno : EIO);
            return false;
        }
    }
    return true;
}

bool extractResources(InspectedExecutable& exe, const std::string& directory, bool force, std::string& error) {
    exe.extractedResources.clear();
    // A folder of its own, unless an included file already uses that name.
    std::string folder = "qarvo-resources";
    for (int n = 2;; ++n) {
        bool taken = false;
        for (const InspectedFile& f : exe.files)
            if (f.name.substr(0, f.name.find('\\')) == folder) taken = true;
        if (!taken) break;
        folder = "qarvo-resources-" + std::to_string(n);
    }
    const std::filesystem::path base = std::filesystem::absolute(fsPath(directory)).lexically_normal() / folder;
    struct Extracted {
        const char* key;
        std::string fileName;
        std::string bytes;
    };
    std::vector<Extracted> files;
    std::vector<images::IconImage> icon;
    const auto* appIcon = resourceOf(exe, rsrc::kTypeGroupIcon, ResourceId::ApplicationIcon);
    if (appIcon != nullptr && groupImages(exe, *appIcon, icon))
        files.push_back({"resources.icon", "icon.ico", images::icoFile(icon)});
    const auto* splashIcon = resourceOf(exe, rsrc::kTypeGroupIcon, ResourceId::SplashIcon);
    if (splashIcon != nullptr && !sameIconGroups(exe) && groupImages(exe, *splashIcon, icon))
        files.push_back({"resources.splash-icon", "splash-icon.ico", images::icoFile(icon)});
    if (const auto* b = resourceOf(exe, rsrc::kTypeBitmap, ResourceId::SplashBitmap))
        files.push_back({"resources.splash-bitmap", "splash.bmp", images::bmpFile(b->data)});
    const auto* raw = resourceOf(exe, rsrc::kTypeRawData, ResourceId::SplashImage);
    if (raw != nullptr && !rawCopyOfBitmap(exe)) {
        const std::string kind = images::imageKind(raw->data);
        files.push_back({"resources.splash-image", "splash-image." + (kind.empty() ? std::string("bin") : kind), raw->data});
    }
    const auto* m = resourceOf(exe, rsrc::kTypeManifest, ResourceId::Manifest);
    if (m != nullptr && !manifestOptions(exe)) files.push_back({"manifest.file", "manifest.xml", m->data});
    for (const Extracted& file : files)
        if (!mayWrite(base / file.fileName, force, error)) return false;
    for (const Extracted& file : files) {
        const std::filesystem::path path = base / file.fileName;
        if (!writeBytes(path, file.bytes, error)) {
            exe.extractedResources.clear();
            return false;
        }
        exe.extractedResources.emplace_back(file.key, path.string());
    }
    return true;
}

std::string renderProject(const InspectedExecutable& exe, const std::string& extractedDirectory,
                          std::vector<std::string>& warnings) {
    const block::RawBlock& b = exe.block;
    if (b.reserved1 != 0 || b.reserved2 != 0)
        warnings.push_back("the block's reserved header fields are not zero; a rebuild writes zeros");
    if (!strictlyIncreasing(b.narrow) || !strictlyIncreasing(b.wide))
        warnings.push_back("the block's entries are not in id order or repeat an id; a rebuild stores them sorted, "
                           "each id once (the last value)");

    std::map<int, std::string> narrow;
    for (const block::NarrowEntry& e : b.narrow) narrow[e.id] = e.value;
    std::map<int, std::u16string> wide;
    for (const block::WideEntry& e : b.wide) wide[e.id] = e.value;

    // Included files are written from [[files]] when entries 2002 and 2003
    // describe them exactly.
    bool filesFromTable = false;
    if (!exe.files.empty()) {
        std::string names;
        for (const InspectedFile& f : exe.files) names += (names.empty() ? "" : ";") + f.name;
        filesFromTable = narrow[ConfigId::IncludedFileCount] == std::to_string(exe.files.size()) &&
                         narrow[ConfigId::IncludedFileNames] == names;
        if (filesFromTable) {
            narrow.erase(ConfigId::IncludedFileCount);
            narrow.erase(ConfigId::IncludedFileNames);
        }
    }

    std::ostringstream out;
    out << "# Read back by qarvo-build inspect. Building this file gives the same configuration block.\n";
    out << "[build]\ndefault-messages = false\n";
    if (!narrow.count(ConfigId::SearchSequence)) out << "default-search = false\n";
    if (exe.machine == pe::kMachineAmd64 || exe.machine == pe::kMachineI386)
        out << "arch = \"" << (exe.machine == pe::kMachineAmd64 ? "x64" : "x86") << "\"\n";
    out << "\n[runtime]\njar = \"none\"    # the block and the files below already hold it where it was\n";

    // Values the readable keys would refuse stay raw entries.
    std::set<int> raw;
    for (const auto& [id, value] : narrow) {
        std::string why;
        if (!checkEntryValue(id, value, why)) raw.insert(id);
    }
    const auto minimum = narrow.find(ConfigId::MinVersion), maximum = narrow.find(ConfigId::MaxVersion);
    if (minimum != narrow.end() && maximum != narrow.end() && !versionLimitsAgree(minimum->second, maximum->second)) {
        raw.insert(ConfigId::MinVersion);
        raw.insert(ConfigId::MaxVersion);
    }
    std::string currentTable;
    std::set<int> done;
    for (const KeyDef& def : keyTable()) {
        auto it = narrow.find(def.id);
        if (it == narrow.end() || raw.count(def.id)) continue;
        std::string name = def.name;
        std::string value;
        if (def.id == ConfigId::ClassPath) {
            value = classPathForm(it->second);
        } else if (def.id == ConfigId::SearchSequence && !(value = searchForm(it->second)).empty()) {
            name = "search";
        } else {
            value = typedForm(def, it->second);
        }
        if (value.empty()) continue;
        if (currentTable != def.table) {
            currentTable = def.table;
            out << "\n[" << currentTable << "]\n";
        }
        out << name << " = " << value << "\n";
        done.insert(def.id);
    }
    bool header = false;
    for (const MessageDef& m : messageTable()) {
        auto it = narrow.find(m.id);
        if (it == narrow.end()) continue;
        if (!header) out << "\n[messages]\n";
        header = true;
        out << m.name << " = " << narrowValue(it->second) << "\n";
        done.insert(m.id);
    }
    header = false;
    for (const auto& [id, value] : narrow) {
        if (done.count(id)) continue;
        if (!header) out << "\n[entries]\n";
        header = true;
        out << id << " = " << narrowValue(value) << "\n";
    }
    header = false;
    for (const auto& [id, value] : wide) {
        if (!header) out << "\n[wide-entries]\n";
        header = true;
        out << id << " = " << wideValue(value, "wide entry " + std::to_string(id), warnings) << "\n";
    }
    for (const block::LocalizedGroup& group : b.groups) {
        if (!strictlyIncreasing(group.entries))
            warnings.push_back("localised group '" + group.locale +
                               "' is not in id order or repeats an id; a rebuild stores it sorted");
        out << "\n[[localized]]\nlocale = " << narrowValue(group.locale) << "\n";
        std::string messages, entries;
        for (const block::WideEntry& e : group.entries) {
            const std::string where = "localised group '" + group.locale + "' entry " + std::to_string(e.id);
            if (const MessageDef* m = messageById(e.id))
                messages += std::string(m->name) + " = " + wideValue(e.value, where, warnings) + "\n";
            else
                entries += std::to_string(e.id) + " = " + wideValue(e.value, where, warnings) + "\n";
        }
        if (!messages.empty()) out << "[localized.messages]\n" << messages;
        if (!entries.empty()) out << "[localized.entries]\n" << entries;
    }
    renderResources(exe, out, warnings);
    renderVersion(exe, out, warnings);
    if (filesFromTable) {
        for (const InspectedFile& f : exe.files) {
            out << "\n[[files]]\nname = " << narrowValue(f.name) << "\nsize = " << f.size << "\n";
            if (!extractedDirectory.empty()) {
                std::string relative = ansiToUtf8(f.name);
                for (char& c : relative)
                    if (c == '\\') c = '/';
                out << "source = " << tomlString(extractedDirectory + "/" + relative) << "\n";
            }
        }
    }
    return out.str();
}
