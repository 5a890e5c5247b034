// Windows on the Xvfb display as the tests see them: screenshots read pixel
// by pixel, the window-probe helper, and 24-bit bitmaps made for a test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>

#include "tests/e2e/rig.h"

namespace screen {

// 0xRRGGBB.
using Rgb = uint32_t;

inline constexpr int kWidth = 1280;   // the geometry rig::Display asks Xvfb for
inline constexpr int kHeight = 1024;

class Screenshot {
public:
    // ImageMagick's import of the whole display as raw RGB bytes.
    explicit Screenshot(const rig::Display& display) {
        const std::string file = "/tmp/qarvo-shot-" + std::to_string(getpid()) + ".rgb";
        auto taken = rig::run({"import", "-display", display.name(), "-window", "root", "-depth", "8", "rgb:" + file});
        EXPECT_EQ(0, taken.exitCode) << taken.err;
        bytes_ = rig::readFile(file);
        std::remove(file.c_str());
        EXPECT_EQ(static_cast<size_t>(kWidth) * kHeight * 3, bytes_.size()) << "screenshot size";
    }
    bool ok() const { return bytes_.size() == static_cast<size_t>(kWidth) * kHeight * 3; }
    Rgb at(int x, int y) const {
        if (!ok() || x < 0 || y < 0 || x >= kWidth || y >= kHeight) return 0xFFFFFFFFu;
        const size_t i = (static_cast<size_t>(y) * kWidth + x) * 3;
        auto b = [&](size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(bytes_[i + k])); };
        return b(0) << 16 | b(1) << 8 | b(2);
    }
    // Pixels of exactly this colour in [left, right) x [top, bottom).
    int count(Rgb colour, int left, int top, int right, int bottom) const {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) n += at(x, y) == colour;
        return n;
    }

private:
    std::string bytes_;
};

// Screenshots until one shows what the condition looks for (the window has
// been painted), for up to `seconds`; returns the last one taken.
template <class Condition>
Screenshot shotWhen(const rig::Display& display, Condition ready, int seconds = 10) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        Screenshot shot(display);
        if (ready(shot) || std::chrono::steady_clock::now() >= deadline) return shot;
        usleep(100000);
    }
}

// A Windows program's output lines "key value" as a map (window-probe).
inline std::map<std::string, std::string> facts(const std::string& output) {
    std::map<std::string, std::string> out;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t blank = line.find(' ');
        out[line.substr(0, blank)] = blank == std::string::npos ? "" : line.substr(blank + 1);
    }
    return out;
}

inline std::string probePath(const std::string& arch = rig::defaultArch()) {
    return rig::distDirectory() + "/testing/tools/" + arch + "/window-probe.exe";
}

// Runs a Windows helper program to its end, its output through a file (see
// RunOptions::outputFile).
inline rig::RunResult runHelper(const rig::Display& display, const std::string& exe,
                                const std::vector<std::string>& args, int timeoutSeconds = 60) {
    rig::RunOptions options = rig::withArgs(args);
    options.env["DISPLAY"] = display.name();
    options.timeoutSeconds = timeoutSeconds;
    options.outputFile = "/tmp/qarvo-helper-" + std::to_string(getpid()) + ".out";
    rig::RunResult result = rig::runWine(exe, options);
    std::remove(options.outputFile.c_str());
    std::string out;
    for (char c : result.out)
        if (c != '\r') out.push_back(c);
    result.out = out;
    return result;
}

inline rig::RunResult probe(const rig::Display& display, const std::vector<std::string>& args,
                            int timeoutSeconds = 60) {
    return runHelper(display, probePath(), args, timeoutSeconds);
}

// Reads the message box that appears (caption and text) and presses OK.
inline rig::RunResult readMessageBox(const rig::Display& display, int seconds = 20) {
    return runHelper(display, rig::distDirectory() + "/testing/tools/" + rig::defaultArch() + "/msgbox-probe.exe", {std::to_string(seconds)},
                     seconds + 30);
}

// A bottom-up 24-bit BMP file whose pixels colour(x, y) gives (y from the top).
inline std::string bmp24(int width, int height, const std::function<Rgb(int, int)>& colour) {
    auto put = [](std::string& s, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xff);
    };
    const int stride = (width * 3 + 3) & ~3;
    std::string pixels;
    for (int row = height - 1; row >= 0; --row) {
        std::string line;
        for (int x = 0; x < width; ++x) {
            const Rgb c = colour(x, row);
            line += static_cast<char>(c & 0xff);
            line += static_cast<char>((c >> 8) & 0xff);
            line += static_cast<char>((c >> 16) & 0xff);
        }
        line.resize(static_cast<size_t>(stride), '\0');
        pixels += line;
    }
    std::string file = "BM";
    put(file, 54 + static_cast<uint32_t>(pixels.size()), 4);
    put(file, 0, 4);
    put(file, 54, 4);
    put(file, 40, 4);
    put(file, static_cast<uint32_t>(width), 4);
    put(file, static_cast<uint32_t>(height), 4);
    put(file, 1, 2);
    put(file, 24, 2);
    put(file, 0, 4);
    put(file, static_cast<uint32_t>(pixels.size()), 4);
    put(file, 2835, 4);
    put(file, 2835, 4);
    put(file, 0, 4);
    put(file, 0, 4);
    return file + pixels;
}

}  // namespace screen
