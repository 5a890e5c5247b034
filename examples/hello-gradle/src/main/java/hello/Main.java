package hello;

import com.qarvo.runtime.QarvoController;

/**
 * Prints its arguments and a few system properties the launcher sets. With the arguments
 * "--exit N" it ends the process with the code N. It compiles against the runtime artifact
 * (qarvo-runtime), which the launcher also needs on the class path.
 */
public final class Main {
    private Main() {}

    public static void main(String[] args) {
        QarvoController.hideSplash();
        System.out.println("Hello from Java " + System.getProperty("java.version"));
        for (int i = 0; i < args.length; i++) {
            System.out.println("argument " + i + ": " + args[i]);
        }
        for (String name : new String[] {"qarvo.moduleName", "qarvo.programPath", "java.class.path"}) {
            System.out.println(name + " = " + System.getProperty(name));
        }
        for (int i = 0; i + 1 < args.length; i++) {
            if (args[i].equals("--exit")) {
                System.out.println("exiting with code " + args[i + 1]);
                System.exit(Integer.parseInt(args[i + 1]));
            }
        }
    }
}
