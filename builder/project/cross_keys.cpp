#include "builder/project/cross_keys.h"

#include "builder/project/checks.h"
#include "builder/project/jar_file.h"
#include "builder/project/keys.h"
#include "builder/project/launch_keys.h"
#include "builder/project/service_rules.h"
#include "config/config.h"
#include "files/archive_cache.h"
#include "format/config_ids.h"

namespace C = ConfigId;

namespace {

bool checkVersionLimits(KeyReader& reader) {
    const EntryTable& e = reader.entries();
    const auto minimum = e.narrow.find(C::MinVersion), maximum = e.narrow.find(C::MaxVersion);
    // [entries] are taken verbatim: the check is for the readable keys.
    const bool raw = e.setRaw(C::MinVersion) && e.setRaw(C::MaxVersion);
    if (minimum == e.narrow.end() || maximum == e.narrow.end() || raw ||
        versionLimitsAgree(minimum->second, maximum->second))
        return true;
    return reader.failAt(e.line.at(C::MaxVersion), e.keyOf(C::MaxVersion),
                         "the maximum " + maximum->second + " is below the minimum " + minimum->second + " (" +
                             e.keyOf(C::MinVersion) + "): no Java version would do");
}

// A modular application names its main class with its module; one without
// a main class or module starts nothing.
bool checkMainClass(KeyReader& reader, BuildPlan& plan) {
    EntryTable& e = reader.entries();
    const auto mainClass = e.narrow.find(C::MainClass);
    const bool modular = e.narrow.count(C::MainModule) != 0;
    if (modular && mainClass != e.narrow.end() && !e.setRaw(C::MainClass)) {
        const std::string& module = e.narrow[C::MainModule];
        return reader.failAt(e.line.at(C::MainClass), e.keyOf(C::MainClass),
                             "a modular application names its main class with its module: application.main-module = \"" +
                                 module.substr(0, module.find('/')) + "/" + mainClass->second + "\"");
    }
    if (!modular && (mainClass == e.narrow.end() || mainClass->second.empty()))
        plan.warnings.push_back(reader.fileName() + ": no application.main-class: the executable has no application to start");
    if (!modular && e.narrow.count(C::ModulePath))
        plan.warnings.push_back(reader.fileName() + ": java.module-path is used only with application.main-module");
    return true;
}

void addDefaultSearchAndFolder(EntryTable& e, const BuilderChoices& choices) {
    if (choices.defaultSearch && !e.narrow.count(C::SearchSequence)) {
        std::string why;
        encodeSearch(defaultSearch(), e.narrow[C::SearchSequence], why);
    }
    // The user's option file lives in a folder named after the application.
    const auto name = e.narrow.find(C::AppName);
    if (!e.narrow.count(C::UserOptionsFolder) && name != e.narrow.end()) {
        std::string why;
        if (checkEntryValue(C::UserOptionsFolder, name->second, why)) e.narrow[C::UserOptionsFolder] = name->second;
    }
}

// New executables split their command line as every Windows program does.
// "classic" is the absence of the entry, which launchers built before it
// read alike.
void addCommandLineRules(EntryTable& e) {
    const auto rules = e.narrow.find(C::CommandLineRules);
    if (rules == e.narrow.end())
        e.narrow[C::CommandLineRules] = "windows";
    else if (rules->second == "classic")
        e.narrow.erase(rules);
}

// The runtime archive: included (unless the project's files hold it), beside
// the executable on the class path, or left to the project.
bool placeRuntimeJar(KeyReader& reader, const BuilderChoices& choices, BuildPlan& plan) {
    EntryTable& e = reader.entries();
    const bool filesByHand = e.narrow.count(C::IncludedFileCount) || e.narrow.count(C::IncludedFileNames);
    // A project that writes entries 2002 and 2003 itself keeps them: by
    // default nothing is added to its files.
    if (!choices.runtimeJarSet && filesByHand) plan.runtimeJar = RuntimeJar::None;
    if (plan.runtimeJar == RuntimeJar::Bundled) {
        for (const IncludedFile& f : plan.files)
            if (f.name == kRuntimeJarName) {
                if (choices.runtimeJarSet)
                    return reader.failAt(choices.runtimeJarLine, "runtime.jar",
                                         std::string("[[files]] already includes ") + kRuntimeJarName +
                                             "; remove it or set jar = \"none\"");
                plan.runtimeJar = RuntimeJar::None;  // the project's own copy
            }
    }
    if (plan.runtimeJar == RuntimeJar::Bundled)
        plan.files.push_back(IncludedFile{kRuntimeJarName, "", "runtime.jar (the builder's lib/qarvo-runtime.jar)"});
    if (plan.runtimeJar == RuntimeJar::Beside) {
        // The archive beside the executable joins the configured class path.
        std::string& entries = e.narrow[C::ClassPath];
        if (!entries.empty() && entries.back() != ';') entries += ';';
        entries += std::string("A1") + kRuntimeJarName + ";";
    }
    return true;
}

// An archive whose manifest names files included with it relative to
// itself (Class-Path: lib/dep.jar) finds them only where they are extracted.
bool namesFilesBesideIt(const IncludedFile& file, const std::vector<std::string>& names) {
    std::map<std::string, std::string> attributes;
    std::string why;
    return !file.source.empty() && isClassPathArchive(file.name) && readJarManifest(file.source, attributes, why) &&
           manifestNamesIncludedFiles(attributes, file.name, names);
}

// Entries 2002 and 2003: how many files are included, and their names; and
// which of them go to the archive cache (entry 10144, written with their
// digests when the executable is).
bool addIncludedFileEntries(KeyReader& reader, const BuilderChoices& choices, BuildPlan& plan) {
    EntryTable& e = reader.entries();
    if (plan.files.empty()) return true;
    for (int id : {C::IncludedFileCount, C::IncludedFileNames, C::IncludedFileCache}) {
        if (e.narrow.count(id))
            return reader.failAt(e.line.at(id), e.keyOf(id),
                                 "entries 2002, 2003 and 10144 are written from [[files]]; remove this key");
    }
    std::vector<std::string> included;
    for (const IncludedFile& f : plan.files) included.push_back(f.name);
    for (IncludedFile& f : plan.files) {
        if (!f.cacheSet) {
            f.cache = choices.archiveCache && isClassPathArchive(f.name) && !namesFilesBesideIt(f, included);
        } else if (f.cache && namesFilesBesideIt(f, included)) {
            plan.warnings.push_back(f.where + ": the Class-Path of " + f.name +
                                    "'s manifest names included files, which are not beside its cached copy; "
                                    "leave out cache = true to extract it with them");
        }
    }
    std::string names;
    for (const IncludedFile& f : plan.files) names += (names.empty() ? "" : ";") + f.name;
    e.narrow[C::IncludedFileCount] = std::to_string(plan.files.size());
    e.narrow[C::IncludedFileNames] = names;
    return true;
}

// A list key given as [] leaves its entry out.
void dropEmptyLists(EntryTable& e) {
    for (const KeyDef& def : keyTable()) {
        if (def.kind != KeyKind::Names && def.kind != KeyKind::Integers) continue;
        const auto it = e.narrow.find(def.id);
        if (it != e.narrow.end() && it->second.empty() && !e.setRaw(def.id)) e.narrow.erase(it);
    }
}

// What a service cannot do: show a splash screen (it has no user's desktop)
// or keep to one instance (the service controller starts it once).
bool checkServiceConflicts(KeyReader& reader) {
    const EntryTable& e = reader.entries();
    const std::pair<int, const char*> excluded[] = {
        {C::ShowSplash, "a service shows no splash screen: it runs without a user's desktop; remove this key or the "
                        "[service] table"},
        {C::SingleInstance, "single-instance mode is for programs a user starts: the service controller starts a "
                            "service once and stops it itself; remove this key or the [service] table"},
    };
    for (const auto& [id, why] : excluded) {
        const auto it = e.narrow.find(id);
        if (it != e.narrow.end() && parseLeadingInt(it->second) != 0) return reader.failAt(e.line.at(id), e.keyOf(id), why);
    }
    return true;
}

// The entries a service executable always has, unless the project gives them.
void addServiceDefaults(EntryTable& e) {
    const auto name = e.narrow.find(C::AppName);
    const std::string display = name != e.narrow.end() && !name->second.empty() ? name->second : e.narrow[C::ServiceName];
    for (const auto& [id, value] : serviceDefaults(display)) e.narrow.emplace(id, value);
}

// A service runs as its own account, which does not see the installing
// user's environment, PATH or HKEY_CURRENT_USER: a search that rests on these
// alone finds Java for the user who tries the executable, not for the service.
void warnAboutServiceSearch(KeyReader& reader, BuildPlan& plan) {
    const EntryTable& e = reader.entries();
    const auto search = e.narrow.find(C::SearchSequence);
    const auto id = e.narrow.find(C::InstallationId);
    const ServiceSearchView view = serviceSearchView(search == e.narrow.end() ? "" : search->second,
                                                     id != e.narrow.end() && !id->second.empty());
    if (view.reliable) return;
    std::string places;
    for (size_t i = 0; i < view.userOnly.size(); ++i)
        places += std::string(i == 0 ? "" : i + 1 == view.userOnly.size() ? " and " : ", ") + "\"" + view.userOnly[i] + "\"";
    plan.warnings.push_back(reader.fileName() +
                            ": java.search: a service may not find Java: it runs as its own account, whose environment "
                            "variables, PATH and HKEY_CURRENT_USER are not the installing user's, and the search " +
                            (places.empty() ? std::string("names no place") : "rests only on " + places) +
                            "; add a runtime under the executable (\"bundled:jre\") or machine-wide installs "
                            "(\"registry\", \"well-known\")");
}

bool finishService(KeyReader& reader, const BuilderChoices& choices, BuildPlan& plan) {
    EntryTable& e = reader.entries();
    dropEmptyLists(e);
    if (!choices.serviceSet) return true;
    if (e.keyOf(C::ServiceName) != "service.name")
        return reader.failAt(choices.serviceLine, "service", "needs name, the service's name, as name = \"my-service\"");
    if (!checkServiceConflicts(reader)) return false;
    addServiceDefaults(e);
    warnAboutServiceSearch(reader, plan);
    return true;
}

}  // namespace

bool finishProject(KeyReader& reader, const BuilderChoices& choices, BuildPlan& plan) {
    EntryTable& e = reader.entries();
    if (!checkVersionLimits(reader)) return false;
    addDefaultSearchAndFolder(e, choices);
    addCommandLineRules(e);
    if (!checkMainClass(reader, plan) || !placeRuntimeJar(reader, choices, plan) ||
        !addIncludedFileEntries(reader, choices, plan) || !finishService(reader, choices, plan))
        return false;
    if (choices.defaultMessages) {
        for (const MessageDef& m : messageTable())
            if (!e.narrow.count(m.id)) e.narrow[m.id] = m.defaultText;
    }
    for (auto& [id, value] : e.narrow) plan.block.narrow.push_back({id, value});
    for (auto& [id, value] : e.wide) plan.block.wide.push_back({id, value});
    return true;
}
