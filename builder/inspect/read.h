// Reads a built executable back: its configuration block, where its included
// files lie, its header facts and its resources.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "builder/pe/images.h"
#include "builder/pe/manifest.h"
#include "builder/pe/resource_section.h"
#include "format/block.h"

struct InspectedFile {
    std::string name;  // as stored (Windows-1252)
    int64_t size = 0;
    uint64_t offset = 0;  // of the scrambled bytes in the executable
};

struct InspectedExecutable {
    uint64_t blockOffset = 0;
    block::RawBlock block;
    std::vector<InspectedFile> files;
    // The executable's header facts and resources.
    uint16_t machine = 0;
    uint16_t subsystem = 0;
    std::vector<rsrc::Resource> resources;
    std::string resourceError;  // why the resources could not be read
    // A signature's certificate table (file offset and size), when signed.
    uint64_t signatureOffset = 0;
    uint64_t signatureSize = 0;
    // Resource files written by extractResources: project key -> host path.
    std::vector<std::pair<std::string, std::string>> extractedResources;
};

bool readExecutable(const std::string& path, InspectedExecutable& out, std::string& error);

// The resources a read executable holds by their ids.
const rsrc::Resource* resourceOf(const InspectedExecutable& exe, uint32_t type, int id);
// The images of an icon group, as stored in the icon resources it names.
bool groupImages(const InspectedExecutable& exe, const rsrc::Resource& group, std::vector<images::IconImage>& out);
// Whether the splash icon is the application icon.
bool sameIconGroups(const InspectedExecutable& exe);
// Whether the raw-data copy is the default one: the bitmap's own file.
bool rawCopyOfBitmap(const InspectedExecutable& exe);
// The options that give exactly the executable's manifest, if any.
std::optional<manifest::Options> manifestOptions(const InspectedExecutable& exe);
