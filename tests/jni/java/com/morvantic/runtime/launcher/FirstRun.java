package com.morvantic.runtime.launcher;

import java.io.IOException;

/** The first-run hook as the host JNI tests script it with jnitest.firstRun. */
public final class FirstRun {
    private FirstRun() {
    }

    public static boolean firstRun() throws IOException {
        jnitest.Probe.append("firstRun\n");
        String outcome = System.getProperty("jnitest.firstRun", "true");
        if (outcome.equals("throw")) {
            throw new IllegalStateException("thrown by firstRun");
        }
        return Boolean.parseBoolean(outcome);
    }
}
