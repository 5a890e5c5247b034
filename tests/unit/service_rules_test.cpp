// A service executable's decisions: its commands, the image path it
// registers, the controls in each state, the stop codes, the stop method's
// names and the roll of its output files.
#include <gtest/gtest.h>

#include <string>

#include "service/service_rules.h"

namespace {

namespace V = ServiceValue;

ServiceRequest parse(ArgumentList arguments) { return parseServiceRequest(arguments); }

TEST(ServiceRequest, CommandsAndTheirArguments) {
    EXPECT_EQ(ServiceCommand::Run, parse({}).command);
    EXPECT_EQ(ServiceCommand::Run, parse({u"run", u"--service"}).command);  // only as the first argument
    EXPECT_EQ(ServiceCommand::Status, parse({u"--service", u"status"}).command);
    EXPECT_EQ(ServiceCommand::Uninstall, parse({u"--service", u"uninstall"}).command);
    const ServiceRequest install = parse({u"--service", u"install", u"--account", u"DOM\\svc", u"--", u"-x", u"--"});
    EXPECT_EQ(ServiceCommand::Install, install.command);
    EXPECT_EQ(u"DOM\\svc", install.account);
    EXPECT_EQ((ArgumentList{u"-x", u"--"}), install.arguments);
}

TEST(ServiceRequest, MistakesAreRefusedWithWhatIsWrong) {
    const struct {
        ArgumentList arguments;
        const char* says;
    } cases[] = {
        {{u"--service"}, "needs a command"},
        {{u"--service", u"remove"}, "\"remove\""},
        {{u"--service", u"install", u"--account"}, "--account needs"},
        {{u"--service", u"install", u"extra"}, "after \"--\""},
        {{u"--service", u"stop", u"now"}, "\"now\""},
    };
    for (const auto& c : cases) {
        const ServiceRequest request = parse(c.arguments);
        EXPECT_EQ(ServiceCommand::Invalid, request.command) << c.says;
        EXPECT_NE(std::string::npos, request.error.find(c.says)) << request.error;
    }
}

// The registered command line splits back into the same arguments by the
// rules the executable splits its own command line with.
TEST(ServiceImagePath, QuotedPathAndArgumentsSplitBackUnchanged) {
    const std::u16string exe = u"C:\\Program Files\\App\\app.exe";
    const ArgumentList arguments = {u"plain", u"two words", u"", u"say \"hi\"", u"it's", u"c:\\dir with\\"};
    for (CommandLineRules rules : {CommandLineRules::Windows, CommandLineRules::Classic}) {
        std::u16string line;
        ASSERT_TRUE(serviceImagePath(exe, arguments, rules, line));
        EXPECT_EQ(0u, line.find(u"\"C:\\Program Files\\App\\app.exe\" "));
        ArgumentList split;
        ASSERT_TRUE(splitProcessCommandLine(line, rules, split));
        ASSERT_EQ(arguments.size() + 1, split.size()) << static_cast<int>(rules);
        EXPECT_EQ(exe, split[0]);
        for (size_t i = 0; i < arguments.size(); ++i) EXPECT_EQ(arguments[i], split[i + 1]) << i;
    }
    std::u16string line;
    EXPECT_FALSE(serviceImagePath(exe, {u"both \" and '"}, CommandLineRules::Classic, line));
    EXPECT_TRUE(serviceImagePath(exe, {u"both \" and '"}, CommandLineRules::Windows, line));
}

TEST(ServiceControls, AStopStartsOnceFromAStartOrARunAndIsAnsweredAtOnce) {
    const struct {
        uint32_t state, control;
        bool beginStop;
        uint32_t result;
    } cases[] = {
        {V::StartPending, V::ControlStop, true, 0},      {V::Running, V::ControlStop, true, 0},
        {V::Running, V::ControlShutdown, true, 0},       {V::Running, V::ControlPreshutdown, true, 0},
        {V::StopPending, V::ControlStop, false, 0},      {V::Stopped, V::ControlStop, false, 0},
        {V::Running, V::ControlInterrogate, false, 0},   {V::Running, 2 /* pause */, false, V::NotImplemented},
    };
    for (const auto& c : cases) {
        const ControlAnswer answer = answerControl(c.state, c.control);
        EXPECT_EQ(c.beginStop, answer.beginStop) << c.state << "/" << c.control;
        EXPECT_EQ(c.result, answer.result) << c.state << "/" << c.control;
    }
    // Console events: a logoff never reaches the JVM's handler under the
    // controller (it would end the service); in the console the stop keys do.
    const struct {
        uint32_t event;
        bool underController, handled, beginStop;
    } events[] = {
        {V::ConsoleLogoff, true, true, false},   {V::ConsoleLogoff, false, false, false},
        {V::ConsoleCtrlC, true, false, false},   {V::ConsoleShutdown, true, false, false},
        {V::ConsoleCtrlC, false, true, true},    {V::ConsoleBreak, false, true, true},
        {V::ConsoleClose, false, true, true},    {V::ConsoleShutdown, false, false, false},
    };
    for (const auto& e : events) {
        const ConsoleAnswer answer = answerConsoleEvent(e.event, e.underController);
        EXPECT_EQ(e.handled, answer.handled) << e.event << "/" << e.underController;
        EXPECT_EQ(e.beginStop, answer.beginStop) << e.event << "/" << e.underController;
    }
    EXPECT_EQ(V::AcceptStop | V::AcceptPreshutdown, acceptedControls(V::Running));
    EXPECT_EQ(V::AcceptStop | V::AcceptPreshutdown, acceptedControls(V::StartPending));
    EXPECT_EQ(0u, acceptedControls(V::StopPending));
    EXPECT_EQ(0u, acceptedControls(V::Stopped));
}

TEST(ServiceStop, CodesAccountsStartTypesAndTheStopMethod) {
    EXPECT_EQ(0u, stoppedCodes(0).win32ExitCode);
    EXPECT_EQ(V::ServiceSpecificError, stoppedCodes(83).win32ExitCode);
    EXPECT_EQ(83u, stoppedCodes(83).serviceSpecificExitCode);

    EXPECT_EQ(u"NT AUTHORITY\\LocalService", serviceAccount("local-service", "s").name);
    EXPECT_EQ(u"NT SERVICE\\my.svc", serviceAccount("virtual", "my.svc").name);
    EXPECT_TRUE(serviceAccount("local-system", "s").known);
    EXPECT_TRUE(serviceAccount("local-system", "s").name.empty());
    EXPECT_FALSE(serviceAccount("admin", "s").known);
    EXPECT_EQ("HOST\\runner", lookupAccountName(".\\runner", "HOST"));
    EXPECT_EQ("DOM\\runner", lookupAccountName("DOM\\runner", "HOST"));
    EXPECT_EQ(".runner", lookupAccountName(".runner", "HOST"));
    EXPECT_EQ(".\\runner", lookupAccountName(".\\runner", ""));
    EXPECT_EQ(3u, serviceStartType("manual").type);
    EXPECT_TRUE(serviceStartType("delayed-auto").delayed);
    EXPECT_EQ(2u, serviceStartType("delayed-auto").type);
    EXPECT_STREQ("delayed-auto", startTypeName(2, true));

    std::string type, method;
    ASSERT_TRUE(splitStopMethod("com.example.Main.stop", type, method));
    EXPECT_EQ("com/example/Main", type);
    EXPECT_EQ("stop", method);
    for (const char* wrong : {"stop", ".stop", "Main.", "a..b", "1a.stop", "a.b-c"})
        EXPECT_FALSE(splitStopMethod(wrong, type, method)) << wrong;
}

TEST(ServiceOutput, ARollDropsTheOldestAndShiftsTheOthers) {
    using Renames = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ((Renames{{"out.log.3", ""}, {"out.log.2", "out.log.3"}, {"out.log.1", "out.log.2"}, {"out.log", "out.log.1"}}),
              rollRenames("out.log", 3));
    EXPECT_EQ((Renames{{"out.log.1", ""}, {"out.log", "out.log.1"}}), rollRenames("out.log", 1));
}

}  // namespace
