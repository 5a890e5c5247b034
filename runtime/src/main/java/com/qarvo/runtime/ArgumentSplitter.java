package com.qarvo.runtime;

import java.util.ArrayList;
import java.util.List;

/**
 * Splits an argument text by one of the launcher's two sets of rules. The classic ones
 * ({@link #split}): only the blank separates arguments (a tab is an ordinary character),
 * the double and the single quote both group, a quote of the other kind inside quotes is
 * an ordinary character, and the backslash has no special meaning. The Windows ones
 * ({@link #splitWindows}): the Microsoft C runtime's rules for the arguments after the
 * program name, which every Windows caller quotes for.
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

    /**
     * Splits {@code text} by the C runtime's rules: blanks and tabs separate, double quotes
     * group, 2n backslashes before a double quote give n backslashes and a delimiter, 2n+1
     * give n backslashes and a literal quote, other backslashes are literal, {@code ""}
     * inside quotes is a literal quote, and an unclosed quote runs to the end. Never fails.
     */
    static List<String> splitWindows(String text) {
        List<String> arguments = new ArrayList<>();
        int at = 0;
        int n = text.length();
        boolean inQuotes = false;
        while (true) {
            while (at < n && isBlank(text.charAt(at))) {
                at++;
            }
            if (at == n) {
                return arguments;
            }
            StringBuilder argument = new StringBuilder();
            while (true) {
                int backslashes = 0;
                while (at < n && text.charAt(at) == '\\') {
                    at++;
                    backslashes++;
                }
                boolean copy = true;
                if (at < n && text.charAt(at) == '"') {
                    if (backslashes % 2 == 0) {
                        if (inQuotes && at + 1 < n && text.charAt(at + 1) == '"') {
                            at++; // "" inside quotes: one literal quote, still quoted
                        } else {
                            copy = false;
                            inQuotes = !inQuotes;
                        }
                    }
                    backslashes /= 2;
                }
                for (; backslashes > 0; backslashes--) {
                    argument.append('\\');
                }
                if (at == n || (!inQuotes && isBlank(text.charAt(at)))) {
                    break;
                }
                if (copy) {
                    argument.append(text.charAt(at));
                }
                at++;
            }
            arguments.add(argument.toString());
        }
    }

    private static boolean isBlank(char c) {
        return c == ' ' || c == '\t';
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
