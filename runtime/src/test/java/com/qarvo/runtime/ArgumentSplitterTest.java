package com.qarvo.runtime;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.util.Arrays;
import java.util.List;
import java.util.stream.Stream;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.Arguments;
import org.junit.jupiter.params.provider.MethodSource;
import org.junit.jupiter.params.provider.ValueSource;

class ArgumentSplitterTest {
    static Stream<Arguments> texts() {
        return Stream.of(
                Arguments.of("", list()),
                Arguments.of("   ", list()),
                Arguments.of("a  b", list("a", "b")),
                Arguments.of("a\"b c\"d e", list("ab c", "d", "e")),
                Arguments.of("x=\"a b\"", list("x=a b")),
                Arguments.of("\"a b\"c", list("a b", "c")),
                Arguments.of("'say \"hi\"' \"it's\"", list("say \"hi\"", "it's")),
                Arguments.of("\"\" ''", list("", "")),
                Arguments.of("a\tb c", list("a\tb", "c")),
                Arguments.of("C:\\dir\\ x\\\"y z\"", list("C:\\dir\\", "x\\y z")),
                Arguments.of("  lead trail  ", list("lead", "trail")),
                Arguments.of("\"a\"  b", list("a", "b")),
                Arguments.of("ü 日本 \uD834\uDD1E", list("ü", "日本", "\uD834\uDD1E")));
    }

    @ParameterizedTest
    @MethodSource("texts")
    void splitsByTheLaunchersRules(String text, List<String> expected) {
        assertEquals(expected, ArgumentSplitter.split(text));
    }

    // The C runtime's rules; the launcher's host table holds the full set.
    static Stream<Arguments> windowsTexts() {
        return Stream.of(
                Arguments.of("", list()),
                Arguments.of(" \t ", list()),
                Arguments.of("a\tb  c", list("a", "b", "c")),
                Arguments.of("\"a b\" it's", list("a b", "it's")),
                Arguments.of("a\\\\\\\"b", list("a\\\"b")),
                Arguments.of("a\\\\\"b c\"", list("a\\b c")),
                Arguments.of("C:\\dir\\ \"x\"\"y\"", list("C:\\dir\\", "x\"y")),
                Arguments.of("\"\" x", list("", "x")),
                Arguments.of("\"open end", list("open end")),
                Arguments.of("ü \"日本 \uD834\uDD1E\"", list("ü", "日本 \uD834\uDD1E")));
    }

    @ParameterizedTest
    @MethodSource("windowsTexts")
    void splitsByTheCRuntimesRules(String text, List<String> expected) {
        assertEquals(expected, ArgumentSplitter.splitWindows(text));
    }

    @ParameterizedTest
    @ValueSource(strings = {"a \"b", "'", "x \"y\" 'z", "\"ok\" \"again"})
    void rejectsAnUnclosedQuote(String text) {
        assertThrows(IllegalArgumentException.class, () -> ArgumentSplitter.split(text));
    }

    private static List<String> list(String... items) {
        return Arrays.asList(items);
    }
}
