package com.qarvo.maven;

import java.io.BufferedReader;
import java.io.IOException;
import java.io.InputStream;
import java.io.InputStreamReader;
import java.io.UncheckedIOException;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.List;
import java.util.function.Consumer;

import org.apache.maven.plugin.MojoExecutionException;
import org.apache.maven.plugin.MojoFailureException;
import org.apache.maven.plugin.logging.Log;

/**
 * Runs qarvo-build and passes what it says to the Maven log: its warnings as warnings, its
 * errors ("FILE:LINE: KEY: message") as errors, which also fail the build.
 */
final class BuilderRun {
    private static final String PREFIX = "qarvo-build: ";
    private static final String WARNING = PREFIX + "warning: ";

    private final Log log;

    BuilderRun(Log log) {
        this.log = log;
    }

    void run(List<String> command) throws MojoExecutionException, MojoFailureException {
        log.debug("Running " + String.join(" ", command));
        Process process;
        try {
            process = new ProcessBuilder(command).redirectInput(ProcessBuilder.Redirect.INHERIT).start();
        } catch (IOException e) {
            throw new MojoExecutionException("cannot run " + command.get(0) + ": " + e.getMessage(), e);
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
            Thread.currentThread().interrupt();
            throw new MojoExecutionException("interrupted while qarvo-build ran", e);
        }
        if (code != 0) {
            List<String> reasons = errors.isEmpty() ? other : errors;
            throw new MojoFailureException("qarvo-build failed (exit code " + code + ")"
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
