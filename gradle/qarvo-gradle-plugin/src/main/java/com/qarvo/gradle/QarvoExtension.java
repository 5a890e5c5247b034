package com.qarvo.gradle;

import java.util.List;
import java.util.Map;

/**
 * The build's {@code qarvo { }} block: what qarvoExe builds. The executable is described
 * either by a project file of the application ({@code projectFile}) or by these settings,
 * from which the task writes a project file. Files are given as Gradle resolves them
 * ({@code project.file}): relative to the project's directory.
 */
public class QarvoExtension {
    private Object projectFile;
    private String mainClass;
    private String name;
    private String type;
    private String arch;
    private Object output;
    private Map<String, ?> settings;
    private List<?> files;
    private String bundle = "none";
    private String libraryDirectory = "lib";
    private Object builder;
    private boolean skip;

    /** @return a project file of the application, used as it is instead of the settings */
    public Object getProjectFile() {
        return projectFile;
    }

    public void setProjectFile(Object projectFile) {
        this.projectFile = projectFile;
    }

    /** @return the application's main class: {@code application.main-class} */
    public String getMainClass() {
        return mainClass;
    }

    public void setMainClass(String mainClass) {
        this.mainClass = mainClass;
    }

    /** @return the application's name: {@code application.name} */
    public String getName() {
        return name;
    }

    public void setName(String name) {
        this.name = name;
    }

    /** @return the executable type: "gui", "console" or a number ({@code application.type}) */
    public String getType() {
        return type;
    }

    public void setType(String type) {
        this.type = type;
    }

    /** @return the launcher's architecture, x86 or x64; the builder's default when not given */
    public String getArch() {
        return arch;
    }

    public void setArch(String arch) {
        this.arch = arch;
    }

    /** @return the executable to write; default {@code build/qarvo/PROJECT.exe} */
    public Object getOutput() {
        return output;
    }

    public void setOutput(Object output) {
        this.output = output;
    }

    /**
     * @return keys of the project file by section:
     *     {@code [java: ['min-version': '1.8', 'vm-parameters': ['-Xmx64m']]]}
     */
    public Map<String, ?> getSettings() {
        return settings;
    }

    public void setSettings(Map<String, ?> settings) {
        this.settings = settings;
    }

    /**
     * @return files to include in the executable ({@code [[files]]}): each a file, or a map
     *     {@code [source: 'native/helper.dll', name: 'lib\\helper.dll']}
     */
    public List<?> getFiles() {
        return files;
    }

    public void setFiles(List<?> files) {
        this.files = files;
    }

    /**
     * @return which class-path archives are included in the executable instead of being
     *     copied beside it: "none", "dependencies" or "all" (the project's jar too)
     */
    public String getBundle() {
        return bundle;
    }

    public void setBundle(String bundle) {
        this.bundle = bundle;
    }

    /** @return the directory beside the executable that receives the class-path archives */
    public String getLibraryDirectory() {
        return libraryDirectory;
    }

    public void setLibraryDirectory(String libraryDirectory) {
        this.libraryDirectory = libraryDirectory;
    }

    /** @return the qarvo-build to run; by default the one the plugin carries for the build machine */
    public Object getBuilder() {
        return builder;
    }

    public void setBuilder(Object builder) {
        this.builder = builder;
    }

    /** @return whether qarvoExe is skipped ({@code -Pqarvo.skip} sets it) */
    public boolean isSkip() {
        return skip;
    }

    public void setSkip(boolean skip) {
        this.skip = skip;
    }
}
