package com.qarvo.runtime;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.Arrays;
import java.util.List;
import java.util.concurrent.BlockingQueue;
import java.util.concurrent.LinkedBlockingQueue;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.Test;

class StartupDispatcherTest {
    private final StartupDispatcher dispatcher = new StartupDispatcher();
    private final BlockingQueue<String> calls = new LinkedBlockingQueue<>();

    private StartupListener recorder(String name) {
        return args -> calls.add(name + Arrays.toString(args));
    }

    @Test
    void everyListenerGetsEveryStartInOrderDespiteAFailingOne() throws Exception {
        dispatcher.add(args -> {
            calls.add("failing" + Arrays.toString(args));
            throw new IllegalStateException("listener failure");
        });
        StartupListener second = recorder("second");
        dispatcher.add(second);
        dispatcher.add(second);
        dispatcher.deliver(new String[] {"a"});
        dispatcher.deliver(new String[] {"b", "c"});
        assertEquals(Arrays.asList("failing[a]", "second[a]", "failing[b, c]", "second[b, c]"), take(4));
        assertNull(calls.poll(100, TimeUnit.MILLISECONDS), "a listener added twice is called once");
    }

    @Test
    void earlyStartsGoToTheFirstListenerOnlyAndARemovedListenerHearsNothing() throws Exception {
        String[] early = {"x"};
        dispatcher.deliver(early);
        early[0] = "changed by the caller";
        dispatcher.deliver(new String[0]);
        StartupListener first = recorder("first");
        dispatcher.add(first);
        dispatcher.add(recorder("later"));
        assertEquals(Arrays.asList("first[x]", "first[]"), take(2));
        assertTrue(dispatcher.remove(first));
        assertFalse(dispatcher.remove(first));
        dispatcher.deliver(new String[] {"y"});
        assertEquals(Arrays.asList("later[y]"), take(1));
        assertNull(calls.poll(100, TimeUnit.MILLISECONDS));
    }

    private List<String> take(int count) throws InterruptedException {
        String[] taken = new String[count];
        for (int i = 0; i < count; i++) {
            taken[i] = calls.poll(5, TimeUnit.SECONDS);
        }
        return Arrays.asList(taken);
    }
}
