// The builder's PE reader on arbitrary bytes (inspect reads foreign
// executables with it): parsing fails cleanly, every accepted section can be
// read, and replacing the last section gives an image that parses again with
// the new data in place.
#include <cstddef>
#include <cstdint>
#include <string>

#include "builder/pe/pe_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    pe::Image image;
    if (!pe::Image::parse(std::string(reinterpret_cast<const char*>(data), size), image, error)) return 0;
    for (const pe::Section& section : image.sections())
        if (image.sectionData(section).size() != section.rawSize) __builtin_trap();
    for (int i = -1; i < 17; ++i) image.directory(i);
    image.checksum();
    pe::checksumOf(image.bytes(), image.checksumOffset());
    const std::string replacement = "resource data";
    if (image.replaceLastSection(replacement, error)) {
        pe::Image again;
        if (!pe::Image::parse(image.bytes(), again, error)) __builtin_trap();
        if (again.sectionData(again.sections().back()).compare(0, replacement.size(), replacement) != 0)
            __builtin_trap();
    }
    return 0;
}
