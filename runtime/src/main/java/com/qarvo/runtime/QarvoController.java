package com.qarvo.runtime;

import java.util.Objects;

/**
 * What a Java application started by the Qarvo launcher can ask of it: change the status
 * line of the splash screen, hide the splash screen, and learn of later starts of the same
 * executable while it runs as the single instance.
 *
 * <p>Every method may be called from any thread at any time, also when the application was
 * not started by the launcher or shows no splash screen (the calls then have no visible
 * effect).
 *
 * <p>The launcher's splash thread polls {@link #getAction()} and {@link #getText()} every
 * 100 ms; applications do not call those two. A request to hide the splash is final and
 * wins over a status text that has not been shown yet; of several status texts set between
 * two polls only the last is shown, and each text is handed over once.
 *
 * <p>In the launcher's other splash mode, where the Java runtime's own splash-screen
 * library shows the image, use {@code java.awt.SplashScreen} instead.
 */
public final class QarvoController {
    /** {@link #getAction()}: nothing to do. */
    public static final int ACTION_NONE = 0;
    /** {@link #getAction()}: hide the splash screen. */
    public static final int ACTION_HIDE_SPLASH = 1;
    /** {@link #getAction()}: a new status text is ready; fetch it with {@link #getText()}. */
    public static final int ACTION_TEXT_READY = 2;

    private static final Object LOCK = new Object();
    private static boolean hideRequested;
    private static String pendingText;

    static final StartupDispatcher STARTUPS = new StartupDispatcher();

    private QarvoController() {
    }

    /**
     * Shows {@code text} in the status line of the launcher's splash screen, within about
     * 100 ms. Does nothing once the splash has been hidden.
     *
     * @param text the new status line; use "" to clear it
     * @throws NullPointerException when {@code text} is null
     */
    public static void setSplashText(String text) {
        Objects.requireNonNull(text, "text");
        synchronized (LOCK) {
            if (!hideRequested) {
                pendingText = text;
            }
        }
    }

    /**
     * Hides the launcher's splash screen within about 100 ms. The splash is never shown
     * again; status texts set afterwards are ignored.
     */
    public static void hideSplash() {
        synchronized (LOCK) {
            hideRequested = true;
            pendingText = null;
        }
    }

    /**
     * Registers a listener for the arguments of later starts of the same executable (the
     * launcher's single-instance mode). Arguments of starts that happened before the first
     * listener was registered are kept and handed to that listener. Registering a listener
     * that is already registered does nothing.
     *
     * @param listener the listener to call for each later start
     * @throws NullPointerException when {@code listener} is null
     */
    public static void addStartupListener(StartupListener listener) {
        STARTUPS.add(listener);
    }

    /**
     * Removes a listener registered with {@link #addStartupListener(StartupListener)}.
     *
     * @param listener the listener to remove
     * @return whether it was registered
     */
    public static boolean removeStartupListener(StartupListener listener) {
        return STARTUPS.remove(listener);
    }

    /**
     * Called by the launcher's splash thread.
     *
     * @return {@link #ACTION_HIDE_SPLASH} once the application asked to hide the splash (from
     *         then on always), otherwise {@link #ACTION_TEXT_READY} while a status text waits
     *         for {@link #getText()}, otherwise {@link #ACTION_NONE}
     */
    public static int getAction() {
        synchronized (LOCK) {
            if (hideRequested) {
                return ACTION_HIDE_SPLASH;
            }
            return pendingText != null ? ACTION_TEXT_READY : ACTION_NONE;
        }
    }

    /**
     * Called by the launcher's splash thread after {@link #getAction()} returned
     * {@link #ACTION_TEXT_READY}.
     *
     * @return the status text waiting to be shown, once; null when there is none
     */
    public static String getText() {
        synchronized (LOCK) {
            String text = pendingText;
            pendingText = null;
            return text;
        }
    }

    /** Back to the state at start; for tests. */
    static void reset() {
        synchronized (LOCK) {
            hideRequested = false;
            pendingText = null;
        }
    }
}
