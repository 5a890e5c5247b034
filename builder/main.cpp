// qarvo-build: turns a project file into a launcher executable, and reads one back.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "builder/inspect.h"
#include "builder/project.h"
#include "builder/writer.h"

#if defined(_WIN32)
#include <windows.h>
#elif defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

#ifndef QARVO_VERSION
#define QARVO_VERSION "0.1.0"
#endif

namespace {

const char* kUsage =
    "usage:\n"
    "  qarvo-build build PROJECT.toml -o APP.exe [--arch x86|x64] [--stub STUB.exe] [--runtime-jar JAR]\n"
    "  qarvo-build inspect APP.exe [--extract DIR]\n"
    "  qarvo-build --help | --version\n"
    "\n"
    "build    writes APP.exe: the generic launcher for the architecture (x86 by default) with the\n"
    "         project's resources (icon, splash images, version information, manifest) and the\n"
    "         subsystem its executable type asks for, followed by the configuration block and\n"
    "         the included files. --stub names another generic launcher to start from.\n"
    "         With [runtime] jar = \"beside\" or \"bundled\" the Java-side runtime (the builder's\n"
    "         lib/qarvo-runtime.jar, or --runtime-jar JAR) is put beside APP.exe or included in it.\n"
    "inspect  prints the configuration of a built executable as a project file, and its resources\n"
    "         as comments; with --extract the included files and the resource files are written\n"
    "         below DIR and the printed project names them, so that building it again gives the\n"
    "         same executable.\n"
    "\n"
    "Sign after building (for example with osslsigncode): the signature is appended after\n"
    "everything qarvo-build writes, and the launcher finds its configuration as before.\n"
    "A signed executable cannot serve as a stub.\n"
    "\n"
    "Every key of a project file is described in docs/project-file.md.\n";

std::filesystem::path ownDirectory() {
#if defined(_WIN32)
    std::wstring buffer(32768, L'\0');
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(n);
    return std::filesystem::path(buffer).parent_path();
#elif defined(__APPLE__)
    uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    std::string buffer(size, '\0');
    _NSGetExecutablePath(buffer.data(), &size);
    return std::filesystem::weakly_canonical(buffer.c_str()).parent_path();
#else
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
#endif
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "qarvo-build: %s\n\n%s", message.c_str(), kUsage);
    return 2;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "qarvo-build: %s\n", message.c_str());
    return 1;
}

// Puts the runtime archive where the project wants it: beside the output, or
// as the source of the included file that stands for it.
bool placeRuntimeJar(BuildPlan& plan, const std::string& jar, const std::string& output, std::string& error) {
    if (plan.runtimeJar == RuntimeJar::None) return true;
    if (!std::filesystem::is_regular_file(jar)) {
        error = jar + ": no runtime archive here (give one with --runtime-jar)";
        return false;
    }
    if (plan.runtimeJar == RuntimeJar::Bundled) {
        for (IncludedFile& file : plan.files)
            if (file.source.empty()) file.source = jar;
        return true;
    }
    const std::filesystem::path target = std::filesystem::absolute(output).parent_path() / kRuntimeJarName;
    std::error_code ec;
    if (!std::filesystem::equivalent(jar, target, ec))
        std::filesystem::copy_file(jar, target, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
        error = target.string() + ": " + ec.message();
        return false;
    }
    return true;
}

int build(const std::vector<std::string>& args) {
    std::string project, output, arch = "x86", stub, runtimeJar;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) return false;
            into = args[++i];
            return true;
        };
        if (a == "-o" || a == "--output") {
            if (!value(output)) return usageError(a + " needs a file name");
        } else if (a == "--arch") {
            if (!value(arch)) return usageError("--arch needs x86 or x64");
        } else if (a == "--stub") {
            if (!value(stub)) return usageError("--stub needs a file name");
        } else if (a == "--runtime-jar") {
            if (!value(runtimeJar)) return usageError("--runtime-jar needs a file name");
        } else if (!a.empty() && a[0] == '-') {
            return usageError("unknown option " + a);
        } else if (project.empty()) {
            project = a;
        } else {
            return usageError("more than one project file");
        }
    }
    if (project.empty()) return usageError("build needs a project file");
    if (output.empty()) return usageError("build needs -o APP.exe");
    if (arch != "x86" && arch != "x64") return usageError("--arch takes x86 or x64, not " + arch);
    if (stub.empty()) stub = (ownDirectory() / ".." / "stubs" / ("launcher-" + arch + ".exe")).string();
    if (runtimeJar.empty()) runtimeJar = (ownDirectory() / ".." / "lib" / kRuntimeJarName).string();

    BuildPlan plan;
    std::string error;
    if (!loadProject(project, plan, error)) return fail(error);
    if (!placeRuntimeJar(plan, runtimeJar, output, error)) return fail(error);
    std::vector<std::string> warnings;
    const bool ok = writeExecutable(stub, plan, output, warnings, error);
    for (const std::string& w : warnings) std::fprintf(stderr, "qarvo-build: warning: %s\n", w.c_str());
    return ok ? 0 : fail(error);
}

int inspect(const std::vector<std::string>& args) {
    std::string exe, extract;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--extract") {
            if (i + 1 >= args.size()) return usageError("--extract needs a directory");
            extract = args[++i];
        } else if (!args[i].empty() && args[i][0] == '-') {
            return usageError("unknown option " + args[i]);
        } else if (exe.empty()) {
            exe = args[i];
        } else {
            return usageError("more than one executable");
        }
    }
    if (exe.empty()) return usageError("inspect needs an executable");
    InspectedExecutable inspected;
    std::string error;
    if (!readExecutable(exe, inspected, error)) return fail(error);
    std::string extractedDirectory;
    if (!extract.empty()) {
        if (!extractFiles(exe, inspected, extract, error) || !extractResources(inspected, extract, error))
            return fail(error);
        extractedDirectory = std::filesystem::absolute(extract).lexically_normal().string();
    }
    std::vector<std::string> warnings;
    const std::string text = renderProject(inspected, extractedDirectory, warnings);
    std::fwrite(text.data(), 1, text.size(), stdout);
    for (const std::string& w : warnings) std::fprintf(stderr, "qarvo-build: warning: %s\n", w.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return usageError("no command given");
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "--version") {
        std::printf("qarvo-build %s\n", QARVO_VERSION);
        return 0;
    }
    if (command == "build") return build(args);
    if (command == "inspect") return inspect(args);
    return usageError("unknown command " + command);
}
