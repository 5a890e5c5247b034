#include "service/service_rules.h"

namespace {

std::string narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

// Quoted for the C runtime's argv rules.
std::u16string windowsQuoted(const std::u16string& argument) {
    if (!argument.empty() && argument.find_first_of(u" \t\"") == std::u16string::npos) return argument;
    std::u16string out = u"\"";
    size_t backslashes = 0;
    for (char16_t c : argument) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == u'"' ? backslashes * 2 + 1 : backslashes, u'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, u'\\');
    return out + u"\"";
}

// Quoted for the classic rules: only the blank separates and a quote of
// either kind groups up to its partner.
bool classicQuoted(const std::u16string& argument, std::u16string& out) {
    if (!argument.empty() && argument.find_first_of(u" \"'") == std::u16string::npos) {
        out = argument;
        return true;
    }
    for (char16_t quote : {u'"', u'\''}) {
        if (argument.find(quote) != std::u16string::npos) continue;
        out = quote + argument + quote;
        return true;
    }
    return false;
}

bool isIdentifierPart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
}

}  // namespace

ServiceRequest parseServiceRequest(const ArgumentList& arguments) {
    ServiceRequest request;
    if (arguments.empty() || arguments[0] != u"--service") return request;
    request.command = ServiceCommand::Invalid;
    if (arguments.size() < 2) {
        request.error = "--service needs a command: install, uninstall, start, stop or status";
        return request;
    }
    const std::u16string& command = arguments[1];
    const struct {
        const char16_t* name;
        ServiceCommand command;
    } commands[] = {{u"install", ServiceCommand::Install}, {u"uninstall", ServiceCommand::Uninstall},
                    {u"start", ServiceCommand::Start},     {u"stop", ServiceCommand::Stop},
                    {u"status", ServiceCommand::Status}};
    ServiceCommand found = ServiceCommand::Invalid;
    for (const auto& entry : commands)
        if (command == entry.name) found = entry.command;
    if (found == ServiceCommand::Invalid) {
        request.error = "unknown --service command \"" + narrow(command) +
                        "\": use install, uninstall, start, stop or status";
        return request;
    }
    size_t at = 2;
    if (found == ServiceCommand::Install) {
        if (at < arguments.size() && arguments[at] == u"--account") {
            if (at + 1 >= arguments.size() || arguments[at + 1].empty()) {
                request.error = "--account needs the name of an account";
                return request;
            }
            request.account = arguments[at + 1];
            at += 2;
        }
        if (at < arguments.size() && arguments[at] == u"--") {
            request.arguments.assign(arguments.begin() + static_cast<std::ptrdiff_t>(at) + 1, arguments.end());
            at = arguments.size();
        }
    }
    if (at < arguments.size()) {
        request.error = "unexpected argument \"" + narrow(arguments[at]) + "\" after --service " + narrow(command) +
                        (found == ServiceCommand::Install ? " (arguments for the service go after \"--\")" : "");
        return request;
    }
    request.command = found;
    return request;
}

bool serviceImagePath(const std::u16string& executable, const ArgumentList& arguments, CommandLineRules rules,
                      std::u16string& out) {
    out = u"\"" + executable + u"\"";
    for (const std::u16string& argument : arguments) {
        std::u16string quoted;
        if (rules == CommandLineRules::Windows) quoted = windowsQuoted(argument);
        else if (!classicQuoted(argument, quoted)) return false;
        out += u" " + quoted;
    }
    return true;
}

ControlAnswer answerControl(uint32_t state, uint32_t control) {
    namespace V = ServiceValue;
    switch (control) {
        case V::ControlStop:
        case V::ControlShutdown:
        case V::ControlPreshutdown:
            return {state == V::StartPending || state == V::Running, 0};
        case V::ControlInterrogate: return {false, 0};
        default: return {false, V::NotImplemented};
    }
}

ConsoleAnswer answerConsoleEvent(uint32_t event, bool underController) {
    namespace V = ServiceValue;
    if (underController) return {event == V::ConsoleLogoff, false};
    const bool stop = event == V::ConsoleCtrlC || event == V::ConsoleBreak || event == V::ConsoleClose;
    return {stop, stop};
}

uint32_t acceptedControls(uint32_t state) {
    namespace V = ServiceValue;
    if (state != V::StartPending && state != V::Running) return 0;
    return V::AcceptStop | V::AcceptPreshutdown;
}

StoppedCodes stoppedCodes(int exitCode) {
    if (exitCode == 0) return {};
    return {ServiceValue::ServiceSpecificError, static_cast<uint32_t>(exitCode)};
}

ServiceAccount serviceAccount(const std::string& kind, const std::string& serviceName) {
    if (kind == "local-service") return {u"NT AUTHORITY\\LocalService", true};
    if (kind == "network-service") return {u"NT AUTHORITY\\NetworkService", true};
    if (kind == "local-system") return {u"", true};
    if (kind == "virtual") return {u"NT SERVICE\\" + std::u16string(serviceName.begin(), serviceName.end()), true};
    return {};
}

std::string lookupAccountName(const std::string& account, const std::string& computer) {
    if (account.size() < 2 || account[0] != '.' || account[1] != '\\' || computer.empty()) return account;
    return computer + account.substr(1);
}

StartType serviceStartType(const std::string& start) {
    if (start == "auto") return {2, false};
    if (start == "delayed-auto") return {2, true};
    if (start == "disabled") return {4, false};
    return {3, false};
}

const char* startTypeName(uint32_t type, bool delayed) {
    switch (type) {
        case 2: return delayed ? "delayed-auto" : "auto";
        case 3: return "manual";
        case 4: return "disabled";
        default: return "other";
    }
}

const char* stateName(uint32_t state) {
    static const char* const names[] = {"STOPPED",  "START_PENDING",    "STOP_PENDING", "RUNNING",
                                        "CONTINUE_PENDING", "PAUSE_PENDING", "PAUSED"};
    return state >= 1 && state <= 7 ? names[state - 1] : "UNKNOWN";
}

bool splitStopMethod(const std::string& text, std::string& className, std::string& method) {
    const size_t dot = text.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == text.size()) return false;
    bool segmentStart = true;
    for (char c : text) {
        if (c == '.') {
            if (segmentStart) return false;
            segmentStart = true;
            continue;
        }
        if (!isIdentifierPart(c) || (segmentStart && c >= '0' && c <= '9')) return false;
        segmentStart = false;
    }
    className = text.substr(0, dot);
    for (char& c : className)
        if (c == '.') c = '/';
    method = text.substr(dot + 1);
    return true;
}

std::vector<std::pair<std::string, std::string>> rollRenames(const std::string& path, unsigned keep) {
    std::vector<std::pair<std::string, std::string>> renames;
    if (keep == 0) return {{path, std::string()}};
    renames.emplace_back(path + "." + std::to_string(keep), std::string());
    for (unsigned n = keep - 1; n >= 1; --n)
        renames.emplace_back(path + "." + std::to_string(n), path + "." + std::to_string(n + 1));
    renames.emplace_back(path, path + ".1");
    return renames;
}
