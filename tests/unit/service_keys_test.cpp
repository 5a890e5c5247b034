// The [service] table: values stored as the launcher reads them, defaults,
// the keys a service excludes, the search a service sees, and inspect.
#include <gtest/gtest.h>

#include "builder/inspect/render.h"
#include "builder/project/project.h"
#include "builder/project/service_rules.h"
#include "format/config_ids.h"

namespace {

namespace C = ConfigId;

bool build(const std::string& text, BuildPlan& plan, std::string& error) {
    return parseProject("[runtime]\njar = \"none\"\n" + text, "app.toml", "/base", plan, error);
}

std::string entry(const BuildPlan& plan, int id) {
    for (const auto& e : plan.block.narrow)
        if (e.id == id) return e.value;
    return "<absent>";
}

struct ServiceCase {
    const char* keys;      // lines of [service] after name = "svc"
    int id;
    const char* expected;  // the stored text, or a part of the error
};

class ServiceValueTest : public ::testing::TestWithParam<ServiceCase> {};

TEST_P(ServiceValueTest, IsStoredOrRefusedByName) {
    BuildPlan plan;
    std::string error;
    const bool ok = build(std::string("[service]\nname = \"svc\"\n") + GetParam().keys + "\n", plan, error);
    if (GetParam().id == 0) {
        EXPECT_FALSE(ok);
        EXPECT_NE(std::string::npos, error.find(GetParam().expected)) << error;
    } else {
        ASSERT_TRUE(ok) << error;
        EXPECT_EQ(GetParam().expected, entry(plan, GetParam().id));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ServiceValueTest,
    ::testing::Values(
        ServiceCase{"", C::ServiceName, "svc"},
        ServiceCase{"start = \"delayed-auto\"\naccount = \"virtual\"", C::ServiceStart, "delayed-auto"},
        ServiceCase{"depends-on = [\"Tcpip\", \"a_b.c-1\"]", C::ServiceDependsOn, "Tcpip;a_b.c-1"},
        ServiceCase{"depends-on = []", C::ServiceDependsOn, "<absent>"},
        ServiceCase{"stop-timeout = 3600", C::ServiceStopTimeout, "3600"},
        ServiceCase{"stop-method = \"com.example.Main.stop\"", C::ServiceStopMethod, "com.example.Main.stop"},
        ServiceCase{"restart-on-failure = [0, 10, 86400]", C::ServiceRestartOnFailure, "0;10;86400"},
        ServiceCase{"restart-on-failure = []", C::ServiceRestartOnFailure, "<absent>"},
        ServiceCase{"log-max-size = \"64 KiB\"", C::ServiceLogMaxSize, "65536"},
        ServiceCase{"log-max-size = \"1GiB\"", C::ServiceLogMaxSize, "1073741824"},
        ServiceCase{"log-max-size = \"70000\"", C::ServiceLogMaxSize, "70000"},
        ServiceCase{"log-max-size = 65536", C::ServiceLogMaxSize, "65536"},
        ServiceCase{"log-keep = 100", C::ServiceLogKeep, "100"},
        ServiceCase{"[entries]\n10153 = \"boot\"", C::ServiceStart, "boot"},
        ServiceCase{"name = \"b\"", 0, "app.toml:5: "},
        ServiceCase{"start = \"Auto\"", 0, "service.start: expected \"manual\", \"auto\""},
        ServiceCase{"account = \"system\"", 0, "service.account: expected"},
        ServiceCase{"depends-on = [\"a\", \"b c\"]", 0, "service.depends-on: expected a service name"},
        ServiceCase{"depends-on = \"Tcpip\"", 0, "service.depends-on: expected a list of names"},
        ServiceCase{"stop-timeout = 0", 0, "service.stop-timeout: expected an integer from 1 to 3600, not 0"},
        ServiceCase{"stop-timeout = 3601", 0, "service.stop-timeout: expected an integer from 1 to 3600"},
        ServiceCase{"stop-method = \"stop\"", 0, "service.stop-method: expected the class and its"},
        ServiceCase{"stop-method = \"a.Main.stop()\"", 0, "service.stop-method: expected"},
        ServiceCase{"restart-on-failure = [86401]", 0, "restart-on-failure: expected integers from 0 to 86400"},
        ServiceCase{"restart-on-failure = [1, \"2\"]", 0, "restart-on-failure: expected a list of integers"},
        ServiceCase{"restart-on-failure = [0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16]", 0, "at most 16 entries"},
        ServiceCase{"log-max-size = 65535", 0, "log-max-size: expected a size from 64 KiB to 1 GiB, not 65535"},
        ServiceCase{"log-max-size = \"2 GiB\"", 0, "to 1 GiB, not \"2 GiB\""},
        ServiceCase{"log-max-size = \"10 MB\"", 0, "log-max-size: expected bytes"},
        ServiceCase{"log-max-size = \"99999999999999999999 GiB\"", 0, "expected a size from"},
        ServiceCase{"log-keep = 0", 0, "service.log-keep: expected an integer from 1 to 100"},
        ServiceCase{"start = \"auto\"\n[entries]\n10153 = \"auto\"", 0, "service.start: entry 10153 is already set by entries.10153"}));

TEST(ServiceKeys, DefaultsNamesAndExcludedKeys) {
    BuildPlan plan;
    std::string error;
    const auto built = [&](const std::string& text) {
        plan = {};
        return build(text, plan, error);
    };
    ASSERT_TRUE(built("[service]\nname = \"svc\"\n")) << error;
    for (const auto& [id, value] : std::vector<std::pair<int, std::string>>{
             {C::ServiceDisplayName, "svc"}, {C::ServiceStart, "manual"},   {C::ServiceAccount, "local-service"},
             {C::ServiceStopTimeout, "20"},  {C::ServiceLogMaxSize, "10485760"}, {C::ServiceLogKeep, "5"},
             {C::ServiceDescription, "<absent>"}, {C::ServiceStopMethod, "<absent>"}})
        EXPECT_EQ(value, entry(plan, id)) << id;
    ASSERT_TRUE(built("[application]\nname = \"My App\"\n[service]\nname = \"svc\"\n")) << error;
    EXPECT_EQ("My App", entry(plan, C::ServiceDisplayName));
    // Raw entries alone are taken as they are: no defaults.
    ASSERT_TRUE(built("[entries]\n10150 = \"svc\"\n")) << error;
    EXPECT_EQ("<absent>", entry(plan, C::ServiceStart));

    for (const auto& [text, message] : std::vector<std::pair<std::string, std::string>>{
             {"[service]\nstart = \"auto\"\n", "app.toml:3: service: needs name"},
             {"[service]\nname = \"s\"\n[splash]\nshow = true\n", "app.toml:6: splash.show: a service shows no splash"},
             {"[service]\nname = \"s\"\n[application]\nsingle-instance = true\n", "application.single-instance: single"},
             {"[service]\nname = \"s\"\n[entries]\n10005 = \"1\"\n", "entries.10005: single-instance mode"}}) {
        EXPECT_FALSE(built(text)) << text;
        EXPECT_NE(std::string::npos, error.find(message)) << error;
    }
    EXPECT_TRUE(built("[service]\nname = \"s\"\n[splash]\nshow = false\n")) << error;
}

struct SearchCase {
    const char* sequence;
    bool installationId;
    bool reliable;
};

class ServiceSearchTest : public ::testing::TestWithParam<SearchCase> {};

TEST_P(ServiceSearchTest, RestsOnWhatTheServiceAccountSees) {
    EXPECT_EQ(GetParam().reliable, serviceSearchView(GetParam().sequence, GetParam().installationId).reliable)
        << GetParam().sequence;
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ServiceSearchTest,
    ::testing::Values(SearchCase{"Bjre;EJAVA_HOME;EJDK_HOME;Y;W;S;", false, true}, SearchCase{"Bjre;", false, true},
                      SearchCase{"Y;", false, true}, SearchCase{"W;", false, true},
                      SearchCase{"AC:\\Java\\jdk-17;", false, true}, SearchCase{"Rlib\\jre;", false, true},
                      SearchCase{"A${ProgramFiles}\\Java\\jdk;", false, true},
                      SearchCase{"B${QARVO_EXEDIR}jre;", false, true}, SearchCase{"AC:\\Users\\Public\\jdk;", false, true},
                      SearchCase{"", true, true}, SearchCase{"", false, false},
                      SearchCase{"EJAVA_HOME;S;", false, false}, SearchCase{"Xodd;S;", false, false},
                      SearchCase{"A${USERPROFILE}\\.jdks\\17;", false, false},
                      SearchCase{"AC:/Users/me/jdk;", false, false}, SearchCase{"Bjre${JRE_SUFFIX};", false, false}));

TEST(ServiceKeys, TheWarningNamesWhatTheSearchRestsOn) {
    BuildPlan plan;
    std::string error;
    ASSERT_TRUE(build("[application]\nmain-class = \"a.B\"\n[java]\nsearch = [\"env:JAVA_HOME\", \"path\"]\n"
                      "[service]\nname = \"s\"\n", plan, error)) << error;
    ASSERT_EQ(1u, plan.warnings.size());
    EXPECT_NE(std::string::npos, plan.warnings[0].find("java.search: a service may not find Java")) << plan.warnings[0];
    EXPECT_NE(std::string::npos, plan.warnings[0].find("\"env:JAVA_HOME\" and \"path\"")) << plan.warnings[0];
}

// Inspect prints [service] back, and what a [service] table would not build
// again (a service without its defaults) stays raw.
TEST(ServiceKeys, InspectRebuildsTheSameBlock) {
    for (const auto& [text, readable] : std::vector<std::pair<std::string, bool>>{
             {"[application]\nname = \"A\"\n[service]\nname = \"svc\"\ndescription = \"D\"\ndepends-on = [\"Tcpip\"]\n"
              "stop-method = \"a.Main.stop\"\nrestart-on-failure = [10, 60]\nlog-max-size = \"2 MiB\"\n",
              true},
             {"[entries]\n10150 = \"svc\"\n10159 = \"070000\"\n", false}}) {
        BuildPlan plan, again;
        std::string error;
        ASSERT_TRUE(build(text, plan, error)) << error;
        InspectedExecutable exe;
        exe.block = plan.block;
        std::vector<std::string> warnings;
        const std::string rendered = renderProject(exe, "", warnings);
        ASSERT_TRUE(parseProject(rendered, "i.toml", "/b", again, error)) << error << "\n" << rendered;
        EXPECT_EQ(block::encodeBlock(plan.block), block::encodeBlock(again.block)) << rendered;
        EXPECT_EQ(readable, rendered.find("[service]\nname = \"svc\"\n") != std::string::npos) << rendered;
        if (readable) EXPECT_NE(std::string::npos, rendered.find("log-max-size = \"2 MiB\"\n")) << rendered;
    }
}

}  // namespace
