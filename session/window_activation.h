// Services over the desktop's top-level windows of one process. Both may be
// called from any thread; they run one at a time.
#pragma once

// Brings every visible top-level window of the process to the foreground (the
// last one enumerated ends in front), restoring minimised ones when asked.
void activateProcessWindows(unsigned long processId, bool restoreMinimised);

// The number of visible top-level windows of the process, this process's own
// console window not counted (looked up only when mayHaveConsole).
int countProcessWindows(unsigned long processId, bool mayHaveConsole);
