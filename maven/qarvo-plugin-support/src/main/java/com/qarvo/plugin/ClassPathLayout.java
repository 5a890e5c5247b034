package com.qarvo.plugin;

import java.io.File;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;

/**
 * The application's class path in order: its own archive, then its runtime dependencies.
 * Each archive is either copied into the library directory beside the executable and named
 * there as a mandatory class-path archive, or included in the executable ({@code bundle}).
 */
public final class ClassPathLayout {
    private static final String RUNTIME_GROUP = "com.qarvo";
    private static final String RUNTIME_ARTIFACT = "qarvo-runtime";

    private final String bundle;
    private final String libraryDirectory;
    private final List<Archive> archives = new ArrayList<>();
    private final Map<String, File> names = new HashMap<>();

    /**
     * @param bundle which archives are included instead of copied: "none", "dependencies" or
     *     "all" (the application's own archive too)
     * @param libraryDirectory the directory beside the executable that receives the copies
     */
    public ClassPathLayout(String bundle, String libraryDirectory) throws SettingsException {
        if (!"none".equals(bundle) && !"dependencies".equals(bundle) && !"all".equals(bundle)) {
            throw new SettingsException("bundle takes none, dependencies or all, not " + bundle);
        }
        this.bundle = bundle;
        this.libraryDirectory = libraryDirectory == null ? "" : libraryDirectory.replace('/', '\\');
    }

    /** The application's own archive; the first on the class path. */
    public void addApplication(File archive, String group) throws SettingsException {
        add(archive, group, "all".equals(bundle), false);
    }

    /** A runtime dependency; anything but a jar or zip archive is left out. */
    public void addDependency(File file, String group, String artifact) throws SettingsException {
        if (!(file.getName().endsWith(".jar") || file.getName().endsWith(".zip"))) {
            return;
        }
        add(file, group, !"none".equals(bundle), RUNTIME_GROUP.equals(group) && RUNTIME_ARTIFACT.equals(artifact));
    }

    /** Names the archives in the project file: on the class path, or as included files. */
    public void describe(ProjectFileText project) {
        for (Archive archive : archives) {
            if (archive.bundled) {
                project.addIncludedFile(archive.source.getPath(), archive.fileName);
            } else {
                project.addClassPathArchive(archivePath(archive.fileName));
            }
        }
        if (archives.stream().anyMatch(a -> a.isRuntime)) {
            // The runtime came as a dependency: the builder adds no copy of its own.
            project.setDefault("runtime", "jar", "none");
        }
    }

    /** The names of all archives in class-path order, as the executable knows them. */
    public List<String> fileNames() {
        List<String> fileNames = new ArrayList<>();
        for (Archive archive : archives) {
            fileNames.add(archive.fileName);
        }
        return fileNames;
    }

    /** The copies of the archives that are not included, below the executable's directory. */
    public List<Path> copies(Path outputDirectory) {
        List<Path> copies = new ArrayList<>();
        for (Archive archive : archives) {
            if (!archive.bundled) {
                copies.add(copyOf(archive, outputDirectory));
            }
        }
        return copies;
    }

    /** Copies the archives that are not included into the library directory. */
    public void copy(Path outputDirectory) throws IOException {
        for (Archive archive : archives) {
            if (archive.bundled) {
                continue;
            }
            Path target = copyOf(archive, outputDirectory);
            try {
                Files.createDirectories(target.getParent());
                Files.copy(archive.source.toPath(), target, StandardCopyOption.REPLACE_EXISTING);
            } catch (IOException e) {
                throw new IOException("cannot copy " + archive.source + " to " + target + ": " + e.getMessage(), e);
            }
        }
    }

    private Path copyOf(Archive archive, Path outputDirectory) {
        return outputDirectory.resolve(archivePath(archive.fileName).replace('\\', File.separatorChar));
    }

    private void add(File source, String group, boolean bundled, boolean isRuntime) throws SettingsException {
        String fileName = source.getName();
        if (names.containsKey(fileName) && group != null && !group.isEmpty()) {
            fileName = group + "." + fileName;
        }
        File other = names.putIfAbsent(fileName, source);
        if (other != null) {
            throw new SettingsException("two class-path archives would both be named " + fileName + ": " + other
                    + " and " + source);
        }
        archives.add(new Archive(source, fileName, bundled, isRuntime));
    }

    private String archivePath(String fileName) {
        if (libraryDirectory.isEmpty() || libraryDirectory.equals(".")) {
            return fileName;
        }
        return libraryDirectory.endsWith("\\") ? libraryDirectory + fileName : libraryDirectory + "\\" + fileName;
    }

    private static final class Archive {
        final File source;
        final String fileName;
        final boolean bundled;
        final boolean isRuntime;

        Archive(File source, String fileName, boolean bundled, boolean isRuntime) {
            this.source = source;
            this.fileName = fileName;
            this.bundled = bundled;
            this.isRuntime = isRuntime;
        }
    }
}
