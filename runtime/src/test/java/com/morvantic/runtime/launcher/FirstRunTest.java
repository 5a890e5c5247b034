package com.morvantic.runtime.launcher;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.IOException;
import java.io.PrintStream;
import java.util.Arrays;
import java.util.Collections;
import java.util.List;
import java.util.Properties;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

class FirstRunTest {
    public static class Hooks {
        static int calls;
        static Object outcome;

        public static boolean firstRun() throws Exception {
            calls++;
            if (outcome instanceof Exception) {
                throw (Exception) outcome;
            }
            return (Boolean) outcome;
        }
    }

    public static class NotAHook {
        public static void firstRun() {
        }
    }

    @TempDir
    File root;
    private File marker;
    private final PrintStream realErr = System.err;
    private final ByteArrayOutputStream warnings = new ByteArrayOutputStream();

    @BeforeEach
    void createMarker() throws IOException {
        Hooks.calls = 0;
        marker = new File(root, ".morvantic/firstrun");
        assertTrue(marker.getParentFile().mkdirs() && marker.createNewFile());
        System.setErr(new PrintStream(warnings, true));
    }

    @AfterEach
    void restore() {
        System.setErr(realErr);
    }

    @ParameterizedTest
    @CsvSource({
        // hook class, hook outcome, result or exception, calls, marker left
        "'', true, true, 0, false",
        "com.morvantic.runtime.launcher.FirstRunTest$Hooks, true, true, 1, false",
        "com.morvantic.runtime.launcher.FirstRunTest$Hooks, false, false, 1, true",
        "com.morvantic.runtime.launcher.FirstRunTest$Hooks, throws, IllegalStateException, 1, true",
        "no.such.Hook, true, ClassNotFoundException, 0, true",
        "com.morvantic.runtime.launcher.FirstRunTest$NotAHook, true, NoSuchMethodException, 0, true",
    })
    void runsTheHookAndDeletesTheMarkerOnlyWhenTheLaunchGoesOn(
            String hook, String outcome, String result, int calls, boolean markerLeft) throws Throwable {
        Hooks.outcome = outcome.equals("throws") ? new IllegalStateException("setup failed") : Boolean.valueOf(outcome);
        List<File> roots = Arrays.asList(new File(root, "elsewhere"), root);
        ClassLoader loader = ClassLoader.getSystemClassLoader();
        if (result.endsWith("Exception")) {
            Throwable caught = assertThrows(Throwable.class, () -> FirstRun.firstRun(hook, roots, loader));
            assertEquals(result, caught.getClass().getSimpleName());
        } else {
            assertEquals(Boolean.valueOf(result), FirstRun.firstRun(hook, roots, loader));
        }
        assertEquals(calls, Hooks.calls);
        assertEquals(markerLeft, marker.exists());
        assertEquals("", warnings.toString());
    }

    @Test
    void withoutAMarkerTheHookStillRunsAndTheUserIsTold() throws Throwable {
        Hooks.outcome = true;
        List<File> roots = Collections.singletonList(new File(root, "elsewhere"));
        assertTrue(FirstRun.firstRun(Hooks.class.getName(), roots, ClassLoader.getSystemClassLoader()));
        assertEquals(1, Hooks.calls);
        assertTrue(warnings.toString().contains("found no first-run marker"), warnings.toString());
    }

    @Test
    void findsTheRootFromThePropertyTheRuntimeArchiveAndTheExecutable() {
        Properties properties = new Properties();
        properties.setProperty(FirstRun.APPLICATION_ROOT_PROPERTY, "/opt/root");
        properties.setProperty("java.class.path", String.join(File.pathSeparator,
                "/opt/app/app.jar", "/opt/other/.MORVANTIC/MvtRuntime.jar", "/opt/x/mvtruntime.jar", "/opt/root/.morvantic/mvtruntime.jar"));
        properties.setProperty("qarvo.moduleName", "/opt/bin/tool.exe");
        assertEquals(Arrays.asList(new File("/opt/root"), new File("/opt/other"), new File("/opt/bin")),
                FirstRun.candidateRoots(properties));
        assertEquals(Collections.emptyList(), FirstRun.candidateRoots(new Properties()));
    }
}
