package helloservice;

import java.io.File;
import java.io.IOException;
import java.io.OutputStreamWriter;
import java.io.Writer;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.util.Date;
import java.util.concurrent.CountDownLatch;

/**
 * A small Windows service. When started it writes "started.txt" into its data
 * folder, then runs until it is stopped: the service controller's stop calls
 * {@link #stop()} (the project's service.stop-method), which ends main; the
 * shutdown hook writes "stopped.txt" as the JVM ends. Started from a console it
 * runs the same way until Ctrl+C.
 *
 * <p>Arguments: {@code --data DIR} names the data folder (default: the working
 * directory). The launcher sets the system property {@code qarvo.service.name}
 * when the executable runs as a service.
 */
public final class Main {
    private static final CountDownLatch STOPPED = new CountDownLatch(1);

    private Main() {}

    public static void main(String[] args) throws Exception {
        final File data = dataFolder(args);
        if (!data.isDirectory() && !data.mkdirs()) {
            throw new IOException("cannot make the data folder " + data);
        }
        final String service = System.getProperty("qarvo.service.name");
        final String how = service == null ? "from a console" : "as the service " + service;
        Runtime.getRuntime().addShutdownHook(new Thread(new Runnable() {
            @Override
            public void run() {
                write(new File(data, "stopped.txt"), "stopped " + new Date() + "\n");
            }
        }, "hello-service-stopped"));
        write(new File(data, "started.txt"), "started " + how + " " + new Date() + "\n");
        System.out.println("Hello service running " + how + "; data in " + data.getAbsolutePath());
        STOPPED.await();
        System.out.println("Hello service stopping");
    }

    /** Ends main: called by the launcher on the service controller's stop. */
    public static void stop() {
        STOPPED.countDown();
    }

    private static File dataFolder(String[] args) {
        for (int i = 0; i + 1 < args.length; i++) {
            if (args[i].equals("--data")) {
                return new File(args[i + 1]);
            }
        }
        return new File(System.getProperty("user.dir"));
    }

    private static void write(File file, String text) {
        try (Writer out = new OutputStreamWriter(Files.newOutputStream(file.toPath()), StandardCharsets.UTF_8)) {
            out.write(text);
        } catch (IOException e) {
            System.err.println("cannot write " + file + ": " + e);
        }
    }
}
