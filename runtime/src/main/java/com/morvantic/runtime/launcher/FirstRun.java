package com.morvantic.runtime.launcher;

import java.io.File;
import java.io.IOException;
import java.lang.invoke.MethodHandle;
import java.lang.invoke.MethodHandles;
import java.lang.invoke.MethodType;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.nio.file.Files;
import java.util.ArrayList;
import java.util.LinkedHashSet;
import java.util.List;
import java.util.Properties;
import java.util.Set;

/**
 * The first-run step of the morvantic product kind. When the marker
 * {@code .morvantic\firstrun} exists under the application root, the launcher calls
 * {@link #firstRun()} before it starts the application.
 *
 * <p>The application names its first-run hook with the system property
 * {@value #HOOK_PROPERTY} (for example as the VM parameter
 * {@code -Dqarvo.firstRunHook=com.example.Setup}): a class with a method
 * {@code public static boolean firstRun()}. When the hook returns true (or no hook is
 * named), the marker is deleted, so the hook runs once, and the application starts. When it
 * returns false or throws, the application does not start and the marker stays, so the hook
 * runs again at the next start.
 *
 * <p>The application root is, in this order of preference, the directory named by the
 * system property {@value #APPLICATION_ROOT_PROPERTY}, the directory that holds
 * {@code .morvantic\mvtruntime.jar} on the class path, or the executable's directory
 * (from {@code qarvo.moduleName}); the first of them that holds the marker is used.
 */
public final class FirstRun {
    /** System property naming the class of the first-run hook. */
    public static final String HOOK_PROPERTY = "qarvo.firstRunHook";
    /** System property naming the application root, when it is not found otherwise. */
    public static final String APPLICATION_ROOT_PROPERTY = "qarvo.applicationRoot";

    private static final String MARKER_DIRECTORY = ".morvantic";
    private static final String MARKER_NAME = "firstrun";
    private static final String RUNTIME_ARCHIVE = "mvtruntime.jar";

    private FirstRun() {
    }

    /**
     * Runs the first-run hook and deletes the marker as described above.
     *
     * @return true to go on and start the application, false to stop the launch
     * @throws ClassNotFoundException when the named hook class is not on the class path
     * @throws NoSuchMethodException when it has no public static boolean firstRun()
     * @throws Throwable whatever the hook throws
     */
    public static boolean firstRun() throws Throwable {
        return firstRun(System.getProperty(HOOK_PROPERTY), candidateRoots(System.getProperties()),
                ClassLoader.getSystemClassLoader());
    }

    static boolean firstRun(String hookClass, List<File> roots, ClassLoader loader) throws Throwable {
        if (hookClass != null && !hookClass.trim().isEmpty() && !runHook(hookClass.trim(), loader)) {
            return false;
        }
        File marker = findMarker(roots);
        if (marker == null) {
            System.err.println("qarvo: found no first-run marker " + MARKER_DIRECTORY + File.separator
                    + MARKER_NAME + " under " + roots + "; set " + APPLICATION_ROOT_PROPERTY
                    + " to the application root");
            return true;
        }
        try {
            Files.delete(marker.toPath());
        } catch (IOException e) {
            System.err.println("qarvo: cannot delete the first-run marker " + marker + " (" + e
                    + "); the first-run step will run again at the next start");
        }
        return true;
    }

    /** The directories that may be the application root, in order of preference. */
    static List<File> candidateRoots(Properties properties) {
        Set<File> roots = new LinkedHashSet<>();
        String root = properties.getProperty(APPLICATION_ROOT_PROPERTY);
        if (root != null && !root.isEmpty()) {
            roots.add(new File(root).getAbsoluteFile());
        }
        String classPath = properties.getProperty("java.class.path", "");
        for (String entry : classPath.split(File.pathSeparator)) {
            File archive = new File(entry).getAbsoluteFile();
            File directory = archive.getParentFile();
            if (archive.getName().equalsIgnoreCase(RUNTIME_ARCHIVE) && directory != null
                    && directory.getName().equalsIgnoreCase(MARKER_DIRECTORY)
                    && directory.getParentFile() != null) {
                roots.add(directory.getParentFile());
            }
        }
        String module = properties.getProperty("qarvo.moduleName");
        if (module != null && !module.isEmpty()) {
            File directory = new File(module).getAbsoluteFile().getParentFile();
            if (directory != null) {
                roots.add(directory);
            }
        }
        return new ArrayList<>(roots);
    }

    private static File findMarker(List<File> roots) {
        for (File root : roots) {
            File marker = new File(new File(root, MARKER_DIRECTORY), MARKER_NAME);
            if (marker.exists()) {
                return marker;
            }
        }
        return null;
    }

    private static boolean runHook(String className, ClassLoader loader) throws Throwable {
        Class<?> hook;
        try {
            hook = Class.forName(className, false, loader);
        } catch (ClassNotFoundException e) {
            throw new ClassNotFoundException("the first-run hook " + className + " named by "
                    + HOOK_PROPERTY + " was not found on the class path", e);
        }
        Method method;
        try {
            method = hook.getMethod("firstRun");
        } catch (NoSuchMethodException e) {
            method = null;
        }
        if (method == null || !Modifier.isStatic(method.getModifiers()) || method.getReturnType() != boolean.class) {
            throw new NoSuchMethodException("the first-run hook " + className
                    + " has no method public static boolean firstRun()");
        }
        if (!Modifier.isPublic(hook.getModifiers())) {
            method.setAccessible(true);
        }
        MethodHandle handle = MethodHandles.lookup().unreflect(method);
        return (boolean) handle.invokeExact();
    }
}
