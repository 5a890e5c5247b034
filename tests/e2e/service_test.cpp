// A service executable under Wine's service controller (the run's kept Wine
// server): install, start, stop through the stop method or System.exit,
// the application's own exit code, a stop the application ignores, status
// and uninstall; all from an executable whose path has blanks.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include <pwd.h>
#include <unistd.h>

#include "tests/e2e/rig.h"

namespace fs = std::filesystem;

namespace {

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        name = std::string("qarvo-e2e-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        bin = rig::layFakeRuntime(ws.file("app dir/jre"));
    }
    void TearDown() override {
        if (!exe.empty()) command("uninstall");
    }
    // An empty script: the application runs on the host's HotSpot (app.jar).
    void build(const std::string& service, const std::string& script) {
        if (!script.empty()) std::ofstream(bin + "/server/fakejre.ini") << script;
        const auto built = rig::buildProject(
            ws,
            "[application]\nname = \"Svc\"\ntype = 2\nmain-class = \"app.Main\"\n"
            "[java]\nsearch-sequence = \"B.\\\\jre\"\n" +
                std::string(script.empty() ? "class-path = [{ archive = \"app.jar\", mandatory = true }]\n"
                                           : "[runtime]\njar = \"none\"\n") +
                "[service]\nname = \"" + name + "\"\nstop-timeout = 3\n" + service,
            "app dir/svc.exe");
        ASSERT_EQ(0, built.exitCode) << built.err;
        exe = ws.file("app dir/svc.exe");
    }
    rig::RunResult command(const std::string& what, std::vector<std::string> more = {}) {
        std::vector<std::string> args = {"--service", what};
        args.insert(args.end(), more.begin(), more.end());
        rig::RunOptions options = rig::withArgs(args);
        options.timeoutSeconds = 60;
        return rig::runWine(exe, options);
    }
    std::vector<std::string> calls() { return rig::fakeCalls(bin + "/server"); }
    bool called(const std::string& line) {
        for (const std::string& call : calls())
            if (call == line) return true;
        return false;
    }
    // The "state:" and "last exit code:" lines of --service status once the
    // state is no longer the pending one.
    std::string statusOnce(const std::string& notState) {
        for (int i = 0; i < 40; ++i) {
            const std::string out = command("status").out;
            if (out.find("state:          " + notState) == std::string::npos) return out;
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
        return command("status").out;
    }
    rig::Workspace ws;
    std::string name, bin, exe;
};

TEST_F(ServiceTest, InstallStartStopThroughTheStopMethodAndUninstall) {
    build("stop-method = \"app.Main.stop\"\n", "main=run\nstop=release\n");
    const std::vector<std::string> temporary = rig::tempFilesStartingWith("qvo");
    const auto installed = command("install");
    ASSERT_EQ(0, installed.exitCode) << installed.out << installed.err;
    EXPECT_NE(0, command("install").exitCode);  // already installed

    const auto started = command("start");
    ASSERT_EQ(0, started.exitCode) << started.out << started.err;
    EXPECT_NE(std::string::npos, command("status").out.find("state:          RUNNING"));
    EXPECT_FALSE(called("CallStaticVoidMethod app/Main.stop"));
    const auto stopped = command("stop");
    EXPECT_EQ(0, stopped.exitCode) << stopped.out << stopped.err;
    const std::string status = statusOnce("STOP_PENDING");
    EXPECT_NE(std::string::npos, status.find("state:          STOPPED")) << status;
    EXPECT_NE(std::string::npos, status.find("last exit code: 0")) << status;
    EXPECT_TRUE(called("stop releases main"));
    EXPECT_TRUE(called("DestroyJavaVM"));
    // Without a console of its own, the version probe's runtime leaves
    // nothing in %TEMP% either.
    EXPECT_EQ(temporary, rig::tempFilesStartingWith("qvo"));

    EXPECT_EQ(0, command("uninstall").exitCode);
    EXPECT_NE(0, rig::wineReg({"query", "HKLM\\SYSTEM\\CurrentControlSet\\Services\\" + name}).exitCode);
    EXPECT_NE(0, command("status").exitCode);
    EXPECT_NE(0, command("uninstall").exitCode);
    exe.clear();
}

TEST_F(ServiceTest, WithoutAStopMethodTheStopIsSystemExitZero) {
    build("", "main=run\n");
    ASSERT_EQ(0, command("install").exitCode);
    ASSERT_EQ(0, command("start").exitCode);
    EXPECT_EQ(0, command("stop").exitCode);
    const std::string status = statusOnce("STOP_PENDING");
    EXPECT_NE(std::string::npos, status.find("last exit code: 0")) << status;
    EXPECT_TRUE(called("System.exit 0"));
}

TEST_F(ServiceTest, TheApplicationsExitCodeIsTheServiceSpecificCode) {
    // Wine refuses the failure-actions flag: a warning, not a failed install.
    build("restart-on-failure = [10, 60]\n", "main=exit:3\n");
    const auto installed = command("install");
    ASSERT_EQ(0, installed.exitCode) << installed.out << installed.err;
    command("start");
    const std::string status = statusOnce("RUNNING");
    EXPECT_NE(std::string::npos, status.find("state:          STOPPED")) << status;
    EXPECT_NE(std::string::npos, status.find("last exit code: 3")) << status;
}

// A failure before the JVM exists: STOPPED with 83, and the message that
// would have been a box in the service's error output file.
TEST_F(ServiceTest, NoJavaFoundStopsWith83AndSaysSoInItsErrorFile) {
    fs::remove_all(ws.file("app dir/jre"));
    build("", "main=return\n");
    const std::string errors = rig::winePrefix() + "/drive_c/ProgramData/Svc/stderr.log";
    fs::remove(errors);
    ASSERT_EQ(0, command("install").exitCode);
    command("start");
    const std::string status = statusOnce("RUNNING");
    EXPECT_NE(std::string::npos, status.find("state:          STOPPED")) << status;
    EXPECT_NE(std::string::npos, status.find("last exit code: 83")) << status;
    EXPECT_GT(fs::exists(errors) ? fs::file_size(errors) : 0, 0u) << errors;
}

TEST_F(ServiceTest, AStopTheApplicationIgnoresEndsItAfterTheTimeout) {
    build("stop-method = \"app.Main.stop\"\n", "main=run\nstop=hang\n");
    ASSERT_EQ(0, command("install").exitCode);
    ASSERT_EQ(0, command("start").exitCode);
    const auto began = std::chrono::steady_clock::now();
    command("stop");
    const std::string status = statusOnce("STOP_PENDING");
    const auto took = std::chrono::steady_clock::now() - began;
    EXPECT_NE(std::string::npos, status.find("state:          STOPPED")) << status;
    EXPECT_EQ(std::string::npos, status.find("last exit code: 0")) << status;
    EXPECT_LT(took, std::chrono::seconds(3 + 8));
}

// Another account: its name on the command line, its password read from
// standard input (a pipe here), never from the command line.
TEST_F(ServiceTest, AnotherAccountTakesItsPasswordFromStandardInput) {
    build("", "main=return\n");
    ws.write("password.txt", "s3cret pass\r\n");
    // A local account Wine knows: the user it runs as.
    const std::string account = std::string(".\\") + getpwuid(getuid())->pw_name;
    rig::RunOptions options = rig::withArgs({"--service", "install", "--account", account});
    options.inputFile = ws.file("password.txt");
    const auto installed = rig::runWine(exe, options);
    ASSERT_EQ(0, installed.exitCode) << installed.out << installed.err;
    EXPECT_NE(std::string::npos, command("status").out.find("account:        " + account));
    const auto key = rig::wineReg({"query", "HKLM\\SYSTEM\\CurrentControlSet\\Services\\" + name, "/s"});
    EXPECT_EQ(std::string::npos, key.out.find("s3cret")) << key.out;
}

// Started by a person, not by the controller: the application runs in the
// console and Ctrl+C (Wine's for SIGINT) is the stop request.
TEST_F(ServiceTest, InTheConsoleCtrlCIsTheStop) {
    build("stop-method = \"app.Main.stop\"\n", "main=run\nstop=release\n");
    rig::Process process = rig::startWine(exe);
    for (int i = 0; i < 80 && !called("main waits"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(250));
    ASSERT_TRUE(called("main waits"));
    kill(process.pid, SIGINT);
    const rig::RunResult run = rig::finish(process, 60);
    EXPECT_EQ(0, run.exitCode) << run.out << run.err;
    EXPECT_TRUE(called("stop releases main"));
    EXPECT_TRUE(called("DestroyJavaVM"));
    exe.clear();  // never installed
}

// A Java application on the host's HotSpot: it writes started.txt, runs
// until stopped, then stopped.txt from main and hook.txt from a shutdown hook.
class BridgedServiceTest : public ServiceTest {
protected:
    void SetUp() override {
        ServiceTest::SetUp();
        if (rig::bridgeJdk("17").empty()) GTEST_SKIP() << "no host JDK 17";
        ws.write("app/Main.java",
                 "package app;\nimport java.nio.file.*;\n"
                 "public class Main {\n"
                 "  static final java.util.concurrent.CountDownLatch stop = new java.util.concurrent.CountDownLatch(1);\n"
                 "  static void mark(String dir, String name) {\n"
                 "    try { Files.write(Paths.get(dir, name), System.getProperty(\"qarvo.service.name\", \"-\").getBytes()); }\n"
                 "    catch (Exception e) { throw new RuntimeException(e); } }\n"
                 "  public static void main(String[] a) throws Exception {\n"
                 "    final String dir = a[a.length - 1];\n"
                 "    Runtime.getRuntime().addShutdownHook(new Thread(() -> mark(dir, \"hook.txt\")));\n"
                 "    mark(dir, \"started.txt\"); stop.await(); mark(dir, \"stopped.txt\"); }\n"
                 "  public static void stop() { stop.countDown(); } }\n");
        ASSERT_EQ(0, rig::run({"javac", "--release", "8", "-d", ws.file("classes"), ws.file("app/Main.java")}).exitCode);
        ASSERT_EQ(0, rig::run({"jar", "cf", ws.file("app dir/app.jar"), "-C", ws.file("classes"), "."}).exitCode);
        bin = rig::layBridgedRuntime(ws.file("app dir/jre"), rig::bridgeJdk("17"));
        data = ws.file("data");
        fs::create_directories(data);
    }
    // Files.write creates the file before it writes the name, so a file
    // seen empty is still being written: wait for its contents.
    bool marked(const std::string& file) {
        const std::string path = data + "/" + file;
        for (int i = 0; i < 80; ++i) {
            if (fs::exists(path) && rig::readFile(path) == name) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
        return false;
    }
    std::string data;
};

TEST_F(BridgedServiceTest, TheStopMethodEndsMainAndTheShutdownHooksRun) {
    build("stop-method = \"app.Main.stop\"\n", "");
    ASSERT_EQ(0, command("install", {"--", data}).exitCode);
    ASSERT_EQ(0, command("start").exitCode);
    ASSERT_TRUE(marked("started.txt"));
    EXPECT_FALSE(fs::exists(data + "/stopped.txt"));
    EXPECT_EQ(0, command("stop").exitCode);
    EXPECT_NE(std::string::npos, statusOnce("STOP_PENDING").find("last exit code: 0"));
    EXPECT_TRUE(marked("stopped.txt"));
    EXPECT_TRUE(marked("hook.txt"));
}

TEST_F(BridgedServiceTest, WithoutAStopMethodSystemExitRunsTheShutdownHooks) {
    build("", "");
    ASSERT_EQ(0, command("install", {"--", data}).exitCode);
    ASSERT_EQ(0, command("start").exitCode);
    ASSERT_TRUE(marked("started.txt"));
    EXPECT_EQ(0, command("stop").exitCode);
    EXPECT_NE(std::string::npos, statusOnce("STOP_PENDING").find("last exit code: 0"));
    EXPECT_TRUE(marked("hook.txt"));
    EXPECT_FALSE(fs::exists(data + "/stopped.txt"));
}

}  // namespace
