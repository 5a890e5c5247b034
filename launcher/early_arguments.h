// The first step of the run sequence: the log switch, the configuration, the
// product kind, the working directory and the offer to show a requested log
// file in Explorer.
#pragma once

#include "config/args.h"
#include "platform/outcome.h"
#include "platform/win32.h"

// Ends the launch when the configuration cannot be read.
[[nodiscard]] Outcome handleEarlyArguments(HINSTANCE instance, ArgumentList* arguments);
