// The one place that includes windows.h. Every Win32-layer file includes this
// header instead, so the same macros hold throughout.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif

#include <windows.h>

// Names of ours that windows.h would otherwise rewrite into its A/W variants.
#undef SearchPath
