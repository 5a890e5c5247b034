// qarvo-build: turns a project file into a launcher executable, and reads one back.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "builder/file_source.h"
#include "builder/inspect.h"
#include "builder/jar_file.h"
#include "builder/pe_image.h"
#include "builder/project.h"
#include "builder/starter.h"
#include "builder/text_codec.h"
#include "builder/writer.h"

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#else
#include <unistd.h>
#endif

#if defined(__APPLE__)
#include <mach-o/dyld.h>
#endif

#ifndef QARVO_VERSION
#define QARVO_VERSION "0.1.0"
#endif

namespace {

const char* kUsage =
    "usage:\n"
    "  qarvo-build build PROJECT.toml -o APP.exe [--arch x86|x64] [--stub STUB.exe] [--runtime-jar JAR]\n"
    "  qarvo-build check PROJECT.toml\n"
    "  qarvo-build init APP.jar [-o PROJECT.toml] [--force]\n"
    "  qarvo-build inspect APP.exe [--extract DIR [--force]]\n"
    "  qarvo-build --help | --version\n"
    "\n"
    "build    writes APP.exe: the generic launcher for the architecture (build.arch of the project,\n"
    "         --arch, or x86) with the project's resources (icon, splash images, version\n"
    "         information, manifest) and the subsystem its executable type asks for, followed by\n"
    "         the configuration block and the included files. --stub names another generic\n"
    "         launcher of that architecture to start from. The Java-side runtime (the builder's\n"
    "         lib/qarvo-runtime.jar, or --runtime-jar JAR) is included unless [runtime] jar says\n"
    "         \"beside\" or \"none\". APP.exe is never one of the build's inputs and only ever a\n"
    "         regular file; it is replaced only when the new one is complete.\n"
    "check    reads and checks PROJECT.toml as build does, and writes nothing.\n"
    "init     writes a commented starter project for APP.jar (main class and class path from\n"
    "         its manifest) to PROJECT.toml (default: the jar's name with .toml); --force\n"
    "         replaces an existing file.\n"
    "inspect  prints the configuration of a built executable as a project file, and its resources\n"
    "         as comments; with --extract the included files and the resource files are written\n"
    "         below DIR and the printed project names them, so that building it again gives the\n"
    "         same executable. Files already in DIR are kept unless --force is given.\n"
    "\n"
    "Sign after building (for example with osslsigncode): the signature is appended after\n"
    "everything qarvo-build writes, and the launcher finds its configuration as before.\n"
    "A signed executable cannot serve as a stub.\n"
    "\n"
    "Exit codes: 0 done, 1 the project, an input or the output is wrong (the message says\n"
    "which and why), 2 the command line is wrong.\n";

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

// Where the documentation is installed: docs/ beside bin/.
std::string docsDirectory() {
    return (ownDirectory().parent_path() / "docs").lexically_normal().string();
}

void printHelp() {
    std::fputs(kUsage, stdout);
    std::printf("\nThe documentation is in %s:\n"
                "  project-file.md   every key of a project file, where the launcher looks for Java,\n"
                "                    the single-executable setup, the builder's exit codes\n"
                "  launcher.md       what the launcher does at start: the whole Java search, the\n"
                "                    variables it expands, its log, its exit codes\n",
                docsDirectory().c_str());
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "qarvo-build: %s\n\n%s", message.c_str(), kUsage);
    return 2;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "qarvo-build: %s\n", message.c_str());
    return 1;
}

void warn(const std::vector<std::string>& warnings) {
    for (const std::string& w : warnings) std::fprintf(stderr, "qarvo-build: warning: %s\n", w.c_str());
}

// The partial output, removed when a signal (Ctrl+C on Windows) ends the
// build. A fixed buffer: the handler may not allocate.
#if defined(_WIN32)
wchar_t gPartial[32768];

BOOL WINAPI removePartialOnCtrl(DWORD) {
    if (gPartial[0] != L'\0') DeleteFileW(gPartial);
    return FALSE;  // the default handler ends the process
}

void trackPartial(const std::string& path) {
    gPartial[0] = L'\0';
    const std::wstring wide = fsPath(path).wstring();
    if (wide.size() < std::size(gPartial)) std::memcpy(gPartial, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
}

void removePartialOnInterrupt() { SetConsoleCtrlHandler(removePartialOnCtrl, TRUE); }

bool onTerminal() { return _isatty(_fileno(stderr)) != 0; }

const char* kClearLine = "\r                                                                              \r";
#else
char gPartial[4096];

extern "C" void removePartialAndExit(int signal) {
    if (gPartial[0] != '\0') std::remove(gPartial);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void trackPartial(const std::string& path) {
    gPartial[0] = '\0';
    if (path.size() < sizeof gPartial) std::memcpy(gPartial, path.c_str(), path.size() + 1);
}

void removePartialOnInterrupt() {
    std::signal(SIGINT, removePartialAndExit);
    std::signal(SIGTERM, removePartialAndExit);
}

bool onTerminal() { return isatty(fileno(stderr)) != 0; }

const char* kClearLine = "\r\033[K";
#endif

// Shows how far the writing is on a terminal once it takes more than a moment.
class Progress {
public:
    Progress(std::string output) : output_(std::move(output)), enabled_(onTerminal()) {}
    void operator()(uint64_t done, uint64_t total) {
        if (!enabled_ || total == 0) return;
        const auto now = Clock::now();
        if (now - start_ < std::chrono::milliseconds(700) || now - last_ < std::chrono::milliseconds(100)) return;
        last_ = now;
        shown_ = true;
        std::fprintf(stderr, "\rqarvo-build: writing %s: %3d%%", output_.c_str(), static_cast<int>(done * 100 / total));
        std::fflush(stderr);
    }
    ~Progress() {
        if (shown_) std::fputs(kClearLine, stderr);
    }

private:
    using Clock = std::chrono::steady_clock;
    std::string output_;
    bool enabled_;
    bool shown_ = false;
    Clock::time_point start_ = Clock::now();
    Clock::time_point last_;
};

// The stub's processor architecture must be the build's.
bool checkStubArch(const std::string& stub, const std::string& arch, const std::string& archFrom, std::string& error) {
    std::string bytes, reason;
    if (!readWholeFile(stub, bytes, reason)) {
        error = stub + ": cannot read the launcher stub: " + reason;
        return false;
    }
    pe::Image image;
    std::string why;
    if (!pe::Image::parse(std::move(bytes), image, why)) {
        error = stub + ": not a launcher stub: " + why;
        return false;
    }
    const std::string stubArch = image.machine() == pe::kMachineAmd64 ? "x64" : image.machine() == pe::kMachineI386 ? "x86" : "";
    if (stubArch != arch) {
        error = stub + ": the stub is " + (stubArch.empty() ? std::string("for another processor") : "an " + stubArch + " launcher") +
                ", but the build is for " + arch + " (" + archFrom + "); give a stub of that architecture or change the architecture";
        return false;
    }
    return true;
}

// Puts the runtime archive where the project wants it: beside the output, or
// as the source of the included file that stands for it.
bool findRuntimeJar(BuildPlan& plan, const std::string& jar, std::string& error) {
    if (plan.runtimeJar == RuntimeJar::None) return true;
    if (!std::filesystem::is_regular_file(fsPath(jar))) {
        error = jar + ": no runtime archive here (give one with --runtime-jar, or set [runtime] jar = \"none\")";
        return false;
    }
    for (IncludedFile& file : plan.files)
        if (file.source.empty()) file.source = jar;
    return true;
}

bool copyRuntimeJarBeside(const std::string& jar, const std::filesystem::path& target, std::string& error) {
    std::error_code ec;
    if (!sameFile(jar, target.string())) {
#if defined(_WIN32)
        // The C++ library's copy_file takes any two files of a drive for one
        // there (it compares inode numbers, which Windows does not have).
        if (!CopyFileW(fsPath(jar).c_str(), target.c_str(), FALSE))
            ec = std::error_code(static_cast<int>(GetLastError()), std::system_category());
#else
        std::filesystem::copy_file(fsPath(jar), target, std::filesystem::copy_options::overwrite_existing, ec);
#endif
    }
    if (ec) {
        error = target.string() + ": cannot copy the runtime archive here: " + ec.message();
        return false;
    }
    return true;
}

std::string summary(const std::string& output, const std::string& arch, const BuildPlan& plan) {
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(fsPath(output), ec);
    std::string text = output + ": " + arch + ", " + std::to_string(ec ? 0 : size) + " bytes, ";
    if (plan.files.empty()) return text + "no included files";
    text += std::to_string(plan.files.size()) + (plan.files.size() == 1 ? " included file (" : " included files (");
    for (size_t i = 0; i < plan.files.size(); ++i) text += (i > 0 ? ", " : "") + ansiToUtf8(plan.files[i].name);
    text += ")";
    if (plan.runtimeJar == RuntimeJar::Beside) text += ", " + std::string(kRuntimeJarName) + " beside it";
    return text;
}

int build(const std::vector<std::string>& args) {
    std::string project, output, arch, stub, runtimeJar;
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
    if (!arch.empty() && arch != "x86" && arch != "x64") return usageError("--arch takes x86 or x64, not " + arch);

    BuildPlan plan;
    std::string error;
    if (!loadProject(project, plan, error)) return fail(error);
    const std::string archFrom = !arch.empty() ? "--arch" : !plan.arch.empty() ? plan.archWhere : "the default";
    if (arch.empty()) arch = plan.arch.empty() ? "x86" : plan.arch;
    const bool ownStub = stub.empty();
    if (ownStub) stub = (ownDirectory() / ".." / "stubs" / ("launcher-" + arch + ".exe")).string();
    if (runtimeJar.empty()) runtimeJar = (ownDirectory() / ".." / "lib" / kRuntimeJarName).string();
    if (!ownStub && !checkStubArch(stub, arch, archFrom, error)) return fail(error);
    if (!findRuntimeJar(plan, runtimeJar, error)) return fail(error);

    std::vector<BuildInput> inputs = buildInputs(project, stub, plan);
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
    std::printf("%s\n", summary(output, arch, plan).c_str());
    return 0;
}

int check(const std::vector<std::string>& args) {
    if (args.size() != 1 || (!args[0].empty() && args[0][0] == '-')) return usageError("check takes one project file");
    BuildPlan plan;
    std::string error;
    if (!loadProject(args[0], plan, error)) return fail(error);
    warn(plan.warnings);
    std::printf("%s: no errors\n", args[0].c_str());
    return 0;
}

int init(const std::vector<std::string>& args) {
    std::string jar, output;
    bool force = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" || args[i] == "--output") {
            if (i + 1 >= args.size()) return usageError(args[i] + " needs a file name");
            output = args[++i];
        } else if (args[i] == "--force") {
            force = true;
        } else if (!args[i].empty() && args[i][0] == '-') {
            return usageError("unknown option " + args[i]);
        } else if (jar.empty()) {
            jar = args[i];
        } else {
            return usageError("more than one jar");
        }
    }
    if (jar.empty()) return usageError("init needs the application's jar");
    const std::filesystem::path jarPath = fsPath(jar);
    if (output.empty()) output = (jarPath.parent_path() / jarPath.stem()).string() + ".toml";
    errno = 0;
    HostFileSource source(jar);
    if (!source.isOpen()) return fail(jar + ": cannot read the jar: " + systemReason(errno));
    std::string manifest, why;
    if (!readZipEntry(source, "META-INF/MANIFEST.MF", manifest, why)) {
        if (why.rfind("no ", 0) != 0) return fail(jar + ": " + why);
        manifest.clear();  // a jar without a manifest: the user names the main class
    }
    std::vector<std::string> warnings;
    const std::string text =
        starterProject(jarPath.filename().string(), manifestAttributes(manifest), docsDirectory(), warnings);
    std::error_code ec;
    if (!force && std::filesystem::exists(std::filesystem::symlink_status(fsPath(output), ec)))
        return fail(output + ": already exists; init keeps it (--force replaces it)");
    std::string error;
    if (!checkOutput(output, {{jar, "the jar"}}, error)) return fail(error);
    errno = 0;
    std::FILE* out = openFile(output, "wb");
    bool ok = out != nullptr && std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (out != nullptr && std::fclose(out) != 0) ok = false;
    if (!ok) {
        const int reason = errno != 0 ? errno : EIO;
        if (out != nullptr) removeFile(output);
        return fail(output + ": cannot write the project: " + systemReason(reason));
    }
    warn(warnings);
    std::printf("%s: starter project for %s\n", output.c_str(), jar.c_str());
    return 0;
}

int inspect(const std::vector<std::string>& args) {
    std::string exe, extract;
    bool force = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--extract") {
            if (i + 1 >= args.size()) return usageError("--extract needs a directory");
            extract = args[++i];
        } else if (args[i] == "--force") {
            force = true;
        } else if (!args[i].empty() && args[i][0] == '-') {
            return usageError("unknown option " + args[i]);
        } else if (exe.empty()) {
            exe = args[i];
        } else {
            return usageError("more than one executable");
        }
    }
    if (exe.empty()) return usageError("inspect needs an executable");
    if (force && extract.empty()) return usageError("--force goes with --extract");
    InspectedExecutable inspected;
    std::string error;
    if (!readExecutable(exe, inspected, error)) return fail(error);
    std::string extractedDirectory;
    if (!extract.empty()) {
        if (!extractFiles(exe, inspected, extract, force, error) || !extractResources(inspected, extract, force, error))
            return fail(error);
        extractedDirectory = std::filesystem::absolute(fsPath(extract)).lexically_normal().string();
    }
    std::vector<std::string> warnings;
    const std::string text = renderProject(inspected, extractedDirectory, warnings);
    std::fwrite(text.data(), 1, text.size(), stdout);
    warn(warnings);
    return 0;
}

// The arguments as UTF-8. On Windows they are taken in UTF-16 from the
// system, as the narrow ones hold only what the ANSI code page can.
std::vector<std::string> commandArguments(int argc, char** argv) {
#if defined(_WIN32)
    (void)argc;
    (void)argv;
    SetConsoleOutputCP(CP_UTF8);
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide != nullptr && i < count; ++i) args.push_back(std::filesystem::path(wide[i]).string());
    LocalFree(wide);
    return args;
#else
    return std::vector<std::string>(argv + 1, argv + argc);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args = commandArguments(argc, argv);
    if (args.empty()) return usageError("no command given");
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        printHelp();
        return 0;
    }
    if (command == "--version") {
        std::printf("qarvo-build %s\n", QARVO_VERSION);
        return 0;
    }
    removePartialOnInterrupt();
    if (command == "build") return build(args);
    if (command == "check") return check(args);
    if (command == "init") return init(args);
    if (command == "inspect") return inspect(args);
    return usageError("unknown command " + command);
}
