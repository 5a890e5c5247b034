package com.qarvo.runtime;

import java.util.ArrayDeque;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import java.util.Objects;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;

/**
 * Hands the arguments of later starts to the registered {@link StartupListener}s, one
 * start after the other on a single daemon thread. Arguments that arrive while no listener
 * is registered wait and go to the first listener that registers.
 */
final class StartupDispatcher {
    private final Object lock = new Object();
    private final List<StartupListener> listeners = new ArrayList<>();
    private final ArrayDeque<String[]> waiting = new ArrayDeque<>();
    private ExecutorService executor;

    void add(StartupListener listener) {
        Objects.requireNonNull(listener, "listener");
        synchronized (lock) {
            if (listeners.contains(listener)) {
                return;
            }
            listeners.add(listener);
            List<StartupListener> target = Collections.singletonList(listener);
            while (!waiting.isEmpty()) {
                submit(waiting.poll(), target);
            }
        }
    }

    boolean remove(StartupListener listener) {
        synchronized (lock) {
            return listeners.remove(listener);
        }
    }

    void deliver(String[] arguments) {
        synchronized (lock) {
            if (listeners.isEmpty()) {
                waiting.add(arguments.clone());
            } else {
                submit(arguments.clone(), new ArrayList<>(listeners));
            }
        }
    }

    /** Called with the lock held, so that deliveries keep the order of the starts. */
    private void submit(String[] arguments, List<StartupListener> targets) {
        if (executor == null) {
            executor = Executors.newSingleThreadExecutor(task -> {
                Thread thread = new Thread(task, "qarvo-startup-listeners");
                thread.setDaemon(true);
                return thread;
            });
        }
        executor.execute(() -> {
            for (StartupListener listener : targets) {
                try {
                    listener.anotherInstanceStarted(arguments.clone());
                } catch (Throwable e) { // one failing listener must not keep the others from their call
                    System.err.println("qarvo: a startup listener failed:");
                    e.printStackTrace();
                }
            }
        });
    }
}
