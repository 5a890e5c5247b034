// Image files as resources: icons (.ico files or PNG images packed into one
// icon), the splash bitmap (.bmp) and the kinds of image the raw-data copy may
// hold. Portable: no Windows headers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace images {

// One image of an icon: its directory fields and its bytes (a DIB or a PNG).
struct IconImage {
    uint8_t width = 0;  // 0 stands for 256
    uint8_t height = 0;
    uint8_t colorCount = 0;
    uint16_t planes = 1;
    uint16_t bitCount = 32;
    std::string data;
    bool operator==(const IconImage&) const = default;
};

// The images of a .ico file.
bool readIcoFile(const std::string& bytes, std::vector<IconImage>& out, std::string& error);
// A PNG image as one icon image (at most 256 x 256 pixels).
bool pngIconImage(const std::string& bytes, IconImage& out, std::string& error);
// A .ico file of images, as readIcoFile reads it.
std::string icoFile(const std::vector<IconImage>& images);

// The icon group resource naming the images stored as icon resources
// firstId, firstId + 1, ...
std::string groupDirectory(const std::vector<IconImage>& images, uint16_t firstId);
struct GroupEntry {
    IconImage header;  // data empty
    uint16_t id = 0;
};
bool readGroupDirectory(const std::string& group, std::vector<GroupEntry>& out, std::string& error);

// The bitmap resource of a .bmp file: the file without its 14-byte file header.
bool bitmapResource(const std::string& bmpFile, std::string& dib, std::string& error);
// The .bmp file of a bitmap resource.
std::string bmpFile(const std::string& dib);
// Width and height of a bitmap resource; false when the header is damaged.
bool bitmapSize(const std::string& dib, int32_t& width, int32_t& height, uint16_t& bitCount);

// "png", "jpeg", "gif", "bmp" by the file's first bytes; empty when none of these.
std::string imageKind(const std::string& bytes);

}  // namespace images
