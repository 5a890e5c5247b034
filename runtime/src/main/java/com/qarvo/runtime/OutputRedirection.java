package com.qarvo.runtime;

import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.PrintStream;
import java.nio.file.Files;

/**
 * Sends {@code System.err} and {@code System.out} to files. Missing directories are
 * created. The streams are not buffered, so nothing written is lost when the process
 * ends abruptly. Both streams share one file stream when they name the same file.
 * A file that cannot be opened leaves its stream unchanged and is reported on the
 * original standard error; the application still starts.
 */
final class OutputRedirection {
    private OutputRedirection() {
    }

    static void apply(String errorFile, String outputFile, boolean append) {
        PrintStream err = errorFile == null ? null : openOrWarn(errorFile, append, "standard error");
        PrintStream out = null;
        if (outputFile != null) {
            out = err != null && sameFile(errorFile, outputFile)
                    ? err
                    : openOrWarn(outputFile, append, "standard output");
        }
        if (out != null) {
            System.setOut(out);
        }
        if (err != null) {
            System.setErr(err);
        }
    }

    /** Opens {@code path} for writing, creating its missing parent directories. */
    static PrintStream open(String path, boolean append) throws IOException {
        File file = new File(path).getAbsoluteFile();
        File parent = file.getParentFile();
        if (parent != null) {
            Files.createDirectories(parent.toPath());
        }
        return new PrintStream(new FileOutputStream(file, append), true);
    }

    private static PrintStream openOrWarn(String path, boolean append, String what) {
        try {
            return open(path, append);
        } catch (IOException | RuntimeException e) {
            System.err.println("qarvo: cannot send " + what + " to " + path + " (" + e + "); it stays unchanged");
            return null;
        }
    }

    private static boolean sameFile(String a, String b) {
        try {
            return new File(a).getCanonicalFile().equals(new File(b).getCanonicalFile());
        } catch (IOException e) {
            return new File(a).getAbsoluteFile().equals(new File(b).getAbsoluteFile());
        }
    }
}
