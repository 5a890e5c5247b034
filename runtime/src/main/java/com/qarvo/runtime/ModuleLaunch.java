package com.qarvo.runtime;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.util.Optional;

/**
 * The main class of a modular application, as {@code java -p PATH -m MODULE[/CLASS]}
 * finds it: the launcher names the main module in the system property
 * {@value #MAIN_MODULE_PROPERTY}, which also makes the JVM resolve it as a root of the
 * boot layer; the class is the one the launcher gives, or the one the module's
 * descriptor names.
 *
 * <p>The runtime itself is built for Java 8, so the module API is reached through
 * reflection. The runtime calls main from the class path, which a module does not
 * export its packages to; the main class's package is therefore exported to the
 * runtime through {@code jdk.internal.module.Modules}, which the launcher exports to
 * the class path for a modular launch.
 */
final class ModuleLaunch {
    /** Names the main module of a modular launch; absent for a class-path launch. */
    static final String MAIN_MODULE_PROPERTY = "jdk.module.main";

    private ModuleLaunch() {
    }

    /** The main module of this launch, or null for a class-path launch. */
    static String mainModule() {
        String name = System.getProperty(MAIN_MODULE_PROPERTY);
        return name == null || name.isEmpty() ? null : name;
    }

    /**
     * The main class in the module {@code moduleName} of the boot layer, with its package
     * exported to the runtime.
     *
     * @param className the binary name, or empty for the main class of the module's descriptor
     * @throws ClassNotFoundException when the runtime has no modules, the module is not in the
     *         boot layer, it names no main class or does not hold the class
     * @throws IllegalAccessException when the class's package cannot be exported to the runtime
     */
    static Class<?> findMainClass(String moduleName, String className) throws ReflectiveOperationException {
        Class<?> layerType;
        try {
            layerType = Class.forName("java.lang.ModuleLayer");
        } catch (ClassNotFoundException e) {
            throw new ClassNotFoundException("the main module " + moduleName
                    + " needs Java 9 or later; this is Java " + System.getProperty("java.version"), e);
        }
        Class<?> moduleType = Class.forName("java.lang.Module");
        Object bootLayer = call(layerType.getMethod("boot"), null);
        Optional<?> found = (Optional<?>) call(layerType.getMethod("findModule", String.class), bootLayer, moduleName);
        if (!found.isPresent()) {
            throw new ClassNotFoundException("the main module " + moduleName + " is not in the boot layer (module path "
                    + System.getProperty("jdk.module.path") + ")");
        }
        Object module = found.get();
        String name = className == null ? "" : className;
        if (name.isEmpty()) {
            Object descriptor = call(moduleType.getMethod("getDescriptor"), module);
            Optional<?> main = (Optional<?>) call(
                    Class.forName("java.lang.module.ModuleDescriptor").getMethod("mainClass"), descriptor);
            if (!main.isPresent()) {
                throw new ClassNotFoundException("the main module " + moduleName + " names no main class;"
                        + " give it with the module, as " + moduleName + "/com.example.Main");
            }
            name = (String) main.get();
        }
        Class<?> mainClass = (Class<?>) call(Class.class.getMethod("forName", moduleType, String.class), null,
                module, name);
        if (mainClass == null) {
            throw new ClassNotFoundException("the main class " + name + " was not found in the module " + moduleName);
        }
        exportToRuntime(moduleType, module, mainClass);
        return mainClass;
    }

    private static void exportToRuntime(Class<?> moduleType, Object module, Class<?> mainClass)
            throws ReflectiveOperationException {
        String name = mainClass.getName();
        String packageName = name.lastIndexOf('.') < 0 ? "" : name.substring(0, name.lastIndexOf('.'));
        Object runtimeModule = call(Class.class.getMethod("getModule"), ModuleLaunch.class);
        boolean exported = (Boolean) call(moduleType.getMethod("isExported", String.class, moduleType), module,
                packageName, runtimeModule);
        if (exported) {
            return;
        }
        try {
            Class.forName("jdk.internal.module.Modules")
                    .getMethod("addExports", moduleType, String.class, moduleType)
                    .invoke(null, module, packageName, runtimeModule);
        } catch (IllegalAccessException | ClassNotFoundException | NoSuchMethodException e) {
            IllegalAccessException failure = new IllegalAccessException("the package " + packageName
                    + " of the main class " + name + " is not exported, and the runtime cannot export it"
                    + " without --add-exports=java.base/jdk.internal.module=ALL-UNNAMED");
            failure.initCause(e);
            throw failure;
        }
    }

    /** A reflective call whose target's exception comes out as itself. */
    private static Object call(Method method, Object target, Object... arguments) throws ReflectiveOperationException {
        try {
            return method.invoke(target, arguments);
        } catch (InvocationTargetException e) {
            Throwable cause = e.getCause();
            if (cause instanceof RuntimeException) {
                throw (RuntimeException) cause;
            }
            if (cause instanceof Error) {
                throw (Error) cause;
            }
            throw e;
        }
    }
}
