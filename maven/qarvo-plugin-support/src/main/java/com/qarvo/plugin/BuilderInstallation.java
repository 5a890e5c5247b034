package com.qarvo.plugin;

import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.Locale;

/**
 * The qarvo-build a plugin's jar carries for the build machine, below {@code qarvo-dist/}:
 * {@code bin/<platform>/qarvo-build[.exe]}, {@code stubs/} and {@code lib/}. It is unpacked
 * as the dist tree lays it out ({@code bin/}, {@code stubs/}, {@code lib/}), since the
 * builder finds the generic launchers and the runtime archive relative to its own location.
 */
public final class BuilderInstallation {
    private static final String ROOT = "/qarvo-dist/";
    private static final String[] SUPPORT_FILES = {
        "stubs/launcher-x86.exe", "stubs/launcher-x64.exe", "lib/qarvo-runtime.jar",
    };

    /** The jar carries no builder for this machine, or not all of its files. */
    public static final class MissingException extends IOException {
        private static final long serialVersionUID = 1L;

        MissingException(String platform, String resource) {
            super("carries no qarvo-build for " + platform + " (" + resource + " is missing)");
        }
    }

    private BuilderInstallation() {
    }

    /** Unpacks the builder that {@code carrier}'s jar holds below {@code directory} and returns it. */
    public static File extract(Class<?> carrier, Path directory) throws IOException {
        String platform = platform();
        boolean windows = platform.startsWith("windows");
        String program = windows ? "qarvo-build.exe" : "qarvo-build";
        Path builder = directory.resolve("bin").resolve(program);
        copy(carrier, ROOT + "bin/" + platform + "/" + program, builder, platform);
        for (String file : SUPPORT_FILES) {
            copy(carrier, ROOT + file, directory.resolve(file), platform);
        }
        if (!windows && !builder.toFile().setExecutable(true)) {
            throw new IOException("cannot make " + builder + " executable");
        }
        return builder.toFile();
    }

    private static String platform() {
        String os = System.getProperty("os.name", "").toLowerCase(Locale.ROOT);
        String arch = System.getProperty("os.arch", "").toLowerCase(Locale.ROOT);
        String cpu = arch.equals("amd64") || arch.equals("x86_64") ? "x64" : arch;
        return (os.startsWith("windows") ? "windows" : os.startsWith("linux") ? "linux" : os) + "-" + cpu;
    }

    private static void copy(Class<?> carrier, String resource, Path target, String platform) throws IOException {
        try (InputStream in = carrier.getResourceAsStream(resource)) {
            if (in == null) {
                throw new MissingException(platform, resource.substring(1));
            }
            Files.createDirectories(target.getParent());
            Files.copy(in, target, StandardCopyOption.REPLACE_EXISTING);
        } catch (MissingException e) {
            throw e;
        } catch (IOException e) {
            throw new IOException("cannot unpack " + resource + " to " + target + ": " + e.getMessage(), e);
        }
    }
}
