// The resource section (.rsrc) of a PE executable: a flat list of resources
// written as the three-level directory tree (type, name, language) the
// Windows loader searches, and read back from it. Portable: no Windows headers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rsrc {

// Standard resource types.
inline constexpr uint32_t kTypeIcon = 3;
inline constexpr uint32_t kTypeBitmap = 2;
inline constexpr uint32_t kTypeRawData = 10;
inline constexpr uint32_t kTypeGroupIcon = 14;
inline constexpr uint32_t kTypeVersion = 16;
inline constexpr uint32_t kTypeManifest = 24;

// US English, as resource compilers write by default.
inline constexpr uint16_t kDefaultLanguage = 0x0409;

// A type or a name: a number, or a UTF-16 string.
struct Name {
    bool numeric = true;
    uint32_t id = 0;
    std::u16string text;

    static Name number(uint32_t id) { return Name{true, id, {}}; }
    static Name string(std::u16string text) { return Name{false, 0, std::move(text)}; }
    bool operator==(const Name&) const = default;
    // Directory order: strings first (by code unit), then numbers ascending.
    bool operator<(const Name& other) const;
    std::string display() const;
};

struct Resource {
    Name type;
    Name name;
    uint16_t language = kDefaultLanguage;
    std::string data;
    uint32_t codePage = 0;
    bool operator==(const Resource&) const = default;
};

// Writes the section for a list of resources whose (type, name, language)
// triples are unique. The data entries hold addresses relative to the image,
// so the section's virtual address is needed.
std::string encodeSection(const std::vector<Resource>& resources, uint32_t sectionRva);

// Reads a section back, in directory order. Checks every offset; error says
// what is damaged.
bool decodeSection(const std::string& section, uint32_t sectionRva, std::vector<Resource>& out, std::string& error);

// Lookup and editing helpers over a resource list.
const Resource* find(const std::vector<Resource>& resources, const Name& type, const Name& name);
// Removes every language of (type, name).
void remove(std::vector<Resource>& resources, const Name& type, const Name& name);
// Replaces every language of (type, name) by one resource.
void put(std::vector<Resource>& resources, Resource resource);

}  // namespace rsrc
