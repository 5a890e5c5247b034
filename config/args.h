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

// Splits the process's command line (Win32 layer); false on an unclosed
// quote. The caller reports message 1007 once the configuration that holds
// its text is loaded.
bool splitCommandLine(const std::wstring& commandLine, ArgumentList& out);
// The same for a narrow text from the configuration, in the ANSI code page.
bool splitArguments(const std::string& text, std::vector<std::string>& out);
