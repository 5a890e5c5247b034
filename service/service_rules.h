// What a service executable decides without asking the system: the commands
// of "--service", the image path the service controller starts, the
// controls it answers in each state, the codes a stop is reported with, the
// accounts and start types, the stop method's JNI names and the roll of the
// output files.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "config/args.h"

enum class ServiceCommand { Run, Install, Uninstall, Start, Stop, Status, Invalid };

struct ServiceRequest {
    ServiceCommand command = ServiceCommand::Run;
    std::u16string account;  // install --account NAME
    ArgumentList arguments;  // install -- ARGS...: stored after the image path
    std::string error;       // for Invalid: what is wrong, for the user
};

// The request the arguments make: Run unless the first one is "--service".
ServiceRequest parseServiceRequest(const ArgumentList& arguments);

// The service's command line: the executable's path, always quoted (a path
// with blanks can never start another program), then the arguments quoted
// for the rules the executable splits its own command line by. False when
// an argument cannot be written so (the classic rules have no escape for an
// argument with both kinds of quote).
bool serviceImagePath(const std::u16string& executable, const ArgumentList& arguments, CommandLineRules rules,
                      std::u16string& out);

// The states and controls, with the values the service controller uses.
namespace ServiceValue {
inline constexpr uint32_t Stopped = 1, StartPending = 2, StopPending = 3, Running = 4;
inline constexpr uint32_t ControlStop = 1, ControlInterrogate = 4, ControlShutdown = 5, ControlPreshutdown = 15;
inline constexpr uint32_t ConsoleCtrlC = 0, ConsoleBreak = 1, ConsoleClose = 2, ConsoleLogoff = 5, ConsoleShutdown = 6;
inline constexpr uint32_t AcceptStop = 1, AcceptShutdown = 4, AcceptPreshutdown = 0x100;
inline constexpr uint32_t ServiceSpecificError = 1066;  // ERROR_SERVICE_SPECIFIC_ERROR
inline constexpr uint32_t NotImplemented = 120;         // ERROR_CALL_NOT_IMPLEMENTED
}  // namespace ServiceValue

// What the control handler does with a control in a state.
struct ControlAnswer {
    bool beginStop = false;  // the stop starts now (on a thread of its own)
    uint32_t result = 0;     // what the handler returns: NO_ERROR or ERROR_CALL_NOT_IMPLEMENTED
};
ControlAnswer answerControl(uint32_t state, uint32_t control);

// What the console control handler (in front of the JVM's) does with an
// event: under the controller it keeps a logoff from ending the service and
// passes everything else on; in the console Ctrl+C, Ctrl+Break and closing
// the window are the stop request.
struct ConsoleAnswer {
    bool handled = false;  // returned TRUE: no handler after this one sees it
    bool beginStop = false;
};
ConsoleAnswer answerConsoleEvent(uint32_t event, bool underController);

// The controls a state accepts: stop and pre-shutdown while starting or
// running, none once a stop is under way.
uint32_t acceptedControls(uint32_t state);

// How an end is reported: 0 as 0; any other code as a service-specific
// error with that code.
struct StoppedCodes {
    uint32_t win32ExitCode = 0;
    uint32_t serviceSpecificExitCode = 0;
};
StoppedCodes stoppedCodes(int exitCode);

// The account the service runs as: its name for CreateService (empty for
// LocalSystem) and whether it takes no password. Empty name and false
// for a kind that is none of ours.
struct ServiceAccount {
    std::u16string name;
    bool known = false;
};
ServiceAccount serviceAccount(const std::string& kind, const std::string& serviceName);

// The name of an account as the account database looks it up: the
// controller takes ".\name" for a local account, the lookup wants the
// computer's name in place of the dot.
std::string lookupAccountName(const std::string& account, const std::string& computer);

// SERVICE_AUTO_START (2), SERVICE_DEMAND_START (3) or SERVICE_DISABLED (4);
// "delayed-auto" is an automatic start that waits.
struct StartType {
    uint32_t type = 3;
    bool delayed = false;
};
StartType serviceStartType(const std::string& start);
const char* startTypeName(uint32_t type, bool delayed);
const char* stateName(uint32_t state);

// "com.example.Main.stop" as FindClass and GetStaticMethodID take it:
// "com/example/Main" and "stop". False without a class before the method.
bool splitStopMethod(const std::string& text, std::string& className, std::string& method);

// The renames that roll a file: the oldest kept one goes, then each
// "<path>.<n>" becomes "<path>.<n+1>" and the file itself "<path>.1".
// The first element of each pair is renamed to the second; an empty
// second one means it is deleted.
std::vector<std::pair<std::string, std::string>> rollRenames(const std::string& path, unsigned keep);
