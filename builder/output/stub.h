// What a build starts from besides the project: the generic launcher (stub)
// for the architecture and the Java-side runtime archive, by default the
// builder's own copies (stubs/ and lib/ beside its bin/).
#pragma once

#include <filesystem>
#include <string>

#include "builder/project/build_plan.h"

// The builder's own stub for an architecture ("x86", "x64") and its runtime archive.
std::string ownStub(const std::string& arch);
std::string ownRuntimeJar();
// Where the documentation is installed: docs/ beside bin/.
std::string docsDirectory();
// The schema of project files installed in schema/ beside bin/, as the file
// URL a "#:schema" line names; empty when it is not there.
std::string schemaLocation();

// The stub's processor architecture must be the build's; archFrom says what
// chose it ("--arch", the project's key, "the default").
bool checkStubArch(const std::string& stub, const std::string& arch, const std::string& archFrom, std::string& error);

// Puts the runtime archive where the project wants it: as the source of the
// included file that stands for it (a runtime beside the executable is
// copied there after the build).
bool findRuntimeJar(BuildPlan& plan, const std::string& jar, std::string& error);
bool copyRuntimeJarBeside(const std::string& jar, const std::filesystem::path& target, std::string& error);

// The line a finished build prints: output, architecture, size, included files.
std::string buildSummary(const std::string& output, const std::string& arch, const BuildPlan& plan);
