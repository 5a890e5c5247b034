package com.qarvo.plugin;

import java.io.File;
import java.util.ArrayList;
import java.util.Collections;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.regex.Pattern;

/**
 * A project file written from a build's settings. The builder checks every key and value;
 * this class only turns the settings' texts into TOML:
 *
 * <ul>
 * <li>a setting is a key of a section ({@code java}, {@code splash.line1}); a section name
 * with dots is a nested table, a key that is no bare TOML key is quoted;</li>
 * <li>{@code true} and {@code false} are booleans, whole numbers are integers, a value that
 * starts with {@code [}, <code>{</code> or a quote is TOML as written, anything else is a text
 * (write {@code "11"} for the text 11);</li>
 * <li>a list of such values is an array;</li>
 * <li>relative file names in {@code [resources]} and {@code manifest.file}, and the sources
 * of included files, are taken relative to the build's directory.</li>
 * </ul>
 */
public final class ProjectFileText {
    private static final Pattern BARE_KEY = Pattern.compile("[A-Za-z0-9_-]+");
    private static final Pattern INTEGER = Pattern.compile("[+-]?[0-9]+");

    private final File base;
    private final String origin;
    private final Map<String, Map<String, String>> sections = new LinkedHashMap<>();
    private final List<String> classPath = new ArrayList<>();
    private final List<String> includedFiles = new ArrayList<>();
    private final List<File> referencedFiles = new ArrayList<>();

    /**
     * @param base the directory relative file names are taken from
     * @param origin what wrote it, for the file's first line ("qarvo-maven-plugin from the POM's settings")
     */
    public ProjectFileText(File base, String origin) {
        this.base = base;
        this.origin = origin;
        sections.put("application", new LinkedHashMap<>());
    }

    /** Sets a key of {@code [application]} from a setting of its own; null leaves it unset. */
    public void setApplicationValue(String key, String value) throws SettingsException {
        if (value != null) {
            setValue("application", key, value);
        }
    }

    /** Sets a key to a value written by the rules above. */
    public void setValue(String section, String key, String value) throws SettingsException {
        put(section, key, tomlValue(value, isFileKey(section, key)));
    }

    /** Sets a key to an array of values written by the rules above. */
    public void setArray(String section, String key, List<String> values) throws SettingsException {
        List<String> items = new ArrayList<>();
        for (String value : values) {
            items.add(tomlValue(value, isFileKey(section, key)));
        }
        put(section, key, "[" + String.join(", ", items) + "]");
    }

    /** Adds a mandatory class-path archive, relative to the executable's directory. */
    public void addClassPathArchive(String path) {
        classPath.add("{ archive = " + quote(path) + ", mandatory = true }");
    }

    /** Adds an entry of {@code [[files]]}; a null or empty name keeps the source's file name. */
    public void addIncludedFile(String source, String name) {
        String path = resolve(source);
        referencedFiles.add(new File(path));
        String entry = "[[files]]\nsource = " + quote(path) + "\n";
        if (name != null && !name.isEmpty()) {
            entry += "name = " + quote(name) + "\n";
        }
        includedFiles.add(entry);
    }

    /** Sets a key to a text unless the settings gave it. */
    public void setDefault(String section, String key, String text) {
        sections.computeIfAbsent(section, s -> new LinkedHashMap<>()).putIfAbsent(key, quote(text));
    }

    /** The files the builder reads for the settings given as file names (not as TOML). */
    public List<File> referencedFiles() {
        return Collections.unmodifiableList(referencedFiles);
    }

    /** The project file; the settings' own class-path wins over the archives'. */
    public String text() {
        if (!classPath.isEmpty()) {
            sections.computeIfAbsent("java", s -> new LinkedHashMap<>())
                    .putIfAbsent("class-path", "[\n  " + String.join(",\n  ", classPath) + ",\n]");
        }
        StringBuilder text = new StringBuilder("# Written by " + origin + ".\n");
        for (Map.Entry<String, Map<String, String>> section : sections.entrySet()) {
            if (section.getValue().isEmpty()) {
                continue;
            }
            text.append('\n').append('[').append(tableName(section.getKey())).append("]\n");
            for (Map.Entry<String, String> key : section.getValue().entrySet()) {
                text.append(key(key.getKey())).append(" = ").append(key.getValue()).append('\n');
            }
        }
        for (String file : includedFiles) {
            text.append('\n').append(file);
        }
        return text.toString();
    }

    private void put(String section, String key, String value) throws SettingsException {
        Map<String, String> keys = sections.computeIfAbsent(section, s -> new LinkedHashMap<>());
        if (keys.containsKey(key)) {
            throw new SettingsException(section + "." + key + " is given twice"
                    + (section.equals("application") ? " (as mainClass, name or type and in settings?)" : ""));
        }
        keys.put(key, value);
    }

    private static boolean isFileKey(String section, String key) {
        return section.equals("resources") || (section.equals("manifest") && key.equals("file"));
    }

    private String tomlValue(String text, boolean isFile) {
        String trimmed = text.trim();
        if (trimmed.equals("true") || trimmed.equals("false") || INTEGER.matcher(trimmed).matches()) {
            return trimmed;
        }
        if (trimmed.startsWith("[") || trimmed.startsWith("{") || trimmed.startsWith("\"")
                || trimmed.startsWith("'")) {
            return trimmed;
        }
        if (isFile && !trimmed.isEmpty()) {
            String path = resolve(trimmed);
            referencedFiles.add(new File(path));
            return quote(path);
        }
        return quote(text);
    }

    private String resolve(String path) {
        return new File(path).isAbsolute() ? path : new File(base, path).getAbsolutePath();
    }

    private static String tableName(String name) {
        List<String> parts = new ArrayList<>();
        for (String part : name.split("\\.", -1)) {
            parts.add(key(part));
        }
        return String.join(".", parts);
    }

    private static String key(String name) {
        return BARE_KEY.matcher(name).matches() ? name : quote(name);
    }

    /** A TOML basic string. */
    public static String quote(String text) {
        StringBuilder out = new StringBuilder("\"");
        for (int i = 0; i < text.length(); i++) {
            char c = text.charAt(i);
            if (c == '"' || c == '\\') {
                out.append('\\').append(c);
            } else if (c < 0x20 || c == 0x7f) {
                out.append(String.format("\\u%04x", (int) c));
            } else {
                out.append(c);
            }
        }
        return out.append('"').toString();
    }
}
