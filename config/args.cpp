#include "config/args.h"

bool splitArgumentText(std::u16string_view text, ArgumentList& out) {
    constexpr auto npos = std::u16string_view::npos;
    while (!text.empty()) {
        if (text.front() == u' ') {
            text.remove_prefix(1);
            continue;
        }
        const size_t dq = text.find(u'"');
        const size_t sq = text.find(u'\'');
        const size_t blank = text.find(u' ');
        size_t quoteAt = npos;
        if (blank != npos && blank < dq && blank < sq) {
            out.emplace_back(text.substr(0, blank));
            text.remove_prefix(blank + 1);
            continue;
        }
        if (dq != npos && dq < sq) quoteAt = dq;
        else if (sq != npos) quoteAt = sq;
        if (quoteAt == npos) {
            out.emplace_back(text);
            break;
        }
        const size_t close = text.find(text[quoteAt], quoteAt + 1);
        if (close == npos) return false;
        std::u16string argument(text.substr(0, quoteAt));
        argument.append(text.substr(quoteAt + 1, close - quoteAt - 1));
        out.push_back(std::move(argument));
        text.remove_prefix(close + 1);
        if (!text.empty() && text.front() == u' ') text.remove_prefix(1);
    }
    return true;
}

void splitWindowsArguments(std::u16string_view text, ArgumentList& out) {
    size_t at = 0;
    const size_t n = text.size();
    auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    bool inQuotes = false;
    for (;;) {
        while (at < n && blank(text[at])) ++at;
        if (at == n) return;
        std::u16string argument;
        for (;;) {
            size_t backslashes = 0;
            while (at < n && text[at] == u'\\') ++at, ++backslashes;
            bool copy = true;
            if (at < n && text[at] == u'"') {
                if (backslashes % 2 == 0) {
                    if (inQuotes && at + 1 < n && text[at + 1] == u'"') {
                        ++at;  // "" inside quotes: one literal quote, still quoted
                    } else {
                        copy = false;
                        inQuotes = !inQuotes;
                    }
                }
                backslashes /= 2;
            }
            argument.append(backslashes, u'\\');
            if (at == n || (!inQuotes && blank(text[at]))) break;
            if (copy) argument += text[at];
            ++at;
        }
        out.push_back(std::move(argument));
    }
}

namespace {

// Where the program name ends, and the name without its quotes.
size_t windowsProgramName(std::u16string_view commandLine, std::u16string* name) {
    bool inQuotes = false;
    size_t at = 0;
    for (; at < commandLine.size(); ++at) {
        const char16_t c = commandLine[at];
        if (c == u'"') {
            inQuotes = !inQuotes;
        } else if (!inQuotes && (c == u' ' || c == u'\t')) {
            break;
        } else if (name != nullptr) {
            *name += c;
        }
    }
    return at;
}

}  // namespace

std::u16string_view windowsArgumentsText(std::u16string_view commandLine) {
    std::u16string_view rest = commandLine.substr(windowsProgramName(commandLine, nullptr));
    const size_t start = rest.find_first_not_of(u" \t");
    return start == std::u16string_view::npos ? std::u16string_view() : rest.substr(start);
}

bool splitProcessCommandLine(std::u16string_view commandLine, CommandLineRules rules, ArgumentList& out) {
    if (rules == CommandLineRules::Classic) return splitArgumentText(commandLine, out);
    std::u16string program;
    windowsProgramName(commandLine, &program);
    out.push_back(std::move(program));
    splitWindowsArguments(windowsArgumentsText(commandLine), out);
    return true;
}

bool isLogSwitch(std::u16string_view argument) {
    return argument == u"-create-mvt-log" || argument == u"-create-qvo-log" ||
           argument == u"/create-mvt-log" || argument == u"/create-qvo-log";
}

bool logSwitchUnderBothRules(std::u16string_view commandLine) {
    ArgumentList classic, windows;
    splitArgumentText(commandLine, classic);  // the arguments before an unclosed quote count
    splitProcessCommandLine(commandLine, CommandLineRules::Windows, windows);
    return classic.size() > 1 && isLogSwitch(classic[1]) && windows.size() > 1 && isLogSwitch(windows[1]);
}
