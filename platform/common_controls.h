// The common controls, initialised right before the launcher's first window
// or message box, once: a start that shows none does not load them (loading
// them initialises the display driver and the themes).
#pragma once

void initCommonControlsOnce();
