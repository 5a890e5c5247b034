// The temporary directory and the names made in it: unique temporary files,
// the per-process communication file and the private extraction directory.
#pragma once

#include <string>

// A writable temporary directory, ending as the platform gives it; ends the
// process with message 1015 when none can be found.
std::string tempDirectory();
bool isWritableDirectory(const std::string& directory);
// "<temporary directory>qvo_p<pid>.tmp"; the file is not created.
std::string communicationFileName(unsigned long processId);
// Creates the private extraction directory, whose owner file this process
// holds until it ends; false after five failures.
bool createExtractionDirectory();
// The extraction directory, or empty when none was made.
const std::string& extractionDirectory();
void clearExtractionDirectory();
// Removes what can be removed of the extraction directory, at the end of the
// process; what the application still holds is left to a later start's
// sweep. Once per process; any thread.
void removeExtractionDirectory();
// Removes, on a thread of its own, the extraction directories of processes
// that ended without removing theirs; never those of live processes.
void startLeftoverSweep();
// Waits at most that long for the sweep to finish.
void awaitLeftoverSweep(unsigned long milliseconds);
// At every end: the own extraction directory goes, and the sweep gets a
// moment to finish.
void leaveNothingBehind();
