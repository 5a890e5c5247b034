package com.qarvo.runtime;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assertions.fail;

import java.util.ArrayList;
import java.util.HashMap;
import java.util.HashSet;
import java.util.List;
import java.util.Map;
import java.util.Set;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.atomic.AtomicBoolean;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.ValueSource;

class QarvoControllerTest {
    @BeforeEach
    void reset() {
        QarvoController.reset();
    }

    /** Steps: set:T (application sets a text), hide, action=N and text=T|null (what a poll sees). */
    @ParameterizedTest
    @ValueSource(strings = {
        "action=0 text=null",
        "set:A action=2 action=2 text=A action=0 text=null",
        "set:A set:B action=2 text=B action=0",
        "set:A action=2 text=A set:B action=2 text=B action=0",
        "set: action=2 text= action=0",
        "set:A hide action=1 text=null action=1",
        "hide set:A action=1 text=null action=1",
        "set:A action=2 hide text=null action=1 action=1",
    })
    void sequencesActionsAndTexts(String script) {
        for (String step : script.split(" ")) {
            if (step.startsWith("set:")) {
                QarvoController.setSplashText(step.substring(4));
            } else if (step.equals("hide")) {
                QarvoController.hideSplash();
            } else if (step.startsWith("action=")) {
                assertEquals(Integer.parseInt(step.substring(7)), QarvoController.getAction(), step + " in " + script);
            } else if (step.equals("text=null")) {
                assertNull(QarvoController.getText(), step + " in " + script);
            } else {
                assertEquals(step.substring(5), QarvoController.getText(), step + " in " + script);
            }
        }
    }

    @Test
    void concurrentTextsArriveOnceInOrderAndTheLastIsShown() throws Exception {
        int writers = 4;
        int perWriter = 20000;
        CountDownLatch go = new CountDownLatch(1);
        List<Thread> threads = new ArrayList<>();
        for (int w = 0; w < writers; w++) {
            String prefix = "w" + w + ":";
            threads.add(start(() -> {
                await(go);
                for (int i = 0; i < perWriter; i++) {
                    QarvoController.setSplashText(prefix + i);
                }
            }));
        }
        List<String> shown = new ArrayList<>();
        go.countDown();
        while (threads.stream().anyMatch(Thread::isAlive)) {
            poll(shown);
        }
        for (Thread thread : threads) {
            thread.join();
        }
        poll(shown);
        assertEquals(QarvoController.ACTION_NONE, QarvoController.getAction());
        String last = shown.get(shown.size() - 1);
        assertTrue(last.endsWith(":" + (perWriter - 1)), "the text set last is shown last, not " + last);

        Set<String> unique = new HashSet<>(shown);
        assertEquals(shown.size(), unique.size(), "a text was shown twice");
        Map<String, Integer> lastPerWriter = new HashMap<>();
        for (String text : shown) {
            String[] parts = text.split(":");
            int n = Integer.parseInt(parts[1]);
            Integer previous = lastPerWriter.put(parts[0], n);
            if (previous != null && previous >= n) {
                fail("writer " + parts[0] + " showed " + n + " after " + previous);
            }
        }
    }

    @Test
    void aHideIsNeverLostBehindTextUpdates() throws Exception {
        AtomicBoolean stop = new AtomicBoolean();
        Thread writer = start(() -> {
            for (int i = 0; !stop.get(); i++) {
                QarvoController.setSplashText("t" + i);
            }
        });
        try {
            for (int i = 0; i < 1000; i++) {
                QarvoController.getAction();
                QarvoController.getText();
            }
            QarvoController.hideSplash();
            for (int i = 0; i < 1000; i++) {
                assertEquals(QarvoController.ACTION_HIDE_SPLASH, QarvoController.getAction());
                assertNull(QarvoController.getText());
            }
        } finally {
            stop.set(true);
            writer.join();
        }
    }

    private static void poll(List<String> shown) {
        if (QarvoController.getAction() == QarvoController.ACTION_TEXT_READY) {
            String text = QarvoController.getText();
            if (text != null) {
                shown.add(text);
            }
        }
    }

    private static Thread start(Runnable body) {
        Thread thread = new Thread(body);
        thread.start();
        return thread;
    }

    private static void await(CountDownLatch latch) {
        try {
            latch.await();
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
        }
    }
}
