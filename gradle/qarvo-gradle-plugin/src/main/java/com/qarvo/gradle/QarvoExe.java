package com.qarvo.gradle;

import java.io.File;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collection;
import java.util.Collections;
import java.util.List;
import java.util.Map;
import java.util.concurrent.Callable;

import com.qarvo.plugin.BuilderInstallation;
import com.qarvo.plugin.BuilderRun;
import com.qarvo.plugin.ClassPathLayout;
import com.qarvo.plugin.ProjectFileText;
import com.qarvo.plugin.SettingsException;

import org.gradle.api.DefaultTask;
import org.gradle.api.GradleException;
import org.gradle.api.InvalidUserDataException;
import org.gradle.api.Task;
import org.gradle.api.artifacts.Configuration;
import org.gradle.api.artifacts.component.ModuleComponentIdentifier;
import org.gradle.api.artifacts.result.ResolvedArtifactResult;
import org.gradle.api.file.FileCollection;
import org.gradle.api.logging.Logger;
import org.gradle.api.tasks.Input;
import org.gradle.api.tasks.InputFile;
import org.gradle.api.tasks.InputFiles;
import org.gradle.api.tasks.Optional;
import org.gradle.api.tasks.OutputFile;
import org.gradle.api.tasks.OutputDirectory;
import org.gradle.api.tasks.PathSensitive;
import org.gradle.api.tasks.PathSensitivity;
import org.gradle.api.tasks.TaskAction;

/**
 * Builds the application's Windows launcher executable with qarvo-build.
 *
 * <p>The jar task's archive and the runtime class path are the executable's class path:
 * copied into {@code libraryDirectory} beside the executable and named there, or included in
 * it ({@code bundle}). From the settings of {@link QarvoExtension} the task writes a project
 * file into its temporary directory, unless the build names a project file of its own.
 *
 * <p>Its inputs are the archives (content and name), the project file it writes (which holds
 * every setting, the archives' order and the files the settings name, whose content is an
 * input too), or the build's own project file, and the builder; its outputs the executable
 * and the directory of the copied archives. Files that a project file of the build's own names are unknown
 * to the task: declare them with {@code qarvoExe.inputs.files(...)}.
 */
public class QarvoExe extends DefaultTask {
    private QarvoExtension extension;
    private Task jar;
    private Configuration runtimeClasspath;

    void wire(QarvoExtension extension, Task jar, Configuration runtimeClasspath) {
        this.extension = extension;
        this.jar = jar;
        this.runtimeClasspath = runtimeClasspath;
    }

    /** The launcher's architecture, x86 or x64; the builder's default when not given. */
    @Input
    @Optional
    public String getArch() {
        return extension.getArch();
    }

    /** Which archives are included instead of copied. */
    @Input
    public String getBundle() {
        return extension.getBundle();
    }

    /** The directory beside the executable that receives the archives. */
    @Input
    public String getLibraryDirectory() {
        return extension.getLibraryDirectory();
    }

    /** The class path: the jar task's archive, then the runtime dependencies. */
    @InputFiles
    @PathSensitive(PathSensitivity.NAME_ONLY)
    public FileCollection getClassPath() {
        return jar.getOutputs().getFiles().plus(runtimeClasspath);
    }

    /** The build's own project file, if it names one. */
    @InputFile
    @Optional
    public File getProjectFile() {
        return extension.getProjectFile() == null ? null : getProject().file(extension.getProjectFile());
    }

    /**
     * The project file the task writes from the settings; null with a project file of the
     * build's own, or when the settings are wrong (the task then reports why).
     */
    @Input
    @Optional
    public String getProjectFileText() {
        try {
            return getProjectFile() == null ? describe(layout()).text() : null;
        } catch (SettingsException e) {
            return null;
        }
    }

    /** The files the settings name: resources, the manifest file, the included files. */
    @InputFiles
    public FileCollection getReferencedFiles() {
        return getProject().files((Callable<List<File>>) () -> {
            try {
                // The archives are inputs of their own.
                return getProjectFile() == null ? describe(null).referencedFiles() : Collections.emptyList();
            } catch (SettingsException e) {
                return Collections.emptyList();
            }
        });
    }

    /** The qarvo-build to run instead of the plugin's own. */
    @InputFile
    @Optional
    public File getBuilder() {
        return extension.getBuilder() == null ? null : getProject().file(extension.getBuilder());
    }

    /** The executable. */
    @OutputFile
    public File getOutput() {
        Object output = extension.getOutput();
        return output != null ? getProject().file(output)
                : new File(getProject().getBuildDir(), "qarvo/" + getProject().getName() + ".exe");
    }

    /**
     * The directory that receives the archives, unless it is the executable's own or none is
     * copied. Outputs are fingerprinted without resolving dependencies, so it is the directory
     * rather than the archives.
     */
    @OutputDirectory
    @Optional
    public File getLibraryOutputDirectory() {
        String directory = getLibraryDirectory() == null ? "" : getLibraryDirectory().replace('\\', '/');
        if (directory.isEmpty() || directory.equals(".") || directory.equals("./") || "all".equals(getBundle())) {
            return null;
        }
        return outputDirectory().resolve(directory).toFile();
    }

    @TaskAction
    public void build() {
        try {
            ClassPathLayout classPath = layout();
            Path description = getProjectFile() != null ? useProjectFile() : writeProjectFile(classPath);
            classPath.copy(outputDirectory());
            File builder = getBuilder() != null ? getBuilder() : extractBuilder();
            new BuilderRun(new GradleLog(getLogger()))
                    .run(BuilderRun.buildCommand(builder, description, getOutput(), getArch()));
        } catch (SettingsException e) {
            throw new InvalidUserDataException(e.getMessage(), e);
        } catch (IOException e) {
            throw new GradleException(e.getMessage(), e);
        } catch (BuilderRun.FailedException e) {
            throw new GradleException(e.getMessage(), e);
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
            throw new GradleException("interrupted while qarvo-build ran", e);
        }
    }

    private Path outputDirectory() {
        return getOutput().getAbsoluteFile().getParentFile().toPath();
    }

    private Path useProjectFile() throws SettingsException {
        if (extension.getSettings() != null || extension.getFiles() != null || extension.getMainClass() != null
                || extension.getName() != null || extension.getType() != null || !"none".equals(getBundle())) {
            throw new SettingsException("qarvo.projectFile describes the whole executable: give it, or settings "
                    + "(mainClass, name, type, settings, files, bundle), not both");
        }
        return getProjectFile().toPath();
    }

    private Path writeProjectFile(ClassPathLayout classPath) throws SettingsException, IOException {
        Path file = getTemporaryDir().toPath().resolve(getProject().getName() + ".toml");
        try {
            Files.write(file, describe(classPath).text().getBytes(StandardCharsets.UTF_8));
        } catch (IOException e) {
            throw new IOException("cannot write " + file + ": " + e.getMessage(), e);
        }
        getLogger().info("Project file: {}", file);
        return file;
    }

    /** The class path in order: the jar task's archive, then the runtime dependencies. */
    private ClassPathLayout layout() throws SettingsException {
        ClassPathLayout layout = new ClassPathLayout(getBundle(), getLibraryDirectory());
        layout.addApplication(jar.getOutputs().getFiles().getSingleFile(), String.valueOf(getProject().getGroup()));
        for (ResolvedArtifactResult artifact : runtimeClasspath.getIncoming().getArtifacts()) {
            String group = null;
            String module = null;
            if (artifact.getId().getComponentIdentifier() instanceof ModuleComponentIdentifier) {
                ModuleComponentIdentifier id = (ModuleComponentIdentifier) artifact.getId().getComponentIdentifier();
                group = id.getGroup();
                module = id.getModule();
            }
            layout.addDependency(artifact.getFile(), group, module);
        }
        return layout;
    }

    /** The project file of the settings, with the class path unless it is null. */
    private ProjectFileText describe(ClassPathLayout classPath) throws SettingsException {
        ProjectFileText project = new ProjectFileText(getProject().getProjectDir(),
                                                      "qarvo-gradle-plugin from the build's settings");
        project.setApplicationValue("main-class", extension.getMainClass());
        project.setApplicationValue("name", extension.getName());
        project.setApplicationValue("type", extension.getType());
        Map<String, ?> settings = extension.getSettings();
        if (settings != null) {
            for (Map.Entry<String, ?> section : settings.entrySet()) {
                addSection(project, String.valueOf(section.getKey()), section.getValue());
            }
        }
        if (classPath != null) {
            classPath.describe(project);
        }
        List<?> files = extension.getFiles();
        if (files != null) {
            for (Object file : files) {
                addIncludedFile(project, file);
            }
        }
        return project;
    }

    private static void addSection(ProjectFileText project, String section, Object keys) throws SettingsException {
        if (!(keys instanceof Map)) {
            throw new SettingsException("qarvo.settings." + section + " is no map of keys to values: " + keys);
        }
        for (Map.Entry<?, ?> key : ((Map<?, ?>) keys).entrySet()) {
            String name = String.valueOf(key.getKey());
            String setting = "qarvo.settings." + section + "." + name;
            List<?> values = asList(key.getValue());
            if (values == null) {
                project.setValue(section, name, scalar(setting, key.getValue()));
                continue;
            }
            List<String> texts = new ArrayList<>();
            for (Object value : values) {
                texts.add(scalar(setting, value));
            }
            project.setArray(section, name, texts);
        }
    }

    private void addIncludedFile(ProjectFileText project, Object file) throws SettingsException {
        if (!(file instanceof Map)) {
            project.addIncludedFile(scalar("qarvo.files", file), null);
            return;
        }
        Map<?, ?> entry = (Map<?, ?>) file;
        for (Object key : entry.keySet()) {
            if (!"source".equals(key) && !"name".equals(key)) {
                throw new SettingsException("qarvo.files: an included file has a source and a name, not " + key);
            }
        }
        if (entry.get("source") == null) {
            throw new SettingsException("qarvo.files: an included file needs a source: " + entry);
        }
        Object name = entry.get("name");
        project.addIncludedFile(scalar("qarvo.files", entry.get("source")),
                                name == null ? null : scalar("qarvo.files", name));
    }

    private static List<?> asList(Object value) {
        if (value instanceof Collection) {
            return new ArrayList<>((Collection<?>) value);
        }
        return value instanceof Object[] ? Arrays.asList((Object[]) value) : null;
    }

    /** A value's text (for files their path); lists and maps are no values here. */
    private static String scalar(String setting, Object value) throws SettingsException {
        if (value == null || value instanceof Map || asList(value) != null) {
            throw new SettingsException(setting + " takes a text, a number, a boolean or a file, not "
                    + (value == null ? "null" : value));
        }
        return value.toString();
    }

    private File extractBuilder() throws IOException {
        try {
            return BuilderInstallation.extract(QarvoExe.class, getTemporaryDir().toPath().resolve("qarvo-build"));
        } catch (BuilderInstallation.MissingException e) {
            throw new IOException("this qarvo-gradle-plugin " + e.getMessage() + ": name one with qarvo.builder", e);
        }
    }

    /** The task's logger as the builder run's. */
    private static final class GradleLog implements BuilderRun.Log {
        private final Logger logger;

        GradleLog(Logger logger) {
            this.logger = logger;
        }

        @Override
        public void debug(String line) {
            logger.debug(line);
        }

        @Override
        public void info(String line) {
            logger.info(line);
        }

        @Override
        public void warn(String line) {
            logger.warn(line);
        }

        @Override
        public void error(String line) {
            logger.error(line);
        }
    }
}
