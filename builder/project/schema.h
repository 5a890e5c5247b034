// The JSON Schema of project files (draft-07, which TOML editors read through
// a "#:schema" line), made from the key tables the project reader reads by:
// every table and key, its type, the values and ranges it takes and its help;
// a key the reader does not know is refused where the reader refuses it.
// What only the reader can judge (a main class's form, version limits, a key
// that excludes another) is left to qarvo-build check.
#pragma once

#include <string>

#include "builder/project/json_text.h"
#include "builder/project/keys.h"

// The name the build installs the schema under, in schema/ beside bin/.
inline constexpr const char* kProjectSchemaName = "qarvo-project.schema.json";

std::string projectSchema();
// The schema of a readable key's value, with its help and entry.
Json keySchema(const KeyDef& def);
