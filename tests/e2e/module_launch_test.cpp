// Modular applications and the application jar's manifest, on a real HotSpot
// behind the fake jvm.dll's bridge: the main class runs in its named module
// (found by the class given or by the module's descriptor), failures are
// reported, and the jar's Add-Opens opens java.lang as "java -jar" would.
// Run on Debian's OpenJDK 17 and on Temurin 25 where the machine has it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/e2e/rig.h"

namespace fs = std::filesystem;

namespace {

const char* const kModuleInfo = "module app { }\n";  // exports nothing
const char* const kModuleMain = R"(package com.example;
public class Main {
    public static void main(String[] args) {
        System.out.println("in module " + new Main().getClass().getModule().getName() + ": " + String.join(" ", args));
    }
}
)";
const char* const kOpensMain = R"(package opens;
public class Main {
    public static void main(String[] args) throws Exception {
        java.lang.reflect.Field value = String.class.getDeclaredField("value");
        value.setAccessible(true);
        System.out.println("opened java.lang");
    }
}
)";

const char* const kProject = R"([application]
name = "Mods"
type = 2
product-kind = "q"
APPLICATION

[java]
JAVA

[runtime]
jar = "beside"

[messages]
caption = "Mods"
jvm-start-failed = "cannot start"
)";

class ModuleLaunchTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        jdk = rig::bridgeJdk(GetParam());
        if (jdk.empty()) GTEST_SKIP() << "no JDK " << GetParam() << " on this machine";
        rig::layBridgedRuntime(ws.file("jre"), jdk);
    }
    void compile(const std::string& classes, const std::vector<std::pair<std::string, const char*>>& sources) {
        std::vector<std::string> command = {"javac", "--release", "11", "-d", ws.file(classes)};
        for (const auto& [name, text] : sources) {
            ws.write("src/" + name, text);
            command.push_back(ws.file("src/" + name));
        }
        fs::create_directories(ws.file(classes));
        auto javac = rig::run(command);
        ASSERT_EQ(0, javac.exitCode) << javac.err;
    }
    rig::LoggedRun launch(const std::string& application, const std::string& java) {
        std::string text = kProject;
        text.replace(text.find("APPLICATION"), 11, application);
        text.replace(text.find("JAVA"), 4, java);
        auto built = rig::buildProject(ws, text, "app.exe");
        EXPECT_EQ(0, built.exitCode) << built.err;
        rig::RunOptions options = rig::bridgedRunOptions(ws.file("jre"), {"one", "two"});
        return rig::runWineLogged(ws.file("app.exe"), options);
    }
    std::string jdk;
    rig::Workspace ws;
};

TEST_P(ModuleLaunchTest, TheMainClassRunsInItsNamedModule) {
    compile("classes", {{"module-info.java", kModuleInfo}, {"com/example/Main.java", kModuleMain}});
    fs::create_directories(ws.file("mods"));
    ASSERT_EQ(0, rig::run({"jar", "--create", "--file", ws.file("mods/app.jar"), "--main-class", "com.example.Main",
                           "-C", ws.file("classes"), "."})
                     .exitCode);
    struct Case {
        const char* mainModule;
        int exitCode;
        const char* out;  // standard output of a run that succeeds
        const char* err;  // a part of the report of one that fails
    };
    const Case cases[] = {
        {"app/com.example.Main", 0, "in module app: one two\n", ""},
        {"app", 0, "in module app: one two\n", ""},  // the descriptor's main class
        {"nope", 1, "", "Module nope not found"},
        {"app/com.example.Missing", 1, "", "the main class com.example.Missing was not found in the module app"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mainModule);
        auto run = launch(std::string("main-module = \"") + c.mainModule + "\"", "module-path = [\"mods\"]");
        EXPECT_EQ(c.exitCode, run.result.exitCode) << run.result.err << run.log;
        if (c.exitCode == 0) EXPECT_EQ(c.out, run.result.out) << run.result.err;
        // HotSpot reports a boot layer it cannot build on standard output.
        EXPECT_NE(std::string::npos, (run.result.out + run.result.err).find(c.err)) << run.result.out << run.result.err;
        if (c.exitCode != 0) EXPECT_NE(std::string::npos, run.result.err.find("cannot start")) << run.result.err;
        const std::string module = std::string(c.mainModule).substr(0, std::string(c.mainModule).find('/'));
        EXPECT_NE(std::string::npos, run.log.find(": -Djdk.module.main=" + module + "\n")) << run.log;
    }
}

TEST_P(ModuleLaunchTest, TheJarsAddOpensOpensJavaLang) {
    compile("classes", {{"opens/Main.java", kOpensMain}});
    ws.write("manifest.txt", "Add-Opens: java.base/java.lang\n");
    ASSERT_EQ(0, rig::run({"jar", "cfm", ws.file("opens.jar"), ws.file("manifest.txt"), "-C", ws.file("classes"), "."})
                     .exitCode);
    const std::string classPath = "class-path = [{ archive = \"opens.jar\", mandatory = true }]";
    auto run = launch("main-class = \"opens.Main\"", classPath);
    EXPECT_EQ(0, run.result.exitCode) << run.result.err << run.log;
    EXPECT_EQ("opened java.lang\n", run.result.out) << run.result.err;
    EXPECT_NE(std::string::npos, run.log.find(": --add-opens=java.base/java.lang=ALL-UNNAMED\n")) << run.log;
    // The project's own (empty) list replaces the manifest's: java.lang stays closed.
    run = launch("main-class = \"opens.Main\"", classPath + "\njar-manifest-options = []");
    EXPECT_EQ(1, run.result.exitCode) << run.result.out;
    EXPECT_NE(std::string::npos, run.result.err.find("InaccessibleObjectException")) << run.result.err;
}

INSTANTIATE_TEST_SUITE_P(Jdk, ModuleLaunchTest, ::testing::Values("17", "25"));

}  // namespace
