// The JNI code against the host's real JVM. A process can create a JVM only
// once, so each test runs in a process of its own (one CTest entry each, with
// a --gtest_filter); run together, only the first would get a JVM.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "launch/java_vm_launcher.h"
#include "log/diaglog.h"

namespace fs = std::filesystem;

// The diagnostic log of this process: the lines, in memory.
std::vector<std::string>& logLines() {
    static std::vector<std::string> lines;
    return lines;
}

namespace {

void record(const char* prefix, const char* format, va_list args) {
    char buffer[4096];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    logLines().push_back(std::string(prefix) + buffer);
}

}  // namespace

void logInfo(const char* format, ...) {
    va_list args;
    va_start(args, format);
    record("", format, args);
    va_end(args);
}

void logError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    record("ERROR: ", format, args);
    va_end(args);
}

const char* logFilePath() { return nullptr; }
void requestLogFile() {}

namespace {

std::string testJar() {
    const char* jar = std::getenv("QARVO_JNI_TEST_JAR");
    return jar != nullptr ? jar : "";
}

bool logged(const std::string& line) {
    for (const std::string& l : logLines())
        if (l == line) return true;
    return false;
}

class HostJvm : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(testJar().empty()) << "QARVO_JNI_TEST_JAR names the test classes";
        out = fs::temp_directory_path() / ("qarvo-jni-" + std::to_string(getpid()) + ".txt");
        fs::remove(out);
        setCreateJavaVmEntry(reinterpret_cast<void*>(&JNI_CreateJavaVM));
    }
    void TearDown() override { fs::remove(out); }

    VmOptionList options(std::vector<std::string> extra = {}) const {
        VmOptionList list = {"-Djnitest.out=" + out.string(), "-Xmx64m", "-XX:+SomeOptionNoJvmKnows"};
        list.insert(list.end(), extra.begin(), extra.end());
        list.push_back("-Djava.class.path=" + testJar());
        return list;
    }
    MainCall call(std::string launcherClass, ArgumentList arguments) const {
        MainCall c;
        c.launcherClass = std::move(launcherClass);
        c.arguments = [arguments] { return arguments; };
        c.logText = [](const std::u16string& text) {
            std::string narrow;
            for (char16_t ch : text) narrow.push_back(ch < 0x80 ? static_cast<char>(ch) : '?');
            return narrow;
        };
        return c;
    }
    std::string report() const {
        std::ifstream in(out);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path out;
};

// Each argument as the probe writes it: its UTF-16 code units in hex.
std::string codeUnits(const std::u16string& argument) {
    std::string line = "arg";
    char hex[8];
    for (char16_t c : argument) {
        std::snprintf(hex, sizeof hex, " %x", static_cast<unsigned>(c));
        line += hex;
    }
    return line + "\n";
}

TEST_F(HostJvm, ArgumentsAndPropertiesArriveExactly) {
    EXPECT_EQ(nullptr, attachCurrentThreadToJvm());  // no JVM yet: not called
    detachCurrentThreadFromJvm();
    ASSERT_TRUE(createJvm(options({"-Djnitest.properties=qarvo.tempDir,name,unicode", "-Dqarvo.tempDir=",
                                   "-Dname=a b", "-Dunicode=\xc3\xa9"})));
    EXPECT_TRUE(jvmSession().created.load());
    const ArgumentList arguments = {u"false", u"hello.Main", u"", u"two words", u"\"quoted\" 'single'",
                                    u"\u00e9\u20ac\u4e2d", u"\U0001F600", u"-Jx"};
    EXPECT_EQ(MainCallResult::Returned, callLauncherMain(call("jnitest.Probe", arguments)));
    std::string expected = "main\n";
    for (const std::u16string& a : arguments) expected += codeUnits(a);
    expected += "property qarvo.tempDir=\nproperty name=a b\nproperty unicode=\xc3\xa9\n";
    EXPECT_EQ(expected, report());
    EXPECT_TRUE(logged("main class: jnitest/Probe"));
    EXPECT_TRUE(logged("param count: 8"));
    EXPECT_TRUE(logged("param 5: ???"));
    EXPECT_TRUE(logged("param 6: ??"));
    EXPECT_TRUE(logged("vmoption count 8"));
    EXPECT_TRUE(logged("vmoption 0: -Djnitest.out=" + out.string()));
    EXPECT_TRUE(logged("vmoption 7: -Djava.class.path=" + testJar()));
    EXPECT_TRUE(logged("calling main"));
    EXPECT_TRUE(logged("main returned"));

    // Another thread attaches and detaches while the JVM exists.
    JNIEnv* other = nullptr;
    std::thread([&] {
        other = attachCurrentThreadToJvm();
        if (other != nullptr) EXPECT_NE(nullptr, other->FindClass("java/lang/String"));
        detachCurrentThreadFromJvm();
    }).join();
    EXPECT_NE(nullptr, other);
    EXPECT_NE(jvmSession().env, other);
}

TEST_F(HostJvm, DestroyWaitsForNonDaemonThreads) {
    ASSERT_TRUE(createJvm(options()));
    EXPECT_EQ(MainCallResult::Returned, callLauncherMain(call("jnitest/Probe", {u"thread"})));
    EXPECT_EQ(std::string::npos, report().find("thread done"));
    destroyJvm();
    EXPECT_NE(std::string::npos, report().find("thread done"));
    EXPECT_TRUE(logged("dest JVM"));
}

TEST_F(HostJvm, AnExceptionInMainIsReported) {
    ASSERT_TRUE(createJvm(options()));
    EXPECT_EQ(MainCallResult::Threw, callLauncherMain(call("jnitest.Probe", {u"throw"})));
    EXPECT_TRUE(logged("ERROR: an exception occured"));
    EXPECT_EQ(nullptr, jvmSession().env->ExceptionOccurred());  // described and cleared
}

TEST_F(HostJvm, AMissingClassOrMethodIsReported) {
    ASSERT_TRUE(createJvm(options()));
    EXPECT_EQ(MainCallResult::ClassNotFound, callLauncherMain(call("com.qarvo.runtime.WinLauncher", {})));
    EXPECT_TRUE(logged("ERROR: could not find main class"));
    jvmSession().env->ExceptionClear();
    EXPECT_EQ(MainCallResult::MethodNotFound, callLauncherMain(call("jnitest.NoMain", {})));
    EXPECT_TRUE(logged("ERROR: could not find main method"));
    EXPECT_EQ("", report());
}

TEST_F(HostJvm, ArgumentsThatCannotBeBuiltEndTheCallBeforeMain) {
    ASSERT_TRUE(createJvm(options()));
    MainCall c = call("jnitest.Probe", {});
    c.arguments = [] { return std::optional<ArgumentList>(); };
    EXPECT_EQ(MainCallResult::ArgumentsInvalid, callLauncherMain(c));
    EXPECT_EQ("", report());
    EXPECT_FALSE(logged("param count: 0"));
}

TEST_F(HostJvm, CreationFailureIsReported) {
    EXPECT_FALSE(createJvm(options({"-XX:MaxHeapSize=not-a-size"})));
    EXPECT_FALSE(jvmSession().created.load());
    EXPECT_TRUE(logged("ERROR: could not initialize JVM"));
    EXPECT_FALSE(logged("JVM created"));
    EXPECT_EQ(nullptr, attachCurrentThreadToJvm());
}

TEST_F(HostJvm, WithoutAnEntryPointNothingIsCreated) {
    setCreateJavaVmEntry(nullptr);
    EXPECT_FALSE(createJvm(options()));
    EXPECT_TRUE(logged("ERROR: could not initialize JVM"));
}

struct FirstRunCase {
    const char* name;
    const char* outcome;
    bool markerExists;
    MainCallResult result;
    const char* report;
};

class HostJvmFirstRun : public HostJvm, public ::testing::WithParamInterface<FirstRunCase> {};

TEST_P(HostJvmFirstRun, DecidesWhetherMainIsCalled) {
    ASSERT_TRUE(createJvm(options({std::string("-Djnitest.firstRun=") + GetParam().outcome})));
    MainCall c = call("jnitest.Probe", {});
    c.firstRunHook = true;
    c.firstRunMarkerExists = [] { return GetParam().markerExists; };
    EXPECT_EQ(GetParam().result, callLauncherMain(c));
    EXPECT_EQ(GetParam().report, report());
    EXPECT_EQ(GetParam().result == MainCallResult::StoppedByFirstRun,
              logged("checkFirstRun stopped further execution"));
}

INSTANTIATE_TEST_SUITE_P(Outcomes, HostJvmFirstRun,
                         ::testing::Values(FirstRunCase{"goOn", "true", true, MainCallResult::Returned, "firstRun\nmain\n"},
                                           FirstRunCase{"stop", "false", true, MainCallResult::StoppedByFirstRun,
                                                        "firstRun\n"},
                                           FirstRunCase{"thrown", "throw", true, MainCallResult::StoppedByFirstRun,
                                                        "firstRun\n"},
                                           FirstRunCase{"noMarker", "throw", false, MainCallResult::Returned, "main\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
