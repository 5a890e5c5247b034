// Single-instance coordination, the parts that are rules over texts and
// time: names, the notification file's content, and the wait for its
// consumption.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "config/args.h"

// The semaphore base name: the executable key (its lower-case full path)
// with every backslash replaced by "_", after "Global\" when global is set.
std::string semaphoreBaseName(const std::string& executableKey, bool global);

// The arguments of a raw command line as a later start hands them over. By
// the classic rules: the text after the program name (which ends at the
// closing quote when it starts with one) and after the first blank that
// follows it, further blanks skipped. By the Windows rules: the text after
// the program name as the C runtime ends it, blanks and tabs skipped.
std::u16string rawArguments(std::u16string_view commandLine, CommandLineRules rules);

// The notification file's bytes: the arguments in UTF-16LE, no byte-order
// mark, followed by a line feed.
std::string notificationContent(std::u16string_view arguments);

// Polls of the notification file: every 50 ms for at most 10 seconds, asking
// every fifth poll whether the first instance still lives.
enum class WaitOutcome { FileGone, TimedOut, FirstInstanceVanished };

struct WaitHooks {
    std::function<bool()> fileExists;
    std::function<bool()> firstInstanceAlive;
    std::function<void(unsigned milliseconds)> sleep;
};

WaitOutcome waitForFileConsumed(const WaitHooks& hooks);
