package com.qarvo.runtime;

import java.util.ArrayList;
import java.util.List;

/**
 * Splits an argument text by the launcher's own rules: only the blank separates
 * arguments (a tab is an ordinary character), the double and the single quote both
 * group, a quote of the other kind inside quotes is an ordinary character, and the
 * backslash has no special meaning.
 */
final class ArgumentSplitter {
    private ArgumentSplitter() {
    }

    /**
     * Splits {@code text} into arguments.
     *
     * @throws IllegalArgumentException when a quote has no closing partner
     */
    static List<String> split(String text) {
        List<String> arguments = new ArrayList<>();
        String rest = text;
        while (!rest.isEmpty()) {
            if (rest.charAt(0) == ' ') {
                rest = rest.substring(1);
                continue;
            }
            int blank = rest.indexOf(' ');
            int dquote = rest.indexOf('"');
            int squote = rest.indexOf('\'');
            if (blank >= 0 && (dquote < 0 || blank < dquote) && (squote < 0 || blank < squote)) {
                arguments.add(rest.substring(0, blank));
                rest = rest.substring(blank + 1);
            } else if (dquote >= 0 && (squote < 0 || dquote < squote)) {
                rest = takeQuoted(rest, dquote, arguments);
            } else if (squote >= 0) {
                rest = takeQuoted(rest, squote, arguments);
            } else {
                arguments.add(rest);
                rest = "";
            }
        }
        return arguments;
    }

    /** Appends the argument whose opening quote is at {@code open}; returns the text after its closing quote. */
    private static String takeQuoted(String text, int open, List<String> arguments) {
        char quote = text.charAt(open);
        int close = text.indexOf(quote, open + 1);
        if (close < 0) {
            throw new IllegalArgumentException("the quote " + quote + " at position " + open + " is not closed");
        }
        arguments.add(text.substring(0, open) + text.substring(open + 1, close));
        return text.substring(close + 1); // a blank after the closing quote is dropped by the caller
    }
}
