package com.qarvo.plugin;

import java.io.BufferedReader;
import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.io.InputStreamReader;
import java.io.UncheckedIOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.function.Consumer;

/**
 * Runs qarvo-build and passes what it says to the build's log: its warnings as warnings, its
 * errors ("FILE:LINE: KEY: message") as errors, which also fail the build.
 */
public final class BuilderRun {
    private static final String PREFIX = "qarvo-build: ";
    private static final String WARNING = PREFIX + "warning: ";

    /** The build tool's log. */
    public interface Log {
        void debug(String line);

        void info(String line);

        void warn(String line);

        void error(String line);
    }

    /** qarvo-build ended with an error; the message names its own. */
    public static final class FailedException extends Exception {
        private static final long serialVersionUID = 1L;

        FailedException(String message) {
            super(message);
        }
    }

    private final Log log;

    public BuilderRun(Log log) {
        this.log = log;
    }

    /** {@code qarvo-build build PROJECT -o OUTPUT [--arch ARCH]}; a null or empty arch is left out. */
    public static List<String> buildCommand(File builder, Path project, File output, String arch) {
        List<String> command = new ArrayList<>();
        command.add(builder.getPath());
        command.add("build");
        command.add(project.toString());
        command.add("-o");
        command.add(output.getPath());
        if (arch != null && !arch.isEmpty()) {
            command.add("--arch");
            command.add(arch);
        }
        return command;
    }

    /**
     * Runs the command to its end.
     *
     * @throws IOException when it cannot be started
     * @throws FailedException when it ends with another exit code than 0
     */
    public void run(List<String> command) throws IOException, InterruptedException, FailedException {
        log.debug("Running " + String.join(" ", command));
        Process process;
        try {
            process = new ProcessBuilder(command).redirectInput(ProcessBuilder.Redirect.INHERIT).start();
        } catch (IOException e) {
            throw new IOException("cannot run " + command.get(0) + ": " + e.getMessage(), e);
        }
        Thread output = new Thread(() -> readLines(process.getInputStream(), log::info), "qarvo-build output");
        output.start();
        List<String> errors = new ArrayList<>();
        List<String> other = new ArrayList<>();
        readLines(process.getErrorStream(), line -> {
            if (line.startsWith(WARNING)) {
                log.warn(line.substring(WARNING.length()));
            } else if (line.startsWith(PREFIX)) {
                log.error(line.substring(PREFIX.length()));
                errors.add(line.substring(PREFIX.length()));
            } else if (!line.isEmpty()) {
                log.warn(line);
                other.add(line);
            }
        });
        int code;
        try {
            code = process.waitFor();
            output.join();
        } catch (InterruptedException e) {
            process.destroy();
            throw e;
        }
        if (code != 0) {
            List<String> reasons = errors.isEmpty() ? other : errors;
            throw new FailedException("qarvo-build failed (exit code " + code + ")"
                    + (reasons.isEmpty() ? "" : ": " + String.join("; ", reasons)));
        }
    }

    private static void readLines(InputStream stream, Consumer<String> sink) {
        try (BufferedReader reader = new BufferedReader(new InputStreamReader(stream, StandardCharsets.UTF_8))) {
            for (String line = reader.readLine(); line != null; line = reader.readLine()) {
                sink.accept(line);
            }
        } catch (IOException e) {
            throw new UncheckedIOException(e);
        }
    }
}
