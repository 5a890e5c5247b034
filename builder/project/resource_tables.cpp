#include "builder/project/resource_tables.h"

#include "builder/project/keys.h"

namespace {

const char* versionStringName(const std::string& key) {
    for (const version::StringKey& k : version::stringKeys())
        if (key == k.key) return k.name;
    return nullptr;
}

// A file name, or with many a list of them (PNG images packed into one icon).
bool sourceFiles(KeyReader& reader, const toml::node& node, const std::string& key, bool many,
                 std::vector<SourceFile>& out) {
    out.clear();
    if (const auto* s = node.as_string()) {
        if (s->get().empty()) return reader.fail(node, key, "expected a file name");
        out.push_back({reader.hostPath(s->get()), reader.where(node, key)});
        return true;
    }
    const auto* array = node.as_array();
    if (!many || array == nullptr)
        return reader.fail(node, key, many ? "expected a file name or a list of PNG files" : "expected a file name");
    if (array->empty()) return reader.fail(node, key, "expected at least one file");
    for (const toml::node& element : *array) {
        const auto* s = element.as_string();
        if (s == nullptr || s->get().empty()) return reader.fail(element, key, "expected a file name");
        out.push_back({reader.hostPath(s->get()), reader.where(element, key)});
    }
    return true;
}

}  // namespace

bool readResources(KeyReader& reader, const toml::table& table, ResourcePlan& plan) {
    for (auto&& [k, node] : table) {
        const std::string name(k.str());
        const std::string qualified = "resources." + name;
        bool ok;
        if (name == "icon") {
            ok = sourceFiles(reader, node, qualified, true, plan.icon);
        } else if (name == "splash-icon") {
            ok = sourceFiles(reader, node, qualified, true, plan.splashIcon);
        } else if (name == "splash-bitmap") {
            ok = sourceFiles(reader, node, qualified, false, plan.splashBitmap);
        } else if (name == "splash-image") {
            ok = sourceFiles(reader, node, qualified, false, plan.splashImage);
        } else {
            return reader.unknown(node, qualified, "unknown key");
        }
        if (!ok) return false;
    }
    return true;
}

bool readVersion(KeyReader& reader, const toml::table& table, ResourcePlan& plan) {
    plan.hasVersion = true;
    plan.versionWhere = reader.where(table, "version");
    bool fileVersion = false, productVersion = false;
    for (auto&& [k, node] : table) {
        const std::string name(k.str());
        const std::string qualified = "version." + name;
        const char* stringName = versionStringName(name);
        if (stringName == nullptr) return reader.unknown(node, qualified, "unknown key");
        std::u16string text;
        if (!reader.wideText(node, qualified, text)) return false;
        const bool fileNumber = name == kFileVersionKey;
        if (fileNumber || name == kProductVersionKey) {
            version::Number number;
            if (!version::parseNumber(node.as_string()->get(), number))
                return reader.fail(node, qualified,
                                   "expected a version of one to four numbers from 0 to 65535, as \"1.2.3.4\"");
            (fileNumber ? plan.version.fileVersion : plan.version.productVersion) = number;
            (fileNumber ? fileVersion : productVersion) = true;
        }
        plan.version.strings.emplace_back(stringName, std::move(text));
    }
    if (!fileVersion) return reader.fail(table, "version", std::string("needs ") + kFileVersionKey);
    if (!productVersion) {
        plan.version.productVersion = plan.version.fileVersion;
        for (const auto& [n, text] : plan.version.strings)
            if (n == "FileVersion") plan.version.strings.emplace_back("ProductVersion", text);
    }
    return true;
}

bool readManifest(KeyReader& reader, const toml::table& table, ResourcePlan& plan) {
    for (auto&& [k, node] : table) {
        const std::string name(k.str());
        const std::string qualified = "manifest." + name;
        if (name == "file") {
            if (!sourceFiles(reader, node, qualified, false, plan.manifestFile)) return false;
        } else if (name == "dpi-awareness") {
            std::string word;
            if (!reader.oneOfWords(node, qualified, manifest::dpiAwarenessNames(), word)) return false;
            plan.manifest.dpi = *manifest::dpiAwarenessByName(word);
            plan.manifestOptions = true;
        } else if (name == "long-path-aware") {
            if (!node.is_boolean()) return reader.fail(node, qualified, "expected true or false");
            plan.manifest.longPathAware = node.as_boolean()->get();
            plan.manifestOptions = true;
        } else {
            return reader.unknown(node, qualified, "unknown key");
        }
    }
    if (!plan.manifestFile.empty() && plan.manifestOptions)
        return reader.fail(table, "manifest.file",
                           "a manifest file replaces the generated manifest; set its DPI and "
                           "long-path awareness in the file instead of dpi-awareness and long-path-aware");
    return true;
}
