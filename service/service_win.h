// What the service stage and the "--service" commands share (Win32 layer).
#pragma once

#include <string>

#include "config/launch_config.h"

// The event id of the messages the service writes to the Application log.
inline constexpr unsigned long kServiceMessageEvent = 1;

// %ProgramData%\<folder>: the service's output files and diagnostic log;
// the folder defaults to the executable's name without ".exe".
std::string serviceDataFolder(const ServiceSettings& settings);
