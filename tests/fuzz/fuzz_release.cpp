// Release files and PE headers of runtimes found on the machine: reading
// never misbehaves, and a stated version is one the version rules accept.
#include <cstddef>
#include <cstdint>
#include <string>

#include "jvm/release_file.h"
#include "jvm/versions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    if (auto version = versionFromReleaseFile(input)) {
        if (version->empty() || (*version)[0] < '0' || (*version)[0] > '9') __builtin_trap();
        if (version->find_first_of("\r\n\"") != std::string::npos) __builtin_trap();
        if (versionComponents(*version).empty()) __builtin_trap();
    }
    peMachineOf(input);
    return 0;
}
