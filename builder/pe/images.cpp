#include "builder/pe/images.h"

#include "format/little_endian.h"

namespace images {

namespace {

constexpr size_t kIconDirSize = 6;
constexpr size_t kIconEntrySize = 16;
constexpr size_t kGroupEntrySize = 14;
constexpr size_t kBmpFileHeaderSize = 14;
constexpr uint32_t kBiBitfields = 3;

using le::get16;
using le::get32;

uint32_t be32(const std::string& b, size_t o) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(b[o + i]);
    return v;
}

void add16(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v & 0xff));
    out.push_back(static_cast<char>(v >> 8));
}

void add32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

// The directory fields shared by .ico entries and group entries.
void addEntryHeader(std::string& out, const IconImage& image) {
    out.push_back(static_cast<char>(image.width));
    out.push_back(static_cast<char>(image.height));
    out.push_back(static_cast<char>(image.colorCount));
    out.push_back('\0');
    add16(out, image.planes);
    add16(out, image.bitCount);
    add32(out, static_cast<uint32_t>(image.data.size()));
}

IconImage entryHeader(const std::string& b, size_t o) {
    IconImage image;
    image.width = static_cast<uint8_t>(b[o]);
    image.height = static_cast<uint8_t>(b[o + 1]);
    image.colorCount = static_cast<uint8_t>(b[o + 2]);
    image.planes = get16(b, o + 4);
    image.bitCount = get16(b, o + 6);
    return image;
}

bool fail(std::string& error, const std::string& message) {
    error = message;
    return false;
}

// Size of the header and colour table at the start of a DIB, or 0 when the
// header is not one Windows reads.
size_t dibHeaderAndPalette(const std::string& dib) {
    if (dib.size() < 12) return 0;
    const uint32_t headerSize = get32(dib, 0);
    if (headerSize == 12) {  // BITMAPCOREHEADER
        const uint16_t bits = get16(dib, 10);
        return 12 + (bits <= 8 ? (size_t{1} << bits) * 3 : 0);
    }
    if (headerSize < 40 || dib.size() < 40) return 0;
    const uint16_t bits = get16(dib, 14);
    const uint32_t compression = get32(dib, 16);
    const uint32_t used = get32(dib, 32);
    if (used > 65536) return 0;
    size_t colors = used != 0 ? used : (bits <= 8 ? size_t{1} << bits : 0);
    size_t masks = headerSize == 40 && compression == kBiBitfields ? 12 : 0;
    return headerSize + masks + colors * 4;
}

}  // namespace

bool readIcoFile(const std::string& bytes, std::vector<IconImage>& out, std::string& error) {
    out.clear();
    if (bytes.size() < kIconDirSize || get16(bytes, 0) != 0 || get16(bytes, 2) != 1)
        return fail(error, "not an icon file (.ico)");
    const size_t count = get16(bytes, 4);
    if (count == 0) return fail(error, "the icon file holds no image");
    if (bytes.size() < kIconDirSize + kIconEntrySize * count) return fail(error, "the icon file is cut short");
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = kIconDirSize + kIconEntrySize * i;
        IconImage image = entryHeader(bytes, entry);
        const uint32_t size = get32(bytes, entry + 8);
        const uint32_t offset = get32(bytes, entry + 12);
        if (size == 0 || offset > bytes.size() || size > bytes.size() - offset)
            return fail(error, "image " + std::to_string(i + 1) + " of the icon file lies outside the file");
        image.data = bytes.substr(offset, size);
        out.push_back(std::move(image));
    }
    return true;
}

bool pngIconImage(const std::string& bytes, IconImage& out, std::string& error) {
    if (imageKind(bytes) != "png" || bytes.size() < 33 || bytes.compare(12, 4, "IHDR") != 0)
        return fail(error, "not a PNG image");
    const uint32_t width = be32(bytes, 16);
    const uint32_t height = be32(bytes, 20);
    if (width == 0 || height == 0 || width > 256 || height > 256)
        return fail(error, "an icon image is at most 256 x 256 pixels, this one is " + std::to_string(width) + " x " +
                               std::to_string(height));
    out = IconImage();
    out.width = static_cast<uint8_t>(width & 0xff);
    out.height = static_cast<uint8_t>(height & 0xff);
    out.data = bytes;
    return true;
}

std::string icoFile(const std::vector<IconImage>& images) {
    std::string out;
    add16(out, 0);
    add16(out, 1);
    add16(out, static_cast<uint16_t>(images.size()));
    uint32_t offset = static_cast<uint32_t>(kIconDirSize + kIconEntrySize * images.size());
    for (const IconImage& image : images) {
        addEntryHeader(out, image);
        add32(out, offset);
        offset += static_cast<uint32_t>(image.data.size());
    }
    for (const IconImage& image : images) out += image.data;
    return out;
}

std::string groupDirectory(const std::vector<IconImage>& images, uint16_t firstId) {
    std::string out;
    add16(out, 0);
    add16(out, 1);
    add16(out, static_cast<uint16_t>(images.size()));
    for (size_t i = 0; i < images.size(); ++i) {
        addEntryHeader(out, images[i]);
        add16(out, static_cast<uint16_t>(firstId + i));
    }
    return out;
}

bool readGroupDirectory(const std::string& group, std::vector<GroupEntry>& out, std::string& error) {
    out.clear();
    if (group.size() < kIconDirSize || get16(group, 2) != 1) return fail(error, "damaged icon group");
    const size_t count = get16(group, 4);
    if (group.size() < kIconDirSize + kGroupEntrySize * count) return fail(error, "icon group cut short");
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = kIconDirSize + kGroupEntrySize * i;
        out.push_back({entryHeader(group, entry), get16(group, entry + 12)});
    }
    return true;
}

bool bitmapResource(const std::string& bmp, std::string& dib, std::string& error) {
    if (bmp.size() < kBmpFileHeaderSize || bmp[0] != 'B' || bmp[1] != 'M') return fail(error, "not a BMP image");
    const std::string rest = bmp.substr(kBmpFileHeaderSize);
    const size_t header = dibHeaderAndPalette(rest);
    const uint32_t pixels = get32(bmp, 10);
    if (header == 0 || header > rest.size()) return fail(error, "the BMP image has a header Windows does not read");
    if (pixels < kBmpFileHeaderSize + header || pixels > bmp.size())
        return fail(error, "the BMP image's pixel offset lies outside the file");
    // The resource holds the pixels right after the colour table.
    dib = rest.substr(0, header) + bmp.substr(pixels);
    int32_t w, h;
    uint16_t bits;
    if (!bitmapSize(dib, w, h, bits) || w <= 0 || h == 0 || bits == 0) return fail(error, "the BMP image has no pixels");
    const uint32_t compression = get32(dib, 0) == 12 ? 0 : get32(dib, 16);
    if (compression == 0 || compression == kBiBitfields) {
        const uint64_t stride = (static_cast<uint64_t>(w) * bits + 31) / 32 * 4;
        const uint64_t rows = h < 0 ? -static_cast<int64_t>(h) : h;
        if (dib.size() - header < stride * rows) return fail(error, "the BMP image's pixels are cut short");
    }
    return true;
}

std::string bmpFile(const std::string& dib) {
    std::string out = "BM";
    add32(out, static_cast<uint32_t>(kBmpFileHeaderSize + dib.size()));
    add32(out, 0);
    add32(out, static_cast<uint32_t>(kBmpFileHeaderSize + dibHeaderAndPalette(dib)));
    return out + dib;
}

bool bitmapSize(const std::string& dib, int32_t& width, int32_t& height, uint16_t& bitCount) {
    if (dibHeaderAndPalette(dib) == 0) return false;
    if (get32(dib, 0) == 12) {
        width = get16(dib, 4);
        height = get16(dib, 6);
        bitCount = get16(dib, 10);
        return true;
    }
    width = static_cast<int32_t>(get32(dib, 4));
    height = static_cast<int32_t>(get32(dib, 8));
    bitCount = get16(dib, 14);
    return true;
}

std::string imageKind(const std::string& b) {
    if (b.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) return "png";
    if (b.size() >= 3 && b.compare(0, 3, "\xff\xd8\xff") == 0) return "jpeg";
    if (b.compare(0, 6, "GIF87a") == 0 || b.compare(0, 6, "GIF89a") == 0) return "gif";
    if (b.size() >= 2 && b[0] == 'B' && b[1] == 'M') return "bmp";
    return "";
}

}  // namespace images
