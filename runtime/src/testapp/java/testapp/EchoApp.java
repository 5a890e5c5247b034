package testapp;

/** A small application started through the runtime by the tests with the real java. */
public class EchoApp {
    public static void main(String[] args) {
        System.out.println("program " + System.getProperty("qarvo.programPath"));
        System.out.println("args " + String.join("|", args));
        System.err.println("to stderr");
        if (args.length > 0 && args[0].equals("fail")) {
            throw new IllegalStateException("the application failed");
        }
    }
}
