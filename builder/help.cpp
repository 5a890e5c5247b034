#include "builder/help.h"

#include <cstdio>

#ifndef QARVO_VERSION
#define QARVO_VERSION "0.1.0"
#endif

const Command kBuild = {
    "build PROJECT.toml -o APP.exe [--arch x86|x64] [--stub STUB.exe] [--runtime-jar JAR]",
    "build    writes APP.exe: the generic launcher for the architecture (build.arch of the project,\n"
    "         --arch, or x86) with the project's resources (icon, splash images, version\n"
    "         information, manifest) and the subsystem its executable type asks for, followed by\n"
    "         the configuration block and the included files. --stub names another generic\n"
    "         launcher of that architecture to start from. The Java-side runtime (the builder's\n"
    "         lib/qarvo-runtime.jar, or --runtime-jar JAR) is included unless [runtime] jar says\n"
    "         \"beside\" or \"none\". APP.exe is never one of the build's inputs and only ever a\n"
    "         regular file; it is replaced only when the new one is complete.\n"};
const Command kCheck = {"check PROJECT.toml", "check    reads and checks PROJECT.toml as build does, and writes nothing.\n"};
const Command kInit = {
    "init APP.jar [-o PROJECT.toml] [--force]",
    "init     writes a commented starter project for APP.jar (main class and class path from\n"
    "         its manifest) to PROJECT.toml (default: the jar's name with .toml), with a\n"
    "         #:schema line naming the installed schema; --force replaces an existing file.\n"};
const Command kInspect = {
    "inspect APP.exe [--extract DIR [--force]]",
    "inspect  prints the configuration of a built executable as a project file, and its resources\n"
    "         as comments; with --extract the included files and the resource files are written\n"
    "         below DIR and the printed project names them, so that building it again gives the\n"
    "         same executable. Files already in DIR are kept unless --force is given.\n"};

const Command kSchema = {
    "schema [-o FILE]",
    "schema   prints the JSON Schema of project files (to FILE with -o), made from the keys\n"
    "         the builder reads: TOML editors that know the #:schema line (taplo, Even Better\n"
    "         TOML) complete and check project files with it. The build installs it as\n"
    "         schema/qarvo-project.schema.json beside bin/, and init names that file.\n"};

namespace {

const Command* const kCommands[] = {&kBuild, &kCheck, &kInit, &kInspect, &kSchema};

const char* kSigning =
    "Sign after building (for example with osslsigncode): the signature is appended after\n"
    "everything qarvo-build writes, and the launcher finds its configuration as before.\n"
    "A signed executable cannot serve as a stub.\n";
const char* kExitCodes =
    "Exit codes: 0 done, 1 the project, an input or the output is wrong (the message says\n"
    "which and why), 2 the command line is wrong.\n";

}  // namespace

std::string usage() {
    std::string text = "usage:\n";
    for (const Command* c : kCommands) text += std::string("  qarvo-build ") + c->usage + "\n";
    text += "  qarvo-build --help | --version\n\n";
    for (const Command* c : kCommands) text += c->description;
    return text + "\n" + kSigning + "\n" + kExitCodes;
}

void printHelp(const std::string& docsDirectory) {
    std::fputs(usage().c_str(), stdout);
    std::printf("\nThe documentation is in %s:\n"
                "  project-file.md   every key of a project file, where the launcher looks for Java,\n"
                "                    the single-executable setup, the builder's exit codes\n"
                "  launcher.md       what the launcher does at start: the whole Java search, the\n"
                "                    variables it expands, its log, its exit codes\n",
                docsDirectory.c_str());
}

int commandHelp(const Command& command) {
    std::printf("usage: qarvo-build %s\n\n%s\n%s", command.usage, command.description, kExitCodes);
    return 0;
}

const char* builderVersion() { return QARVO_VERSION; }
