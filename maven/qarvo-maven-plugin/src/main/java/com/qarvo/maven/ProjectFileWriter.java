package com.qarvo.maven;

import java.util.ArrayList;
import java.util.List;

import com.qarvo.plugin.ProjectFileText;
import com.qarvo.plugin.SettingsException;

import org.codehaus.plexus.configuration.PlexusConfiguration;

/**
 * The POM's {@code <settings>} in a project file, by the rules of {@link ProjectFileText}:
 * each child of {@code <settings>} is a section ({@code <java>}, {@code <splash.line1>}),
 * each of its children a key; a {@code key} attribute names keys that are no XML names
 * ({@code <entry key="149">text</entry>} in {@code <entries>}); a key with child elements
 * is an array of their values ({@code <vm-parameters><value>-Xmx64m</value></vm-parameters>}).
 */
final class ProjectFileWriter {
    private ProjectFileWriter() {
    }

    static void addSettings(ProjectFileText project, PlexusConfiguration settings) throws SettingsException {
        if (settings == null) {
            return;
        }
        for (PlexusConfiguration section : settings.getChildren()) {
            for (PlexusConfiguration key : section.getChildren()) {
                String keyName = key.getAttribute("key", key.getName());
                if (key.getChildCount() == 0) {
                    project.setValue(section.getName(), keyName, key.getValue(""));
                    continue;
                }
                List<String> values = new ArrayList<>();
                for (PlexusConfiguration element : key.getChildren()) {
                    values.add(element.getValue(""));
                }
                project.setArray(section.getName(), keyName, values);
            }
        }
    }
}
