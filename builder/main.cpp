// qarvo-build: turns a project file into a launcher executable, and reads one back.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "builder/help.h"
#include "builder/host/arguments.h"
#include "builder/host/file_source.h"
#include "builder/host/output_file.h"
#include "builder/host/progress.h"
#include "builder/host/system.h"
#include "builder/inspect/extract.h"
#include "builder/inspect/render.h"
#include "builder/output/stub.h"
#include "builder/output/writer.h"
#include "builder/project/jar_manifest_options.h"
#include "builder/project/project.h"
#include "builder/project/project_paths.h"
#include "builder/project/schema.h"
#include "builder/project/starter.h"

namespace {

int usageError(const std::string& message) {
    std::fprintf(stderr, "qarvo-build: %s\n\n%s", message.c_str(), usage().c_str());
    return 2;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "qarvo-build: %s\n", message.c_str());
    return 1;
}

void warn(const std::vector<std::string>& warnings) {
    for (const std::string& w : warnings) std::fprintf(stderr, "qarvo-build: warning: %s\n", w.c_str());
}

int build(const std::vector<std::string>& args) {
    std::string output, arch, stub, runtimeJar;
    std::vector<std::string> rest;
    bool help;
    const std::string bad = parseArguments(args, {{{"-o", "--output"}, &output, nullptr, "a file name"},
                                                  {{"--arch"}, &arch, nullptr, "x86 or x64"},
                                                  {{"--stub"}, &stub, nullptr, "a file name"},
                                                  {{"--runtime-jar"}, &runtimeJar, nullptr, "a file name"}},
                                           rest, help);
    if (help) return commandHelp(kBuild);
    if (!bad.empty()) return usageError(bad);
    if (rest.size() > 1) return usageError("more than one project file");
    if (rest.empty()) return usageError("build needs a project file");
    if (output.empty()) return usageError("build needs -o APP.exe");
    if (!arch.empty() && arch != "x86" && arch != "x64") return usageError("--arch takes x86 or x64, not " + arch);

    BuildPlan plan;
    std::string error;
    if (!loadProject(rest[0], plan, error)) return fail(error);
    addJarManifestOptions(plan, {std::filesystem::absolute(fsPath(output)).parent_path().string(),
                                 projectDirectoryOf(rest[0], hostPathStyle())});
    const std::string archFrom = !arch.empty() ? "--arch" : !plan.arch.empty() ? plan.archWhere : "the default";
    if (arch.empty()) arch = plan.arch.empty() ? "x86" : plan.arch;
    if (!stub.empty() && !checkStubArch(stub, arch, archFrom, error)) return fail(error);
    if (stub.empty()) stub = ownStub(arch);
    if (runtimeJar.empty()) runtimeJar = ownRuntimeJar();
    if (!findRuntimeJar(plan, runtimeJar, error)) return fail(error);

    std::vector<BuildInput> inputs = buildInputs(rest[0], stub, plan);
    if (plan.runtimeJar != RuntimeJar::None) inputs.push_back({runtimeJar, "the runtime archive"});
    if (!checkOutput(output, inputs, error)) return fail(error);
    const std::filesystem::path beside = std::filesystem::absolute(fsPath(output)).parent_path() / kRuntimeJarName;
    if (plan.runtimeJar == RuntimeJar::Beside) {
        inputs.pop_back();  // the archive may already be there
        if (!checkOutput(beside.string(), inputs, error)) return fail(error);
    }
    std::vector<std::string> warnings = plan.warnings;
    bool ok;
    {
        Progress progress(output);
        ok = writeExecutable(stub, plan, output, warnings, error, trackPartial,
                             [&progress](uint64_t done, uint64_t total) { progress(done, total); });
    }
    warn(warnings);
    if (!ok) return fail(error);
    if (plan.runtimeJar == RuntimeJar::Beside && !copyRuntimeJarBeside(runtimeJar, beside, error)) return fail(error);
    std::printf("%s\n", buildSummary(output, arch, plan).c_str());
    return 0;
}

int check(const std::vector<std::string>& args) {
    std::vector<std::string> rest;
    bool help;
    const std::string bad = parseArguments(args, {}, rest, help);
    if (help) return commandHelp(kCheck);
    if (!bad.empty() || rest.size() != 1) return usageError("check takes one project file");
    BuildPlan plan;
    std::string error;
    if (!loadProject(rest[0], plan, error)) return fail(error);
    addJarManifestOptions(plan, {projectDirectoryOf(rest[0], hostPathStyle())});
    warn(plan.warnings);
    std::printf("%s: no errors\n", rest[0].c_str());
    return 0;
}

int init(const std::vector<std::string>& args) {
    std::string output;
    std::vector<std::string> rest;
    bool force = false, help;
    const std::string bad = parseArguments(
        args, {{{"-o", "--output"}, &output, nullptr, "a file name"}, {{"--force"}, nullptr, &force, ""}}, rest, help);
    if (help) return commandHelp(kInit);
    if (!bad.empty()) return usageError(bad);
    if (rest.size() > 1) return usageError("more than one jar");
    if (rest.empty()) return usageError("init needs the application's jar");
    const std::filesystem::path jarPath = fsPath(rest[0]);
    if (output.empty()) output = (jarPath.parent_path() / jarPath.stem()).string() + ".toml";
    std::vector<std::string> warnings;
    std::string error;
    if (!writeStarterProject(rest[0], output, force, docsDirectory(), schemaLocation(), warnings, error))
        return fail(error);
    warn(warnings);
    std::printf("%s: starter project for %s\n", output.c_str(), rest[0].c_str());
    return 0;
}

int schema(const std::vector<std::string>& args) {
    std::string output;
    std::vector<std::string> rest;
    bool help;
    const std::string bad = parseArguments(args, {{{"-o", "--output"}, &output, nullptr, "a file name"}}, rest, help);
    if (help) return commandHelp(kSchema);
    if (!bad.empty()) return usageError(bad);
    if (!rest.empty()) return usageError("schema takes no file but -o FILE");
    const std::string text = projectSchema();
    if (output.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    std::string error, reason;
    if (!checkOutput(output, {}, error)) return fail(error);
    if (!writeFileReplacing(output, text, reason)) return fail(output + ": cannot write the schema: " + reason);
    return 0;
}

int inspect(const std::vector<std::string>& args) {
    std::string extract;
    std::vector<std::string> rest;
    bool force = false, help;
    const std::string bad = parseArguments(
        args, {{{"--extract"}, &extract, nullptr, "a directory"}, {{"--force"}, nullptr, &force, ""}}, rest, help);
    if (help) return commandHelp(kInspect);
    if (!bad.empty()) return usageError(bad);
    if (rest.size() > 1) return usageError("more than one executable");
    if (rest.empty()) return usageError("inspect needs an executable");
    if (force && extract.empty()) return usageError("--force goes with --extract");
    InspectedExecutable inspected;
    std::string error, extractedDirectory;
    if (!readExecutable(rest[0], inspected, error)) return fail(error);
    if (!extract.empty()) {
        if (!extractFiles(rest[0], inspected, extract, force, error) || !extractResources(inspected, extract, force, error))
            return fail(error);
        extractedDirectory = std::filesystem::absolute(fsPath(extract)).lexically_normal().string();
    }
    std::vector<std::string> warnings;
    const std::string text = renderProject(inspected, extractedDirectory, warnings);
    std::fwrite(text.data(), 1, text.size(), stdout);
    warn(warnings);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args = commandArguments(argc, argv);
    if (args.empty()) return usageError("no command given");
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        printHelp(docsDirectory());
        return 0;
    }
    if (command == "--version") {
        std::printf("qarvo-build %s\n", builderVersion());
        return 0;
    }
    removePartialOnInterrupt();
    if (command == "build") return build(args);
    if (command == "check") return check(args);
    if (command == "init") return init(args);
    if (command == "inspect") return inspect(args);
    if (command == "schema") return schema(args);
    return usageError("unknown command " + command);
}
