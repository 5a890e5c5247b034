package com.qarvo.maven;

import java.io.File;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.ArrayList;
import java.util.HashSet;
import java.util.List;
import java.util.Set;

import org.apache.maven.artifact.Artifact;
import org.apache.maven.plugin.AbstractMojo;
import org.apache.maven.plugin.MojoExecutionException;
import org.apache.maven.plugin.MojoFailureException;
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
    private static final String RUNTIME_GROUP = "com.qarvo";
    private static final String RUNTIME_ARTIFACT = "qarvo-runtime";

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
     * See {@link ProjectFileWriter} for how values are written.
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
        List<ArchiveEntry> archives = classPathArchives();
        Path description = projectFile != null ? useProjectFile() : writeProjectFile(buildDirectory, archives);
        layOutArchives(archives, outputDirectory);

        File program = builder != null ? builder : BuilderInstallation.extract(buildDirectory.resolve("qarvo-build"));
        List<String> command = new ArrayList<>();
        command.add(program.getPath());
        command.add("build");
        command.add(description.toString());
        command.add("-o");
        command.add(output.getPath());
        if (arch != null && !arch.isEmpty()) {
            command.add("--arch");
            command.add(arch);
        }
        new BuilderRun(getLog()).run(command);
        getLog().info("Built " + output);
    }

    private Path useProjectFile() throws MojoExecutionException {
        if (settings != null || files != null || mainClass != null || name != null || type != null
                || !"none".equals(bundle)) {
            throw new MojoExecutionException("projectFile describes the whole executable: give it, or settings "
                    + "(mainClass, name, type, settings, files, bundle), not both");
        }
        if (!projectFile.isFile()) {
            throw new MojoExecutionException("projectFile " + projectFile + " does not exist");
        }
        return projectFile.toPath();
    }

    private Path writeProjectFile(Path buildDirectory, List<ArchiveEntry> archives) throws MojoExecutionException {
        File base = project.getBasedir();
        ProjectFileWriter writer = new ProjectFileWriter(base);
        writer.setApplicationValue("main-class", mainClass);
        writer.setApplicationValue("name", name);
        writer.setApplicationValue("type", type);
        writer.addSettings(settings);
        for (ArchiveEntry archive : archives) {
            if (archive.bundled) {
                writer.addIncludedFile(archive.source.getPath(), archive.fileName);
            } else {
                writer.addClassPathArchive(archivePath(archive.fileName));
            }
        }
        if (files != null) {
            for (IncludedFile file : files) {
                if (file.getSource() == null) {
                    throw new MojoExecutionException("an included file needs a source");
                }
                writer.addIncludedFile(file.getSource(), file.getName());
            }
        }
        if (archives.stream().anyMatch(a -> a.isRuntime)) {
            // The runtime came as a dependency: the builder adds no copy of its own.
            writer.setDefault("runtime", "jar", "none");
        }
        Path file = buildDirectory.resolve("qarvo").resolve(project.getArtifactId() + ".toml");
        try {
            Files.createDirectories(file.getParent());
            Files.write(file, writer.text().getBytes(java.nio.charset.StandardCharsets.UTF_8));
        } catch (IOException e) {
            throw new MojoExecutionException("cannot write " + file + ": " + e.getMessage(), e);
        }
        getLog().info("Project file: " + file);
        return file;
    }

    /** The class path in order: the artifact, then the runtime dependencies. */
    private List<ArchiveEntry> classPathArchives() throws MojoExecutionException {
        if (!"none".equals(bundle) && !"dependencies".equals(bundle) && !"all".equals(bundle)) {
            throw new MojoExecutionException("bundle takes none, dependencies or all, not " + bundle);
        }
        List<ArchiveEntry> archives = new ArrayList<>();
        Set<String> names = new HashSet<>();
        File artifact = project.getArtifact().getFile();
        if (artifact == null || !artifact.isFile()) {
            throw new MojoExecutionException("the project's artifact is not built yet: run the goal in the package "
                    + "phase (mvn package)");
        }
        archives.add(new ArchiveEntry(artifact, uniqueName(artifact.getName(), project.getGroupId(), names),
                                      "all".equals(bundle), false));
        for (Artifact dependency : project.getArtifacts()) {
            File file = dependency.getFile();
            if (file == null || !(file.getName().endsWith(".jar") || file.getName().endsWith(".zip"))) {
                continue;
            }
            boolean isRuntime = RUNTIME_GROUP.equals(dependency.getGroupId())
                    && RUNTIME_ARTIFACT.equals(dependency.getArtifactId());
            archives.add(new ArchiveEntry(file, uniqueName(file.getName(), dependency.getGroupId(), names),
                                          !"none".equals(bundle), isRuntime));
        }
        return archives;
    }

    private static String uniqueName(String fileName, String groupId, Set<String> taken) {
        String name = taken.contains(fileName) ? groupId + "." + fileName : fileName;
        taken.add(name);
        return name;
    }

    private String archivePath(String fileName) {
        String directory = libraryDirectory == null ? "" : libraryDirectory.replace('/', '\\');
        if (directory.isEmpty() || directory.equals(".")) {
            return fileName;
        }
        return directory.endsWith("\\") ? directory + fileName : directory + "\\" + fileName;
    }

    /** Copies the archives that are not included into the library directory beside the executable. */
    private void layOutArchives(List<ArchiveEntry> archives, Path outputDirectory) throws MojoExecutionException {
        Path directory = outputDirectory.resolve(archivePath("").replace('\\', File.separatorChar));
        for (ArchiveEntry archive : archives) {
            if (archive.bundled) {
                continue;
            }
            Path target = directory.resolve(archive.fileName);
            try {
                Files.createDirectories(directory);
                Files.copy(archive.source.toPath(), target, StandardCopyOption.REPLACE_EXISTING);
            } catch (IOException e) {
                throw new MojoExecutionException("cannot copy " + archive.source + " to " + target + ": "
                        + e.getMessage(), e);
            }
        }
    }

    private static final class ArchiveEntry {
        final File source;
        final String fileName;
        final boolean bundled;
        final boolean isRuntime;

        ArchiveEntry(File source, String fileName, boolean bundled, boolean isRuntime) {
            this.source = source;
            this.fileName = fileName;
            this.bundled = bundled;
            this.isRuntime = isRuntime;
        }
    }
}
