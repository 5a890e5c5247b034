// Version texts and -version output: parsing never misbehaves, and the
// comparison is a consistent order.
#include <cstddef>
#include <cstdint>
#include <string>

#include "jvm/versions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    if (auto version = versionFromBanner(input)) {
        if (version->find('"') != std::string::npos || version->find('\n') != std::string::npos) __builtin_trap();
    }
    const size_t cut1 = size / 3, cut2 = 2 * size / 3;
    const std::string a = input.substr(0, cut1), b = input.substr(cut1, cut2 - cut1), c = input.substr(cut2);
    if (compareVersions(a, b) != -compareVersions(b, a)) __builtin_trap();
    if (compareVersions(a, a) != 0) __builtin_trap();
    if (compareVersions(a, b) <= 0 && compareVersions(b, c) <= 0 && compareVersions(a, c) > 0) __builtin_trap();
    versionWithinLimits(a, b, c);
    versionNameInRange(a, b, c);
    // Any version is within empty limits.
    if (!versionWithinLimits(a, "", "") || !versionNameInRange(a, "", "")) __builtin_trap();
    return 0;
}
