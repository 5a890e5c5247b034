#include "builder/pe/pe_image.h"

#include <cstring>

#include "format/little_endian.h"

namespace pe {

namespace {

constexpr uint16_t kMagicPe32 = 0x10b;
constexpr uint16_t kMagicPe32Plus = 0x20b;
constexpr size_t kSectionHeaderSize = 40;

uint32_t alignUp(uint32_t value, uint32_t alignment) {
    return alignment == 0 ? value : (value + alignment - 1) / alignment * alignment;
}


}  // namespace

uint32_t Image::get32(size_t offset) const { return le::get32(bytes_, offset); }

void Image::put32(size_t offset, uint32_t value) { le::set32(bytes_, offset, value); }

bool Image::parse(std::string bytes, Image& out, std::string& error) {
    out = Image();
    if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') {
        error = "not a Windows executable (no MZ header)";
        return false;
    }
    const uint32_t e = le::get32(bytes, 0x3c);
    if (static_cast<uint64_t>(e) + 24 > bytes.size() || bytes.compare(e, 4, std::string("PE\0\0", 4)) != 0) {
        error = "not a PE executable (no PE signature)";
        return false;
    }
    out.coff_ = e + 4;
    const uint16_t sections = le::get16(bytes, out.coff_ + 2);
    const uint16_t optionalSize = le::get16(bytes, out.coff_ + 16);
    out.optional_ = out.coff_ + 20;
    out.table_ = out.optional_ + optionalSize;
    if (optionalSize < 96 || out.table_ + kSectionHeaderSize * sections > bytes.size() || sections == 0) {
        error = "damaged PE headers (optional header or section table out of the file)";
        return false;
    }
    const uint16_t magic = le::get16(bytes, out.optional_);
    if (magic != kMagicPe32 && magic != kMagicPe32Plus) {
        error = "unknown optional header magic";
        return false;
    }
    out.is64_ = magic == kMagicPe32Plus;
    const size_t countField = out.optional_ + (out.is64_ ? 108 : 92);
    if (countField + 4 > out.table_) {
        error = "damaged PE headers (optional header too short)";
        return false;
    }
    const uint32_t fitting = static_cast<uint32_t>((out.table_ - countField - 4) / 8);
    const uint32_t declared = le::get32(bytes, countField);
    out.directories_ = declared < fitting ? declared : fitting;
    out.sectionAlignment_ = le::get32(bytes, out.optional_ + 32);
    out.fileAlignment_ = le::get32(bytes, out.optional_ + 36);
    for (size_t i = 0; i < sections; ++i) {
        const size_t h = out.table_ + kSectionHeaderSize * i;
        Section s;
        s.name = bytes.substr(h, 8);
        s.name.resize(s.name.find('\0') == std::string::npos ? 8 : s.name.find('\0'));
        s.virtualSize = le::get32(bytes, h + 8);
        s.virtualAddress = le::get32(bytes, h + 12);
        s.rawSize = le::get32(bytes, h + 16);
        s.rawOffset = le::get32(bytes, h + 20);
        s.characteristics = le::get32(bytes, h + 36);
        if (s.rawSize > 0 && static_cast<uint64_t>(s.rawOffset) + s.rawSize > bytes.size()) {
            error = "section " + s.name + " lies beyond the end of the file";
            return false;
        }
        out.sections_.push_back(s);
    }
    out.bytes_ = std::move(bytes);
    return true;
}

uint16_t Image::machine() const { return le::get16(bytes_, coff_); }
uint16_t Image::subsystem() const { return le::get16(bytes_, optional_ + 68); }

void Image::setSubsystem(uint16_t subsystem) {
    bytes_[optional_ + 68] = static_cast<char>(subsystem & 0xff);
    bytes_[optional_ + 69] = static_cast<char>(subsystem >> 8);
}

uint32_t Image::sizeOfImage() const { return get32(optional_ + 56); }
uint32_t Image::checksum() const { return get32(checksumOffset()); }

size_t Image::directoryOffset(int index) const { return optional_ + (is64_ ? 112 : 96) + 8 * index; }

DataDirectory Image::directory(int index) const {
    if (index < 0 || static_cast<uint32_t>(index) >= directories_) return {};
    return {get32(directoryOffset(index)), get32(directoryOffset(index) + 4)};
}

void Image::setDirectory(int index, DataDirectory value) {
    if (index < 0 || static_cast<uint32_t>(index) >= directories_) return;
    put32(directoryOffset(index), value.rva);
    put32(directoryOffset(index) + 4, value.size);
}

uint64_t Image::endOfSections() const {
    const Section& last = sections_.back();
    return static_cast<uint64_t>(last.rawOffset) + last.rawSize;
}

std::string Image::sectionData(const Section& section) const {
    return section.rawSize == 0 ? std::string() : bytes_.substr(section.rawOffset, section.rawSize);
}

bool Image::replaceLastSection(const std::string& data, std::string& error) {
    return replaceSection(sections_.size() - 1, data, error);
}

bool Image::canReplace(size_t index, uint64_t size, const std::string& what, std::string& error) const {
    const Section& target = sections_[index];
    if (target.rawOffset == 0 || target.rawOffset % (fileAlignment_ ? fileAlignment_ : 1) != 0) {
        error = what + " has no aligned file data";
        return false;
    }
    // An empty section's offset is not checked on reading; one that points
    // beyond the file would make the image grow to it.
    if (target.rawOffset > bytes_.size()) {
        error = what + " starts beyond the end of the file";
        return false;
    }
    if (target.rawOffset < sectionHeader(sections_.size())) {
        error = what + "'s data overlaps the headers";
        return false;
    }
    uint64_t following = 0;
    for (size_t i = index + 1; i < sections_.size(); ++i) following += sections_[i].rawSize;
    if (size + following > UINT32_MAX - (fileAlignment_ ? fileAlignment_ : 1) - target.rawOffset) {
        error = "the new section data is too large for a PE image";
        return false;
    }
    for (size_t i = 0; i < sections_.size(); ++i) {
        const Section& s = sections_[i];
        if (i < index && static_cast<uint64_t>(s.rawOffset) + s.rawSize > target.rawOffset && s.rawSize > 0) {
            error = "section " + s.name + " is stored after " + what;
            return false;
        }
        if (i > index && s.rawSize > 0 && s.rawOffset < static_cast<uint64_t>(target.rawOffset) + target.rawSize) {
            error = "section " + s.name + " is stored before " + what + " that it follows";
            return false;
        }
    }
    return true;
}

bool Image::replaceSection(size_t index, const std::string& data, std::string& error) {
    Section& target = sections_[index];
    const std::string what = index + 1 == sections_.size() ? "the last section" : "section " + target.name;
    if (!canReplace(index, data.size(), what, error)) return false;
    std::vector<std::string> moved;
    for (size_t i = index + 1; i < sections_.size(); ++i) moved.push_back(sectionData(sections_[i]));
    const uint32_t oldRaw = target.rawSize;
    const uint32_t newRaw = alignUp(static_cast<uint32_t>(data.size()), fileAlignment_);
    bytes_.resize(target.rawOffset);
    bytes_ += data;
    bytes_.resize(static_cast<size_t>(target.rawOffset) + newRaw, '\0');
    target.virtualSize = static_cast<uint32_t>(data.size());
    target.rawSize = newRaw;
    put32(sectionHeader(index) + 8, target.virtualSize);
    put32(sectionHeader(index) + 16, target.rawSize);
    put32(optional_ + 56, placeFollowing(index, moved));  // SizeOfImage
    put32(optional_ + 8, get32(optional_ + 8) - oldRaw + newRaw);  // SizeOfInitializedData
    return true;
}

// The sections after index follow in the same order, each at the next
// aligned address; directories into them (none is a file offset but the
// certificates') move by as much as their section.
uint32_t Image::placeFollowing(size_t index, const std::vector<std::string>& moved) {
    const Section& target = sections_[index];
    std::vector<DataDirectory> directories;
    for (uint32_t d = 0; d < directories_; ++d) directories.push_back(directory(static_cast<int>(d)));
    uint32_t nextAddress = alignUp(target.virtualAddress + target.virtualSize, sectionAlignment_);
    for (size_t i = index + 1; i < sections_.size(); ++i) {
        Section& s = sections_[i];
        const uint32_t oldAddress = s.virtualAddress;
        const uint32_t span = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
        for (uint32_t d = 0; d < directories_; ++d) {
            const DataDirectory old = directory(static_cast<int>(d));
            if (d != kDirectorySecurity && old.rva >= oldAddress && old.rva - oldAddress < span)
                directories[d].rva = nextAddress + (old.rva - oldAddress);
        }
        s.virtualAddress = nextAddress;
        if (s.rawSize > 0) {
            s.rawOffset = static_cast<uint32_t>(bytes_.size());
            bytes_ += moved[i - index - 1];
        }
        put32(sectionHeader(i) + 12, s.virtualAddress);
        put32(sectionHeader(i) + 20, s.rawOffset);
        nextAddress = alignUp(s.virtualAddress + (s.virtualSize ? s.virtualSize : s.rawSize), sectionAlignment_);
    }
    for (uint32_t d = 0; d < directories_; ++d) setDirectory(static_cast<int>(d), directories[d]);
    return nextAddress;
}

void Checksum::add(const unsigned char* data, size_t n) {
    size_t i = 0;
    if (n > 0 && low_ >= 0) {
        sum_ += static_cast<uint64_t>(low_) | static_cast<uint64_t>(data[0]) << 8;
        low_ = -1;
        i = 1;
    }
    // Whole 16-bit words in a loop the compiler can vectorise; the sum is
    // folded to 16 bits only at the end.
    uint64_t words = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    for (; i + 1 < n; i += 2) {
        uint16_t word;
        std::memcpy(&word, data + i, 2);
        words += word;
    }
#else
    for (; i + 1 < n; i += 2) words += static_cast<uint32_t>(data[i]) | static_cast<uint32_t>(data[i + 1]) << 8;
#endif
    sum_ += words;
    if (i < n) low_ = data[i];
    offset_ += n;
}

void Checksum::update(const char* data, size_t n) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    while (n > 0) {
        if (offset_ >= skip_ && offset_ < skip_ + 4) {
            // The checksum field itself counts as zero.
            static const unsigned char zero = 0;
            add(&zero, 1);
            ++p;
            --n;
            continue;
        }
        size_t run = n;
        if (offset_ < skip_ && skip_ - offset_ < run) run = static_cast<size_t>(skip_ - offset_);
        add(p, run);
        p += run;
        n -= run;
    }
}

uint32_t Checksum::finish() const {
    uint64_t sum = sum_ + (low_ >= 0 ? static_cast<uint64_t>(low_) : 0);
    while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
    return static_cast<uint32_t>(sum + offset_);
}

uint32_t checksumOf(const std::string& file, size_t checksumOffset) {
    Checksum checksum(checksumOffset);
    checksum.update(file.data(), file.size());
    return checksum.finish();
}

}  // namespace pe
