package com.qarvo.runtime;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.File;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

/** Runs the built runtime jar with the real java, as the launcher would start it. */
class RealJavaTest {
    @TempDir
    File dir;

    @ParameterizedTest
    @CsvSource({
        "com.qarvo.runtime.WinLauncher, ok, 0",
        "com.morvantic.runtime.launcher.WinLauncher, ok, 0",
        "com.qarvo.runtime.WinLauncher, fail, 1",
    })
    void startsTheApplicationWithRedirectedStreams(String entry, String first, int exitCode) throws Exception {
        File err = new File(dir, "logs/err.txt");
        File out = new File(dir, "logs/out.txt");
        String java = new File(System.getProperty("java.home"), "bin/java").getPath();
        String classPath = jar("qarvo.test.runtimeJar") + File.pathSeparator + jar("qarvo.test.appJar");
        List<String> command = new ArrayList<>(Arrays.asList(java, "-cp", classPath, entry,
                "false", "testapp.EchoApp", err.getPath(), out.getPath(), "false", "C:\\apps\\echo.exe",
                first, "b c", "ü€日本"));
        ProcessBuilder builder = new ProcessBuilder(command).redirectErrorStream(true)
                .redirectOutput(new File(dir, "console.txt"));
        builder.environment().put("LC_ALL", "C.UTF-8");
        Process process = builder.start();
        assertTrue(process.waitFor(60, TimeUnit.SECONDS), "java did not end");
        String console = read(new File(dir, "console.txt"));
        assertEquals(exitCode, process.exitValue(), console);

        String nl = System.lineSeparator();
        assertEquals("program C:\\apps\\echo.exe" + nl + "args " + first + "|b c|ü€日本" + nl, read(out));
        String errText = read(err);
        assertTrue(errText.startsWith("to stderr" + nl), errText);
        if (exitCode != 0) {
            assertTrue(errText.contains("IllegalStateException: the application failed"), errText);
            assertTrue(errText.contains("at testapp.EchoApp.main"), errText);
        } else {
            assertEquals("to stderr" + nl, errText);
        }
    }

    private static String jar(String property) {
        String path = System.getProperty(property);
        assertTrue(path != null && new File(path).isFile(), property + " names no jar: " + path);
        return path;
    }

    private static String read(File file) throws IOException {
        return new String(Files.readAllBytes(file.toPath()), StandardCharsets.UTF_8);
    }
}
