package com.qarvo.runtime;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.IOException;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.util.ArrayList;
import java.util.List;
import java.util.stream.Stream;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.Arguments;
import org.junit.jupiter.params.provider.MethodSource;

class CommFileWatcherTest {
    @TempDir
    File dir;
    private File file;
    private final List<String[]> delivered = new ArrayList<>();
    private final ByteArrayOutputStream warnings = new ByteArrayOutputStream();
    private PrintStream originalErr;

    @BeforeEach
    void captureWarnings() {
        file = new File(dir, "qvo_p1234.tmp");
        originalErr = System.err;
        System.setErr(new PrintStream(warnings, true));
    }

    @AfterEach
    void restore() {
        System.setErr(originalErr);
    }

    static Stream<Arguments> files() {
        return Stream.of(
                Arguments.of(false, "a b\n", new String[] {"a", "b"}),
                Arguments.of(false, "\n", new String[0]),
                Arguments.of(false, "'x y' \"日本 €\" \uD834\uDD1E\n", new String[] {"x y", "日本 €", "\uD834\uDD1E"}),
                Arguments.of(false, "\uFEFFa\tb  c\n", new String[] {"a\tb", "c"}),
                Arguments.of(false, "C:\\dir\\file.txt -x\n", new String[] {"C:\\dir\\file.txt", "-x"}),
                Arguments.of(true, "it's \"a\tb\" \\\"q\\\" \"open\n", new String[] {"it's", "a\tb", "\"q\"", "open"}),
                Arguments.of(true, "'x y'\tz\n", new String[] {"'x", "y'", "z"}));
    }

    @ParameterizedTest
    @MethodSource("files")
    void deliversTheArgumentsOnceAndDeletesTheFile(boolean windowsRules, String text, String[] expected)
            throws IOException {
        write(text.getBytes(StandardCharsets.UTF_16LE));
        CommFileWatcher watcher = new CommFileWatcher(file, delivered::add, 1, windowsRules);
        assertTrue(watcher.pollOnce());
        assertFalse(file.exists());
        assertFalse(watcher.pollOnce());
        assertEquals(1, delivered.size());
        assertArrayEquals(expected, delivered.get(0));
        assertEquals("", warnings.toString());
    }

    static Stream<Arguments> malformed() {
        byte[] complete = "a b\n".getBytes(StandardCharsets.UTF_16LE);
        byte[] odd = new byte[complete.length + 1];
        System.arraycopy(complete, 0, odd, 0, complete.length);
        return Stream.of(
                Arguments.of("an unclosed quote", "a \"b\n".getBytes(StandardCharsets.UTF_16LE), 1),
                Arguments.of("no line feed", "a b".getBytes(StandardCharsets.UTF_16LE), CommFileWatcher.INCOMPLETE_POLLS),
                Arguments.of("an odd length", odd, CommFileWatcher.INCOMPLETE_POLLS),
                Arguments.of("no content", new byte[0], CommFileWatcher.INCOMPLETE_POLLS),
                Arguments.of("UTF-8 text", "a b\n".getBytes(StandardCharsets.UTF_8), CommFileWatcher.INCOMPLETE_POLLS));
    }

    @ParameterizedTest(name = "{0}")
    @MethodSource("malformed")
    void deletesAMalformedFileWithoutDelivering(String what, byte[] content, int polls) throws IOException {
        write(content);
        CommFileWatcher watcher = new CommFileWatcher(file, delivered::add, 1);
        for (int i = 1; i < polls; i++) {
            assertFalse(watcher.pollOnce());
            assertTrue(file.exists(), "deleted after " + i + " polls");
        }
        assertTrue(watcher.pollOnce());
        assertFalse(file.exists());
        assertTrue(delivered.isEmpty());
        assertTrue(warnings.toString().contains("ignored the notification file"), warnings.toString());
    }

    private void write(byte[] content) throws IOException {
        Files.write(file.toPath(), content);
    }
}
