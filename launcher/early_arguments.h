// The first steps of the run sequence around the configuration's load: the
// log switch before it; the product kind, the working directory and the offer
// to show a requested log file in Explorer after it.
#pragma once

#include "config/args.h"
#include "config/launch_config.h"
#include "platform/win32.h"

// Opens the log before the configuration is read when the log switch is the
// first argument by both splitting rules: the configuration says which rule
// applies, and its load is worth a log too.
void openLogBeforeConfiguration(std::u16string_view commandLine);

// Takes the log switch when it is the first argument, and opens the log.
bool takeLogSwitch(ArgumentList& arguments);

void applyEarlySettings(HINSTANCE instance, const LaunchConfig& config, bool logRequested);
