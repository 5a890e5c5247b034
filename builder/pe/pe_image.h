// A PE executable held in memory, with the few header fields the builder
// changes: the subsystem, the last section's data (the resource section), the
// data directories and the checksum. Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pe {

inline constexpr uint16_t kMachineI386 = 0x014c;
inline constexpr uint16_t kMachineAmd64 = 0x8664;
inline constexpr uint16_t kSubsystemGui = 2;
inline constexpr uint16_t kSubsystemConsole = 3;
inline constexpr int kDirectoryResource = 2;
inline constexpr int kDirectorySecurity = 4;
inline constexpr int kDirectoryBaseRelocation = 5;

struct Section {
    std::string name;
    uint32_t virtualSize = 0;
    uint32_t virtualAddress = 0;
    uint32_t rawSize = 0;
    uint32_t rawOffset = 0;
    uint32_t characteristics = 0;
};

struct DataDirectory {
    uint32_t rva = 0;
    uint32_t size = 0;
};

class Image {
public:
    // Checks the headers and the section table; error says what is wrong.
    static bool parse(std::string bytes, Image& out, std::string& error);

    const std::string& bytes() const { return bytes_; }
    bool is64() const { return is64_; }
    uint16_t machine() const;
    uint16_t subsystem() const;
    void setSubsystem(uint16_t subsystem);
    uint32_t fileAlignment() const { return fileAlignment_; }
    uint32_t sectionAlignment() const { return sectionAlignment_; }
    uint32_t sizeOfImage() const;
    uint32_t checksum() const;
    // Offset of the checksum field in the file.
    size_t checksumOffset() const { return optional_ + 64; }
    const std::vector<Section>& sections() const { return sections_; }
    // A directory the optional header does not have reads as empty.
    DataDirectory directory(int index) const;
    void setDirectory(int index, DataDirectory value);
    // The end of the last section's data: where appended data starts.
    uint64_t endOfSections() const;
    // The bytes of a section as stored in the file (rawSize bytes).
    std::string sectionData(const Section& section) const;

    // Replaces the data of the last section and drops anything after it.
    // Keeps its virtual address; updates its sizes, SizeOfImage and
    // SizeOfInitializedData. The checksum is left to the caller.
    bool replaceLastSection(const std::string& data, std::string& error);
    // The same for the section at index, with the sections after it (whose
    // contents must not depend on where they are, as base relocations) moved
    // to follow its new end, in the file and in memory; the data directories
    // that point into them move with them.
    bool replaceSection(size_t index, const std::string& data, std::string& error);

private:
    uint32_t get32(size_t offset) const;
    void put32(size_t offset, uint32_t value);
    size_t sectionHeader(size_t index) const { return table_ + 40 * index; }
    size_t directoryOffset(int index) const;
    // Whether the section at index can take size bytes of data, with the
    // sections after it moved to follow them; what names it for the error.
    bool canReplace(size_t index, uint64_t size, const std::string& what, std::string& error) const;
    // Places the sections after index behind it, with their data (moved);
    // returns the end of the last one in memory.
    uint32_t placeFollowing(size_t index, const std::vector<std::string>& moved);

    std::string bytes_;
    bool is64_ = false;
    size_t coff_ = 0;      // COFF file header
    size_t optional_ = 0;  // optional header
    size_t table_ = 0;     // section table
    uint32_t directories_ = 0;
    uint32_t fileAlignment_ = 0;
    uint32_t sectionAlignment_ = 0;
    std::vector<Section> sections_;
};

// The PE checksum, computed over a file fed in pieces. The four bytes of the
// checksum field itself count as zero.
class Checksum {
public:
    explicit Checksum(uint64_t checksumOffset) : skip_(checksumOffset) {}
    void update(const char* data, size_t n);
    uint32_t finish() const;

private:
    // Adds bytes that do not touch the checksum field.
    void add(const unsigned char* data, size_t n);

    uint64_t skip_;
    uint64_t offset_ = 0;
    uint64_t sum_ = 0;
    int low_ = -1;  // the first byte of an unfinished 16-bit word, or -1
};

uint32_t checksumOf(const std::string& file, size_t checksumOffset);

}  // namespace pe
