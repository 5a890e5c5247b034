// VM options as Java developers write them, judged by a real HotSpot behind
// the fake jvm.dll's bridge: "--add-opens X" from every option source, an
// option HotSpot refuses, and the user's own option file. Run on Debian's
// OpenJDK 17 and on Temurin 25 where the machine has it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/e2e/rig.h"

namespace fs = std::filesystem;

namespace {

// Opens java.lang reflectively, which needs --add-opens, and tells the heap
// limit the JVM took.
const char* const kApplication = R"(package opens;
public class Main {
    public static void main(String[] args) throws Exception {
        java.lang.reflect.Field value = String.class.getDeclaredField("value");
        value.setAccessible(true);
        System.out.println("opened java.lang");
        System.out.println("max memory " + (Runtime.getRuntime().maxMemory() >> 20) + " MiB");
    }
}
)";

const char* const kProject = R"([application]
name = "PerUser"
type = 2
main-class = "opens.Main"
product-kind = "q"

[java]
class-path = [{ archive = "opens.jar", mandatory = true }]
options-from-arguments = true
vm-parameters = [VM]

[runtime]
jar = "beside"

[messages]
caption = "Opens"
jvm-start-failed = "cannot start"
)";

class VmOptionFormsTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        jdk = rig::bridgeJdk(GetParam());
        if (jdk.empty()) GTEST_SKIP() << "no JDK " << GetParam() << " on this machine";
        ws.write("src/opens/Main.java", kApplication);
        fs::create_directories(ws.file("classes"));
        auto javac = rig::run({"javac", "--release", "11", "-d", ws.file("classes"), ws.file("src/opens/Main.java")});
        ASSERT_EQ(0, javac.exitCode) << javac.err;
        ASSERT_EQ(0, rig::run({"jar", "cf", ws.file("opens.jar"), "-C", ws.file("classes"), "."}).exitCode);
        rig::layBridgedRuntime(ws.file("jre"), jdk);
    }
    rig::LoggedRun launch(const std::string& vmParameters, std::vector<std::string> args = {}) {
        std::string text = kProject;
        text.replace(text.find("VM"), 2, vmParameters);
        auto built = rig::buildProject(ws, text, "app.exe");
        EXPECT_EQ(0, built.exitCode) << built.err;
        rig::RunOptions options = rig::bridgedRunOptions(ws.file("jre"), std::move(args));
        return rig::runWineLogged(ws.file("app.exe"), options);
    }
    std::string jdk;
    rig::Workspace ws;
};

struct AddOpensSource {
    const char* name;
    const char* vmParameters;
    const char* optionsFile;  // app.vmoptions beside the executable
    std::vector<std::string> args;
};

TEST_P(VmOptionFormsTest, AddOpensFromEverySourceOpensJavaLang) {
    const AddOpensSource sources[] = {
        {"vm-parameters, two entries", R"("--add-opens", "java.base/java.lang=ALL-UNNAMED")", "", {}},
        {".vmoptions line with a blank", "", "--add-opens java.base/java.lang=ALL-UNNAMED\n", {}},
        {"-J arguments", "", "", {"-J--add-opens", "-Jjava.base/java.lang=ALL-UNNAMED"}},
    };
    for (const AddOpensSource& source : sources) {
        SCOPED_TRACE(source.name);
        fs::remove(ws.file("app.vmoptions"));
        if (*source.optionsFile != '\0') ws.write("app.vmoptions", source.optionsFile);
        auto run = launch(source.vmParameters, source.args);
        EXPECT_EQ(0, run.result.exitCode) << run.result.err << run.log;
        EXPECT_NE(std::string::npos, run.result.out.find("opened java.lang\n")) << run.result.out << run.result.err;
        EXPECT_NE(std::string::npos, run.log.find(": --add-opens=java.base/java.lang=ALL-UNNAMED\n")) << run.log;
    }
}

TEST_P(VmOptionFormsTest, AnOptionHotSpotRefusesIsMessage1005) {
    auto run = launch(R"("-Xmx1q")");
    EXPECT_EQ(1, run.result.exitCode) << run.result.err;
    EXPECT_NE(std::string::npos, run.result.err.find("Invalid maximum heap size: -Xmx1q")) << run.result.err;
    EXPECT_NE(std::string::npos, run.result.err.find("cannot start")) << run.result.err;
    EXPECT_NE(std::string::npos, run.log.find("could not initialize JVM")) << run.log;
    EXPECT_EQ("", run.result.out);
}

TEST_P(VmOptionFormsTest, TheUserFilesXmxIsTheOneTheJvmHas) {
    // %APPDATA% of the prefix's user, whose Temp folder the rig knows.
    const std::string appData = fs::path(rig::wineTempDirectory()).parent_path() / "AppData" / "Roaming";
    ws.write("app.vmoptions", "-Xmx300m\n--add-opens=java.base/java.lang=ALL-UNNAMED\n");
    fs::create_directories(appData + "/PerUser");
    std::ofstream(appData + "/PerUser/app.vmoptions") << "# the user's own\n-Xmx40m\n";
    auto run = launch("");
    fs::remove_all(appData + "/PerUser");
    EXPECT_EQ(0, run.result.exitCode) << run.result.err << run.log;
    EXPECT_NE(std::string::npos, run.log.find("\\PerUser\\app.vmoptions, file: ")) << run.log;
    // A heap of 40 MiB gives a little less than 40 to the application, 300 far more.
    const size_t at = run.result.out.find("max memory ");
    ASSERT_NE(std::string::npos, at) << run.result.out << run.result.err;
    const int mebibytes = std::stoi(run.result.out.substr(at + 11));
    EXPECT_LE(mebibytes, 40) << rig::logged(run.log, "user vmoptions file: ") << " vs " << appData;
    EXPECT_GT(mebibytes, 20);
}

INSTANTIATE_TEST_SUITE_P(Jdk, VmOptionFormsTest, ::testing::Values("17", "25"));

// Without the real JVM: an option left without its value ends the launch.
TEST(VmOptionForms, ADanglingOptionIsMessage1005AndNamed) {
    rig::Workspace ws;
    rig::layFakeRuntime(ws.file("jre"));
    std::string text = kProject;
    text.replace(text.find("VM"), 2, R"("-Xmx64m", "--add-exports")");
    ASSERT_EQ(0, rig::buildProject(ws, text, "app.exe").exitCode);
    rig::RunOptions options;
    options.env["QARVO_JAVA_HOME"] = rig::windowsPath(ws.file("jre"));
    auto run = rig::runWineLogged(ws.file("app.exe"), options);
    EXPECT_EQ(1, run.result.exitCode) << run.result.err;
    EXPECT_NE(std::string::npos, run.result.err.find("cannot start")) << run.result.err;
    EXPECT_NE(std::string::npos, run.log.find("the VM option --add-exports needs a value")) << run.log;
    EXPECT_EQ(std::string::npos, run.log.find("Creating JVM")) << run.log;
}

}  // namespace
