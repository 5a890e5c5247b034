// TOML text the builder writes: quoted strings and arrays of them.
#pragma once

#include <string>
#include <vector>

// A basic string: quotes and backslashes escaped, and every control
// character (tab, line breaks, the other C0 controls and DEL) as an escape.
std::string tomlString(const std::string& utf8);

// An inline array of basic strings: ["a", "b"].
std::string tomlArray(const std::vector<std::string>& items);
