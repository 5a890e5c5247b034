// Single-instance coordination between real launcher processes under Wine:
// the first instance's semaphore and registry value, the hand-over of a later
// start's arguments in a notification file, its waits and failures.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "tests/e2e/rig.h"
#include "tests/e2e/screen.h"

namespace fs = std::filesystem;

namespace {

using rig::lower;

size_t lineAt(const std::string& log, const std::string& line) { return log.find("\n" + line + "\n"); }

const auto expectInOrder = rig::expectLinesInOrder;

std::string utf16(const std::string& ascii) {
    std::string out;
    for (char c : ascii + "\n") out += std::string(1, c) + '\0';
    return out;
}

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override { bin = rig::layFakeRuntime(ws.file("jre")); }
    void TearDown() override {
        for (const std::string& name : rig::tempFilesStartingWith("qvo_p")) fs::remove(rig::wineTempDirectory() + "/" + name);
    }
    // What the first instance's application does.
    void application(const std::vector<std::string>& steps) {
        std::ofstream ini(bin + "/server/fakejre.ini");
        ini << "main=app\n";
        for (const std::string& step : steps) ini << "app=" << step << "\n";
    }
    void release(const std::string& name) { std::ofstream(bin + "/server/" + name) << "go"; }
    std::string build(const std::string& keys = "single-instance = true\n") {
        auto built = rig::buildProject(ws,
                                       "[application]\nname = \"One\"\ntype = 2\n" + keys +
                                           "[java]\nsearch-sequence = \"B.\\\\jre\"\n"
                                           "[messages]\ninternal-error = \"internal {0}\"\n",
                                       "app.exe");
        EXPECT_EQ(0, built.exitCode) << built.err;
        return ws.file("app.exe");
    }
    rig::RunOptions options(std::vector<std::string> args = {}) {
        rig::RunOptions o = rig::withArgs(std::move(args));
        o.env["QARVO_LOG"] = "yes";
        o.outputFile = ws.file("output-" + std::to_string(++outputs) + ".txt");
        o.timeoutSeconds = 180;
        return o;
    }
    rig::Process start(const std::string& exe, std::vector<std::string> args = {}) {
        return rig::startWine(exe, options(std::move(args)));
    }
    rig::RunResult run(const std::string& exe, std::vector<std::string> args = {}) {
        return rig::runWine(exe, options(std::move(args)));
    }
    std::vector<std::string> transcript() { return rig::fakeCalls(bin + "/server"); }
    bool waitForCall(const std::string& line, int seconds = 60) {
        for (int i = 0; i < seconds * 10; ++i) {
            const auto calls = transcript();
            if (std::find(calls.begin(), calls.end(), line) != calls.end()) return true;
            usleep(100000);
        }
        return false;
    }
    // The value of a JVM option of the last launch, e.g. qarvo.processCommFile.
    std::string property(const std::string& name) {
        std::string value;
        const std::string key = ": -D" + name + "=";
        for (const std::string& call : transcript())
            if (call.rfind("option ", 0) == 0 && call.find(key) != std::string::npos)
                value = call.substr(call.find(key) + key.size());
        return value;
    }
    // The first instance's process id, from its notification file's name.
    std::string firstPid() {
        const std::string file = property("qarvo.processCommFile");
        const size_t at = file.rfind("qvo_p");
        return at == std::string::npos ? "" : file.substr(at + 5, file.size() - at - 9);
    }
    std::string notificationFile() { return rig::wineTempDirectory() + "/qvo_p" + firstPid() + ".tmp"; }
    std::string executableKey() { return lower(rig::windowsPath(ws.file("app.exe"))); }
    std::string baseName() {
        std::string name = executableKey();
        std::replace(name.begin(), name.end(), '\\', '_');
        return name;
    }
    std::string registeredPid() {
        auto query = rig::wineReg({"query", "HKCU\\Software\\korvath\\qarvo\\pids", "/v", executableKey()});
        const size_t at = query.out.find("REG_DWORD");
        if (query.exitCode != 0 || at == std::string::npos) return "";
        const std::string hex = query.out.substr(query.out.find("0x", at));
        return std::to_string(std::stoul(hex, nullptr, 16));
    }
    // The logs written since the last call, oldest first.
    std::vector<std::string> newLogs() {
        std::vector<std::string> logs;
        for (const std::string& name : rig::tempFilesStartingWith("mvt_nlog_")) {
            if (seenLogs.count(name)) continue;
            seenLogs.insert(name);
            std::string text;
            for (char c : rig::readFile(rig::wineTempDirectory() + "/" + name))
                if (c != '\r') text.push_back(c);
            logs.push_back(text);
        }
        return logs;
    }
    std::string logWith(const std::string& marker) {
        for (const std::string& log : newLogs())
            if (log.find(marker) != std::string::npos) return log;
        return "";
    }
    rig::Workspace ws;
    std::string bin;
    int outputs = 0;
    std::set<std::string> seenLogs = [] {
        auto names = rig::tempFilesStartingWith("mvt_nlog_");
        return std::set<std::string>(names.begin(), names.end());
    }();
};

TEST_F(SingleInstanceTest, TheFirstInstanceHoldsItsSemaphoreAndRecordsItsProcessId) {
    application({"wait:finish:120000"});
    const std::string exe = build();
    rig::Process first = start(exe);
    ASSERT_TRUE(waitForCall("app wait:finish:120000"));
    EXPECT_FALSE(firstPid().empty());
    EXPECT_EQ(firstPid(), registeredPid());
    EXPECT_EQ(baseName(), property("qarvo.semaphoreName"));
    release("finish");
    EXPECT_EQ(0, rig::finish(first, 60).exitCode);
    const std::string log = logWith("single instance mode");
    expectInOrder(log, {"single instance mode", "semaphore name " + baseName() + ", code 0, value ",
                        "Searching for a JVM"});
}

struct HandOver {
    const char* name;
    std::vector<std::string> args;
    bool throughLaunch;  // started with a quoted program path
    std::string text;    // the arguments as handed over
};

class HandOverTest : public SingleInstanceTest, public ::testing::WithParamInterface<HandOver> {};

TEST_P(HandOverTest, ASecondStartHandsOverItsArgumentsAndEndsWithZero) {
    application({"consume:1:120000", "wait:finish:120000"});
    const std::string exe = build();
    rig::Process first = start(exe);
    ASSERT_TRUE(waitForCall("app consume:1:120000"));
    rig::RunResult second;
    if (GetParam().throughLaunch) {
        std::vector<std::string> args = {"launch", "1", rig::windowsPath(exe)};
        args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
        second = run(screen::probePath(), args);
    } else {
        second = run(exe, GetParam().args);
    }
    EXPECT_EQ(0, second.exitCode) << second.out;
    const std::string expected = utf16(GetParam().text);
    ASSERT_TRUE(waitForCall("notification 1 " + std::to_string(expected.size()) + " " + GetParam().text));
    EXPECT_EQ(expected, rig::readFile(bin + "/server/notification-1.bin"));
    release("finish");
    EXPECT_EQ(0, rig::finish(first, 60).exitCode);
    const std::string log = logWith("other pid");
    const std::string file = lower(rig::windowsPath(rig::wineTempDirectory())) + "\\qvo_p" + firstPid() + ".tmp";
    expectInOrder(lower(log), {"single instance mode", "semaphore name " + baseName() + ", code 183",
                               "other pid " + firstPid(), "notification via " + file,
                               "waiting for notification semaphore", "wait returned 0", "waiting for file deletion",
                               "exiting"});
    EXPECT_EQ(std::string::npos, log.find("Searching for a JVM")) << log;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, HandOverTest,
    ::testing::Values(HandOver{"twoWords", {"a", "b"}, false, "a b"}, HandOver{"none", {}, false, ""},
                      HandOver{"quotedProgramPathNoArguments", {}, true, ""},
                      HandOver{"quotedProgramPathRawText", {"x y", "z"}, true, "\"x y\" \"z\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SingleInstanceTest, ADifferentlyCasedPathFindsTheSameInstance) {
    application({"consume:1:120000", "wait:finish:120000"});
    const std::string exe = build();
    rig::Process first = start(exe);
    ASSERT_TRUE(waitForCall("app consume:1:120000"));
    std::string upper = rig::windowsPath(exe);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(0, run(upper, {"upper"}).exitCode);
    EXPECT_TRUE(waitForCall("notification 1 12 upper"));
    release("finish");
    rig::finish(first, 60);
}

// The first instance never takes the file: the second start gives up after
// 10 seconds and leaves it; a third cannot write its own.
TEST_F(SingleInstanceTest, AnUnconsumedFileIsLeftAndAThirdStartFailsWithCode21) {
    application({"wait:finish:180000"});
    const std::string exe = build();
    rig::Process first = start(exe);
    ASSERT_TRUE(waitForCall("app wait:finish:180000"));
    auto second = run(exe, {"a", "b"});
    EXPECT_EQ(0, second.exitCode);
    EXPECT_EQ(utf16("a b"), rig::readFile(notificationFile()));
    auto third = run(exe, {"c"});
    EXPECT_EQ(1, third.exitCode);
    EXPECT_NE(std::string::npos, third.out.find("internal 21")) << third.out;
    EXPECT_EQ(utf16("a b"), rig::readFile(notificationFile())) << "the older file stays as it was";
    release("finish");
    EXPECT_EQ(0, rig::finish(first, 60).exitCode);
    const std::string log = logWith("CreateFile failed");
    EXPECT_NE(std::string::npos, lineAt(log, "CreateFile failed 80")) << log;
}

// The first instance ends while a later start waits for its file to go:
// the later start notices, removes the file and ends.
TEST_F(SingleInstanceTest, AFirstInstanceThatEndsMeanwhileLetsTheSecondGo) {
    application({"wait:finish:180000"});
    const std::string exe = build();
    rig::Process first = start(exe);
    ASSERT_TRUE(waitForCall("app wait:finish:180000"));
    rig::Process second = start(exe, {"late"});
    for (int i = 0; i < 300 && !fs::exists(notificationFile()); ++i) usleep(20000);
    ASSERT_TRUE(fs::exists(notificationFile()));
    release("finish");
    EXPECT_EQ(0, rig::finish(first, 60).exitCode);
    EXPECT_EQ(0, rig::finish(second, 60).exitCode);
    EXPECT_FALSE(fs::exists(notificationFile()));
    const std::string log = logWith("other pid");
    expectInOrder(log, {"waiting for file deletion", "main process already released semaphore.", "exiting"});
}

TEST_F(SingleInstanceTest, GlobalNamesStartWithTheGlobalPrefix) {
    application({"consume:1:120000", "wait:finish:120000"});
    const std::string exe = build("single-instance = true\nglobal-single-instance = true\n");
    rig::Process first = start(exe);
    ASSERT_TRUE(waitForCall("app consume:1:120000"));
    EXPECT_EQ("Global\\" + baseName(), property("qarvo.semaphoreName"));
    EXPECT_EQ(0, run(exe, {"g"}).exitCode);
    EXPECT_TRUE(waitForCall("notification 1 4 g"));
    release("finish");
    rig::finish(first, 60);
    const std::string log = logWith("other pid");
    EXPECT_NE(std::string::npos, log.find("\nsemaphore name Global\\" + baseName() + ", code 183")) << log;
}

// Without single-instance mode each process holds a numbered semaphore.
TEST_F(SingleInstanceTest, WithTheModeOffEveryProcessTakesTheNextNumber) {
    application({"wait:finish:120000"});
    const std::string exe = build("single-instance = false\n");
    rig::Process first = start(exe);
    ASSERT_TRUE(waitForCall("app wait:finish:120000"));
    EXPECT_EQ(baseName() + "0", property("qarvo.semaphoreName"));
    EXPECT_EQ("", property("qarvo.processCommFile"));
    rig::Process second = start(exe);
    for (int i = 0; i < 600 && property("qarvo.semaphoreName") != baseName() + "1"; ++i) usleep(100000);
    EXPECT_EQ(baseName() + "1", property("qarvo.semaphoreName"));
    release("finish");
    EXPECT_EQ(0, rig::finish(first, 60).exitCode);
    EXPECT_EQ(0, rig::finish(second, 60).exitCode);
    std::vector<std::string> lines;
    for (const std::string& log : newLogs()) {
        EXPECT_EQ(std::string::npos, log.find("single instance mode")) << log;
        const size_t at = log.find("\nsemaphore name ");
        if (at != std::string::npos) lines.push_back(log.substr(at + 1, log.find(", value", at) - at - 1));
    }
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ((std::vector<std::string>{"semaphore name " + baseName() + "0, code 0",
                                        "semaphore name " + baseName() + "1, code 0"}),
              lines);
}

TEST_F(SingleInstanceTest, TwentyStartsAtOnceAreEachDeliveredOnce) {
    constexpr int kStarts = 20;
    application({"consume:" + std::to_string(kStarts) + ":240000", "wait:finish:240000"});
    const std::string exe = build();
    rig::Process first = start(exe);
    ASSERT_TRUE(waitForCall("app consume:20:240000"));
    std::vector<rig::Process> later;
    std::set<std::string> expected;
    for (int i = 1; i <= kStarts; ++i) {
        const std::string word = (i < 10 ? "n0" : "n") + std::to_string(i);
        expected.insert(word);
        later.push_back(start(exe, {word}));
    }
    for (rig::Process& process : later) EXPECT_EQ(0, rig::finish(process, 240).exitCode);
    ASSERT_TRUE(waitForCall("app consumed 20", 30));
    std::multiset<std::string> delivered;
    for (const std::string& call : transcript())
        if (call.rfind("notification ", 0) == 0) delivered.insert(call.substr(call.rfind(' ') + 1));
    EXPECT_EQ(std::multiset<std::string>(expected.begin(), expected.end()), delivered);
    release("finish");
    rig::finish(first, 60);
}

// A first instance that crashed leaves its registry value behind, but not
// its semaphore: the next start is the first instance and records itself.
TEST_F(SingleInstanceTest, TheValueOfACrashedFirstInstanceIsOverwritten) {
    application({"wait:finish:120000"});
    const std::string exe = build();
    rig::Process crashing = start(exe);
    ASSERT_TRUE(waitForCall("app wait:finish:120000"));
    const std::string crashedPid = registeredPid();
    ASSERT_EQ(firstPid(), crashedPid);
    kill(-crashing.pid, SIGKILL);
    rig::finish(crashing, 10);
    fs::remove(bin + "/server/fakejre-calls.log");
    rig::Process next = start(exe, {"next"});
    ASSERT_TRUE(waitForCall("app wait:finish:120000"));
    EXPECT_EQ(firstPid(), registeredPid());
    EXPECT_NE(crashedPid, registeredPid());
    release("finish");
    EXPECT_EQ(0, rig::finish(next, 60).exitCode);
    const std::string log = logWith("next");
    EXPECT_EQ(std::string::npos, log.find("other pid")) << log;
}

// The first instance's windows come to the front, a minimised one restored.
TEST_F(SingleInstanceTest, TheFirstInstancesWindowsComeToTheFront) {
    rig::Display display;
    ASSERT_TRUE(display.ok());
    application({"window:Main", "minimise", "consume:1:120000", "wait:finish:120000"});
    const std::string exe = build();
    rig::RunOptions o = options();
    o.env["DISPLAY"] = display.name();
    rig::Process first = rig::startWine(exe, o);
    ASSERT_TRUE(waitForCall("app consume:1:120000"));
    EXPECT_EQ("1", screen::facts(screen::probe(display, {"find", "QarvoTestApp", "10"}).out)["minimised"]);
    rig::RunOptions secondOptions = options({"front"});
    secondOptions.env["DISPLAY"] = display.name();
    EXPECT_EQ(0, rig::runWine(exe, secondOptions).exitCode);
    EXPECT_TRUE(waitForCall("notification 1 12 front"));
    EXPECT_EQ("0", screen::facts(screen::probe(display, {"find", "QarvoTestApp", "10"}).out)["minimised"]);
    EXPECT_EQ("QarvoTestApp", screen::facts(screen::probe(display, {"foreground"}).out)["class"]);
    release("finish");
    rig::finish(first, 60);
    const std::string log = logWith("other pid");
    expectInOrder(log, {"other pid " + firstPid(), "found window ", "restore", "foreground", "popup", "done",
                        "notification via "});
}

}  // namespace

namespace {

const char* kListening = R"java(
import com.qarvo.runtime.QarvoController;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;

public class Listening {
    public static void main(String[] args) throws Exception {
        CountDownLatch started = new CountDownLatch(1);
        QarvoController.addStartupListener(a -> {
            System.out.println("started with " + String.join("|", a));
            System.out.flush();
            started.countDown();
        });
        System.out.println("listening");
        System.out.flush();
        if (!started.await(120, TimeUnit.SECONDS)) System.out.println("no start");
    }
}
)java";

// The first instance runs the real runtime on the host's JVM (the fake
// jvm.dll's bridge): its watcher takes the notification file and hands the
// arguments, split by the launcher's rules, to the application's listener.
TEST_F(SingleInstanceTest, TheRuntimesListenerReceivesTheArgumentsThroughTheBridge) {
    ws.write("src/Listening.java", kListening);
    const std::string runtimeJar = rig::distDirectory() + "/lib/qarvo-runtime.jar";
    auto javac = rig::run({"javac", "--release", "8", "-cp", runtimeJar, "-d", ws.file("classes"),
                           ws.file("src/Listening.java")});
    ASSERT_EQ(0, javac.exitCode) << javac.err;
    ASSERT_EQ(0, rig::run({"jar", "cf", ws.file("listening.jar"), "-C", ws.file("classes"), "."}).exitCode);
    std::ofstream(bin + "/server/fakejre.ini") << "main=bridge\nbridge=" << rig::distDirectory()
                                               << "/testing/fakejre/bridge\njava=" << rig::hostJava() << "\n";
    auto built = rig::buildProject(ws, R"toml(
[application]
name = "Listening"
type = 2
main-class = "Listening"
product-kind = "q"
single-instance = true
[java]
class-path = [{ archive = "listening.jar", mandatory = true }]
search-sequence = "B.\\jre"
[runtime]
jar = "beside"
)toml",
                                   "app.exe");
    ASSERT_EQ(0, built.exitCode) << built.err;
    rig::RunOptions firstOptions = options();
    firstOptions.env["LC_ALL"] = "C.UTF-8";
    rig::Process first = rig::startWine(ws.file("app.exe"), firstOptions);
    for (int i = 0; i < 1200 && rig::readFile(firstOptions.outputFile).find("listening") == std::string::npos; ++i)
        usleep(100000);
    ASSERT_NE(std::string::npos, rig::readFile(firstOptions.outputFile).find("listening"));
    EXPECT_EQ(0, run(ws.file("app.exe"), {"x", "two words", "'single quoted'"}).exitCode);
    auto result = rig::finish(first, 120);
    EXPECT_EQ(0, result.exitCode) << result.out;
    EXPECT_NE(std::string::npos, result.out.find("started with x|two words|'single quoted'\n")) << result.out;
    EXPECT_FALSE(fs::exists(notificationFile()));
}

}  // namespace
