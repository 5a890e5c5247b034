// The tables of a project file that set the executable's resources:
// [resources] (icons and splash images), [version] (the version
// information) and [manifest].
#pragma once

#include "builder/project/key_reader.h"
#include "builder/project/build_plan.h"

bool readResources(KeyReader& reader, const toml::table& table, ResourcePlan& plan);
// The strings of the version information and its two numbers; file-version
// is required, product-version defaults to it.
bool readVersion(KeyReader& reader, const toml::table& table, ResourcePlan& plan);
// A manifest file, or the options of the generated manifest: not both.
bool readManifest(KeyReader& reader, const toml::table& table, ResourcePlan& plan);
