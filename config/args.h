// Splitting of the command line and of configured argument texts by the
// launcher's own rules: only the blank separates; double and single quotes
// group; the backslash has no special meaning; an unclosed quote is an error.
#pragma once

#include <string>
#include <string_view>
#include <vector>

using ArgumentList = std::vector<std::u16string>;

// Appends the arguments of text to out. Returns false on an opening quote
// without its closing partner; the arguments before it are appended.
bool splitArgumentText(std::u16string_view text, ArgumentList& out);

// The launcher's log-creation switches, recognised in element 1 only.
bool isLogSwitch(std::u16string_view argument);
