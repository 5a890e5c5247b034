// The fake jvm.dll reached from other threads than main's, as a service's
// stop reaches the JVM (testing/tools/jvm_threads_probe.cpp): System.exit
// and stop methods, a JNIEnv per thread, DestroyJavaVM waiting for attached
// non-daemon threads; and the same calls through the bridge on a real HotSpot.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/e2e/rig.h"

namespace fs = std::filesystem;

namespace {

std::string lines(const std::vector<std::string>& all) {
    std::string text;
    for (const std::string& line : all) text += "\n" + line;
    return text;
}

// Runs the probe against the jvm.dll of the fake runtime in bin.
rig::RunResult runProbe(const std::string& arch, const std::string& bin, std::vector<std::string> args) {
    args.insert(args.begin(), rig::windowsPath(bin + "/server/jvm.dll"));
    rig::RunOptions options = rig::withArgs(std::move(args));
    options.env["WINEPATH"] = rig::windowsPath(bin);  // fakejre-base.dll
    options.env["LC_ALL"] = "C.UTF-8";
    options.timeoutSeconds = 180;
    return rig::runWine(rig::distDirectory() + "/testing/tools/" + arch + "/jvm-threads-probe.exe", options);
}

struct ThreadCase {
    const char* name;
    const char* script;
    std::vector<std::string> probe;  // main class, mode, what the stop thread calls
    int exitCode;
    std::vector<std::string> out;         // lines of the probe's output, in this order
    std::vector<std::string> transcript;  // lines of the fake's transcript, in this order
    const char* err;                      // in standard error
};

class FakeThreads : public ::testing::TestWithParam<std::tuple<std::string, ThreadCase>> {};

TEST_P(FakeThreads, BehaveAsHotSpot) {
    const auto& [arch, c] = GetParam();
    RIG_SKIP_UNLESS_RUNS(arch);
    rig::Workspace ws;
    rig::FakeRuntimeOptions runtime;
    runtime.arch = arch;
    const std::string bin = rig::layFakeRuntime(ws.file("jre"), runtime);
    std::ofstream(bin + "/server/fakejre.ini") << c.script;
    const rig::RunResult run = runProbe(arch, bin, c.probe);
    EXPECT_EQ(c.exitCode, run.exitCode) << run.out << run.err;
    rig::expectLinesInOrder("\n" + run.out, c.out);
    rig::expectLinesInOrder(lines(rig::fakeCalls(bin + "/server")), c.transcript);
    EXPECT_NE(std::string::npos, run.err.find(c.err)) << run.err;
}

const ThreadCase kCases[] = {
    {"systemExitFromAnotherThread", "main=run\n", {"app.Main", "stop", "exit:7"}, 7,
     {"env own=1 same=1", "exit hook 7"},
     {"AttachCurrentThreadAsDaemon", "AttachCurrentThreadAsDaemon", "GetStaticMethodID java/lang/System.exit (I)V",
      "System.exit 7", "exit hook 7"}, ""},
    {"releaseLetsMainReturn", "main=run\nstop=release\nmissing_method=stop()V\n", {"app.Main", "stop", "app.Service.stop"}, 0,
     {"env own=1 same=1", "main returned", "destroyed"},
     {"GetStaticMethodID app/Service.stop ()V", "ExceptionClear", "GetStaticMethodID app/Service.stop ([Ljava/lang/String;)V",
      "CallStaticVoidMethod app/Service.stop", "stop releases main", "main goes on: return", "DestroyJavaVM"}, ""},
    {"throwLeavesItPendingOnTheStopThread", "main=run\nstop=throw\n", {"app.Main", "stop", "app.Service.stop", "exit:3"}, 3,
     {"stop app.Service.stop threw", "env own=1 same=1", "exit hook 3"},
     {"CallStaticVoidMethod app/Service.stop", "ExceptionDescribe", "DetachCurrentThread", "System.exit 3"},
     "Exception in thread \"Thread-0\" java.lang.IllegalStateException: the stop method threw"},
    {"destroyWaitsForANonDaemonThread", "main=return\n", {"app.Main", "nondaemon"}, 0,
     {"main returned", "detaching", "destroyed"},
     {"AttachCurrentThread", "DestroyJavaVM", "DestroyJavaVM waits for 1 attached thread(s)", "DetachCurrentThread",
      "DestroyJavaVM goes on"}, ""},
    {"anotherThreadsEnvTraps", "main=return\n", {"app.Main", "wrongenv"}, 86, {},
     {"TRAP JNIEnv.FindClass (not this thread's JNIEnv)"}, "not this thread's JNIEnv"},
};

INSTANTIATE_TEST_SUITE_P(Cases, FakeThreads, ::testing::Combine(::testing::Values("x86", "x64"), ::testing::ValuesIn(kCases)),
                         [](const auto& info) {
                             return std::get<0>(info.param) + "_" + std::get<1>(info.param).name;
                         });

// Through the bridge: a service whose main waits until its stop method is called.
class BridgedThreads : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        RIG_SKIP_UNLESS_RUNS(GetParam());
        if (rig::bridgeJdk("17").empty()) GTEST_SKIP() << "no host JDK 17";
        ws.write("Service.java",
                 "import java.nio.file.*;\n"
                 "public class Service {\n"
                 "  static final java.util.concurrent.CountDownLatch started = new java.util.concurrent.CountDownLatch(1);\n"
                 "  static final java.util.concurrent.CountDownLatch stopped = new java.util.concurrent.CountDownLatch(1);\n"
                 "  public static void main(String[] args) throws Exception {\n"
                 "    Runtime.getRuntime().addShutdownHook(new Thread(() -> { try {\n"
                 "      Files.write(Paths.get(System.getProperty(\"java.class.path\"), \"hook-ran\"), new byte[0]);\n"
                 "    } catch (java.io.IOException e) {} }));\n"
                 "    started.countDown();\n"
                 "    stopped.await();\n"
                 "    System.out.println(\"service stopped\");\n"
                 "  }\n"
                 "  public static void awaitStart() throws InterruptedException { started.await(); }\n"
                 "  public static void stop() { stopped.countDown(); }\n"
                 "  public static void fail() { throw new IllegalStateException(\"cannot stop\"); }\n"
                 "}\n");
        const auto javac = rig::run({"javac", "--release", "8", "-d", ws.file("classes"), ws.file("Service.java")});
        ASSERT_EQ(0, javac.exitCode) << javac.err;
        rig::FakeRuntimeOptions runtime;
        runtime.arch = GetParam();
        bin = rig::layBridgedRuntime(ws.file("jre"), rig::bridgeJdk("17"), runtime);
        before = rig::tempFilesStartingWith("qvo_bridge_");
    }
    rig::RunResult stop(std::vector<std::string> calls) {
        calls.insert(calls.begin(), {"-Djava.class.path=" + rig::windowsPath(ws.file("classes")), "Service", "stop"});
        return runProbe(GetParam(), bin, calls);
    }
    void expectTranscript(const std::vector<std::string>& expected) {
        rig::expectLinesInOrder(lines(rig::fakeCalls(bin + "/server")), expected);
        EXPECT_EQ(before, rig::tempFilesStartingWith("qvo_bridge_")) << "the bridge's files stay in %TEMP%";
    }
    rig::Workspace ws;
    std::string bin;
    std::vector<std::string> before;
};

TEST_P(BridgedThreads, StopMethodsRunInTurnOnTheHostThrowingOrReturning) {
    const rig::RunResult run = stop({"Service.fail", "Service.stop"});
    EXPECT_EQ(0, run.exitCode) << run.out << run.err;
    rig::expectLinesInOrder("\n" + run.out, {"stop Service.fail threw", "service stopped", "main returned", "destroyed"});
    EXPECT_NE(std::string::npos, run.err.find("Exception in thread \"Thread-0\" java.lang.IllegalStateException: cannot stop"))
        << run.err;
    // The reply to stop and main's return come in either order.
    expectTranscript({"bridge control 1 Service.fail ()V", "bridge reply 1 threw", "bridge control 2 Service.stop ()V",
                      "bridge reply 2 returned"});
    expectTranscript({"bridge control 2 Service.stop ()V", "bridge main returned", "bridge exit 0"});
}

TEST_P(BridgedThreads, SystemExitRunsTheShutdownHooksAndEndsThroughTheExitHook) {
    const rig::RunResult run = stop({"Service.awaitStart", "exit:5"});
    EXPECT_EQ(5, run.exitCode) << run.out << run.err;
    rig::expectLinesInOrder("\n" + run.out, {"exit hook 5"});
    EXPECT_TRUE(fs::exists(ws.file("classes/hook-ran")));
    expectTranscript({"bridge reply 1 returned", "System.exit 5", "bridge control 2 java/lang/System.exit (I)V", "bridge exit 5",
                      "exit hook 5"});
}

INSTANTIATE_TEST_SUITE_P(Arch, BridgedThreads, ::testing::Values("x86", "x64"));

}  // namespace
