package com.qarvo.runtime;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertSame;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.IOException;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.util.Arrays;
import java.util.concurrent.BlockingQueue;
import java.util.concurrent.LinkedBlockingQueue;
import java.util.concurrent.TimeUnit;
import java.util.stream.Stream;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.Arguments;
import org.junit.jupiter.params.provider.CsvSource;
import org.junit.jupiter.params.provider.MethodSource;

class WinLauncherTest {
    /** Records what it receives and writes one line to each stream. */
    public static class RecordingApp {
        static String[] received;

        public static void main(String[] args) {
            received = args;
            System.out.println("out line");
            System.err.println("err line");
        }
    }

    public static class ThrowingApp {
        static Throwable toThrow;

        public static void main(String[] args) throws Throwable {
            throw toThrow;
        }
    }

    public static class InstanceMainApp {
        public void main(String[] args) {
        }
    }

    @TempDir
    File dir;
    private final PrintStream realOut = System.out;
    private final PrintStream realErr = System.err;
    private final ByteArrayOutputStream consoleOut = new ByteArrayOutputStream();
    private final ByteArrayOutputStream consoleErr = new ByteArrayOutputStream();

    @BeforeEach
    void captureConsole() {
        RecordingApp.received = null;
        System.setOut(new PrintStream(consoleOut, true));
        System.setErr(new PrintStream(consoleErr, true));
    }

    @AfterEach
    void restore() {
        System.out.close();
        System.err.close();
        System.setOut(realOut);
        System.setErr(realErr);
        System.clearProperty(WinLauncher.PROGRAM_PATH_PROPERTY);
        System.clearProperty(WinLauncher.WINDOWED_PROPERTY);
    }

    static Stream<Arguments> applicationArguments() {
        return Stream.of(
                Arguments.of((Object) new String[0]),
                Arguments.of((Object) new String[] {"a", "", " two words ", "\"quoted\"", "-Jnot-an-option"}),
                Arguments.of((Object) new String[] {"ü€", "日本語", "\uD834\uDD1E", "Ω\tλ", "C:\\Program Files\\x"}));
    }

    @ParameterizedTest
    @MethodSource("applicationArguments")
    void callsTheMainClassWithTheArgumentsAfterTheProgramPath(String[] arguments) throws Throwable {
        String[] all = new String[6 + arguments.length];
        String[] fixed = {"true", RecordingApp.class.getName(), "", "", "false", "C:\\apps\\Tool ü.exe"};
        System.arraycopy(fixed, 0, all, 0, 6);
        System.arraycopy(arguments, 0, all, 6, arguments.length);
        com.morvantic.runtime.launcher.WinLauncher.main(all);
        assertArrayEquals(arguments, RecordingApp.received);
        assertEquals("C:\\apps\\Tool ü.exe", System.getProperty(WinLauncher.PROGRAM_PATH_PROPERTY));
        assertEquals("true", System.getProperty(WinLauncher.WINDOWED_PROPERTY));
        assertEquals("out line" + System.lineSeparator(), consoleOut.toString());
    }

    @Test
    void withoutAProgramPathMainGetsNoArguments() throws Throwable {
        WinLauncher.main(new String[] {"FALSE", RecordingApp.class.getName().replace('.', '/'), "", "", "False"});
        assertArrayEquals(new String[0], RecordingApp.received);
        assertNull(System.getProperty(WinLauncher.PROGRAM_PATH_PROPERTY));
        assertEquals("false", System.getProperty(WinLauncher.WINDOWED_PROPERTY));
    }

    @ParameterizedTest
    @CsvSource({
        "true, true, old|out line|err line|",
        "true, false, out line|err line|",
        "false, true, out line|err line|",
        "false, false, out line|err line|",
    })
    void redirectsBothStreamsToOneFile(boolean existing, boolean append, String expected) throws Throwable {
        File log = new File(dir, existing ? "app.log" : "new/sub dir/app.log");
        if (existing) {
            Files.write(log.toPath(), "old\n".getBytes(StandardCharsets.UTF_8));
        }
        launch(log.getPath(), log.getPath(), append);
        assertEquals(expected.replace("|", System.lineSeparator()), read(log));
        assertEquals("", consoleOut.toString() + consoleErr.toString());
    }

    @ParameterizedTest
    @CsvSource({"true, old|err line|, old|out line|", "false, err line|, out line|"})
    void redirectsEachStreamToItsFile(boolean append, String expectedErr, String expectedOut) throws Throwable {
        File err = new File(dir, "logs/err.txt");
        File out = new File(dir, "out.txt");
        assertTrue(err.getParentFile().mkdirs());
        Files.write(err.toPath(), "old\n".getBytes(StandardCharsets.UTF_8));
        Files.write(out.toPath(), "old\n".getBytes(StandardCharsets.UTF_8));
        launch(err.getPath(), out.getPath(), append);
        assertEquals(expectedErr.replace("|", System.lineSeparator()), read(err));
        assertEquals(expectedOut.replace("|", System.lineSeparator()), read(out));
    }

    @Test
    void aFileThatCannotBeOpenedKeepsTheStreamAndSaysWhy() throws Throwable {
        File blocker = new File(dir, "plain-file");
        Files.write(blocker.toPath(), new byte[0]);
        launch(new File(blocker, "err.txt").getPath(), "", false);
        String err = consoleErr.toString();
        assertTrue(err.startsWith("qarvo: cannot send standard error to "), err);
        assertTrue(err.endsWith("err line" + System.lineSeparator()), err);
        assertEquals("out line" + System.lineSeparator(), consoleOut.toString());
    }

    static Stream<Arguments> failures() {
        return Stream.of(
                Arguments.of(new IOException("checked")),
                Arguments.of(new IllegalStateException("unchecked")),
                Arguments.of(new AssertionError("error")));
    }

    @ParameterizedTest
    @MethodSource("failures")
    void whatMainThrowsPropagatesUnchanged(Throwable thrown) {
        ThrowingApp.toThrow = thrown;
        Throwable caught = assertThrows(Throwable.class,
                () -> WinLauncher.main(new String[] {"false", ThrowingApp.class.getName(), "", "", "false", "p"}));
        assertSame(thrown, caught);
    }

    @ParameterizedTest
    @CsvSource(delimiter = ';', value = {
        "'';                                  IllegalArgumentException; at least 5 launcher arguments",
        "false,x,,;                           IllegalArgumentException; got 4",
        "yes,x,,,false;                       IllegalArgumentException; 'windowed' must be true or false",
        "false,x,,,1;                         IllegalArgumentException; 'append' must be true or false",
        "false,,,,false;                      IllegalArgumentException; no main class",
        "false,no.such.Main,,,false;          ClassNotFoundException;   no.such.Main",
        "false,java.lang.Object,,,false;      NoSuchMethodException;    has no public method main",
        "false,com.qarvo.runtime.WinLauncherTest$InstanceMainApp,,,false; NoSuchMethodException; is not static",
    })
    void reportsWhatIsWrongWithTheLaunch(String arguments, String exception, String message) {
        String[] args = arguments.isEmpty() ? new String[0] : arguments.split(",", -1);
        Throwable caught = assertThrows(Throwable.class, () -> WinLauncher.main(args));
        assertEquals(exception, caught.getClass().getSimpleName());
        assertTrue(caught.getMessage().contains(message), caught.getMessage());
    }

    @Test
    void inSingleInstanceModeEveryLaterStartReachesTheListenerOnceAndInOrder() throws Throwable {
        File commFile = new File(dir, "qvo_p42.tmp");
        System.setProperty(CommFileWatcher.FILE_PROPERTY, commFile.getPath());
        try {
            launch("", "", false);
        } finally {
            System.clearProperty(CommFileWatcher.FILE_PROPERTY);
        }
        secondStart(commFile, "open 'my file.txt'");
        secondStart(commFile, "");
        BlockingQueue<String> received = new LinkedBlockingQueue<>();
        QarvoController.addStartupListener(args -> received.add(Arrays.toString(args)));
        secondStart(commFile, "-x \u65e5\u672c");
        for (String expected : new String[] {"[open, my file.txt]", "[]", "[-x, \u65e5\u672c]"}) {
            assertEquals(expected, received.poll(5, TimeUnit.SECONDS));
        }
        assertNull(received.poll(300, TimeUnit.MILLISECONDS));
    }

    /** Does what a later start does: writes the file in one piece, then waits for its deletion. */
    private void secondStart(File commFile, String arguments) throws Exception {
        File temp = new File(dir, "writing.tmp");
        Files.write(temp.toPath(), (arguments + "\n").getBytes(StandardCharsets.UTF_16LE));
        assertTrue(temp.renameTo(commFile));
        for (int i = 0; i < 500 && commFile.exists(); i++) {
            Thread.sleep(10);
        }
        assertFalse(commFile.exists(), "the watcher did not delete the file");
    }

    private void launch(String errorFile, String outputFile, boolean append) throws Throwable {
        WinLauncher.main(new String[] {"false", RecordingApp.class.getName(), errorFile, outputFile,
            String.valueOf(append), "prog.exe"});
    }

    private static String read(File file) throws IOException {
        return new String(Files.readAllBytes(file.toPath()), StandardCharsets.UTF_8);
    }
}
