package com.qarvo.runtime;

import java.io.File;
import java.io.IOException;
import java.nio.file.Files;
import java.util.List;
import java.util.function.Consumer;

/**
 * Watches the notification file through which a later start of the same executable hands
 * its arguments to this, the first, instance. The file holds the arguments as UTF-16LE
 * text (no byte-order mark) followed by a line feed. The watcher reads it, deletes it
 * (the later start waits for that) and only then passes the split arguments on, so each
 * file is delivered once. A file that cannot be parsed is deleted too and reported on
 * standard error.
 */
final class CommFileWatcher implements Runnable {
    /** System property naming the notification file; set by the launcher in single-instance mode. */
    static final String FILE_PROPERTY = "qarvo.processCommFile";
    /**
     * System property naming the rules the file's arguments are split by: "windows" for
     * the C runtime's rules, the classic rules otherwise.
     */
    static final String RULES_PROPERTY = "qarvo.commandLineRules";
    static final long POLL_MILLIS = 100;
    /** Polls a file may stay incomplete (no final line feed) before it counts as malformed. */
    static final int INCOMPLETE_POLLS = 10;

    private static Thread started;

    private final File file;
    private final Consumer<String[]> sink;
    private final long pollMillis;
    private final boolean windowsRules;
    private int incompletePolls;
    private long incompleteLength = -1;

    CommFileWatcher(File file, Consumer<String[]> sink, long pollMillis) {
        this(file, sink, pollMillis, false);
    }

    CommFileWatcher(File file, Consumer<String[]> sink, long pollMillis, boolean windowsRules) {
        this.file = file;
        this.sink = sink;
        this.pollMillis = pollMillis;
        this.windowsRules = windowsRules;
    }

    /**
     * Starts the watcher thread for the file named by {@link #FILE_PROPERTY}, once per
     * process; does nothing when the property is not set.
     */
    static synchronized void startFromSystemProperty(Consumer<String[]> sink) {
        String path = System.getProperty(FILE_PROPERTY);
        if (started != null || path == null || path.isEmpty()) {
            return;
        }
        boolean windowsRules = "windows".equals(System.getProperty(RULES_PROPERTY));
        started = new CommFileWatcher(new File(path), sink, POLL_MILLIS, windowsRules).start();
    }

    Thread start() {
        Thread thread = new Thread(this, "qarvo-notification-watcher");
        thread.setDaemon(true);
        thread.start();
        return thread;
    }

    @Override
    public void run() {
        while (!Thread.currentThread().isInterrupted()) {
            try {
                pollOnce();
            } catch (RuntimeException e) {
                System.err.println("qarvo: the notification file watcher failed once:");
                e.printStackTrace();
            }
            try {
                Thread.sleep(pollMillis);
            } catch (InterruptedException e) {
                return;
            }
        }
    }

    /**
     * Looks at the file once. Returns true when a file was consumed: read, deleted and
     * delivered, or deleted as malformed.
     */
    boolean pollOnce() {
        if (!file.isFile()) {
            incompletePolls = 0;
            return false;
        }
        byte[] content;
        try {
            content = Files.readAllBytes(file.toPath());
        } catch (IOException e) {
            return false; // still open for writing, or gone: look again later
        }
        if (!isComplete(content)) {
            if (content.length != incompleteLength) {
                incompleteLength = content.length;
                incompletePolls = 0;
            }
            if (++incompletePolls < INCOMPLETE_POLLS) {
                return false;
            }
            return discard(content.length % 2 != 0 ? "an odd number of bytes" : "no line feed at the end");
        }
        List<String> arguments;
        try {
            String text = decode(content);
            arguments = windowsRules ? ArgumentSplitter.splitWindows(text) : ArgumentSplitter.split(text);
        } catch (IllegalArgumentException e) {
            return discard(e.getMessage());
        }
        if (!file.delete()) {
            return false; // read again and retry: nothing is delivered before the file is gone
        }
        reset();
        sink.accept(arguments.toArray(new String[0]));
        return true;
    }

    private static boolean isComplete(byte[] content) {
        int n = content.length;
        return n >= 2 && n % 2 == 0 && content[n - 2] == '\n' && content[n - 1] == 0;
    }

    /** The text before the final line feed; a leading byte-order mark is dropped. */
    private static String decode(byte[] content) {
        char[] chars = new char[content.length / 2 - 1];
        for (int i = 0; i < chars.length; i++) {
            chars[i] = (char) ((content[2 * i] & 0xff) | (content[2 * i + 1] & 0xff) << 8);
        }
        int start = chars.length > 0 && chars[0] == '\uFEFF' ? 1 : 0;
        return new String(chars, start, chars.length - start);
    }

    private boolean discard(String reason) {
        if (!file.delete()) {
            return false;
        }
        reset();
        System.err.println("qarvo: ignored the notification file " + file + " of another start: " + reason);
        return true;
    }

    private void reset() {
        incompletePolls = 0;
        incompleteLength = -1;
    }
}
