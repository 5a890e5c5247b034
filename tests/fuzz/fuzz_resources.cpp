// The parsers inspect runs over a foreign executable's resources: the
// resource section, version information, icon groups and files, bitmaps.
// Whatever the section reader accepts is written again and must read back
// the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "builder/pe/images.h"
#include "builder/pe/resource_section.h"
#include "builder/pe/version_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    constexpr uint32_t kRva = 0x5000;
    std::vector<rsrc::Resource> resources;
    std::string error;
    if (rsrc::decodeSection(bytes, kRva, resources, error)) {
        // Unique triples only: the writer's precondition.
        std::vector<rsrc::Resource> unique;
        for (const rsrc::Resource& r : resources) {
            bool seen = false;
            for (const rsrc::Resource& u : unique)
                seen = seen || (u.type == r.type && u.name == r.name && u.language == r.language);
            if (!seen) unique.push_back(r);
        }
        std::vector<rsrc::Resource> again;
        if (!rsrc::decodeSection(rsrc::encodeSection(unique, kRva), kRva, again, error)) __builtin_trap();
        if (again.size() != unique.size()) __builtin_trap();
    }
    version::VersionInfo info;
    version::decode(bytes, info, error);
    std::vector<images::GroupEntry> entries;
    images::readGroupDirectory(bytes, entries, error);
    std::vector<images::IconImage> icon;
    if (images::readIcoFile(bytes, icon, error)) {
        std::vector<images::IconImage> back;
        if (!images::readIcoFile(images::icoFile(icon), back, error) || back != icon) __builtin_trap();
    }
    images::IconImage png;
    images::pngIconImage(bytes, png, error);
    std::string dib;
    images::bitmapResource(bytes, dib, error);
    int32_t w, h;
    uint16_t bits;
    images::bitmapSize(bytes, w, h, bits);
    return 0;
}
