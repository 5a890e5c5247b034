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
    Section& last = sections_.back();
    if (last.rawOffset == 0 || last.rawOffset % (fileAlignment_ ? fileAlignment_ : 1) != 0) {
        error = "the last section has no aligned file data";
        return false;
    }
    // An empty section's offset is not checked on reading; one that points
    // beyond the file would make the image grow to it.
    if (last.rawOffset > bytes_.size()) {
        error = "the last section starts beyond the end of the file";
        return false;
    }
    if (last.rawOffset < sectionHeader(sections_.size())) {
        error = "the last section's data overlaps the headers";
        return false;
    }
    if (data.size() > UINT32_MAX - (fileAlignment_ ? fileAlignment_ : 1) - last.rawOffset) {
        error = "the new section data is too large for a PE image";
        return false;
    }
    for (const Section& s : sections_) {
        if (&s != &last && static_cast<uint64_t>(s.rawOffset) + s.rawSize > last.rawOffset && s.rawSize > 0) {
            error = "section " + s.name + " is stored after the last section";
            return false;
        }
    }
    const uint32_t oldRaw = last.rawSize;
    const uint32_t newRaw = alignUp(static_cast<uint32_t>(data.size()), fileAlignment_);
    bytes_.resize(last.rawOffset);
    bytes_ += data;
    bytes_.resize(static_cast<size_t>(last.rawOffset) + newRaw, '\0');

    last.virtualSize = static_cast<uint32_t>(data.size());
    last.rawSize = newRaw;
    const size_t h = sectionHeader(sections_.size() - 1);
    put32(h + 8, last.virtualSize);
    put32(h + 16, last.rawSize);
    put32(optional_ + 56, alignUp(last.virtualAddress + last.virtualSize, sectionAlignment_));
    put32(optional_ + 8, get32(optional_ + 8) - oldRaw + newRaw);  // SizeOfInitializedData
    return true;
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
