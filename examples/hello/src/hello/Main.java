package hello;

/** Prints its arguments and a few system properties the launcher sets. */
public final class Main {
    private Main() {}

    public static void main(String[] args) {
        System.out.println("Hello from Java " + System.getProperty("java.version"));
        for (int i = 0; i < args.length; i++) {
            System.out.println("argument " + i + ": " + args[i]);
        }
        for (String name : new String[] {"qarvo.exeDir", "qarvo.tempDir", "java.class.path"}) {
            System.out.println(name + " = " + System.getProperty(name));
        }
    }
}
