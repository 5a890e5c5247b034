#include "builder/host/progress.h"

#include <cstdio>

#include "builder/host/system.h"

Progress::Progress(std::string output) : output_(std::move(output)), enabled_(onTerminal()) {}

void Progress::operator()(uint64_t done, uint64_t total) {
    if (!enabled_ || total == 0) return;
    const auto now = Clock::now();
    if (now - start_ < std::chrono::milliseconds(700) || now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    shown_ = true;
    std::fprintf(stderr, "\rqarvo-build: writing %s: %3d%%", output_.c_str(), static_cast<int>(done * 100 / total));
    std::fflush(stderr);
}

Progress::~Progress() {
    if (shown_) std::fputs(clearLineSequence(), stderr);
}
