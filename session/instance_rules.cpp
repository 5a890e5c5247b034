#include "session/instance_rules.h"

namespace {

constexpr int kPolls = 200;
constexpr unsigned kPollMs = 50;
constexpr int kPollsPerLivenessCheck = 5;

}  // namespace

std::string semaphoreBaseName(const std::string& executableKey, bool global) {
    std::string name = global ? "Global\\" : "";
    for (char c : executableKey) name += c == '\\' ? '_' : c;
    return name;
}

std::u16string rawArguments(std::u16string_view commandLine, CommandLineRules rules) {
    if (rules == CommandLineRules::Windows) return std::u16string(windowsArgumentsText(commandLine));
    size_t at = 0;
    if (!commandLine.empty() && commandLine[0] == u'"') {
        const size_t closing = commandLine.find(u'"', 1);
        if (closing == std::u16string_view::npos) return std::u16string();
        at = closing + 1;
    }
    const size_t blank = commandLine.find(u' ', at);
    if (blank == std::u16string_view::npos) return std::u16string();
    at = commandLine.find_first_not_of(u' ', blank);
    return at == std::u16string_view::npos ? std::u16string() : std::u16string(commandLine.substr(at));
}

std::string notificationContent(std::u16string_view arguments) {
    std::string bytes;
    bytes.reserve(2 * (arguments.size() + 1));
    auto put = [&bytes](char16_t c) {
        bytes += static_cast<char>(c & 0xff);
        bytes += static_cast<char>(c >> 8);
    };
    for (char16_t c : arguments) put(c);
    put(u'\n');
    return bytes;
}

WaitOutcome waitForFileConsumed(const WaitHooks& hooks) {
    for (int pass = 0; pass < kPolls; ++pass) {
        if (!hooks.fileExists()) return WaitOutcome::FileGone;
        hooks.sleep(kPollMs);
        if (pass % kPollsPerLivenessCheck == 0 && !hooks.firstInstanceAlive()) return WaitOutcome::FirstInstanceVanished;
    }
    return hooks.fileExists() ? WaitOutcome::TimedOut : WaitOutcome::FileGone;
}
