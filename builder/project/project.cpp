#include "builder/project/project.h"

#include "builder/host/file_source.h"
#include "builder/project/array_tables.h"
#include "builder/project/cross_keys.h"
#include "builder/project/key_reader.h"
#include "builder/project/keys.h"
#include "builder/project/project_paths.h"
#include "builder/project/resource_tables.h"

namespace {

bool readBuild(KeyReader& reader, const toml::table& table, BuildPlan& plan, BuilderChoices& choices) {
    for (auto&& [k, value] : table) {
        const std::string name(k.str());
        const std::string qualified = "build." + name;
        const BuilderKey* key = builderKey("build", name);
        if (key == nullptr) return reader.unknown(value, qualified, "unknown key");
        if (key->kind == BuilderKind::Word) {
            if (!reader.oneOfWords(value, qualified, key->words, plan.arch)) return false;
            plan.archWhere = reader.where(value, qualified);
            continue;
        }
        if (!value.is_boolean()) return reader.fail(value, qualified, "expected true or false");
        (name == "default-messages" ? choices.defaultMessages
         : name == "default-search" ? choices.defaultSearch
                                    : choices.archiveCache) = value.as_boolean()->get();
    }
    return true;
}

bool readRuntime(KeyReader& reader, const toml::table& table, BuildPlan& plan, BuilderChoices& choices) {
    choices.runtimeJarSet = true;
    choices.runtimeJarLine = table.source().begin.line;
    for (auto&& [k, value] : table) {
        const BuilderKey* key = builderKey("runtime", std::string(k.str()));
        if (key == nullptr) return reader.unknown(value, "runtime." + std::string(k.str()), "unknown key");
        std::string mode;
        if (!reader.oneOfWords(value, "runtime.jar", key->words, mode)) return false;
        plan.runtimeJar = mode == "none" ? RuntimeJar::None : mode == "beside" ? RuntimeJar::Beside : RuntimeJar::Bundled;
    }
    return true;
}

// A table of the top level, by its name.
bool readTable(KeyReader& reader, const std::string& name, const toml::table& table, BuildPlan& plan,
               BuilderChoices& choices) {
    if (name == "messages") return reader.readMessages(table);
    if (name == "entries") return reader.readRawEntries(table, false, name);
    if (name == "wide-entries") return reader.readRawEntries(table, true, name);
    if (name == "runtime") return readRuntime(reader, table, plan, choices);
    if (name == "resources") return readResources(reader, table, plan.resources);
    if (name == "version") return readVersion(reader, table, plan.resources);
    if (name == "manifest") return readManifest(reader, table, plan.resources);
    if (name == "build") return readBuild(reader, table, plan, choices);
    if (name == "service") {
        choices.serviceSet = true;
        choices.serviceLine = table.source().begin.line;
    }
    // A table's name with a dot is a quoted one, no table of keys.
    if (name.find('.') != std::string::npos || !isKeyedTable(name)) return reader.unknown(table, name, "unknown table");
    return reader.readKeyedTable(name, table);
}

bool readProject(KeyReader& reader, const toml::table& root, BuildPlan& plan) {
    BuilderChoices choices;
    for (auto&& [k, node] : root) {
        const std::string name(k.str());
        if (isArrayOfTables(name)) {
            const auto* array = node.as_array();
            if (array == nullptr) return reader.fail(node, name, "expected an array of tables ([[" + name + "]])");
            if (!(name == "files" ? readIncludedFiles(reader, *array, plan.files)
                                  : readLocalized(reader, *array, plan.block.groups)))
                return false;
            continue;
        }
        const auto* table = node.as_table();
        if (table == nullptr) return reader.unknown(node, name, "unknown key");
        if (!readTable(reader, name, *table, plan, choices)) return false;
    }
    return finishProject(reader, choices, plan);
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

bool parseProject(const std::string& text, const std::string& displayName, const std::string& baseDirectory,
                  BuildPlan& plan, std::string& error) {
    toml::parse_result shape = toml::parse(asciiShape(text), displayName);
    toml::parse_result result = shape ? toml::parse(text, displayName) : std::move(shape);
    if (!result) {
        const toml::parse_error& e = result.error();
        error = displayName + ":" + std::to_string(e.source().begin.line) + ": " + std::string(e.description());
        return false;
    }
    KeyReader reader(displayName, baseDirectory, hostPathStyle());
    if (!readProject(reader, result.table(), plan)) {
        error = reader.error();
        return false;
    }
    return true;
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
