// The splash screen's rules that need no window: where it goes, how large
// its fonts are, and the gate that orders showing and hiding between the
// splash thread and the threads that hide it.
#pragma once

#include <functional>

#include "platform/lock.h"

struct SplashPlacement {
    int x, y;
};

// Centred on the desktop rectangle (signed division rounding toward zero).
SplashPlacement centredOn(int left, int top, int right, int bottom, int width, int height);

// The font height for a size in points at the device's vertical resolution:
// -(points * dpi / 72) rounded as MulDiv rounds (half away from zero).
int fontHeight(int points, int pixelsPerInch);

// Orders the splash thread's showing of its window against hides from any
// thread. A hide that comes before the window is shown, even while the thread
// is creating it, means the window is never shown; a hide after it always
// finds the window.
class SplashGate {
public:
    using Window = void*;

    // Splash thread, first thing: false when a hide came first.
    bool mayStart();
    // Splash thread, with its window created but not shown: runs show under
    // the gate unless a hide came first (then false: the caller discards
    // the window).
    bool publish(Window window, const std::function<void()>& show);
    // Any thread: marks the splash hidden for good; returns the window to
    // hide, or null when none was ever shown.
    Window hide();
    bool started() const;

private:
    mutable Lock lock_;
    bool started_ = false;
    bool hidden_ = false;
    Window window_ = nullptr;
};
