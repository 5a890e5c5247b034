// What a project's keys say together once every table is read: the checks
// that span several keys, and the entries written by default.
#pragma once

#include "builder/project/key_reader.h"
#include "builder/project/build_plan.h"

// What [build] and [runtime] ask of the defaults.
struct BuilderChoices {
    bool defaultMessages = true;  // build.default-messages
    bool defaultSearch = true;    // build.default-search
    bool archiveCache = true;     // build.archive-cache
    bool runtimeJarSet = false;   // the project has a [runtime] table,
    unsigned runtimeJarLine = 0;  // on this line
    bool serviceSet = false;      // the project has a [service] table,
    unsigned serviceLine = 0;     // on this line
};

// Checks the version limits and the main class against the main module,
// adds the default search, user options folder and messages, the runtime
// archive where it goes and the entries of the included files, checks a
// service against the keys it excludes and adds its defaults, and puts the
// entries into the plan's block.
bool finishProject(KeyReader& reader, const BuilderChoices& choices, BuildPlan& plan);
