package com.qarvo.runtime;

import java.util.Arrays;

/**
 * The arguments the launcher passes to {@link WinLauncher#main(String[])}: five launcher
 * arguments, then the program path, then the application's arguments.
 */
final class LaunchArguments {
    static final int LAUNCHER_ARGUMENT_COUNT = 5;

    /** The executable is a windowed (GUI) one. */
    final boolean windowed;
    /** Binary name of the application's main class. */
    final String mainClass;
    /** File that receives standard error, or null. */
    final String errorFile;
    /** File that receives standard output, or null. */
    final String outputFile;
    /** Append to the redirection files instead of replacing them. */
    final boolean append;
    /** The program path as written on the command line, or null when the launcher passed none. */
    final String programPath;
    /** What the application's main method receives. */
    final String[] applicationArguments;

    private LaunchArguments(String[] args) {
        windowed = parseFlag(args[0], "windowed");
        mainClass = parseMainClass(args[1]);
        errorFile = emptyToNull(args[2]);
        outputFile = emptyToNull(args[3]);
        append = parseFlag(args[4], "append");
        programPath = args.length > LAUNCHER_ARGUMENT_COUNT ? args[LAUNCHER_ARGUMENT_COUNT] : null;
        applicationArguments = args.length > LAUNCHER_ARGUMENT_COUNT + 1
                ? Arrays.copyOfRange(args, LAUNCHER_ARGUMENT_COUNT + 1, args.length)
                : new String[0];
    }

    /**
     * Reads the launcher's arguments.
     *
     * @throws IllegalArgumentException when there are fewer than five, a flag is neither true
     *         nor false, or the main class name is empty
     */
    static LaunchArguments parse(String[] args) {
        int count = args == null ? 0 : args.length;
        if (count < LAUNCHER_ARGUMENT_COUNT) {
            throw new IllegalArgumentException("expected at least " + LAUNCHER_ARGUMENT_COUNT
                    + " launcher arguments (windowed, main class, standard error file,"
                    + " standard output file, append), got " + count);
        }
        return new LaunchArguments(args);
    }

    private static boolean parseFlag(String value, String name) {
        if ("true".equalsIgnoreCase(value)) {
            return true;
        }
        if ("false".equalsIgnoreCase(value)) {
            return false;
        }
        throw new IllegalArgumentException(
                "the launcher argument '" + name + "' must be true or false, not \"" + value + "\"");
    }

    private static String parseMainClass(String value) {
        // A modular application may leave the class to its module's descriptor.
        if ((value == null || value.isEmpty()) && ModuleLaunch.mainModule() == null) {
            throw new IllegalArgumentException("no main class was given to the launcher");
        }
        return value == null ? "" : value.replace('/', '.');
    }

    private static String emptyToNull(String value) {
        return value == null || value.isEmpty() ? null : value;
    }
}
