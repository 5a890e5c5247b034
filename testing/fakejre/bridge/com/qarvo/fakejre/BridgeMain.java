package com.qarvo.fakejre;

import java.io.IOException;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardCopyOption;
import java.util.Arrays;

/**
 * The host side of the fake jvm.dll's bridge: calls the static main of the class the
 * launcher called, with the launcher's arguments, and tells the fake through a marker
 * file whether main returned or threw. An exception is described as the JVM describes
 * it for the launcher, then the process stops at once, as the launcher's does. Loaded
 * from the boot class path so that java.class.path stays the launcher's.
 *
 * <p>Arguments: the marker file, the class name, the arguments of its main.
 */
public final class BridgeMain {
    private BridgeMain() {
    }

    public static void main(String[] args) throws Exception {
        Path marker = Paths.get(args[0]);
        String[] mainArguments = Arrays.copyOfRange(args, 2, args.length);
        try {
            Class<?> launcher = Class.forName(args[1], true, ClassLoader.getSystemClassLoader());
            Method main = launcher.getMethod("main", String[].class);
            main.invoke(null, (Object) mainArguments);
        } catch (InvocationTargetException e) {
            describe(e.getCause());
            mark(marker, "threw");
            Runtime.getRuntime().halt(1);
        } catch (ReflectiveOperationException | LinkageError e) {
            describe(e);
            mark(marker, "threw");
            Runtime.getRuntime().halt(1);
        }
        mark(marker, "returned");
    }

    private static void describe(Throwable t) {
        System.err.print("Exception in thread \"main\" ");
        t.printStackTrace();
        System.err.flush();
    }

    private static void mark(Path marker, String outcome) throws IOException {
        Path part = Paths.get(marker + ".part");
        Files.write(part, (outcome + "\n").getBytes(StandardCharsets.UTF_8));
        Files.move(part, marker, StandardCopyOption.ATOMIC_MOVE);
    }
}
