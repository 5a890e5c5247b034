// Registry sources of the JVM search under Wine: the JavaSoft keys (old and
// new), located JVMs and previous installations, and the probe's time limit.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/e2e/rig.h"

namespace fs = std::filesystem;

namespace {

using rig::lower;

// The positions of texts in the log, in the order given; fails when one is missing.
void expectInOrder(const std::string& log, const std::vector<std::string>& texts) {
    size_t at = 0;
    for (const std::string& text : texts) {
        const size_t found = log.find(text, at);
        ASSERT_NE(std::string::npos, found) << "missing, or out of order: " << text << "\n--- log ---\n" << log;
        at = found + text.size();
    }
}

class RegistryTest : public ::testing::Test {
protected:
    // The launcher sees the view of the machine's software keys that matches
    // its architecture.
    const std::string kView = rig::defaultArch() == "x86" ? "/reg:32" : "/reg:64";

    void SetUp() override { clean(); }
    void TearDown() override { clean(); }
    void clean() {
        rig::wineReg({"delete", "HKLM\\SOFTWARE\\JavaSoft", "/f", kView});
        rig::wineReg({"delete", "HKLM\\SOFTWARE\\korvath", "/f", kView});
        rig::wineReg({"delete", "HKCU\\SOFTWARE\\korvath\\qarvo\\locatedjvms", "/f"});
        rig::wineReg({"delete", "HKCU\\SOFTWARE\\korvath\\morvantic", "/f"});
    }
    void add(const std::string& key, const std::string& name, const std::string& value) {
        const bool machine = key.rfind("HKLM", 0) == 0;
        std::vector<std::string> args = {"add", key};
        if (!name.empty()) args.insert(args.end(), {"/v", name, "/d", value});
        args.push_back("/f");
        if (machine) args.push_back(kView);
        auto r = rig::wineReg(args);
        ASSERT_EQ(0, r.exitCode) << r.out << r.err;
    }
    std::string runtime(const std::string& name, const std::string& version) {
        rig::layFakeRuntime(ws.file(name), {.banner = {"java version \"" + version + "\""}});
        return rig::windowsPath(ws.file(name));
    }
    std::string java(const std::string& name) { return lower(rig::windowsPath(ws.file(name + "/bin/java.exe"))); }
    std::string keyName(const std::string& path) {
        std::string k = path;
        std::replace(k.begin(), k.end(), '\\', '/');
        return k;
    }
    rig::LoggedRun launch(const std::string& java, const std::string& application = "") {
        auto built = rig::buildProject(ws, "[application]\ntype = 2\n" + application + "\n[java]\n" + java + "\n", "app.exe");
        EXPECT_EQ(0, built.exitCode) << built.err;
        return rig::runWineLogged(ws.file("app.exe"));
    }
    rig::Workspace ws;
};

TEST_F(RegistryTest, CurrentVersionOfEqualJdkAndJrePicksTheJre) {
    const std::string jre = runtime("jre8", "1.8.0_401");
    const std::string jdk = runtime("jdk8", "1.8.0_401");
    add("HKLM\\SOFTWARE\\JavaSoft\\Java Runtime Environment", "CurrentVersion", "1.8");
    add("HKLM\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.8", "JavaHome", jre);
    add("HKLM\\SOFTWARE\\JavaSoft\\Java Development Kit", "CurrentVersion", "1.8");
    add("HKLM\\SOFTWARE\\JavaSoft\\Java Development Kit\\1.8", "JavaHome", jdk);
    auto run = launch("search-sequence = \"Y\"");
    expectInOrder(run.log, {"found sun " + java("jre8") + " 1.8.0_401", "Trying to load JVM-DLL from " + java("jre8")});
}

TEST_F(RegistryTest, VersionSubkeysAreTriedNewestFirstWithinTheLimits) {
    const std::string good = runtime("jre5", "1.5.0_22");
    for (const char* version : {"1.4", "1.5.0_22", "1.6", "1.6.0_20"}) {
        const std::string home = std::string(version) == "1.5.0_22" ? good : rig::windowsPath(ws.file(std::string("none") + version));
        add(std::string("HKLM\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\") + version, "JavaHome", home);
    }
    auto run = launch("search-sequence = \"Y\"\nmin-version = \"1.5\"");
    expectInOrder(run.log, {"checkJavaExe (" + rig::windowsPath(ws.file("none1.6.0_20")),
                            "checkJavaExe (" + rig::windowsPath(ws.file("none1.6")), "checkJavaExe (" + good,
                            "found sun " + java("jre5") + " 1.5.0_22"});
    EXPECT_EQ(std::string::npos, run.log.find("none1.4")) << run.log;
}

TEST_F(RegistryTest, TheKeysOfNewerRuntimesAreReadToo) {
    const std::string jdk = runtime("jdk17", "17.0.15");
    add("HKLM\\SOFTWARE\\JavaSoft\\JDK", "CurrentVersion", "17");
    add("HKLM\\SOFTWARE\\JavaSoft\\JDK\\17", "JavaHome", jdk);
    auto run = launch("search-sequence = \"Y\"\nmin-version = \"11\"");
    expectInOrder(run.log, {"found sun " + java("jdk17") + " 17.0.15", "Loading of JVM-DLL successful"});
}

TEST_F(RegistryTest, LocatedJvmsTheNewestWinsAndEqualVersionsGoToTheMachine) {
    runtime("user", "11.0.22");
    runtime("machine", "11.0.22");
    runtime("sun", "11.0.22");
    add("HKCU\\SOFTWARE\\korvath\\qarvo\\locatedjvms\\" + keyName(java("user")), "", "");
    add("HKLM\\SOFTWARE\\korvath\\qarvo\\locatedjvms\\" + keyName(java("machine")), "", "");
    add("HKLM\\SOFTWARE\\JavaSoft\\JRE", "CurrentVersion", "11");
    add("HKLM\\SOFTWARE\\JavaSoft\\JRE\\11", "JavaHome", rig::windowsPath(ws.file("sun")));
    auto run = launch("search-sequence = \"Y\"");
    // Equal versions: the machine's located JVM beats the user's, and a located JVM beats JavaSoft.
    expectInOrder(run.log, {"found sun " + java("sun"), "found located " + java("machine") + " 11.0.22",
                            "Trying to load JVM-DLL from " + java("machine")});

    runtime("newer", "17.0.15");
    add("HKCU\\SOFTWARE\\korvath\\qarvo\\locatedjvms\\" + keyName(java("newer")), "", "");
    run = launch("search-sequence = \"Y\"");
    expectInOrder(run.log, {"found located " + java("newer") + " 17.0.15"});
}

TEST_F(RegistryTest, PreviousInstallationsAreExaminedInOrder) {
    fs::create_directories(ws.file("app1"));
    runtime("app2/jre", "17.0.15");
    add("HKCU\\SOFTWARE\\korvath\\morvantic\\installations", "myapp",
        rig::windowsPath(ws.file("app1")) + ";;" + rig::windowsPath(ws.file("app2")));
    auto run = launch("search-sequence = \"\"", "installation-id = \"myapp\"");
    expectInOrder(run.log, {"found installations: ", "checkJavaExe (" + rig::windowsPath(ws.file("app1")) + "\\jre\\bin\\java.exe",
                            "checkJavaExe (" + rig::windowsPath(ws.file("app2")) + "\\jre\\bin\\java.exe",
                            "found JRE from previous installation (user) " + java("app2/jre")});
    // Without an installation id they are never consulted.
    run = launch("search-sequence = \"\"");
    EXPECT_EQ(std::string::npos, run.log.find("found installations")) << run.log;
}

// One slow test: a java.exe that never ends is stopped after 60 seconds.
TEST_F(RegistryTest, AHangingProbeIsTerminatedAfterSixtySeconds) {
    rig::layFakeRuntime(ws.file("hang"), {.hang = true});
    auto built = rig::buildProject(ws, "[application]\ntype = 2\n[java]\nsearch-sequence = 'A" +
                                           rig::windowsPath(ws.file("hang")) + "'\n", "app.exe");
    ASSERT_EQ(0, built.exitCode);
    auto run = rig::runWineLogged(ws.file("app.exe"));
    EXPECT_EQ(83, run.result.exitCode);
    // Still running when the wait ended (STILL_ACTIVE), then stopped.
    expectInOrder(run.log, {"Exit Code 259", "Terminating process", "couldn't get version"});
}

}  // namespace
