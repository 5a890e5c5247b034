// How a step of the launch ended: it went on (an empty Outcome), or it asks
// the run sequence to end the launch with a message and an exit code. Steps
// return this instead of ending the process themselves.
#pragma once

#include <optional>
#include <string>

struct LaunchEnd {
    // A configured message (an id of MessageId) when non-zero; otherwise the
    // fixed text, and nothing is shown when that is empty.
    int messageId = 0;
    // Replaces the message's first "{0}".
    std::optional<std::string> argument;
    std::string text;
    int exitCode = 1;
    // Ended at once (ExitProcess, other threads may still run) or by
    // returning from WinMain (the C runtime's exit).
    bool atOnce = true;
};

using Outcome = std::optional<LaunchEnd>;

inline LaunchEnd endWithMessage(int messageId) { return LaunchEnd{messageId, std::nullopt, {}, 1, true}; }
inline LaunchEnd endWithMessage(int messageId, std::string argument) {
    return LaunchEnd{messageId, std::move(argument), {}, 1, true};
}
inline LaunchEnd endWithText(std::string text) { return LaunchEnd{0, std::nullopt, std::move(text), 1, true}; }
// Ends without a word (a second start that handed its arguments over).
inline LaunchEnd endQuietly(int exitCode) { return LaunchEnd{0, std::nullopt, {}, exitCode, true}; }

// For the few places that cannot return an outcome (deep inside a callback of
// portable rules): the run sequence's handler shows the end and ends the
// process at once. Without a handler the process ends with the exit code.
[[noreturn]] void fatalEnd(const LaunchEnd& end);
using FatalEndHandler = void (*)(const LaunchEnd& end);
void setFatalEndHandler(FatalEndHandler handler);
