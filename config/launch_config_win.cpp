#include "config/launch_config.h"

#include "files/fileutil.h"

Outcome loadLaunchConfig(LaunchConfig& config) {
    ConfigTables tables;
    Outcome end = loadEmbeddedConfig(tables);
    readLaunchConfig(tables, [](const std::string& path) { return resolvePath(path, true); }, config);
    return end;
}
