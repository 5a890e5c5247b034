#define TOML_EXCEPTIONS 0
#include "builder/project/project.h"

#include <toml++/toml.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "builder/project/checks.h"
#include "builder/project/jar_file.h"
#include "builder/host/file_source.h"
#include "builder/project/keys.h"
#include "builder/project/launch_keys.h"
#include "builder/project/suggest.h"
#include "builder/project/text_codec.h"
#include "format/config_ids.h"

namespace {

const char* versionStringName(const std::string& key) {
    for (const version::StringKey& k : version::stringKeys())
        if (key == k.key) return k.name;
    return nullptr;
}

class ProjectReader {
public:
    ProjectReader(std::string displayName, std::string baseDirectory, PathStyle style)
        : file_(std::move(displayName)), base_(std::move(baseDirectory)), style_(style) {}

    bool read(const toml::table& root, BuildPlan& plan);
    const std::string& error() const { return error_; }

private:
    bool fail(const toml::node& node, const std::string& key, const std::string& message) {
        return failAt(node.source().begin.line, key, message);
    }
    // An unknown key or table, with the known key it most likely means.
    bool unknown(const toml::node& node, const std::string& key, const std::string& what,
                 const std::string& lookup = "") {
        const std::string hint = suggestKey(lookup.empty() ? key : lookup);
        return fail(node, key, what + (hint.empty() ? "" : "; did you mean " + hint + "?"));
    }
    bool failAt(unsigned line, const std::string& key, const std::string& message) {
        if (error_.empty()) {
            error_ = file_ + ":" + std::to_string(line) + ": ";
            if (!key.empty()) error_ += key + ": ";
            error_ += message;
        }
        return false;
    }

    bool setNarrow(int id, std::string value, const toml::node& node, const std::string& key);
    bool narrowText(const toml::node& node, const std::string& key, std::string& out);
    bool wideText(const toml::node& node, const std::string& key, std::u16string& out);
    bool typedValue(const KeyDef& def, const toml::node& node, const std::string& key, std::string& out);
    bool readKeyedTable(const std::string& tableName, const toml::table& table);
    bool readMessages(const toml::table& table);
    bool readRawEntries(const toml::table& table, bool wide, const std::string& tableName);
    bool readLocalized(const toml::array& groups, BuildPlan& plan);
    bool readFiles(const toml::array& files, BuildPlan& plan);
    bool readRuntime(const toml::table& table, BuildPlan& plan);
    bool readBuild(const toml::table& table, BuildPlan& plan);
    bool readSearch(const toml::node& node, const std::string& key, std::string& out);
    bool finish(BuildPlan& plan);
    void defaultCommandLineRules();
    bool readArray(const KeyDef& def, const toml::array& array, const std::string& key, std::string& out);
    bool readClassPath(const toml::array& array, const std::string& key, std::string& out);
    bool parseId(const toml::key& key, const std::string& qualified, int& id);
    bool sourceFiles(const toml::node& node, const std::string& key, bool many, std::vector<SourceFile>& out);
    bool readResources(const toml::table& table, ResourcePlan& plan);
    bool readVersion(const toml::table& table, ResourcePlan& plan);
    bool readManifest(const toml::table& table, ResourcePlan& plan);
    std::string where(const toml::node& node, const std::string& key) const {
        return file_ + ":" + std::to_string(node.source().begin.line) + ": " + key;
    }
    std::string hostPath(const std::string& path) const { return projectFilePath(base_, path, style_); }

    std::string file_;
    std::string base_;
    PathStyle style_;
    std::string error_;
    std::map<int, std::string> narrow_;
    std::map<int, std::string> narrowSetBy_;
    std::map<int, unsigned> narrowLine_;
    std::map<int, std::u16string> wide_;
    bool defaultMessages_ = true;
    bool defaultSearch_ = true;
    bool runtimeJarSet_ = false;
    unsigned runtimeJarLine_ = 0;
};

bool ProjectReader::setNarrow(int id, std::string value, const toml::node& node, const std::string& key) {
    auto it = narrowSetBy_.find(id);
    if (it != narrowSetBy_.end())
        return fail(node, key, "entry " + std::to_string(id) + " is already set by " + it->second);
    narrowSetBy_[id] = key;
    narrowLine_[id] = node.source().begin.line;
    narrow_[id] = std::move(value);
    return true;
}

bool ProjectReader::narrowText(const toml::node& node, const std::string& key, std::string& out) {
    const auto* s = node.as_string();
    if (s == nullptr) return fail(node, key, "expected a string");
    auto ansi = utf8ToAnsi(s->get());
    if (!ansi)
        return fail(node, key,
                    "holds a character that Windows-1252 cannot represent; give this text as a wide entry instead");
    out = std::move(*ansi);
    return true;
}

bool ProjectReader::wideText(const toml::node& node, const std::string& key, std::u16string& out) {
    const auto* s = node.as_string();
    if (s == nullptr) return fail(node, key, "expected a string");
    auto wide = utf8ToUtf16(s->get());
    if (!wide) return fail(node, key, "is not valid UTF-8");
    out = std::move(*wide);
    return true;
}

bool ProjectReader::typedValue(const KeyDef& def, const toml::node& node, const std::string& key, std::string& out) {
    switch (def.kind) {
        case KeyKind::Flag:
            if (const auto* b = node.as_boolean()) {
                out = b->get() ? "1" : "0";
                return true;
            }
            return fail(node, key, "expected true or false");
        case KeyKind::Int:
            if (const auto* text = node.as_string(); text != nullptr && !namedValues(def.id).empty()) {
                std::string names;
                for (const NamedValue& v : namedValues(def.id)) {
                    if (text->get() == v.name) {
                        out = std::to_string(v.value);
                        return true;
                    }
                    names += std::string(names.empty() ? "" : ", ") + "\"" + v.name + "\"";
                }
                return fail(node, key, "expected an integer or one of " + names);
            }
            if (const auto* i = node.as_integer()) {
                if (i->get() < INT_MIN || i->get() > INT_MAX) return fail(node, key, "integer out of range");
                out = std::to_string(i->get());
                return true;
            }
            return fail(node, key, "expected an integer");
        case KeyKind::Color: {
            const auto* a = node.as_array();
            if (a == nullptr || a->size() != 3) return fail(node, key, "expected a colour [red, green, blue]");
            out.clear();
            for (size_t k = 0; k < 3; ++k) {
                const auto* c = a->get(k)->as_integer();
                if (c == nullptr || c->get() < 0 || c->get() > 255)
                    return fail(node, key, "colour components are integers from 0 to 255");
                if (k > 0) out += ",";
                out += std::to_string(c->get());
            }
            return true;
        }
        case KeyKind::Text:
            return narrowText(node, key, out);
    }
    return false;
}

bool ProjectReader::readKeyedTable(const std::string& tableName, const toml::table& table) {
    for (auto&& [k, node] : table) {
        const std::string name(k.str());
        const std::string qualified = tableName + "." + name;
        if (node.is_table()) {
            if (!readKeyedTable(qualified, *node.as_table())) return false;
            continue;
        }
        if (qualified == "java.search") {
            std::string value;
            if (!readSearch(node, qualified, value) || !setNarrow(ConfigId::SearchSequence, std::move(value), node, qualified))
                return false;
            continue;
        }
        const KeyDef* def = nullptr;
        for (const KeyDef& candidate : keyTable())
            if (tableName == candidate.table && name == candidate.name) def = &candidate;
        if (def == nullptr) return unknown(node, qualified, "unknown key");
        std::string value;
        const bool ok = node.is_array() && def->kind == KeyKind::Text
                            ? readArray(*def, *node.as_array(), qualified, value)
                            : typedValue(*def, node, qualified, value);
        if (!ok) return false;
        std::string why;
        if (!checkEntryValue(def->id, value, why)) return fail(node, qualified, why);
        if (!setNarrow(def->id, std::move(value), node, qualified)) return false;
    }
    return true;
}

// The readable forms: class-path entries as tables, VM parameters and
// arguments as arrays of strings.
bool ProjectReader::readArray(const KeyDef& def, const toml::array& array, const std::string& key, std::string& out) {
    if (def.id == ConfigId::ClassPath) return readClassPath(array, key, out);
    if (def.id != ConfigId::VmParameters && def.id != ConfigId::FixedArguments && def.id != ConfigId::ModulePath &&
        def.id != ConfigId::JarManifestOptions)
        return fail(array, key, "expected a string");
    std::vector<std::string> pieces;
    for (const toml::node& element : array) {
        std::string piece;
        if (!narrowText(element, key, piece)) return false;
        pieces.push_back(std::move(piece));
    }
    if (def.id == ConfigId::ModulePath) {
        // One path per element: ";" is the separator of the stored text.
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (pieces[i].find(';') != std::string::npos) return fail(array, key, "a path cannot contain \";\"");
            out += (i > 0 ? ";" : "") + pieces[i];
        }
        return true;
    }
    std::string why;
    if (!joinArguments(pieces, out, why)) return fail(array, key, why);
    return true;
}

bool ProjectReader::readClassPath(const toml::array& array, const std::string& key, std::string& out) {
    std::vector<ReadableClassPathEntry> entries;
    for (const toml::node& element : array) {
        const auto* table = element.as_table();
        if (table == nullptr)
            return fail(element, key, "expected entries such as { archive = \"app.jar\", mandatory = true }");
        ReadableClassPathEntry entry;
        for (auto&& [k, value] : *table) {
            const std::string name(k.str());
            if (name == "mandatory") {
                if (!value.is_boolean()) return fail(value, key + ".mandatory", "expected true or false");
                entry.mandatory = value.as_boolean()->get();
            } else if (classPathKindLetter(name) != '\0' && entry.kindKey.empty()) {
                entry.kindKey = name;
                if (!narrowText(value, key + "." + name, entry.value)) return false;
            } else {
                return fail(value, key + "." + name,
                            "expected one of archive, directory, archives-in or variable, and mandatory");
            }
        }
        if (entry.kindKey.empty()) return fail(element, key, "an entry needs archive, directory, archives-in or variable");
        entries.push_back(std::move(entry));
    }
    std::string why;
    if (!encodeClassPath(entries, out, why)) return fail(array, key, why);
    return true;
}

// The runtime search in words: ["bundled:jre", "env:JAVA_HOME", "registry"].
bool ProjectReader::readSearch(const toml::node& node, const std::string& key, std::string& out) {
    const auto* array = node.as_array();
    if (array == nullptr)
        return fail(node, key, "expected a list such as [\"bundled:jre\", \"env:JAVA_HOME\", \"registry\"]");
    std::vector<std::string> entries;
    for (const toml::node& element : *array) {
        std::string entry;
        if (!narrowText(element, key, entry)) return false;
        entries.push_back(std::move(entry));
    }
    std::string why;
    if (!encodeSearch(entries, out, why)) return fail(node, key, why);
    return true;
}

bool ProjectReader::readBuild(const toml::table& table, BuildPlan& plan) {
    for (auto&& [k, value] : table) {
        const std::string name(k.str());
        const std::string qualified = "build." + name;
        if (name == "arch") {
            const auto* arch = value.as_string();
            if (arch == nullptr || (arch->get() != "x86" && arch->get() != "x64"))
                return fail(value, qualified, "expected \"x86\" or \"x64\"");
            plan.arch = arch->get();
            plan.archWhere = where(value, qualified);
            continue;
        }
        if (name != "default-messages" && name != "default-search") return unknown(value, qualified, "unknown key");
        if (!value.is_boolean()) return fail(value, qualified, "expected true or false");
        (name == "default-messages" ? defaultMessages_ : defaultSearch_) = value.as_boolean()->get();
    }
    return true;
}

bool ProjectReader::readRuntime(const toml::table& table, BuildPlan& plan) {
    runtimeJarSet_ = true;
    runtimeJarLine_ = table.source().begin.line;
    for (auto&& [k, value] : table) {
        if (k.str() != "jar") return unknown(value, "runtime." + std::string(k.str()), "unknown key");
        const auto* mode = value.as_string();
        const std::string text = mode != nullptr ? mode->get() : std::string();
        if (text == "none") plan.runtimeJar = RuntimeJar::None;
        else if (text == "beside") plan.runtimeJar = RuntimeJar::Beside;
        else if (text == "bundled") plan.runtimeJar = RuntimeJar::Bundled;
        else return fail(value, "runtime.jar", "expected \"beside\", \"bundled\" or \"none\"");
    }
    return true;
}

bool ProjectReader::parseId(const toml::key& key, const std::string& qualified, int& id) {
    const std::string text(key.str());
    const size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
    if (text.size() == digits || text.size() > 11 || text.find_first_not_of("0123456789", digits) != std::string::npos)
        return failAt(key.source().begin.line, qualified, "expected an entry number");
    long long value = std::stoll(text);
    if (value > INT_MAX || value < INT_MIN) return failAt(key.source().begin.line, qualified, "entry number out of range");
    id = static_cast<int>(value);
    return true;
}

bool ProjectReader::readMessages(const toml::table& table) {
    for (auto&& [k, node] : table) {
        const std::string qualified = "messages." + std::string(k.str());
        const MessageDef* def = messageByName(std::string(k.str()));
        if (def == nullptr) return unknown(node, qualified, "unknown message name");
        std::string value;
        if (!narrowText(node, qualified, value) || !setNarrow(def->id, std::move(value), node, qualified))
            return false;
    }
    return true;
}

bool ProjectReader::readRawEntries(const toml::table& table, bool wide, const std::string& tableName) {
    for (auto&& [k, node] : table) {
        const std::string qualified = tableName + "." + std::string(k.str());
        int id;
        if (!parseId(k, qualified, id)) return false;
        if (wide) {
            std::u16string value;
            if (!wideText(node, qualified, value)) return false;
            wide_[id] = std::move(value);
            continue;
        }
        std::string value;
        if (const auto* i = node.as_integer()) {
            value = std::to_string(i->get());
        } else if (!narrowText(node, qualified, value)) {
            return false;
        }
        if (!setNarrow(id, std::move(value), node, qualified)) return false;
    }
    return true;
}

bool ProjectReader::readLocalized(const toml::array& groups, BuildPlan& plan) {
    for (const toml::node& element : groups) {
        const auto* table = element.as_table();
        if (table == nullptr) return fail(element, "localized", "expected a table");
        block::LocalizedGroup group;
        const toml::node* locale = table->get("locale");
        if (locale == nullptr) return fail(element, "localized", "needs a locale code");
        if (!locale->is_string()) return fail(*locale, "localized.locale", "expected a string");
        group.locale = locale->as_string()->get();
        if (group.locale.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") !=
            std::string::npos)
            return fail(*locale, "localized.locale", "a locale code has letters, digits and '_' only, as de or de_CH");
        for (auto&& [k, node] : *table) {
            const std::string name(k.str());
            const std::string qualified = "localized." + name;
            if (name == "locale") continue;
            if (name != "messages" && name != "entries") return unknown(node, qualified, "unknown key");
            const auto* entries = node.as_table();
            if (entries == nullptr) return fail(node, qualified, "expected a table");
            for (auto&& [ek, value] : *entries) {
                const std::string entryKey = qualified + "." + std::string(ek.str());
                int id;
                if (name == "messages") {
                    const MessageDef* def = messageByName(std::string(ek.str()));
                    if (def == nullptr) return unknown(value, entryKey, "unknown message name", "messages." + std::string(ek.str()));
                    id = def->id;
                } else if (!parseId(ek, entryKey, id)) {
                    return false;
                }
                block::WideEntry entry;
                entry.id = id;
                if (!wideText(value, entryKey, entry.value)) return false;
                group.entries.push_back(std::move(entry));
            }
        }
        // One entry per id; stored in id order so that the block does not
        // depend on the order of the keys in the file.
        std::sort(group.entries.begin(), group.entries.end(),
                  [](const block::WideEntry& a, const block::WideEntry& b) { return a.id < b.id; });
        for (size_t i = 1; i < group.entries.size(); ++i)
            if (group.entries[i].id == group.entries[i - 1].id)
                return fail(element, "localized", "entry " + std::to_string(group.entries[i].id) + " is set twice");
        plan.block.groups.push_back(std::move(group));
    }
    return true;
}

bool ProjectReader::readFiles(const toml::array& files, BuildPlan& plan) {
    for (const toml::node& element : files) {
        const auto* table = element.as_table();
        if (table == nullptr) return fail(element, "files", "expected a table");
        IncludedFile file;
        for (auto&& [k, node] : *table) {
            const std::string name(k.str());
            const std::string qualified = "files." + name;
            if (name != "source" && name != "name" && name != "size") return unknown(node, qualified, "unknown key");
            if (name == "size") continue;  // written by inspect, for the reader's information
            if (!node.is_string()) return fail(node, qualified, "expected a string");
            (name == "source" ? file.source : file.name) = node.as_string()->get();
            if (name == "source") file.where = where(node, qualified);
        }
        if (file.source.empty()) return fail(element, "files", "needs a source");
        if (file.name.empty()) {
            size_t slash = file.source.find_last_of("/\\");
            file.name = slash == std::string::npos ? file.source : file.source.substr(slash + 1);
        }
        std::string why;
        if (!validIncludedName(file.name, why)) return fail(element, "files.name", why);
        auto ansi = utf8ToAnsi(file.name);
        if (!ansi) return fail(element, "files.name", "holds a character that Windows-1252 cannot represent");
        file.name = *ansi;
        file.source = hostPath(file.source);
        plan.files.push_back(std::move(file));
    }
    return true;
}

bool ProjectReader::sourceFiles(const toml::node& node, const std::string& key, bool many,
                                std::vector<SourceFile>& out) {
    out.clear();
    if (const auto* s = node.as_string()) {
        if (s->get().empty()) return fail(node, key, "expected a file name");
        out.push_back({hostPath(s->get()), where(node, key)});
        return true;
    }
    const auto* array = node.as_array();
    if (!many || array == nullptr) return fail(node, key, many ? "expected a file name or a list of PNG files" : "expected a file name");
    if (array->empty()) return fail(node, key, "expected at least one file");
    for (const toml::node& element : *array) {
        const auto* s = element.as_string();
        if (s == nullptr || s->get().empty()) return fail(element, key, "expected a file name");
        out.push_back({hostPath(s->get()), where(element, key)});
    }
    return true;
}

bool ProjectReader::readResources(const toml::table& table, ResourcePlan& plan) {
    for (auto&& [k, node] : table) {
        const std::string name(k.str());
        const std::string qualified = "resources." + name;
        bool ok;
        if (name == "icon") {
            ok = sourceFiles(node, qualified, true, plan.icon);
        } else if (name == "splash-icon") {
            ok = sourceFiles(node, qualified, true, plan.splashIcon);
        } else if (name == "splash-bitmap") {
            ok = sourceFiles(node, qualified, false, plan.splashBitmap);
        } else if (name == "splash-image") {
            ok = sourceFiles(node, qualified, false, plan.splashImage);
        } else {
            return unknown(node, qualified, "unknown key");
        }
        if (!ok) return false;
    }
    return true;
}

bool ProjectReader::readVersion(const toml::table& table, ResourcePlan& plan) {
    plan.hasVersion = true;
    plan.versionWhere = where(table, "version");
    bool fileVersion = false, productVersion = false;
    for (auto&& [k, node] : table) {
        const std::string name(k.str());
        const std::string qualified = "version." + name;
        const char* stringName = versionStringName(name);
        if (stringName == nullptr) return unknown(node, qualified, "unknown key");
        std::u16string text;
        if (!wideText(node, qualified, text)) return false;
        if (name == "file-version" || name == "product-version") {
            version::Number number;
            if (!version::parseNumber(node.as_string()->get(), number))
                return fail(node, qualified, "expected a version of one to four numbers from 0 to 65535, as \"1.2.3.4\"");
            (name == "file-version" ? plan.version.fileVersion : plan.version.productVersion) = number;
            (name == "file-version" ? fileVersion : productVersion) = true;
        }
        plan.version.strings.emplace_back(stringName, std::move(text));
    }
    if (!fileVersion) return fail(table, "version", "needs file-version");
    if (!productVersion) {
        plan.version.productVersion = plan.version.fileVersion;
        for (const auto& [n, text] : plan.version.strings)
            if (n == "FileVersion") plan.version.strings.emplace_back("ProductVersion", text);
    }
    return true;
}

bool ProjectReader::readManifest(const toml::table& table, ResourcePlan& plan) {
    for (auto&& [k, node] : table) {
        const std::string name(k.str());
        const std::string qualified = "manifest." + name;
        if (name == "file") {
            if (!sourceFiles(node, qualified, false, plan.manifestFile)) return false;
        } else if (name == "dpi-awareness") {
            const auto* s = node.as_string();
            const auto dpi = s ? manifest::dpiAwarenessByName(s->get()) : std::nullopt;
            if (!dpi)
                return fail(node, qualified,
                            "expected \"unaware\", \"system\", \"per-monitor\" or \"per-monitor-v2\"");
            plan.manifest.dpi = *dpi;
            plan.manifestOptions = true;
        } else if (name == "long-path-aware") {
            if (!node.is_boolean()) return fail(node, qualified, "expected true or false");
            plan.manifest.longPathAware = node.as_boolean()->get();
            plan.manifestOptions = true;
        } else {
            return unknown(node, qualified, "unknown key");
        }
    }
    if (!plan.manifestFile.empty() && plan.manifestOptions)
        return fail(table, "manifest.file", "a manifest file replaces the generated manifest; set its DPI and "
                                            "long-path awareness in the file instead of dpi-awareness and long-path-aware");
    return true;
}

bool ProjectReader::read(const toml::table& root, BuildPlan& plan) {
    for (auto&& [k, node] : root) {
        const std::string name(k.str());
        if (name == "localized" || name == "files") {
            const auto* array = node.as_array();
            if (array == nullptr) return fail(node, name, "expected an array of tables ([[" + name + "]])");
            if (!(name == "files" ? readFiles(*array, plan) : readLocalized(*array, plan))) return false;
            continue;
        }
        const auto* table = node.as_table();
        if (table == nullptr) return unknown(node, name, "unknown key");
        bool ok;
        if (name == "messages") {
            ok = readMessages(*table);
        } else if (name == "entries") {
            ok = readRawEntries(*table, false, name);
        } else if (name == "wide-entries") {
            ok = readRawEntries(*table, true, name);
        } else if (name == "runtime") {
            ok = readRuntime(*table, plan);
        } else if (name == "resources") {
            ok = readResources(*table, plan.resources);
        } else if (name == "version") {
            ok = readVersion(*table, plan.resources);
        } else if (name == "manifest") {
            ok = readManifest(*table, plan.resources);
        } else if (name == "build") {
            ok = readBuild(*table, plan);
        } else {
            bool known = false;
            for (const KeyDef& def : keyTable())
                if (std::string(def.table).rfind(name, 0) == 0) known = true;
            if (!known) return unknown(node, name, "unknown table");
            ok = readKeyedTable(name, *table);
        }
        if (!ok) return false;
    }
    return finish(plan);
}

// New executables split their command line as every Windows program does.
// "classic" is the absence of the entry, which launchers built before it
// read alike.
void ProjectReader::defaultCommandLineRules() {
    const auto rules = narrow_.find(ConfigId::CommandLineRules);
    if (rules == narrow_.end())
        narrow_[ConfigId::CommandLineRules] = "windows";
    else if (rules->second == "classic")
        narrow_.erase(rules);
}

// The defaults and the checks that span several keys.
bool ProjectReader::finish(BuildPlan& plan) {
    const auto minimum = narrow_.find(ConfigId::MinVersion), maximum = narrow_.find(ConfigId::MaxVersion);
    // [entries] are taken verbatim: the check is for the readable keys.
    const bool raw = narrowSetBy_[ConfigId::MinVersion].rfind("entries.", 0) == 0 &&
                     narrowSetBy_[ConfigId::MaxVersion].rfind("entries.", 0) == 0;
    if (minimum != narrow_.end() && maximum != narrow_.end() && !raw &&
        !versionLimitsAgree(minimum->second, maximum->second))
        return failAt(narrowLine_[ConfigId::MaxVersion], narrowSetBy_[ConfigId::MaxVersion],
                      "the maximum " + maximum->second + " is below the minimum " + minimum->second + " (" +
                          narrowSetBy_[ConfigId::MinVersion] + "): no Java version would do");
    if (defaultSearch_ && !narrow_.count(ConfigId::SearchSequence)) {
        std::string why;
        encodeSearch(defaultSearch(), narrow_[ConfigId::SearchSequence], why);
    }
    // The user's option file lives in a folder named after the application.
    const auto name = narrow_.find(ConfigId::AppName);
    if (!narrow_.count(ConfigId::UserOptionsFolder) && name != narrow_.end()) {
        std::string why;
        if (checkEntryValue(ConfigId::UserOptionsFolder, name->second, why))
            narrow_[ConfigId::UserOptionsFolder] = name->second;
    }
    const auto mainClass = narrow_.find(ConfigId::MainClass);
    const bool modular = narrow_.count(ConfigId::MainModule) != 0;
    if (modular && mainClass != narrow_.end() && narrowSetBy_[ConfigId::MainClass].rfind("entries.", 0) != 0)
        return failAt(narrowLine_[ConfigId::MainClass], narrowSetBy_[ConfigId::MainClass],
                      "a modular application names its main class with its module: application.main-module = \"" +
                          narrow_[ConfigId::MainModule].substr(0, narrow_[ConfigId::MainModule].find('/')) + "/" +
                          mainClass->second + "\"");
    if (!modular && (mainClass == narrow_.end() || mainClass->second.empty()))
        plan.warnings.push_back(file_ + ": no application.main-class: the executable has no application to start");
    if (!modular && narrow_.count(ConfigId::ModulePath))
        plan.warnings.push_back(file_ + ": java.module-path is used only with application.main-module");
    const bool filesByHand = narrow_.count(ConfigId::IncludedFileCount) || narrow_.count(ConfigId::IncludedFileNames);
    // A project that writes entries 2002 and 2003 itself keeps them: by
    // default nothing is added to its files.
    if (!runtimeJarSet_ && filesByHand) plan.runtimeJar = RuntimeJar::None;
    if (plan.runtimeJar == RuntimeJar::Bundled) {
        for (const IncludedFile& f : plan.files)
            if (f.name == kRuntimeJarName) {
                if (runtimeJarSet_)
                    return failAt(runtimeJarLine_, "runtime.jar", std::string("[[files]] already includes ") + kRuntimeJarName +
                                                        "; remove it or set jar = \"none\"");
                plan.runtimeJar = RuntimeJar::None;  // the project's own copy
            }
    }
    if (plan.runtimeJar == RuntimeJar::Bundled)
        plan.files.push_back(IncludedFile{kRuntimeJarName, "", "runtime.jar (the builder's lib/qarvo-runtime.jar)"});
    if (plan.runtimeJar == RuntimeJar::Beside) {
        // The archive beside the executable joins the configured class path.
        std::string& entries = narrow_[ConfigId::ClassPath];
        if (!entries.empty() && entries.back() != ';') entries += ';';
        entries += std::string("A1") + kRuntimeJarName + ";";
    }
    if (!plan.files.empty()) {
        for (int id : {ConfigId::IncludedFileCount, ConfigId::IncludedFileNames}) {
            if (narrow_.count(id))
                return failAt(narrowLine_[id], narrowSetBy_[id], "entries 2002 and 2003 are written from [[files]]; remove this key");
        }
        std::string names;
        for (const IncludedFile& f : plan.files) names += (names.empty() ? "" : ";") + f.name;
        narrow_[ConfigId::IncludedFileCount] = std::to_string(plan.files.size());
        narrow_[ConfigId::IncludedFileNames] = names;
    }
    defaultCommandLineRules();
    if (defaultMessages_) {
        for (const MessageDef& m : messageTable())
            if (!narrow_.count(m.id)) narrow_[m.id] = m.defaultText;
    }
    for (auto& [id, value] : narrow_) plan.block.narrow.push_back({id, value});
    for (auto& [id, value] : wide_) plan.block.wide.push_back({id, value});
    return true;
}

// The TOML library misbehaves on some characters beyond ASCII where it
// expects syntax rather than text. TOML allows such characters only inside
// strings and comments, as it allows '@'; so the text is first parsed with
// each of those bytes replaced by '@', which fails wherever one of them stands
// outside a string or comment, before the real text is parsed.
std::string asciiShape(const std::string& text) {
    std::string shape = text.rfind("\xef\xbb\xbf", 0) == 0 ? text.substr(3) : text;
    for (char& c : shape)
        if (static_cast<unsigned char>(c) >= 0x80) c = '@';
    return shape;
}

}  // namespace

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

bool parseProject(const std::string& text, const std::string& displayName, const std::string& baseDirectory,
                  BuildPlan& plan, std::string& error) {
    toml::parse_result shape = toml::parse(asciiShape(text), displayName);
    toml::parse_result result = shape ? toml::parse(text, displayName) : std::move(shape);
    if (!result) {
        const toml::parse_error& e = result.error();
        error = displayName + ":" + std::to_string(e.source().begin.line) + ": " + std::string(e.description());
        return false;
    }
    ProjectReader reader(displayName, baseDirectory, hostPathStyle());
    if (!reader.read(result.table(), plan)) {
        error = reader.error();
        return false;
    }
    return true;
}

void addJarManifestOptions(BuildPlan& plan, const std::vector<std::string>& directories) {
    std::vector<block::NarrowEntry>& narrow = plan.block.narrow;
    std::string classPath;
    for (const block::NarrowEntry& entry : narrow) {
        if (entry.id == ConfigId::JarManifestOptions) return;  // the project's own choice
        if (entry.id == ConfigId::ClassPath) classPath = entry.value;
    }
    const auto entries = decodeClassPath(classPath);
    if (!entries) return;
    const auto archive = std::find_if(entries->begin(), entries->end(),
                                      [](const ReadableClassPathEntry& e) { return e.kindKey == "archive"; });
    // A name with variables is known only at start.
    if (archive == entries->end() || archive->value.find_first_of("$%") != std::string::npos) return;
    std::string relative = archive->value;
    for (char& c : relative)
        if (c == '\\') c = '/';
    std::error_code ec;
    for (const std::string& directory : directories) {
        const std::string path = projectFilePath(directory, relative, hostPathStyle());
        if (!std::filesystem::is_regular_file(fsPath(path), ec)) continue;
        std::map<std::string, std::string> attributes;
        std::string why;
        if (!readJarManifest(path, attributes, why)) {
            plan.warnings.push_back(path + ": " + why + "; its manifest's VM options are not applied");
            return;
        }
        const std::vector<std::string> options = manifestVmOptions(attributes, path, plan.warnings);
        std::string text;
        if (options.empty() || !joinArguments(options, text, why)) return;
        const auto at = std::find_if(narrow.begin(), narrow.end(), [](const block::NarrowEntry& e) {
            return e.id > ConfigId::JarManifestOptions;
        });
        narrow.insert(at, block::NarrowEntry{ConfigId::JarManifestOptions, text});
        return;
    }
}

bool loadProject(const std::string& path, BuildPlan& plan, std::string& error) {
    std::string text, reason;
    if (!readWholeFile(path, text, reason)) {
        error = path + ": cannot read the project file: " + reason;
        return false;
    }
    const std::string base = projectDirectoryOf(path, hostPathStyle());
    return parseProject(text, path, base, plan, error);
}
