// Registry sources of the JVM search under Wine: the JavaSoft keys (old and
// new), located JVMs and previous installations, and the probe's time limit.
// Which runtime was taken shows in the fake runtimes' transcripts; the search's
// own log lines are checked by the host tables (runtime_search_test.cpp).
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
    // its architecture: rig::RegistryFile writes that one.
    void SetUp() override { clean(); }
    void TearDown() override { clean(); }
    // The keys the tests below write, in one start of reg.
    void clean() {
        rig::RegistryFile keys;
        for (const char* key : {"HKLM\\SOFTWARE\\JavaSoft", "HKLM\\SOFTWARE\\korvath", "HKCU\\SOFTWARE\\korvath\\qarvo\\locatedjvms",
                                "HKCU\\SOFTWARE\\korvath\\morvantic", "HKLM\\SOFTWARE\\Eclipse Adoptium",
                                "HKCU\\SOFTWARE\\Azul Systems", "HKCU\\SOFTWARE\\korvath\\qarvo\\jvms"})
            keys.remove(key);
        auto r = keys.import();
        EXPECT_EQ(0, r.exitCode) << r.out << r.err;
    }
    // Gathered, and written by the next launch.
    void add(const std::string& key, const std::string& name, const std::string& value) { added.set(key, name, value); }
    std::string runtime(const std::string& name, const std::string& version) {
        rig::layFakeRuntime(ws.file(name), {.banner = {"java version \"" + version + "\""}});
        return rig::windowsPath(ws.file(name));
    }
    // A runtime of the architecture whose home states its version in a
    // release file, so that it is known without running it.
    std::string releasedRuntime(const std::string& name, const std::string& version, const std::string& arch) {
        rig::layFakeRuntime(ws.file(name), {.arch = arch, .banner = {"openjdk version \"" + version + "\""}});
        ws.write(name + "/release", "IMPLEMENTOR=\"Test\"\r\nJAVA_VERSION=\"" + version + "\"\r\n");
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
        if (!added.empty()) {
            auto r = added.import();
            EXPECT_EQ(0, r.exitCode) << r.out << r.err;
        }
        return rig::runWineLogged(ws.file("app.exe"));
    }
    rig::RegistryFile added;
    rig::Workspace ws;
    rig::LoadWatch loads{ws.path()};
    using Homes = std::vector<std::string>;
};

TEST_F(RegistryTest, CurrentVersionOfEqualJdkAndJrePicksTheJre) {
    const std::string jre = runtime("jre8", "1.8.0_401");
    const std::string jdk = runtime("jdk8", "1.8.0_401");
    add("HKLM\\SOFTWARE\\JavaSoft\\Java Runtime Environment", "CurrentVersion", "1.8");
    add("HKLM\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.8", "JavaHome", jre);
    add("HKLM\\SOFTWARE\\JavaSoft\\Java Development Kit", "CurrentVersion", "1.8");
    add("HKLM\\SOFTWARE\\JavaSoft\\Java Development Kit\\1.8", "JavaHome", jdk);
    launch("search-sequence = \"Y\"");
    EXPECT_EQ(Homes{"jre8"}, loads.loaded());
}

TEST_F(RegistryTest, VersionSubkeysAreTriedNewestFirstWithinTheLimits) {
    const std::string good = runtime("jre5", "1.5.0_22");
    for (const char* version : {"1.4", "1.5.0_22", "1.6", "1.6.0_20"}) {
        const std::string home = std::string(version) == "1.5.0_22" ? good : rig::windowsPath(ws.file(std::string("none") + version));
        add(std::string("HKLM\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\") + version, "JavaHome", home);
    }
    auto run = launch("search-sequence = \"Y\"\nmin-version = \"1.5\"");
    expectInOrder(run.log, {"checkJavaExe (" + rig::windowsPath(ws.file("none1.6.0_20")),
                            "checkJavaExe (" + rig::windowsPath(ws.file("none1.6")), "checkJavaExe (" + good});
    EXPECT_EQ(Homes{"jre5"}, loads.loaded());
    EXPECT_EQ(std::string::npos, run.log.find("none1.4")) << run.log;
}

TEST_F(RegistryTest, TheKeysOfNewerRuntimesAreReadToo) {
    const std::string jdk = runtime("jdk17", "17.0.15");
    add("HKLM\\SOFTWARE\\JavaSoft\\JDK", "CurrentVersion", "17");
    add("HKLM\\SOFTWARE\\JavaSoft\\JDK\\17", "JavaHome", jdk);
    launch("search-sequence = \"Y\"\nmin-version = \"11\"");
    EXPECT_EQ(Homes{"jdk17"}, loads.loaded());
}

TEST_F(RegistryTest, LocatedJvmsTheNewestWinsAndEqualVersionsGoToTheMachine) {
    runtime("user", "11.0.22");
    runtime("machine", "11.0.22");
    runtime("sun", "11.0.22");
    add("HKCU\\SOFTWARE\\korvath\\qarvo\\locatedjvms\\" + keyName(java("user")), "", "");
    add("HKLM\\SOFTWARE\\korvath\\qarvo\\locatedjvms\\" + keyName(java("machine")), "", "");
    add("HKLM\\SOFTWARE\\JavaSoft\\JRE", "CurrentVersion", "11");
    add("HKLM\\SOFTWARE\\JavaSoft\\JRE\\11", "JavaHome", rig::windowsPath(ws.file("sun")));
    launch("search-sequence = \"Y\"");
    // Equal versions: the machine's located JVM beats the user's, and a located JVM beats JavaSoft.
    EXPECT_EQ(Homes{"machine"}, loads.loaded());

    runtime("newer", "17.0.15");
    add("HKCU\\SOFTWARE\\korvath\\qarvo\\locatedjvms\\" + keyName(java("newer")), "", "");
    launch("search-sequence = \"Y\"");
    EXPECT_EQ(Homes{"newer"}, loads.loaded());
}

TEST_F(RegistryTest, PreviousInstallationsAreExaminedInOrder) {
    fs::create_directories(ws.file("app1"));
    runtime("app2/jre", "17.0.15");
    add("HKCU\\SOFTWARE\\korvath\\morvantic\\installations", "myapp",
        rig::windowsPath(ws.file("app1")) + ";;" + rig::windowsPath(ws.file("app2")));
    auto run = launch("search-sequence = \"\"", "installation-id = \"myapp\"");
    expectInOrder(run.log, {"checkJavaExe (" + rig::windowsPath(ws.file("app1")) + "\\jre\\bin\\java.exe",
                            "checkJavaExe (" + rig::windowsPath(ws.file("app2")) + "\\jre\\bin\\java.exe"});
    EXPECT_EQ(Homes{"app2/jre"}, loads.loaded());
    // Without an installation id they are never consulted.
    launch("search-sequence = \"\"");
    EXPECT_EQ(Homes{}, loads.loaded());
}

// The vendors' own keys; a release file spares the run of java.exe, which
// the cache then remembers; a home without one is run as before.
TEST_F(RegistryTest, VendorKeysOfEitherRootFindTheirRuntimes) {
    const std::string adoptium = releasedRuntime("temurin17", "17.0.9", rig::defaultArch());
    add("HKLM\\SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", adoptium + "\\");
    const std::string zuluBin = rig::layFakeRuntime(ws.file("zulu11"), {.banner = {"openjdk version \"11.0.21\""}});
    add("HKCU\\SOFTWARE\\Azul Systems\\Zulu\\zulu-11", "InstallationPath", rig::windowsPath(ws.file("zulu11")));
    launch("search-sequence = \"Y\"");
    // The version came from the release file: java.exe never ran.
    EXPECT_EQ(Homes{"temurin17"}, loads.loaded());
    EXPECT_EQ(0u, rig::withPrefix(rig::fakeCalls(ws.file("temurin17/bin")), "java ").size());
    auto run = launch("search-sequence = \"Y\"");
    expectInOrder(run.log, {"got version from registry 17.0.9"});
    EXPECT_EQ(Homes{"temurin17"}, loads.loaded());
    // The limits leave the per-user Zulu 11, which has no release file: it is run.
    launch("search-sequence = \"Y\"\nmax-version = \"11\"");
    EXPECT_EQ(Homes{"zulu11"}, loads.loaded());
    EXPECT_EQ(1u, rig::withPrefix(rig::fakeCalls(zuluBin), "java ").size());
}

// A runtime of the other architecture is skipped, even when newer, and the
// search goes on to one of the launcher's own.
TEST_F(RegistryTest, ARuntimeOfTheOtherArchitectureIsSkipped) {
    const std::string other = rig::defaultArch() == "x86" ? "x64" : "x86";
    add("HKLM\\SOFTWARE\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", "Path",
        releasedRuntime("other21", "21.0.1", other));
    add("HKLM\\SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path",
        releasedRuntime("own17", "17.0.9", rig::defaultArch()));
    auto run = launch("search-sequence = \"Y\"");
    expectInOrder(run.log, {lower(rig::windowsPath(ws.file("other21/bin/server/jvm.dll"))) + " is a " +
                                (other == "x64" ? "64" : "32") + "-bit library: runtime skipped"});
    EXPECT_EQ(Homes{"own17"}, loads.loaded());
}

// Entry W: homes one level below the install folders of the usual installers.
TEST_F(RegistryTest, WellKnownInstallFoldersAreSearched) {
    const std::string programFiles =
        rig::winePrefix() + (rig::defaultArch() == "x86" ? "/drive_c/Program Files (x86)" : "/drive_c/Program Files");
    const std::string folder = programFiles + "/Eclipse Adoptium";
    fs::remove_all(folder);
    struct RemoveAtEnd {
        std::string path;
        ~RemoveAtEnd() { fs::remove_all(path); }
    } cleanup{folder};
    for (const char* version : {"17.0.9", "21.0.1"}) {
        const std::string home = folder + "/jdk-" + version + "-hotspot";
        rig::layFakeRuntime(home);
        ws.write("release", std::string("JAVA_VERSION=\"") + version + "\"\n");
        fs::copy_file(ws.file("release"), home + "/release");
    }
    rig::LoadWatch installed(folder);
    launch("search-sequence = \"W\"\nmax-version = \"17\"");
    EXPECT_EQ(Homes{"jdk-17.0.9-hotspot"}, installed.loaded());
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
