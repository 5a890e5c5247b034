package com.qarvo.runtime;

/**
 * Receives the command-line arguments of later starts of the same executable while this
 * process is its single running instance. Register one with
 * {@link QarvoController#addStartupListener(StartupListener)}.
 */
public interface StartupListener {
    /**
     * Called once for every later start, in the order of the starts, on a daemon thread of
     * the runtime (not the event dispatch thread; hand work to the UI thread yourself).
     *
     * @param arguments the arguments of that start after its program name, split by the
     *        launcher's rules; empty when it was started without arguments. The array
     *        belongs to the listener.
     */
    void anotherInstanceStarted(String[] arguments);
}
