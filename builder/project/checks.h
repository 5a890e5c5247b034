// Checks of the values whose wrong form would make an executable that cannot
// start.
#pragma once

#include <string>
#include <vector>

#include "builder/project/keys.h"

// Checks the stored text of an entry the builder understands (main class,
// version limits, search sequence, class path, sizes). why completes a
// sentence that starts with the key: "expected ...". Entries without a rule
// pass.
bool checkEntryValue(int id, const std::string& value, std::string& why);
// What the key table says of a readable key's stored text: a size is
// positive, a key with words takes one of them.
bool checkKeyValue(const KeyDef& def, const std::string& value, std::string& why);

// A version limit the launcher can compare: numbers separated by ".", "_",
// "-" or "+", as "17", "1.8" or "11.0.2"; a component may go on with letters
// ("0_401", "17-ea").
bool validVersionLimit(const std::string& text);

// Whether some version passes both limits: the minimum is not above the
// maximum by the launcher's rules (a maximum bounds a prefix: 11 admits 11.0.2).
bool versionLimitsAgree(const std::string& minimum, const std::string& maximum);

// A main module, "app" or "app/com.example.Main": a module name (dotted
// identifiers) and, after "/", an optional main class.
bool checkMainModule(const std::string& value, std::string& why);
// Module-path entries separated by ";": none empty, none with a character
// a Windows path cannot hold.
bool checkModulePath(const std::string& value, std::string& why);

// A Java binary name: identifiers separated by dots ("com.example.Main",
// "app.Outer$Inner").
bool isJavaBinaryName(const std::string& name);
