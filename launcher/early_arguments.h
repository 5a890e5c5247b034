// The first steps of the run sequence around the configuration's load: the
// log switch before it; the product kind, the working directory and the offer
// to show a requested log file in Explorer after it.
#pragma once

#include "config/args.h"
#include "config/launch_config.h"
#include "platform/win32.h"

// Takes the log switch when it is the first argument, and opens the log.
bool takeLogSwitch(ArgumentList& arguments);

void applyEarlySettings(HINSTANCE instance, const LaunchConfig& config, bool logRequested);
