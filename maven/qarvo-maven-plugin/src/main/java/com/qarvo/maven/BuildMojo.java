package com.qarvo.maven;

import java.io.File;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;

import com.qarvo.plugin.BuilderInstallation;
import com.qarvo.plugin.BuilderRun;
import com.qarvo.plugin.ClassPathLayout;
import com.qarvo.plugin.ProjectFileText;
import com.qarvo.plugin.SettingsException;

import org.apache.maven.artifact.Artifact;
import org.apache.maven.plugin.AbstractMojo;
import org.apache.maven.plugin.MojoExecutionException;
import org.apache.maven.plugin.MojoFailureException;
import org.apache.maven.plugin.logging.Log;
import org.apache.maven.plugins.annotations.LifecyclePhase;
import org.apache.maven.plugins.annotations.Mojo;
import org.apache.maven.plugins.annotations.Parameter;
import org.apache.maven.plugins.annotations.ResolutionScope;
import org.apache.maven.project.MavenProject;
import org.codehaus.plexus.configuration.PlexusConfiguration;

/**
 * Builds the application's Windows launcher executable with qarvo-build.
 *
 * <p>The project's artifact and its runtime dependencies are the class path: copied into
 * {@code libraryDirectory} beside the executable and named there, or included in the
 * executable ({@code bundle}). The executable is described either by a project file of the
 * application ({@code projectFile}) or by settings in the POM, from which the goal writes a
 * project file into the build directory.
 */
@Mojo(name = "build", defaultPhase = LifecyclePhase.PACKAGE,
      requiresDependencyResolution = ResolutionScope.RUNTIME, threadSafe = true)
public class BuildMojo extends AbstractMojo {
    /** A project file of the application; used as it is, instead of the POM's settings. */
    @Parameter(property = "qarvo.projectFile")
    private File projectFile;

    /** The application's main class: {@code application.main-class}. */
    @Parameter(property = "qarvo.mainClass")
    private String mainClass;

    /** The application's name: {@code application.name}. */
    @Parameter(property = "qarvo.name")
    private String name;

    /** The executable type: "gui", "console" or a number ({@code application.type}). */
    @Parameter(property = "qarvo.type")
    private String type;

    /** The launcher's architecture, x86 or x64; the builder's default when not given. */
    @Parameter(property = "qarvo.arch")
    private String arch;

    /** The executable to write. */
    @Parameter(property = "qarvo.output", defaultValue = "${project.build.directory}/${project.artifactId}.exe")
    private File output;

    /**
     * Keys of the project file by section: {@code <java><min-version>1.8</min-version></java>}.
     * See {@link ProjectFileWriter} and {@link ProjectFileText} for how values are written.
     */
    @Parameter
    private PlexusConfiguration settings;

    /** Further files to include in the executable ({@code [[files]]}). */
    @Parameter
    private List<IncludedFile> files;

    /**
     * Which class-path archives are included in the executable instead of being copied beside
     * it: "none", "dependencies" or "all" (the artifact too).
     */
    @Parameter(property = "qarvo.bundle", defaultValue = "none")
    private String bundle;

    /** Directory beside the executable that receives the class-path archives. */
    @Parameter(property = "qarvo.libraryDirectory", defaultValue = "lib")
    private String libraryDirectory;

    /** The qarvo-build to run; by default the one this plugin carries for the build machine. */
    @Parameter(property = "qarvo.builder")
    private File builder;

    /** Skips the goal. */
    @Parameter(property = "qarvo.skip", defaultValue = "false")
    private boolean skip;

    @Parameter(defaultValue = "${project}", readonly = true, required = true)
    private MavenProject project;

    @Override
    public void execute() throws MojoExecutionException, MojoFailureException {
        if (skip) {
            getLog().info("Skipping the launcher build");
            return;
        }
        Path buildDirectory = new File(project.getBuild().getDirectory()).toPath();
        Path outputDirectory = output.getAbsoluteFile().getParentFile().toPath();
        try {
            ClassPathLayout classPath = classPath();
            Path description = projectFile != null ? useProjectFile() : writeProjectFile(buildDirectory, classPath);
            classPath.copy(outputDirectory);
            File program = builder != null ? builder : extractBuilder(buildDirectory.resolve("qarvo-build"));
            new BuilderRun(new MavenLog(getLog())).run(BuilderRun.buildCommand(program, description, output, arch));
        } catch (SettingsException | IOException e) {
            throw new MojoExecutionException(e.getMessage(), e);
        } catch (BuilderRun.FailedException e) {
            throw new MojoFailureException(e.getMessage(), e);
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
            throw new MojoExecutionException("interrupted while qarvo-build ran", e);
        }
        getLog().info("Built " + output);
    }

    private Path useProjectFile() throws SettingsException {
        if (settings != null || files != null || mainClass != null || name != null || type != null
                || !"none".equals(bundle)) {
            throw new SettingsException("projectFile describes the whole executable: give it, or settings "
                    + "(mainClass, name, type, settings, files, bundle), not both");
        }
        if (!projectFile.isFile()) {
            throw new SettingsException("projectFile " + projectFile + " does not exist");
        }
        return projectFile.toPath();
    }

    private Path writeProjectFile(Path buildDirectory, ClassPathLayout classPath) throws SettingsException, IOException {
        ProjectFileText writer = new ProjectFileText(project.getBasedir(), "qarvo-maven-plugin from the POM's settings");
        writer.setApplicationValue("main-class", mainClass);
        writer.setApplicationValue("name", name);
        writer.setApplicationValue("type", type);
        ProjectFileWriter.addSettings(writer, settings);
        classPath.describe(writer);
        if (files != null) {
            for (IncludedFile file : files) {
                if (file.getSource() == null) {
                    throw new SettingsException("an included file needs a source");
                }
                writer.addIncludedFile(file.getSource(), file.getName());
            }
        }
        Path file = buildDirectory.resolve("qarvo").resolve(project.getArtifactId() + ".toml");
        try {
            Files.createDirectories(file.getParent());
            Files.write(file, writer.text().getBytes(StandardCharsets.UTF_8));
        } catch (IOException e) {
            throw new IOException("cannot write " + file + ": " + e.getMessage(), e);
        }
        getLog().info("Project file: " + file);
        return file;
    }

    /** The class path in order: the artifact, then the runtime dependencies. */
    private ClassPathLayout classPath() throws SettingsException {
        ClassPathLayout classPath = new ClassPathLayout(bundle, libraryDirectory);
        File artifact = project.getArtifact().getFile();
        if (artifact == null || !artifact.isFile()) {
            throw new SettingsException("the project's artifact is not built yet: run the goal in the package "
                    + "phase (mvn package)");
        }
        classPath.addApplication(artifact, project.getGroupId());
        for (Artifact dependency : project.getArtifacts()) {
            if (dependency.getFile() != null) {
                classPath.addDependency(dependency.getFile(), dependency.getGroupId(), dependency.getArtifactId());
            }
        }
        return classPath;
    }

    private static File extractBuilder(Path directory) throws IOException {
        try {
            return BuilderInstallation.extract(BuildMojo.class, directory);
        } catch (BuilderInstallation.MissingException e) {
            throw new IOException("this qarvo-maven-plugin " + e.getMessage() + ": name one with <builder>", e);
        }
    }

    /** The Maven log as the builder run's. */
    private static final class MavenLog implements BuilderRun.Log {
        private final Log log;

        MavenLog(Log log) {
            this.log = log;
        }

        @Override
        public void debug(String line) {
            log.debug(line);
        }

        @Override
        public void info(String line) {
            log.info(line);
        }

        @Override
        public void warn(String line) {
            log.warn(line);
        }

        @Override
        public void error(String line) {
            log.error(line);
        }
    }
}
