// Splitting of the command line and of configured argument texts.
//
// Two sets of rules. The classic ones are the launcher's own: only the blank
// separates; double and single quotes group; the backslash has no special
// meaning; an unclosed quote is an error. Configured texts (fixed arguments,
// VM parameters, option lines) are always read by them. The Windows ones are
// the Microsoft C runtime's argv rules, which every Windows caller quotes
// for; an executable whose configuration asks for them splits its process
// command line so, and one without that entry keeps the classic rules.
#pragma once

#include <string>
#include <string_view>
#include <vector>

using ArgumentList = std::vector<std::u16string>;

enum class CommandLineRules { Classic, Windows };

// Appends the arguments of text to out by the classic rules. Returns false
// on an opening quote without its closing partner; the arguments before it
// are appended.
bool splitArgumentText(std::u16string_view text, ArgumentList& out);

// Appends the arguments of text to out by the C runtime's rules for the
// arguments after the program name: blanks and tabs separate, double quotes
// group, 2n backslashes before a double quote give n backslashes and a
// delimiter, 2n+1 give n backslashes and a literal quote, other backslashes
// are literal, "" inside quotes is a literal quote, and an unclosed quote
// runs to the end. Never fails.
void splitWindowsArguments(std::u16string_view text, ArgumentList& out);

// The text after the program name by the C runtime's rule for it (quotes
// toggle and are dropped, no escapes, a blank or tab outside quotes ends
// it), with the blanks and tabs that follow skipped.
std::u16string_view windowsArgumentsText(std::u16string_view commandLine);

// A whole process command line: the program path, then the arguments.
// False only for the classic rules' unclosed quote.
bool splitProcessCommandLine(std::u16string_view commandLine, CommandLineRules rules, ArgumentList& out);

// The launcher's log-creation switches, recognised in element 1 only.
bool isLogSwitch(std::u16string_view argument);
// Whether element 1 is a log switch under both rules: the log can then be
// started before the configuration that names the rules is read.
bool logSwitchUnderBothRules(std::u16string_view commandLine);

// Splits a wide text by the classic rules (Win32 layer); false on an unclosed
// quote.
bool splitCommandLine(const std::u16string& commandLine, ArgumentList& out);
// The same for a narrow text from the configuration, in the ANSI code page.
bool splitArguments(const std::string& text, std::vector<std::string>& out);
