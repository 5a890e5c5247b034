// Command lines and the argument vectors the Microsoft C runtime makes of
// them: the examples of its documentation and the edge cases around them.
// The host tests check the launcher's splitter against it; the Windows tests
// check CommandLineToArgvW, which differs where `system` is given.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct WindowsCommandLine {
    const char* name;
    const char16_t* line;
    std::vector<std::u16string> argv;
    // CommandLineToArgvW's vector where its rules differ: it ends a quoted
    // program name at its closing quote, an unquoted one at the first blank,
    // and reads "" inside quotes by counting quotes.
    std::vector<std::u16string> system = {};
};

// One argument quoted as callers of CreateProcess quote it, so that the C
// runtime's rules give it back. Left alone unless it is empty or holds a
// blank, tab, line feed, vertical tab or double quote.
inline std::u16string quoteWindowsArgument(std::u16string_view argument) {
    if (!argument.empty() && argument.find_first_of(u" \t\n\v\"") == std::u16string_view::npos)
        return std::u16string(argument);
    std::u16string quoted = u"\"";
    size_t backslashes = 0;
    for (char16_t c : argument) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        quoted.append(c == u'"' ? 2 * backslashes + 1 : backslashes, u'\\');
        backslashes = 0;
        quoted += c;
    }
    // And so are those before the closing quote.
    quoted.append(2 * backslashes, u'\\');
    return quoted + u'"';
}

inline const std::vector<WindowsCommandLine>& windowsCommandLines() {
    static const std::vector<WindowsCommandLine> cases = {
        {"programOnly", u"app.exe", {u"app.exe"}},
        {"blanksAndTabsSeparate", u"app.exe  a\t\tb \t", {u"app.exe", u"a", u"b"}},
        {"tabAfterProgram", u"app.exe\ta", {u"app.exe", u"a"}},
        {"quotedProgram", u"\"C:\\Program Files\\app.exe\" x", {u"C:\\Program Files\\app.exe", u"x"}},
        {"quotesGroup", u"app.exe \"a b c\" d e", {u"app.exe", u"a b c", u"d", u"e"}},
        {"escapedQuote", u"app.exe \"ab\\\"c\" \"\\\\\" d", {u"app.exe", u"ab\"c", u"\\", u"d"}},
        {"backslashesAlone", u"app.exe a\\\\\\b d\"e f\"g h", {u"app.exe", u"a\\\\\\b", u"de fg", u"h"}},
        {"oddBackslashesBeforeQuote", u"app.exe a\\\\\\\"b c d", {u"app.exe", u"a\\\"b", u"c", u"d"}},
        {"evenBackslashesBeforeQuote", u"app.exe a\\\\\\\\\"b c\" d e", {u"app.exe", u"a\\\\b c", u"d", u"e"}},
        {"doubledQuoteInsideQuotes", u"app.exe a\"b\"\" c d", {u"app.exe", u"ab\" c d"},
         {u"app.exe", u"ab\"", u"c", u"d"}},
        {"doubledQuoteThenClose", u"app.exe \"a\"\"b\"", {u"app.exe", u"a\"b"}},
        {"apostrophes", u"app.exe it's -Dx=it's 'a b'", {u"app.exe", u"it's", u"-Dx=it's", u"'a", u"b'"}},
        {"emptyArguments", u"app.exe \"\" x \"\"", {u"app.exe", u"", u"x", u""}},
        {"quotedTab", u"app.exe \"a\tb\"", {u"app.exe", u"a\tb"}},
        {"trailingBackslashes", u"app.exe C:\\dir\\ \"C:\\Program Files\\x\\\\\" end\\\\",
         {u"app.exe", u"C:\\dir\\", u"C:\\Program Files\\x\\", u"end\\\\"}},
        {"unclosedQuoteRunsToTheEnd", u"app.exe \"unclosed  arg ", {u"app.exe", u"unclosed  arg "}},
        {"json", u"app.exe \"{\\\"json\\\": [1, 2]}\"", {u"app.exe", u"{\"json\": [1, 2]}"}},
        {"groovyScript", u"groovy.exe -e \"println \\\"groovy says ${6*7}\\\"\"",
         {u"groovy.exe", u"-e", u"println \"groovy says ${6*7}\""}},
        {"beyondAnsi", u"app.exe \u00fc \u65e5\u672c \"\u20ac x\" \U0001D11E",
         {u"app.exe", u"\u00fc", u"\u65e5\u672c", u"\u20ac x", u"\U0001D11E"}},
        {"textAfterQuotedProgram", u"\"app.exe\"x y", {u"app.exex", u"y"}, {u"app.exe", u"x", u"y"}},
        {"quoteInsideProgram", u"a\"b c\"d e", {u"ab cd", u"e"}, {u"a\"b", u"cd e"}},
    };
    return cases;
}
