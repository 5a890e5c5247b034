#include "session/splash_rules.h"

#include <cstdint>
#include <cstdlib>

SplashPlacement centredOn(int left, int top, int right, int bottom, int width, int height) {
    return {((right - left) - width) / 2, ((bottom - top) - height) / 2};
}

int fontHeight(int points, int pixelsPerInch) {
    const int64_t product = static_cast<int64_t>(points) * pixelsPerInch;
    const int64_t magnitude = (std::llabs(product) + 36) / 72;
    return static_cast<int>(product < 0 ? magnitude : -magnitude);
}

bool SplashGate::mayStart() {
    LockGuard guard(lock_);
    return !started_;
}

bool SplashGate::publish(Window window, const std::function<void()>& show) {
    LockGuard guard(lock_);
    if (hidden_) return false;
    started_ = true;
    window_ = window;
    show();
    return true;
}

SplashGate::Window SplashGate::hide() {
    LockGuard guard(lock_);
    started_ = true;
    hidden_ = true;
    return window_;
}

bool SplashGate::started() const {
    LockGuard guard(lock_);
    return started_;
}
