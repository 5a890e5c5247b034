#include "builder/project/starter.h"

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <sstream>

#include "builder/host/file_source.h"
#include "builder/host/output_file.h"
#include "builder/project/checks.h"
#include "builder/project/jar_file.h"
#include "builder/project/launch_keys.h"
#include "builder/project/toml_text.h"

namespace {

// The entries relative to the jar; an absolute one (a Linux package's
// "/usr/share/java/x.jar", "file:/C:/x.jar") names no place beside the
// executable: left out, with a warning.
std::string classPathEntries(const std::string& jarName, const std::string& manifestClassPath,
                             std::vector<std::string>& warnings) {
    std::string out = "[\n    { archive = " + tomlString(jarName) + ", mandatory = true },\n";
    std::istringstream words(manifestClassPath);
    std::string url;
    while (words >> url) {
        if (url.find(';') != std::string::npos || url.find(':') != std::string::npos || url[0] == '/') {
            warnings.push_back(jarName + ": the manifest's Class-Path entry " + url +
                               " is not relative to the jar; left out of java.class-path");
            continue;
        }
        std::string path = classPathUrlAsWindowsPath(url);
        const bool directory = !path.empty() && path.back() == '\\';
        if (directory) path.pop_back();
        if (path.empty()) continue;
        out += "    { " + std::string(directory ? "directory" : "archive") + " = " + tomlString(path) + " },\n";
    }
    return out + "]";
}

// What the starter says of the VM options of the jar's manifest.
std::string manifestOptionsNote(const std::string& jarName, const std::map<std::string, std::string>& manifest) {
    std::vector<std::string> ignored;
    const std::vector<std::string> manifestOptions = manifestVmOptions(manifest, jarName, ignored);
    std::string note = "# Add-Opens, Add-Exports and Enable-Native-Access of the manifest of the first\n"
                       "# archive above become VM options at build time, as java -jar applies them;\n";
    if (manifestOptions.empty()) {
        note += "# " + jarName + "'s manifest has none.\n";
    } else {
        note += "# from " + jarName + "'s manifest:";
        for (const std::string& option : manifestOptions) note += " " + option;
        note += "\n";
    }
    return note + "# qarvo-build inspect shows them as jar-manifest-options; setting that key\n"
                  "# replaces them ([] for none).\n";
}

// The tables a project often wants next, commented out.
std::string laterTables(const std::string& jarName, const std::string& name) {
    return "\n# The Java-side runtime (qarvo-runtime.jar) is included in the executable.\n"
           "# [runtime]\n"
           "# jar = \"beside\"                         # or: copied beside the executable\n"
           "\n# One executable and nothing beside it: include the jars as well (and take\n"
           "# them out of class-path); the launcher extracts them at start and puts\n"
           "# them on the class path.\n"
           "# [[files]]\n"
           "# source = " + tomlString(jarName) + "\n"
           "\n# [resources]\n"
           "# icon = \"app.ico\"\n"
           "\n# [version]\n"
           "# file-version = \"1.0.0.0\"\n"
           "# description = " + tomlString(name) + "\n";
}

}  // namespace

std::string starterProject(const std::string& jarName, const std::map<std::string, std::string>& manifest,
                           const std::string& docsDirectory, const std::string& schemaUrl,
                           std::vector<std::string>& warnings) {
    const size_t dot = jarName.rfind('.');
    const std::string name = dot == std::string::npos || dot == 0 ? jarName : jarName.substr(0, dot);
    const auto main = manifest.find("Main-Class");
    std::string mainClass = main == manifest.end() ? "" : main->second;
    while (!mainClass.empty() && mainClass.back() == ' ') mainClass.pop_back();
    const bool mainKnown = isJavaBinaryName(mainClass);
    if (!mainKnown)
        warnings.push_back(jarName + ": the manifest names no main class (Main-Class); set application.main-class");
    const auto classPath = manifest.find("Class-Path");

    std::ostringstream out;
    if (!schemaUrl.empty()) out << "#:schema " << schemaUrl << "\n\n";
    out << "# Starter project for " << jarName << ", written by qarvo-build init.\n"
        << "#   qarvo-build check " << name << ".toml            checks it\n"
        << "#   qarvo-build build " << name << ".toml -o " << name << ".exe   builds the executable\n"
        << "# Put " << name << ".exe beside " << jarName << " (and the jars of its class path).\n"
        << "# Every key: " << docsDirectory << "/project-file.md\n"
        << (schemaUrl.empty() ? "" : "# Editors that read the #:schema line (taplo, Even Better TOML) complete and\n"
                                     "# check the keys.\n")
        << "\n[build]\n"
        << "arch = \"x64\"                # x64 runs on 64-bit Java runtimes; \"x86\" for 32-bit ones\n"
        << "\n[application]\n"
        << "name = " << tomlString(name) << "\n"
        << "type = \"console\"            # \"gui\": no console window, errors in message boxes\n"
        << (mainKnown ? "" : "# The jar's manifest names no Main-Class: write the class with main() here.\n")
        << "main-class = " << tomlString(mainKnown ? mainClass : "com.example.Main") << "\n"
        << "# arguments = [\"--fixed\", \"arguments\"]   # placed before the command line's\n"
        << "# single-instance = true                   # later starts hand their arguments to the first\n"
        << "# A modular application (java -p mods -m app/com.example.Main) names its module\n"
        << "# instead of main-class, and the module path in [java]:\n"
        << "# main-module = \"app/com.example.Main\"     # or \"app\": the main class of its module-info\n"
        << "\n[java]\n"
        << "# The jar beside the executable" << (classPath != manifest.end() ? ", and the Class-Path of its manifest" : "")
        << ".\n"
        << "class-path = " << classPathEntries(jarName, classPath == manifest.end() ? "" : classPath->second, warnings) << "\n"
        << manifestOptionsNote(jarName, manifest)
        << "# module-path = [\"mods\"]                 # with main-module: directories or modular jars\n"
        << "# min-version = \"17\"                     # the oldest Java the application runs on\n"
        << "# vm-parameters = [\"-Xmx512m\"]\n"
        << "# Where the launcher looks for a Java runtime, in this order (the default):\n"
        << "# a jre folder beside the executable, JAVA_HOME, JDK_HOME, the registry,\n"
        << "# the usual install folders, then the PATH.\n"
        << "search = " << tomlArray(defaultSearch()) << "\n"
        << laterTables(jarName, name);
    return out.str();
}

bool writeStarterProject(const std::string& jar, const std::string& output, bool force,
                         const std::string& docsDirectory, const std::string& schemaUrl,
                         std::vector<std::string>& warnings, std::string& error) {
    errno = 0;
    HostFileSource source(jar);
    if (!source.isOpen()) {
        error = jar + ": cannot read the jar: " + systemReason(errno);
        return false;
    }
    std::string manifest, why;
    if (!readZipEntry(source, "META-INF/MANIFEST.MF", manifest, why)) {
        if (why.rfind("no ", 0) != 0) {
            error = jar + ": " + why;
            return false;
        }
        manifest.clear();  // a jar without a manifest: the user names the main class
    }
    const std::string text = starterProject(fsPath(jar).filename().string(), manifestAttributes(manifest),
                                            docsDirectory, schemaUrl, warnings);
    std::error_code ec;
    if (!force && std::filesystem::exists(std::filesystem::symlink_status(fsPath(output), ec))) {
        error = output + ": already exists; init keeps it (--force replaces it)";
        return false;
    }
    if (!checkOutput(output, {{jar, "the jar"}}, error)) return false;
    std::string reason;
    if (!writeFileReplacing(output, text, reason)) {
        error = output + ": cannot write the project: " + reason;
        return false;
    }
    return true;
}
