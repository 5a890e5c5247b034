package com.morvantic.runtime.launcher;

/**
 * The class the launcher calls for the morvantic product kind; it behaves exactly as
 * {@link com.qarvo.runtime.WinLauncher}, which documents the arguments.
 */
public final class WinLauncher {
    private WinLauncher() {
    }

    /**
     * Starts the application; see {@link com.qarvo.runtime.WinLauncher#main(String[])}.
     *
     * @param args the five launcher arguments, the program path, the application's arguments
     * @throws Throwable whatever starting the application or its main method throws
     */
    public static void main(String[] args) throws Throwable {
        com.qarvo.runtime.WinLauncher.main(args);
    }
}
