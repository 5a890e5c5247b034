package com.qarvo.maven;

import java.io.File;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.regex.Pattern;

import org.apache.maven.plugin.MojoExecutionException;
import org.codehaus.plexus.configuration.PlexusConfiguration;

/**
 * Writes a project file from settings given in a POM. The builder checks every key and
 * value; this class only turns the POM's text into TOML:
 *
 * <ul>
 * <li>each child of {@code <settings>} is a section ({@code <java>}, {@code <splash.line1>}),
 * each of its children a key; a {@code key} attribute names keys that are no XML names
 * ({@code <entry key="149">text</entry>} in {@code <entries>});</li>
 * <li>{@code true} and {@code false} are booleans, whole numbers are integers, a value that
 * starts with {@code [}, <code>{</code> or a quote is TOML as written, anything else is a text
 * (write {@code "11"} for the text 11);</li>
 * <li>a key with child elements is an array of their values
 * ({@code <vm-parameters><value>-Xmx64m</value></vm-parameters>});</li>
 * <li>relative file names in {@code [resources]} and {@code manifest.file}, and the sources
 * of included files, are taken relative to the project's directory.</li>
 * </ul>
 */
final class ProjectFileWriter {
    private static final Pattern BARE_KEY = Pattern.compile("[A-Za-z0-9_-]+");
    private static final Pattern INTEGER = Pattern.compile("[+-]?[0-9]+");

    private final File base;
    private final Map<String, Map<String, String>> sections = new LinkedHashMap<>();
    private final List<String> classPath = new ArrayList<>();
    private final List<String> includedFiles = new ArrayList<>();

    ProjectFileWriter(File base) {
        this.base = base;
        sections.put("application", new LinkedHashMap<>());
    }

    /** Sets a key of {@code [application]} from a parameter; null leaves it unset. */
    void setApplicationValue(String key, String value) throws MojoExecutionException {
        if (value != null) {
            put("application", key, tomlValue(value, false));
        }
    }

    void addSettings(PlexusConfiguration settings) throws MojoExecutionException {
        if (settings == null) {
            return;
        }
        for (PlexusConfiguration section : settings.getChildren()) {
            String sectionName = section.getName();
            for (PlexusConfiguration key : section.getChildren()) {
                String keyName = key.getAttribute("key", key.getName());
                boolean isFile = sectionName.equals("resources")
                        || (sectionName.equals("manifest") && keyName.equals("file"));
                put(sectionName, keyName, settingValue(key, isFile));
            }
        }
    }

    /** Adds a mandatory class-path archive, relative to the executable's directory. */
    void addClassPathArchive(String path) {
        classPath.add("{ archive = " + quote(path) + ", mandatory = true }");
    }

    void addIncludedFile(String source, String name) {
        String entry = "[[files]]\nsource = " + quote(resolve(source)) + "\n";
        if (name != null && !name.isEmpty()) {
            entry += "name = " + quote(name) + "\n";
        }
        includedFiles.add(entry);
    }

    /** Sets a key to a TOML value unless the settings gave it. */
    void setDefault(String section, String key, String text) {
        sections.computeIfAbsent(section, s -> new LinkedHashMap<>()).putIfAbsent(key, quote(text));
    }

    /** The project file; the settings' own class-path wins over the artifacts'. */
    String text() {
        if (!classPath.isEmpty()) {
            sections.computeIfAbsent("java", s -> new LinkedHashMap<>())
                    .putIfAbsent("class-path", "[\n  " + String.join(",\n  ", classPath) + ",\n]");
        }
        StringBuilder text = new StringBuilder("# Written by qarvo-maven-plugin from the POM's settings.\n");
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

    private void put(String section, String key, String value) throws MojoExecutionException {
        Map<String, String> keys = sections.computeIfAbsent(section, s -> new LinkedHashMap<>());
        if (keys.containsKey(key)) {
            throw new MojoExecutionException(section + "." + key + " is given twice (as a parameter and in settings?)");
        }
        keys.put(key, value);
    }

    private String settingValue(PlexusConfiguration key, boolean isFile) {
        if (key.getChildCount() == 0) {
            return tomlValue(key.getValue(""), isFile);
        }
        List<String> values = new ArrayList<>();
        for (PlexusConfiguration element : key.getChildren()) {
            values.add(tomlValue(element.getValue(""), isFile));
        }
        return "[" + String.join(", ", values) + "]";
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
        return quote(isFile && !trimmed.isEmpty() ? resolve(trimmed) : text);
    }

    private String resolve(String path) {
        File file = new File(path);
        return file.isAbsolute() ? path : new File(base, path).getAbsolutePath();
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
    static String quote(String text) {
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
