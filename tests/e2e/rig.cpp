#include "tests/e2e/rig.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "jvm/release_file.h"

extern char** environ;

namespace fs = std::filesystem;

namespace rig {

namespace {

std::string envOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

// Variables the launcher reads; a test that wants one sets it explicitly.
const std::set<std::string> kCleared = {"QARVO_LOG", "MORVANTIC_LOG", "QARVO_JAVA_HOME", "MORVANTIC_JAVA_HOME",
                                        "JAVA_HOME", "JDK_HOME", "JRE_HOME", "MANPATH"};

std::vector<std::string> childEnvironment(const std::map<std::string, std::string>& overrides) {
    std::vector<std::string> out;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string entry = *e;
        std::string name = entry.substr(0, entry.find('='));
        if (kCleared.count(name) || overrides.count(name) || name.rfind("WINE", 0) == 0) continue;
        out.push_back(entry);
    }
    std::map<std::string, std::string> all = {{"WINEPREFIX", winePrefix()}, {"WINEDEBUG", "-all"},
                                              {"WINEDLLOVERRIDES", "mscoree,mshtml="}};
    for (const auto& [name, value] : overrides) all[name] = value;
    for (const auto& [name, value] : all) out.push_back(name + "=" + value);
    return out;
}

}  // namespace

std::string distDirectory() { return envOr("QARVO_DIST", QARVO_DIST_DEFAULT); }
std::string winePrefix() { return envOr("QARVO_TEST_WINEPREFIX", QARVO_WINEPREFIX_DEFAULT); }
std::string wineRunner() { return envOr("QARVO_WINE_RUN", QARVO_WINE_RUN_DEFAULT); }

bool x86Runs() {
    static const bool answer = [] {
        RunOptions options;
        options.timeoutSeconds = 60;
        RunResult result = run({wineRunner(), "--x86"}, options);
        if (result.exitCode != 0) ADD_FAILURE() << wineRunner() << " --x86: exit code " << result.exitCode << result.err;
        return result.out == "yes\n";
    }();
    return answer;
}

std::string withBits(std::string text) {
    const std::string word = bits(defaultArch());
    for (size_t at = text.find("{bits}"); at != std::string::npos; at = text.find("{bits}", at + word.size()))
        text.replace(at, 6, word);
    return text;
}

const std::string& defaultArch() {
    static const std::string arch = x86Runs() ? "x86" : "x64";
    return arch;
}

std::string wineTempDirectory() {
    const std::string users = winePrefix() + "/drive_c/users";
    const char* user = std::getenv("USER");
    std::string name = user != nullptr ? user : "root";
    for (const char* sub : {"/AppData/Local/Temp", "/Temp"}) {
        std::string candidate = users + "/" + name + sub;
        if (fs::is_directory(candidate)) return candidate;
    }
    return users + "/" + name + "/AppData/Local/Temp";
}

std::string windowsPath(const std::string& hostPath) {
    const std::string drive = fs::weakly_canonical(winePrefix() + "/drive_c").string();
    std::string path = fs::weakly_canonical(hostPath).string();
    std::string out;
    if (path.rfind(drive, 0) == 0)
        out = "C:" + path.substr(drive.size());
    else
        out = "Z:" + path;
    for (char& c : out)
        if (c == '/') c = '\\';
    if (out.size() == 2) out += '\\';
    return out;
}

namespace {

// The child's output into a file; finish() waits for the child alone.
Process startWithOutputFile(const std::vector<std::string>& argv, const RunOptions& options) {
    Process process;
    process.outputFile = options.outputFile;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const char* input = options.inputFile.empty() ? "/dev/null" : options.inputFile.c_str();
    posix_spawn_file_actions_addopen(&actions, 0, input, O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, options.outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> env = childEnvironment(options.env);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid;
    int rc = posix_spawnp(&pid, args[0], &actions, &attr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        ADD_FAILURE() << "cannot start " << argv[0] << ": " << std::strerror(rc);
        return process;
    }
    process.pid = pid;
    return process;
}

RunResult finishWithOutputFile(Process& process, int timeoutSeconds) {
    RunResult result;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int status = 0;
    while (waitpid(process.pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            result.timedOut = true;
            kill(-process.pid, SIGKILL);
            waitpid(process.pid, &status, 0);
            break;
        }
        usleep(20000);
    }
    process.pid = -1;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = readFile(process.outputFile);
    return result;
}

}  // namespace

Process start(const std::vector<std::string>& argv, const RunOptions& options) {
    if (!options.outputFile.empty()) return startWithOutputFile(argv, options);
    Process process;
    // Close-on-exec: the child gets the write ends as its standard streams
    // only, so that no program it leaves running (the Wine server kept for
    // the run) holds a copy and keeps the output open.
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0) return process;
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return process;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);
    const char* input = options.inputFile.empty() ? "/dev/null" : options.inputFile.c_str();
    posix_spawn_file_actions_addopen(&actions, 0, input, O_RDONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);

    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> env = childEnvironment(options.env);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    pid_t pid;
    int rc = posix_spawnp(&pid, args[0], &actions, &attr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(outPipe[1]);
    close(errPipe[1]);
    if (rc != 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        ADD_FAILURE() << "cannot start " << argv[0] << ": " << std::strerror(rc);
        return process;
    }
    process.pid = pid;
    process.outFd = outPipe[0];
    process.errFd = errPipe[0];
    return process;
}

RunResult finish(Process& process, int timeoutSeconds) {
    RunResult result;
    if (process.pid <= 0) return result;
    if (!process.outputFile.empty()) return finishWithOutputFile(process, timeoutSeconds);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    pollfd fds[2] = {{process.outFd, POLLIN, 0}, {process.errFd, POLLIN, 0}};
    int open = 2;
    char buffer[65536];
    while (open > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.timedOut = true;
            kill(-process.pid, SIGKILL);
            break;
        }
        if (poll(fds, 2, static_cast<int>(left.count())) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
            }
        }
    }
    for (pollfd& f : fds)
        if (f.fd >= 0) close(f.fd);
    int status = 0;
    waitpid(process.pid, &status, 0);
    process.pid = -1;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

RunResult run(const std::vector<std::string>& argv, const RunOptions& options) {
    Process process = start(argv, options);
    return finish(process, options.timeoutSeconds);
}

namespace {

// Standard streams in text mode end lines with CR LF; tests compare LF texts.
void toLf(RunResult& result) {
    for (std::string* text : {&result.out, &result.err}) {
        std::string lf;
        for (size_t i = 0; i < text->size(); ++i)
            if (!((*text)[i] == '\r' && i + 1 < text->size() && (*text)[i + 1] == '\n')) lf.push_back((*text)[i]);
        text->swap(lf);
    }
}

}  // namespace

namespace {

// The machine field of a PE file's header (0 when it is none).
unsigned peMachine(const std::string& path) {
    std::string bytes(4096, '\0');
    std::ifstream in(path, std::ios::binary);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return peMachineOf(bytes).value_or(0);
}

}  // namespace

Process startWine(const std::string& exe, const RunOptions& options) {
    // A test about x86 skips itself where 32-bit programs cannot run; one
    // that reaches this point has forgotten to.
    if (peMachine(exe) == 0x14c && !x86Runs()) {
        ADD_FAILURE() << exe << " is an x86 executable: " << kNoX86 << " (RIG_SKIP_UNLESS_RUNS)";
        return Process{};
    }
    std::vector<std::string> argv = {wineRunner(), exe};
    argv.insert(argv.end(), options.args.begin(), options.args.end());
    return start(argv, options);
}

RunResult runWine(const std::string& exe, const RunOptions& options) {
    Process process = startWine(exe, options);
    RunResult result = finish(process, options.timeoutSeconds);
    toLf(result);
    return result;
}

namespace {

// The marker scripts/wine-server.sh leaves in the prefix while it keeps a
// server up for the run.
std::string keptServerMarker() { return winePrefix() + "/.qarvo-server-kept"; }

std::string wineServerScript() { return fs::path(wineRunner()).parent_path().string() + "/wine-server.sh"; }

}  // namespace

Display::Display() {
    // Wine's desktop belongs to the display its server started with: stop the
    // server that runs without one (kept for the run, or started by an
    // earlier test); this test's first program starts one with the display.
    RunOptions stopping;
    stopping.timeoutSeconds = 120;
    run({"wineserver", "-k"}, stopping);
    run({"wineserver", "-w"}, stopping);
    for (int number = 90 + getpid() % 50; number < 200; ++number) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        if (fs::exists(socket) || fs::exists("/tmp/.X" + std::to_string(number) + "-lock")) continue;
        name_ = ":" + std::to_string(number);
        Process server = start({"Xvfb", name_, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        if (server.pid <= 0) return;
        close(server.outFd);
        close(server.errFd);
        for (int i = 0; i < 100 && !fs::exists(socket); ++i) usleep(100000);
        if (!fs::exists(socket)) {
            kill(-server.pid, SIGKILL);
            waitpid(server.pid, nullptr, 0);
            continue;
        }
        pid_ = server.pid;
        return;
    }
}

Display::~Display() {
    run({"wineserver", "-k"});
    run({"wineserver", "-w"});
    if (pid_ > 0) {
        kill(-pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    // The tests after this one find the run's server up again.
    if (fs::exists(keptServerMarker())) {
        RunOptions starting;
        starting.timeoutSeconds = 240;
        run({wineServerScript(), "start", winePrefix()}, starting);
    }
}

Workspace::Workspace() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info != nullptr ? std::string(info->test_suite_name()) + "." + info->name() : "rig";
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-') c = '_';
    path_ = winePrefix() + "/drive_c/qarvo-tests/" + name;
    fs::remove_all(path_);
    fs::create_directories(path_);
}

void Workspace::write(const std::string& name, const std::string& content) const {
    fs::create_directories(fs::path(file(name)).parent_path());
    std::ofstream(file(name), std::ios::binary) << content;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string stubPath(const std::string& arch) { return distDirectory() + "/stubs/launcher-" + arch + ".exe"; }

RunResult buildProject(const Workspace& ws, const std::string& project, const std::string& exeName,
                       const std::string& arch) {
    const std::string projectFile = ws.file(exeName + ".toml");
    ws.write(exeName + ".toml", project);
    return run({distDirectory() + "/bin/qarvo-build", "build", projectFile, "-o", ws.file(exeName), "--arch", arch});
}

std::string writeExecutable(const Workspace& ws, const std::string& exeName, const std::string& appended,
                            const std::string& arch) {
    ws.write(exeName, readFile(stubPath(arch)) + appended);
    return ws.file(exeName);
}

RunResult runCutBlock(const Workspace& ws, const std::string& block, const BlockCut& cut) {
    return runWine(writeExecutable(ws, "cut.exe", block.substr(0, cut.keep)), withArgs({"-q_mvt_internal"}));
}

std::vector<std::string> tempFilesStartingWith(const std::string& prefix) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(wineTempDirectory(), ec)) {
        std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0) names.push_back(name);
    }
    return names;
}

LoggedRun runWineLogged(const std::string& exe, RunOptions options) {
    const auto before = tempFilesStartingWith("mvt_nlog_");
    options.env["QARVO_LOG"] = "yes";
    LoggedRun run{runWine(exe, options), std::string()};
    for (const std::string& name : tempFilesStartingWith("mvt_nlog_")) {
        if (std::find(before.begin(), before.end(), name) != before.end()) continue;
        std::string text = readFile(wineTempDirectory() + "/" + name);
        std::string lf;
        for (char c : text)
            if (c != '\r') lf.push_back(c);
        run.log = lf;
        fs::remove(wineTempDirectory() + "/" + name);
    }
    return run;
}

std::string layFakeRuntime(const std::string& home, const FakeRuntimeOptions& options) {
    using Layout = FakeRuntimeOptions::Layout;
    const std::string fake = distDirectory() + "/testing/fakejre/" + options.arch;
    const std::string bin = options.layout == Layout::Jdk8 ? home + "/jre/bin" : home + "/bin";
    fs::create_directories(bin);
    auto copy = [](const std::string& from, const std::string& to) {
        fs::create_directories(fs::path(to).parent_path());
        fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    };
    copy(fake + "/java.exe", bin + "/java.exe");
    if (options.javaw) copy(fake + "/java.exe", bin + "/javaw.exe");
    copy(fake + "/unpack200.exe", bin + "/unpack200.exe");
    if (options.splashLibrary) copy(fake + "/splashscreen.dll", bin + "/splashscreen.dll");
    // The support library jvm.dll imports lives in bin, not beside jvm.dll.
    copy(fake + "/fakejre-base.dll", bin + "/fakejre-base.dll");
    if (!options.vmKind.empty())
        copy(fake + (options.createEntry ? "/jvm.dll" : "/jvm-nocreate.dll"), bin + "/" + options.vmKind + "/jvm.dll");
    if (options.layout == Layout::Jdk8) {
        copy(fake + "/java.exe", home + "/bin/java.exe");
        fs::create_directories(home + "/lib");
        std::ofstream(home + "/lib/tools.jar") << "jar";
    }
    if (options.layout == Layout::Jdk9) copy(fake + "/java.exe", home + "/bin/javac.exe");
    std::ofstream ini(bin + "/fakejre.ini");
    for (const std::string& line : options.banner) ini << "banner=" << line << "\n";
    ini << "exit=" << options.exitCode << "\n";
    if (options.hang) ini << "hang=1\n";
    return bin;
}

std::vector<std::string> fakeCalls(const std::string& directory) {
    std::vector<std::string> lines;
    std::istringstream in(readFile(directory + "/fakejre-calls.log"));
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::vector<std::string> withPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        if (line.rfind(prefix, 0) != 0) continue;
        const size_t colon = line.find(": ", prefix.size());
        out.push_back(colon == std::string::npos ? line.substr(prefix.size()) : line.substr(colon + 2));
    }
    return out;
}

std::vector<std::string> LoadWatch::loaded() {
    std::vector<std::string> homes;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->path().filename() != "fakejre-calls.log" || it->path().parent_path().filename() == "bin") continue;
        size_t loads = 0;
        for (const std::string& line : fakeCalls(it->path().parent_path().string()))
            if (line.rfind("jvm.dll loaded ", 0) == 0) ++loads;
        size_t& seen = seen_[it->path().string()];
        if (loads == seen) continue;
        seen = loads;
        // home/bin/<vm kind>/fakejre-calls.log
        homes.push_back(fs::relative(it->path().parent_path().parent_path().parent_path(), root_).generic_string());
    }
    std::sort(homes.begin(), homes.end());
    return homes;
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string logged(const std::string& log, const std::string& prefix) {
    const size_t at = log.find("\n" + prefix);
    if (at == std::string::npos) return std::string();
    const size_t start = at + 1 + prefix.size();
    return log.substr(start, log.find('\n', start) - start);
}

void expectLinesInOrder(const std::string& log, const std::vector<std::string>& lines) {
    size_t at = 0;
    for (const std::string& line : lines) {
        const size_t found = log.find("\n" + line, at);
        ASSERT_NE(std::string::npos, found) << "missing, or out of order: " << line << "\n--- log ---\n" << log;
        at = found + line.size();
    }
}

std::string hostJava() {
    std::string path = run({"sh", "-c", "readlink -f \"$(command -v java)\""}).out;
    while (!path.empty() && path.back() == '\n') path.pop_back();
    return path;
}

std::string bridgeJdk(const std::string& version) {
    std::string home;
    if (version == "17") home = "/usr/lib/jvm/default-java";
    if (version == "25") home = envOr("QARVO_JDK25_HOME", "/usr/lib/jvm/temurin-25-jdk-amd64");
    return !home.empty() && access((home + "/lib/server/libjvm.so").c_str(), R_OK) == 0 ? home : std::string();
}

std::string layBridgedRuntime(const std::string& home, const std::string& jdk, const FakeRuntimeOptions& options) {
    const std::string bin = layFakeRuntime(home, options);
    std::ofstream(bin + "/server/fakejre.ini")
        << "main=bridge\nbridge=" << distDirectory() << "/testing/fakejre/bridge\njdk=" << jdk << "\n";
    return bin;
}

RunOptions bridgedRunOptions(const std::string& home, std::vector<std::string> args) {
    RunOptions options = withArgs(std::move(args));
    options.env["QARVO_JAVA_HOME"] = windowsPath(home);
    options.env["LC_ALL"] = "C.UTF-8";
    options.timeoutSeconds = 180;
    return options;
}

RunResult wineReg(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {wineRunner(), "reg"};
    argv.insert(argv.end(), args.begin(), args.end());
    RunResult result = run(argv);
    toLf(result);
    return result;
}

namespace {

// The full root name of a key, and the architecture's view of HKLM\SOFTWARE.
std::string registryKey(const std::string& key, const std::string& arch) {
    const auto startsWith = [&](const std::string& prefix) {
        return key.size() >= prefix.size() && lower(key.substr(0, prefix.size())) == lower(prefix);
    };
    if (startsWith("HKLM\\SOFTWARE\\") && arch == "x86")
        return "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\" + key.substr(14);
    if (startsWith("HKLM\\")) return "HKEY_LOCAL_MACHINE\\" + key.substr(5);
    if (startsWith("HKCU\\")) return "HKEY_CURRENT_USER\\" + key.substr(5);
    return key;
}

std::string regQuoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

RegistryFile& RegistryFile::remove(const std::string& key) {
    text_ += "\r\n[-" + registryKey(key, arch_) + "]\r\n";
    return *this;
}

RegistryFile& RegistryFile::set(const std::string& key, const std::string& name, const std::string& value) {
    text_ += "\r\n[" + registryKey(key, arch_) + "]\r\n";
    if (!name.empty()) text_ += regQuoted(name) + "=" + regQuoted(value) + "\r\n";
    return *this;
}

RunResult RegistryFile::import() {
    const std::string file = winePrefix() + "/drive_c/qarvo-import-" + std::to_string(getpid()) + ".reg";
    std::ofstream(file, std::ios::binary) << "REGEDIT4\r\n" << text_;
    text_.clear();
    RunResult result = wineReg({"import", windowsPath(file)});
    fs::remove(file);
    return result;
}

}  // namespace rig

namespace rig {

std::string waitInMainLine(const std::string& dllDirectory) {
    return "main=wait:" + windowsPath(dllDirectory + "/release-main") + "\n";
}

RunResult runWhileMainWaits(const std::string& exe, const std::string& dllDirectory, const std::function<void()>& look,
                            const RunOptions& options) {
    const std::string release = dllDirectory + "/release-main";
    fs::remove(release);
    Process process = startWine(exe, options);
    for (int i = 0; i < 1200; ++i) {
        const std::vector<std::string> calls = fakeCalls(dllDirectory);
        if (std::find(calls.begin(), calls.end(), "main waits") != calls.end()) {
            look();
            break;
        }
        if (kill(process.pid, 0) != 0) break;
        usleep(50000);
    }
    std::ofstream(release) << "go";
    RunResult result = finish(process, options.timeoutSeconds);
    fs::remove(release);
    return result;
}

}  // namespace rig
