package com.qarvo.maven;

import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.Locale;

import org.apache.maven.plugin.MojoExecutionException;

/**
 * The qarvo-build this plugin carries for the build machine. It is unpacked as the dist tree
 * lays it out ({@code bin/}, {@code stubs/}, {@code lib/}), since the builder finds the generic
 * launchers and the runtime archive relative to its own location.
 */
final class BuilderInstallation {
    private static final String ROOT = "/qarvo-dist/";
    private static final String[] SUPPORT_FILES = {
        "stubs/launcher-x86.exe", "stubs/launcher-x64.exe", "lib/qarvo-runtime.jar",
    };

    private BuilderInstallation() {
    }

    /** Unpacks the builder below {@code directory} and returns it. */
    static File extract(Path directory) throws MojoExecutionException {
        String platform = platform();
        boolean windows = platform.startsWith("windows");
        String program = windows ? "qarvo-build.exe" : "qarvo-build";
        Path builder = directory.resolve("bin").resolve(program);
        copy(ROOT + "bin/" + platform + "/" + program, builder, platform);
        for (String file : SUPPORT_FILES) {
            copy(ROOT + file, directory.resolve(file), platform);
        }
        if (!windows && !builder.toFile().setExecutable(true)) {
            throw new MojoExecutionException("cannot make " + builder + " executable");
        }
        return builder.toFile();
    }

    private static String platform() {
        String os = System.getProperty("os.name", "").toLowerCase(Locale.ROOT);
        String arch = System.getProperty("os.arch", "").toLowerCase(Locale.ROOT);
        String cpu = arch.equals("amd64") || arch.equals("x86_64") ? "x64" : arch;
        return (os.startsWith("windows") ? "windows" : os.startsWith("linux") ? "linux" : os) + "-" + cpu;
    }

    private static void copy(String resource, Path target, String platform) throws MojoExecutionException {
        try (InputStream in = BuilderInstallation.class.getResourceAsStream(resource)) {
            if (in == null) {
                throw new MojoExecutionException("this qarvo-maven-plugin carries no qarvo-build for " + platform
                        + " (" + resource.substring(1) + " is missing): name one with <builder>");
            }
            Files.createDirectories(target.getParent());
            Files.copy(in, target, StandardCopyOption.REPLACE_EXISTING);
        } catch (IOException e) {
            throw new MojoExecutionException("cannot unpack " + resource + " to " + target + ": " + e.getMessage(), e);
        }
    }
}
