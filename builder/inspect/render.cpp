#include "builder/inspect/render.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>

#include "builder/pe/images.h"
#include "builder/pe/manifest.h"
#include "builder/pe/pe_image.h"
#include "builder/pe/version_info.h"
#include "builder/project/checks.h"
#include "builder/project/keys.h"
#include "builder/project/launch_keys.h"
#include "builder/project/service_rules.h"
#include "builder/project/text_codec.h"
#include "builder/project/toml_text.h"
#include "config/config.h"
#include "files/archive_cache.h"
#include "format/config_ids.h"
#include "format/resource_ids.h"

namespace {

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

std::string listElement(const KeyDef& def, const std::string& piece) {
    return def.kind == KeyKind::Names ? narrowValue(piece) : piece;
}

// The typed form of a narrow value, or empty when the typed key would not
// reproduce the stored text exactly.
std::string typedForm(const KeyDef& def, const std::string& text) {
    switch (def.kind) {
        case KeyKind::Flag:
            if (text == "1") return "true";
            if (text == "0") return "false";
            return "";
        case KeyKind::Int:
        case KeyKind::Size: {
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
        case KeyKind::Arguments:
        case KeyKind::Paths:
        case KeyKind::ClassPath:
            return narrowValue(text);
        case KeyKind::Names:
        case KeyKind::Integers: {
            // The entry's check has ruled out empty pieces and odd numbers.
            std::string out = "[";
            size_t start = 0;
            for (size_t end; (end = text.find(';', start)) != std::string::npos; start = end + 1)
                out += listElement(def, text.substr(start, end - start)) + ", ";
            return out + listElement(def, text.substr(start)) + "]";
        }
        case KeyKind::Bytes: {
            const std::string size = byteSizeText(std::strtoll(text.c_str(), nullptr, 10));
            return size == text ? text : tomlString(size);
        }
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


// The block's entries by id, the last value of a repeated id winning.
struct Entries {
    std::map<int, std::string> narrow;
    std::map<int, std::u16string> wide;
    std::set<int> done;  // narrow entries already written under a readable key
    std::vector<bool> cached;  // of each included file: from the archive cache
};

void warnAboutOrder(const block::RawBlock& b, std::vector<std::string>& warnings) {
    if (b.reserved1 != 0 || b.reserved2 != 0)
        warnings.push_back("the block's reserved header fields are not zero; a rebuild writes zeros");
    if (!strictlyIncreasing(b.narrow) || !strictlyIncreasing(b.wide))
        warnings.push_back("the block's entries are not in id order or repeat an id; a rebuild stores them sorted, "
                           "each id once (the last value)");
}

// Included files are written from [[files]] when entries 2002, 2003 and
// 10144 describe them exactly; those entries are then left out.
bool takeFilesEntries(const InspectedExecutable& exe, Entries& entries) {
    if (exe.files.empty()) return false;
    std::string names;
    for (const InspectedFile& f : exe.files) names += (names.empty() ? "" : ";") + f.name;
    std::map<int, std::string>& narrow = entries.narrow;
    if (narrow[ConfigId::IncludedFileCount] != std::to_string(exe.files.size()) ||
        narrow[ConfigId::IncludedFileNames] != names)
        return false;
    const auto cache = narrow.find(ConfigId::IncludedFileCache);
    const auto records = parseCacheEntry(cache == narrow.end() ? "" : cache->second, exe.files.size());
    if (!records) return false;
    for (size_t i = 0; i < exe.files.size(); ++i) {
        const CacheRecord& r = (*records)[i];
        if (r.cached() && r.size != static_cast<uint64_t>(exe.files[i].size)) return false;
        entries.cached.push_back(r.cached());
    }
    narrow.erase(ConfigId::IncludedFileCount);
    narrow.erase(ConfigId::IncludedFileNames);
    narrow.erase(ConfigId::IncludedFileCache);
    return true;
}

void renderHeader(const InspectedExecutable& exe, const Entries& entries, bool filesNeedExtract, std::ostream& out) {
    if (filesNeedExtract)
        out << "# Read back by qarvo-build inspect. The included files are not written out: run\n"
               "# qarvo-build inspect with --extract DIR to write them and name them here; only then\n"
               "# does building this file give the same configuration block.\n";
    else
        out << "# Read back by qarvo-build inspect. Building this file gives the same configuration block.\n";
    out << "[build]\ndefault-messages = false\n";
    if (!entries.narrow.count(ConfigId::SearchSequence)) out << "default-search = false\n";
    if (exe.machine == pe::kMachineAmd64 || exe.machine == pe::kMachineI386)
        out << "arch = \"" << (exe.machine == pe::kMachineAmd64 ? "x64" : "x86") << "\"\n";
    out << "\n[runtime]\njar = \"none\"    # the block and the files below already hold it where it was\n";
}

// Whether a [service] table builds the service entries again: the name
// readable, every entry the builder adds to a service there (else the
// rebuild would add it), and no key a service excludes.
bool serviceTableRebuilds(const std::map<int, std::string>& narrow, const std::set<int>& raw) {
    if (raw.count(ConfigId::ServiceName)) return false;
    for (const auto& [id, value] : serviceDefaults(""))
        if (!narrow.count(id)) return false;
    for (int id : {ConfigId::ShowSplash, ConfigId::SingleInstance}) {
        const auto it = narrow.find(id);
        if (it != narrow.end() && parseLeadingInt(it->second) != 0) return false;
    }
    return true;
}

// Values the readable keys would refuse stay raw entries.
std::set<int> rawOnly(const std::map<int, std::string>& narrow) {
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
    if (narrow.count(ConfigId::ServiceName) && !serviceTableRebuilds(narrow, raw))
        for (const KeyDef& def : keyTable())
            if (std::string(def.table) == "service") raw.insert(def.id);
    return raw;
}

// The readable key and value of an entry; an empty value when none reproduces it.
std::pair<std::string, std::string> readableKey(const KeyDef& def, const std::string& text) {
    if (def.kind == KeyKind::ClassPath) return {def.name, classPathForm(text)};
    if (def.kind == KeyKind::Paths) {
        // One element per path; the entry's check has ruled out empty ones.
        std::string out = "[";
        size_t start = 0;
        for (size_t end; (end = text.find(';', start)) != std::string::npos; start = end + 1)
            out += narrowValue(text.substr(start, end - start)) + ", ";
        return {def.name, out + narrowValue(text.substr(start)) + "]"};
    }
    if (def.id == ConfigId::SearchSequence) {
        std::string words = searchForm(text);
        if (!words.empty()) return {"search", words};
    }
    return {def.name, typedForm(def, text)};
}

void renderKeyedTables(Entries& entries, std::ostream& out) {
    const std::set<int> raw = rawOnly(entries.narrow);
    std::string currentTable;
    for (const KeyDef& def : keyTable()) {
        auto it = entries.narrow.find(def.id);
        if (it == entries.narrow.end() || raw.count(def.id)) continue;
        const auto [name, value] = readableKey(def, it->second);
        if (value.empty()) continue;
        if (currentTable != def.table) {
            currentTable = def.table;
            out << "\n[" << currentTable << "]\n";
        }
        out << name << " = " << value << "\n";
        entries.done.insert(def.id);
    }
}

void renderMessagesAndEntries(Entries& entries, std::ostream& out, std::vector<std::string>& warnings) {
    bool header = false;
    for (const MessageDef& m : messageTable()) {
        auto it = entries.narrow.find(m.id);
        if (it == entries.narrow.end()) continue;
        if (!header) out << "\n[messages]\n";
        header = true;
        out << m.name << " = " << narrowValue(it->second) << "\n";
        entries.done.insert(m.id);
    }
    header = false;
    for (const auto& [id, value] : entries.narrow) {
        if (entries.done.count(id)) continue;
        if (!header) out << "\n[entries]\n";
        header = true;
        out << id << " = " << narrowValue(value) << "\n";
    }
    header = false;
    for (const auto& [id, value] : entries.wide) {
        if (!header) out << "\n[wide-entries]\n";
        header = true;
        out << id << " = " << wideValue(value, "wide entry " + std::to_string(id), warnings) << "\n";
    }
}

void renderLocalized(const block::RawBlock& b, std::ostream& out, std::vector<std::string>& warnings) {
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
}

void renderFiles(const InspectedExecutable& exe, const Entries& entries, const std::string& extractedDirectory,
                 std::ostream& out) {
    if (extractedDirectory.empty())
        out << "\n# The included files: their source lines come with inspect --extract DIR.\n";
    for (size_t i = 0; i < exe.files.size(); ++i) {
        const InspectedFile& f = exe.files[i];
        out << "\n[[files]]\nname = " << narrowValue(f.name) << "\nsize = " << f.size << "\ncache = "
            << (entries.cached[i] ? "true" : "false") << "\n";
        if (extractedDirectory.empty()) continue;
        std::string relative = ansiToUtf8(f.name);
        for (char& c : relative)
            if (c == '\\') c = '/';
        out << "source = " << tomlString(extractedDirectory + "/" + relative) << "\n";
    }
}

}  // namespace

std::string renderProject(const InspectedExecutable& exe, const std::string& extractedDirectory,
                          std::vector<std::string>& warnings) {
    const block::RawBlock& b = exe.block;
    warnAboutOrder(b, warnings);
    Entries entries;
    for (const block::NarrowEntry& e : b.narrow) entries.narrow[e.id] = e.value;
    for (const block::WideEntry& e : b.wide) entries.wide[e.id] = e.value;
    // Without the entry the launcher keeps the classic rules, which a project
    // must then ask for: the key's default is the other one.
    entries.narrow.emplace(ConfigId::CommandLineRules, "classic");
    const bool filesFromTable = takeFilesEntries(exe, entries);

    std::ostringstream out;
    renderHeader(exe, entries, filesFromTable && extractedDirectory.empty(), out);
    renderKeyedTables(entries, out);
    renderMessagesAndEntries(entries, out, warnings);
    renderLocalized(b, out, warnings);
    renderResources(exe, out, warnings);
    renderVersion(exe, out, warnings);
    if (filesFromTable) renderFiles(exe, entries, extractedDirectory, out);
    return out.str();
}
