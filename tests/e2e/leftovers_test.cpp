// What a launch leaves in %TEMP%: its extraction directory lives as long as
// its process, whatever the end; a later start removes those of processes
// that were killed, never those of live ones.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "tests/e2e/rig.h"

namespace fs = std::filesystem;

namespace {

std::set<std::string> tempEntries() {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(rig::wineTempDirectory(), ec)) names.insert(entry.path().filename());
    return names;
}

std::set<std::string> added(const std::set<std::string>& before) {
    std::set<std::string> out;
    for (const std::string& name : tempEntries())
        if (!before.count(name)) out.insert(name);
    return out;
}

class LeftoversTest : public ::testing::Test {
protected:
    void SetUp() override {
        bin = rig::layFakeRuntime(ws.file("jre"));
        before = tempEntries();
    }
    // The runtime archive included and extracted at each start (not from
    // the archive cache).
    std::string build(const std::string& keys = "") {
        auto built = rig::buildProject(ws,
                                       "[build]\narchive-cache = false\n[application]\nname = \"Left\"\ntype = 2\nmain-class = \"app.Main\"\n" + keys +
                                           "[java]\nsearch-sequence = \"B.\\\\jre\"\n"
                                           "[messages]\njvm-start-failed = \"cannot start\"\n"
                                           "main-class-not-loaded = \"no main class\"\n",
                                       "app.exe");
        EXPECT_EQ(0, built.exitCode) << built.err;
        return ws.file("app.exe");
    }
    void script(const std::string& text, const std::string& name = "fakejre.ini") {
        std::ofstream(bin + "/server/" + name) << text;
    }
    std::vector<std::string> transcript(const std::string& name = "fakejre-calls.log") {
        std::vector<std::string> lines;
        std::ifstream in(bin + "/server/" + name);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    bool transcriptHas(const std::string& line, const std::string& name = "fakejre-calls.log") {
        const auto lines = transcript(name);
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    bool waitFor(const std::function<bool()>& condition, int seconds = 60) {
        for (int i = 0; i < seconds * 20; ++i) {
            if (condition()) return true;
            usleep(50000);
        }
        return false;
    }
    std::set<std::string> extractionDirectories() {
        std::set<std::string> out;
        for (const std::string& name : added(before))
            if (name.size() > 8 && name.compare(name.size() - 8, 8, ".tmp_dir") == 0) out.insert(name);
        return out;
    }
    rig::Workspace ws;
    std::string bin;
    std::set<std::string> before;
};

struct EndCase {
    const char* name;
    const char* script;
    int exitCode;
    const char* transcriptLine;  // proves the end happened as scripted
};

class EndTest : public LeftoversTest, public ::testing::WithParamInterface<EndCase> {};

// The directory existed while the process ran, and nothing of it is left.
TEST_P(EndTest, LeavesTempAsItWas) {
    const EndCase& c = GetParam();
    const std::string exe = build();
    script(rig::waitInMainLine(bin + "/server") + c.script);
    std::set<std::string> whileRunning;
    std::string contents;
    auto run = rig::runWhileMainWaits(exe, bin + "/server", [&] {
        whileRunning = extractionDirectories();
        for (const std::string& name : whileRunning)
            for (const auto& entry : fs::recursive_directory_iterator(rig::wineTempDirectory() + "/" + name))
                contents += entry.path().filename().string() + " ";
    });
    EXPECT_EQ(c.exitCode, run.exitCode) << run.err;
    ASSERT_EQ(1u, whileRunning.size()) << "one extraction directory while main runs";
    EXPECT_NE(std::string::npos, contents.find("qarvo-runtime.jar")) << contents;
    EXPECT_TRUE(transcriptHas(c.transcriptLine)) << c.transcriptLine;
    EXPECT_EQ(std::set<std::string>(), added(before));
}

INSTANTIATE_TEST_SUITE_P(
    Ends, EndTest,
    ::testing::Values(EndCase{"mainReturns", "wait_then=return\n", 0, "DestroyJavaVM"},
                      EndCase{"systemExitKeepsItsCode", "wait_then=exit:7\n", 7, "exit hook 7"},
                      EndCase{"exceptionInMain", "wait_then=throw\n", 1, "ExceptionDescribe"}),
    [](const auto& info) { return std::string(info.param.name); });

// Failures that end the launch after the extraction.
TEST_F(LeftoversTest, AFailureAfterExtractionLeavesNothing) {
    const std::string exe = build();
    for (const char* failure : {"create=fail\n", "missing_class=com/qarvo/runtime/WinLauncher\n"}) {
        script(failure);
        fs::remove(bin + "/server/fakejre-calls.log");
        auto run = rig::runWine(exe);
        EXPECT_EQ(1, run.exitCode) << failure << run.err;
        bool extracted = false;
        for (const std::string& line : transcript())
            if (line.rfind("option ", 0) == 0 && line.find(": -Dqarvo.tempDir=") != std::string::npos)
                extracted = line.size() > line.find('=') + 1;
        EXPECT_TRUE(extracted) << failure << "the JVM was told an extraction directory";
        EXPECT_EQ(std::set<std::string>(), added(before)) << failure;
    }
}

// The second start hands its arguments over and ends; the first consumes
// them and ends: neither leaves anything.
TEST_F(LeftoversTest, TheHandOverLeavesNothing) {
    const std::string exe = build("single-instance = true\n");
    script("main=app\napp=consume:1:60000\n");
    rig::RunOptions first;
    first.outputFile = ws.file("first.txt");
    rig::Process firstProcess = rig::startWine(exe, first);
    ASSERT_TRUE(waitFor([&] {
        const auto lines = transcript();
        return !extractionDirectories().empty() &&
               std::any_of(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("CallStaticVoidMethod", 0) == 0; });
    }));
    auto second = rig::runWine(exe, rig::withArgs({"handed"}));
    EXPECT_EQ(0, second.exitCode) << second.err;
    auto firstRun = rig::finish(firstProcess, 120);
    EXPECT_EQ(0, firstRun.exitCode) << firstRun.err;
    std::set<std::string> left = added(before);
    left.erase("first.txt");
    EXPECT_EQ(std::set<std::string>(), left);
}

// A killed process cannot clean up: the next start removes its directory.
// A live process's directory survives the starts beside it.
TEST_F(LeftoversTest, AKilledProcessIsSweptALiveOneNever) {
    const std::string exe = build();
    auto scripted = [&](const std::string& name, const std::string& text) {
        script(text + "transcript=" + rig::windowsPath(bin + "/server/" + name + ".log") + "\n", name + ".ini");
        rig::RunOptions options;
        options.env["QARVO_FAKEJVM_SCRIPT"] = rig::windowsPath(bin + "/server/" + name + ".ini");
        options.outputFile = ws.file(name + ".txt");
        return options;
    };
    const std::string release = rig::windowsPath(bin + "/server/release");
    rig::Process killed = rig::startWine(exe, scripted("killed", "main=wait:" + release + "\n"));
    ASSERT_TRUE(waitFor([&] { return transcriptHas("main waits", "killed.log"); }));
    const std::set<std::string> killedDirectory = extractionDirectories();
    ASSERT_EQ(1u, killedDirectory.size());
    kill(-killed.pid, SIGKILL);
    rig::finish(killed, 10);

    rig::Process live = rig::startWine(exe, scripted("live", "main=wait:" + release + "\n"));
    ASSERT_TRUE(waitFor([&] { return transcriptHas("main waits", "live.log"); }));
    EXPECT_TRUE(waitFor([&] { return !fs::exists(rig::wineTempDirectory() + "/" + *killedDirectory.begin()); }, 20))
        << "the next start sweeps the killed process's directory";
    std::set<std::string> liveDirectory = extractionDirectories();
    ASSERT_EQ(1u, liveDirectory.size());

    auto beside = rig::runWine(exe, scripted("beside", "main=return\n"));
    EXPECT_EQ(0, beside.exitCode) << beside.err;
    EXPECT_TRUE(fs::exists(rig::wineTempDirectory() + "/" + *liveDirectory.begin() + "/qarvo-runtime.jar"))
        << "a start beside a live process leaves its directory alone";

    std::ofstream(bin + "/server/release") << "go";
    auto liveRun = rig::finish(live, 60);
    EXPECT_EQ(0, liveRun.exitCode) << liveRun.err;
    std::set<std::string> left = added(before);
    for (const char* name : {"killed.txt", "live.txt", "beside.txt"}) left.erase(name);
    EXPECT_EQ(std::set<std::string>(), left);
}

}  // namespace
