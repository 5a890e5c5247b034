// java.jar-manifest-options at build time: the VM options that "java -jar"
// takes from the application jar's manifest.
#pragma once

#include <string>
#include <vector>

#include "builder/project/build_plan.h"

// The options "java -jar" would take from the application jar's manifest
// (Add-Opens, Add-Exports, Enable-Native-Access), as the entry of
// java.jar-manifest-options, unless the project sets that key itself. The
// application jar is the first archive of the class path; it is looked for
// in the directories in order (the executable's, then the project's). A jar
// not found adds nothing; one that cannot be read is a warning.
void addJarManifestOptions(BuildPlan& plan, const std::vector<std::string>& directories);
