package com.qarvo.runtime;

import java.lang.invoke.MethodHandle;
import java.lang.invoke.MethodHandles;
import java.lang.invoke.MethodType;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;

/**
 * The class the Qarvo launcher calls in the Java runtime it created; it starts the
 * application.
 *
 * <p>The launcher calls {@link #main(String[])} with five launcher arguments, then the
 * program path, then the application's arguments:
 * <ol>
 * <li>"true" for a windowed executable, otherwise "false";</li>
 * <li>the binary name of the application's main class;</li>
 * <li>the file that receives standard error, or "" to keep it;</li>
 * <li>the file that receives standard output, or "" to keep it;</li>
 * <li>"true" to append to those files, "false" to replace them.</li>
 * </ol>
 *
 * <p>Before the application's {@code public static void main(String[])} is called, the
 * streams are redirected (missing directories are created), the system properties
 * {@value #PROGRAM_PATH_PROPERTY} (the program path, when given) and
 * {@value #WINDOWED_PROPERTY} are set, and in single-instance mode the notification file
 * named by {@code qarvo.processCommFile} is watched (see
 * {@link QarvoController#addStartupListener(StartupListener)}). The main class is loaded
 * through the system class loader; for a modular application (the system property
 * {@code jdk.module.main} names the main module) from that module of the boot layer,
 * where an empty main class stands for the one the module's descriptor names. Whatever
 * main throws propagates to the launcher, which reports it.
 */
public final class WinLauncher {
    /** System property holding the program path as written on the command line. */
    public static final String PROGRAM_PATH_PROPERTY = "qarvo.programPath";
    /** System property holding "true" for a windowed executable, "false" otherwise. */
    public static final String WINDOWED_PROPERTY = "qarvo.windowed";

    private WinLauncher() {
    }

    /**
     * Starts the application as described above.
     *
     * @param args the five launcher arguments, the program path, the application's arguments
     * @throws IllegalArgumentException when the launcher arguments are incomplete or invalid
     * @throws ClassNotFoundException when the main class is not on the class path
     * @throws NoSuchMethodException when it has no public static main(String[])
     * @throws Throwable whatever the application's main method throws
     */
    public static void main(String[] args) throws Throwable {
        LaunchArguments launch = LaunchArguments.parse(args);
        OutputRedirection.apply(launch.errorFile, launch.outputFile, launch.append);
        if (launch.programPath != null) {
            System.setProperty(PROGRAM_PATH_PROPERTY, launch.programPath);
        }
        System.setProperty(WINDOWED_PROPERTY, String.valueOf(launch.windowed));
        CommFileWatcher.startFromSystemProperty(QarvoController.STARTUPS::deliver);
        String module = ModuleLaunch.mainModule();
        MethodHandle main = module != null
                ? findMain(ModuleLaunch.findMainClass(module, launch.mainClass))
                : findMain(launch.mainClass);
        main.invokeExact(launch.applicationArguments);
    }

    /** The public static main(String[]) of {@code className}; its result, if any, is dropped. */
    static MethodHandle findMain(String className) throws ReflectiveOperationException {
        ClassLoader loader = ClassLoader.getSystemClassLoader();
        Class<?> mainClass;
        try {
            mainClass = Class.forName(className, false, loader);
        } catch (ClassNotFoundException e) {
            throw new ClassNotFoundException("the main class " + className
                    + " was not found on the class path " + System.getProperty("java.class.path"), e);
        }
        return findMain(mainClass);
    }

    /** The public static main(String[]) of the loaded class. */
    static MethodHandle findMain(Class<?> mainClass) throws ReflectiveOperationException {
        String className = mainClass.getName();
        Method main;
        try {
            main = mainClass.getMethod("main", String[].class);
        } catch (NoSuchMethodException e) {
            throw new NoSuchMethodException("the main class " + className + " has no public method main(String[])");
        }
        if (!Modifier.isStatic(main.getModifiers())) {
            throw new NoSuchMethodException("the method main(String[]) of " + className + " is not static");
        }
        if (!Modifier.isPublic(mainClass.getModifiers())) {
            main.setAccessible(true);
        }
        return MethodHandles.lookup().unreflect(main)
                .asType(MethodType.methodType(void.class, String[].class));
    }
}
