// This process's answers to the portable rules' questions (Win32 layer).
#pragma once

#include "platform/system_queries.h"

SystemQueries& processSystem();
