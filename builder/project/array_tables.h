// The arrays of tables of a project file: [[files]], the files included in
// the executable, and [[localized]], the texts of a locale.
#pragma once

#include <vector>

#include "builder/project/key_reader.h"
#include "builder/project/build_plan.h"
#include "format/block.h"

// Each [[files]] table as an included file: its source below the project's
// directory, its name (by default the source's) checked and in Windows-1252.
bool readIncludedFiles(KeyReader& reader, const toml::array& files, std::vector<IncludedFile>& out);

// Each [[localized]] table as a group of wide entries: messages by name and
// entries by number, stored in id order, each id once.
bool readLocalized(KeyReader& reader, const toml::array& groups, std::vector<block::LocalizedGroup>& out);
