// The diagnostic log: off unless requested by a command-line switch or by
// QARVO_LOG / MORVANTIC_LOG set to "yes"; then one new text file whose every
// line is complete on disk as soon as it is written.
#pragma once

#if defined(__GNUC__)
#define QARVO_PRINTF(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#else
#define QARVO_PRINTF(fmt, args)
#endif

#include <string>

void logInfo(const char* format, ...) QARVO_PRINTF(1, 2);
void logError(const char* format, ...) QARVO_PRINTF(1, 2);

// The log file's path, or nullptr while no log call has happened or the log is off.
const char* logFilePath();

// Asks for a log file; effective only before the first log call.
void requestLogFile();

// A service keeps its log in its data folder: the log file, when there is
// one, moves there and goes on there; one started later is made there.
void moveLogInto(const std::string& folder);
