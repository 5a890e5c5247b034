#include "builder/inspect.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "builder/file_source.h"
#include "builder/keys.h"
#include "builder/launch_keys.h"
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

template <typename Entry>
bool strictlyIncreasing(const std::vector<Entry>& entries) {
    for (size_t i = 1; i < entries.size(); ++i)
        if (entries[i].id <= entries[i - 1].id) return false;
    return true;
}

}  // namespace

bool readExecutable(const std::string& path, InspectedExecutable& out, std::string& error) {
    HostFileSource source(path);
    if (!source.isOpen()) {
        error = path + ": cannot read the executable";
        return false;
    }
    block::BlockReader reader(source, [](const std::string&) {});
    if (!reader.locateAppendedData(&out.blockOffset) || !reader.readBlock(out.block)) {
        error = path + ": no configuration block (" + block::failureText(reader.failure()) + ")";
        return false;
    }
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
                  std::string& error) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(executablePath.c_str(), "rb"), &std::fclose);
    if (!in) {
        error = executablePath + ": cannot read the executable";
        return false;
    }
    std::vector<char> buffer(1 << 20);
    for (const InspectedFile& file : exe.files) {
        std::string why;
        if (!validIncludedName(file.name, why)) {
            error = "included file '" + ansiToUtf8(file.name) + "' not extracted: " + why;
            return false;
        }
        std::string relative = ansiToUtf8(file.name);
        for (char& c : relative)
            if (c == '\\') c = '/';
        const std::filesystem::path target = std::filesystem::path(directory) / relative;
        std::error_code ec;
        std::filesystem::create_directories(target.parent_path(), ec);
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(target.c_str(), "wb"), &std::fclose);
        if (!out) {
            error = target.string() + ": cannot write";
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
            if (std::fwrite(buffer.data(), 1, n, out.get()) != n) {
                error = target.string() + ": write failed";
                return false;
            }
            left -= static_cast<int64_t>(n);
        }
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

    std::string currentTable;
    std::set<int> done;
    for (const KeyDef& def : keyTable()) {
        auto it = narrow.find(def.id);
        if (it == narrow.end()) continue;
        const std::string value =
            def.id == ConfigId::ClassPath ? classPathForm(it->second) : typedForm(def, it->second);
        if (value.empty()) continue;
        if (currentTable != def.table) {
            currentTable = def.table;
            out << "\n[" << currentTable << "]\n";
        }
        out << def.name << " = " << value << "\n";
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
