package jnitest;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.nio.file.StandardOpenOption;

/**
 * Called by the host JNI tests in place of the runtime's launcher class: writes the
 * arguments it received (as UTF-16 code units) and the system properties named by
 * jnitest.properties to the file named by jnitest.out. A first argument "throw" makes
 * it throw; "thread" leaves a non-daemon thread that writes a line later.
 */
public final class Probe {
    private Probe() {
    }

    public static void main(String[] args) throws IOException {
        StringBuilder report = new StringBuilder("main\n");
        for (String argument : args) {
            report.append("arg");
            for (char c : argument.toCharArray()) {
                report.append(' ').append(Integer.toHexString(c));
            }
            report.append('\n');
        }
        for (String name : System.getProperty("jnitest.properties", "").split(",")) {
            if (!name.isEmpty()) {
                report.append("property ").append(name).append('=').append(System.getProperty(name)).append('\n');
            }
        }
        append(report.toString());
        if (args.length > 0 && args[0].equals("throw")) {
            throw new IllegalStateException("thrown by the probe");
        }
        if (args.length > 0 && args[0].equals("thread")) {
            Thread late = new Thread(() -> {
                try {
                    Thread.sleep(500);
                    append("thread done\n");
                } catch (InterruptedException | IOException e) {
                    throw new IllegalStateException(e);
                }
            });
            late.setDaemon(false);
            late.start();
        }
    }

    public static void append(String text) throws IOException {
        Files.write(Paths.get(System.getProperty("jnitest.out")), text.getBytes(StandardCharsets.UTF_8),
                StandardOpenOption.CREATE, StandardOpenOption.APPEND);
    }
}
