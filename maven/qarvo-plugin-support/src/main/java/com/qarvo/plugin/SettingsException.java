package com.qarvo.plugin;

/** Settings a plugin was given that describe no executable; the message names the setting. */
public final class SettingsException extends Exception {
    private static final long serialVersionUID = 1L;

    public SettingsException(String message) {
        super(message);
    }
}
