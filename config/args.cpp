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

bool isLogSwitch(std::u16string_view argument) {
    return argument == u"-create-mvt-log" || argument == u"-create-qvo-log" ||
           argument == u"/create-mvt-log" || argument == u"/create-qvo-log";
}
