// How far the writing of a file is, shown on a terminal once it takes more
// than a moment, and cleared again at the end.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

class Progress {
public:
    explicit Progress(std::string output);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    void operator()(uint64_t done, uint64_t total);

private:
    using Clock = std::chrono::steady_clock;
    std::string output_;
    bool enabled_;
    bool shown_ = false;
    Clock::time_point start_ = Clock::now();
    Clock::time_point last_;
};
