// The builder's executable rewriting: the resource section writer and reader,
// the PE header updates, the subsystem, icons, bitmaps and version information.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <set>

#include "builder/pe/images.h"
#include "builder/pe/manifest.h"
#include "builder/pe/pe_image.h"
#include "builder/project/project.h"
#include "builder/output/resource_build.h"
#include "builder/pe/resource_section.h"
#include "builder/pe/version_info.h"
#include "format/resource_ids.h"

namespace {

using rsrc::Name;
using rsrc::Resource;

void put16(std::string& b, size_t at, uint16_t v) {
    b[at] = static_cast<char>(v & 0xff);
    b[at + 1] = static_cast<char>(v >> 8);
}

void put32(std::string& b, size_t at, uint32_t v) {
    put16(b, at, static_cast<uint16_t>(v & 0xffff));
    put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}

uint32_t get32(const std::string& b, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

constexpr uint32_t kRsrcRva = 0x2000;

// A minimal executable: .text, then .rsrc as the last section.
std::string syntheticStub(bool is64, const std::vector<Resource>& resources) {
    const std::string rsrc = rsrc::encodeSection(resources, kRsrcRva);
    const uint32_t rsrcRaw = static_cast<uint32_t>((rsrc.size() + 0x1ff) / 0x200 * 0x200);
    std::string b(0x400 + rsrcRaw, '\0');
    b[0] = 'M';
    b[1] = 'Z';
    put32(b, 0x3c, 0x40);
    b.replace(0x40, 4, std::string("PE\0\0", 4));
    const size_t coff = 0x44, opt = coff + 20;
    const uint16_t optSize = is64 ? 240 : 224;
    put16(b, coff, is64 ? pe::kMachineAmd64 : pe::kMachineI386);
    put16(b, coff + 2, 2);
    put16(b, coff + 16, optSize);
    put16(b, opt, is64 ? 0x20b : 0x10b);
    put32(b, opt + 8, 0x200 + rsrcRaw);
    put32(b, opt + 32, 0x1000);
    put32(b, opt + 36, 0x200);
    put32(b, opt + 56, kRsrcRva + 0x1000);
    put32(b, opt + 60, 0x200);
    put16(b, opt + 68, pe::kSubsystemGui);
    const size_t dirs = opt + (is64 ? 112 : 96);
    put32(b, dirs - 4, 16);
    put32(b, dirs + 8 * pe::kDirectoryResource, kRsrcRva);
    put32(b, dirs + 8 * pe::kDirectoryResource + 4, static_cast<uint32_t>(rsrc.size()));
    const size_t table = opt + optSize;
    b.replace(table, 5, ".text");
    put32(b, table + 8, 0x10);
    put32(b, table + 12, 0x1000);
    put32(b, table + 16, 0x200);
    put32(b, table + 20, 0x200);
    b.replace(table + 40, 5, ".rsrc");
    put32(b, table + 48, static_cast<uint32_t>(rsrc.size()));
    put32(b, table + 52, kRsrcRva);
    put32(b, table + 56, rsrcRaw);
    put32(b, table + 60, 0x400);
    b.replace(0x400, rsrc.size(), rsrc);
    return b;
}

Resource res(uint32_t type, uint32_t id, std::string data, uint16_t language = rsrc::kDefaultLanguage) {
    return {Name::number(type), Name::number(id), language, std::move(data), 0};
}

std::vector<Resource> sortedCopy(std::vector<Resource> list) {
    std::sort(list.begin(), list.end(), [](const Resource& a, const Resource& b) {
        if (!(a.type == b.type)) return a.type < b.type;
        if (!(a.name == b.name)) return a.name < b.name;
        return a.language < b.language;
    });
    return list;
}

// --- The resource section ---------------------------------------------------

class RandomSectionTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(RandomSectionTest, ReadsBackWhatItWritesInDirectoryOrder) {
    std::mt19937 random(GetParam());
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto name = [&]() {
        if (pick(4) != 0) return Name::number(static_cast<uint32_t>(pick(6) == 0 ? 0x7fffffff : pick(40)));
        std::u16string text;
        for (int i = pick(6) + 1; i > 0; --i) text.push_back(static_cast<char16_t>(pick(3) ? u'A' + pick(26) : 0x4e00 + pick(9)));
        return Name::string(text);
    };
    std::vector<Resource> resources;
    std::set<std::tuple<std::string, std::string, uint16_t>> seen;
    for (int i = pick(60); i > 0; --i) {
        Resource r{name(), name(), static_cast<uint16_t>(pick(3) * 0x409), std::string(static_cast<size_t>(pick(300)), '\0'),
                   static_cast<uint32_t>(pick(2) * 1252)};
        for (char& c : r.data) c = static_cast<char>(pick(256));
        if (seen.insert({r.type.display(), r.name.display(), r.language}).second) resources.push_back(std::move(r));
    }
    const uint32_t rva = 0x1000u * static_cast<uint32_t>(1 + pick(1000));
    const std::string section = rsrc::encodeSection(resources, rva);
    std::vector<Resource> back;
    std::string error;
    ASSERT_TRUE(rsrc::decodeSection(section, rva, back, error)) << error;
    EXPECT_EQ(sortedCopy(resources), back);
    // Every data entry points at 8-byte aligned data inside the section.
    EXPECT_EQ(0u, section.size() % 8);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomSectionTest, ::testing::Range(1u, 41u));

struct Damage {
    const char* name;
    size_t offset;  // of a 32-bit field in the section of kDamageSet
    uint32_t value;
    const char* expected;
};

class DamagedSectionTest : public ::testing::TestWithParam<Damage> {};

// One resource: root (0), type directory (24), name directory (48), data
// entry (72), data (88).
TEST_P(DamagedSectionTest, IsRefusedWithAReason) {
    std::string section = rsrc::encodeSection({res(10, 5, "abcd")}, kRsrcRva);
    ASSERT_EQ(kRsrcRva + 88, get32(section, 72));  // the layout the table relies on
    put32(section, GetParam().offset, GetParam().value);
    std::vector<Resource> back;
    std::string error;
    EXPECT_FALSE(rsrc::decodeSection(section, kRsrcRva, back, error));
    EXPECT_NE(std::string::npos, error.find(GetParam().expected)) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedSectionTest,
    ::testing::Values(Damage{"dataBeforeSection", 72, kRsrcRva - 4, "lies outside the section"},
                      Damage{"dataPastEnd", 76, 0x10000, "lies outside the section"},
                      Damage{"subdirectoryOutside", 20, 0x80000000u | 0x5000, "directory lies outside"},
                      Damage{"loop", 44, 0x80000000u, "referenced twice"},
                      Damage{"tooShallow", 68, 0x80000000u | 24, "three levels"},
                      Damage{"nameOutside", 16, 0x80000000u | 0x7000, "name lies outside"},
                      Damage{"manyEntries", 12, 0xffff0000u, "run past"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The PE image -----------------------------------------------------------

class ImageTest : public ::testing::TestWithParam<bool> {};

TEST_P(ImageTest, ReplacingTheLastSectionKeepsTheHeadersConsistent) {
    for (size_t size : {size_t{1}, size_t{0x1ff}, size_t{0x200}, size_t{0x3001}}) {
        pe::Image image;
        std::string error;
        ASSERT_TRUE(pe::Image::parse(syntheticStub(GetParam(), {res(24, 1, "<assembly/>")}), image, error)) << error;
        const uint32_t initialized = get32(image.bytes(), 0x44 + 20 + 8);
        const uint32_t oldRaw = image.sections().back().rawSize;
        ASSERT_TRUE(image.replaceLastSection(std::string(size, 'r'), error)) << error;
        const pe::Section& last = image.sections().back();
        pe::Image again;
        ASSERT_TRUE(pe::Image::parse(image.bytes(), again, error)) << error;
        const pe::Section& reread = again.sections().back();
        EXPECT_EQ(size, reread.virtualSize);
        EXPECT_EQ(0u, reread.rawSize % 0x200);
        EXPECT_GE(reread.rawSize, size);
        EXPECT_EQ(kRsrcRva, reread.virtualAddress);
        EXPECT_EQ(image.bytes().size(), again.endOfSections());
        EXPECT_EQ((kRsrcRva + size + 0xfff) / 0x1000 * 0x1000, again.sizeOfImage());
        EXPECT_EQ(initialized - oldRaw + last.rawSize, get32(again.bytes(), 0x44 + 20 + 8));
        EXPECT_EQ(std::string(size, 'r'), again.sectionData(reread).substr(0, size));
    }
}

TEST_P(ImageTest, ParseRefusesDamagedHeaders) {
    const std::string good = syntheticStub(GetParam(), {});
    pe::Image image;
    std::string error;
    for (auto damage : std::vector<std::function<void(std::string&)>>{
             [](std::string& b) { b[0] = 'X'; },                      // no MZ
             [](std::string& b) { put32(b, 0x3c, 0x7fffff00); },      // PE header outside
             [](std::string& b) { b[0x40] = 'N'; },                   // no PE signature
             [](std::string& b) { put16(b, 0x44 + 2, 0); },           // no sections
             [](std::string& b) { put16(b, 0x44 + 20, 0x107); },      // unknown magic
             [](std::string& b) { b.resize(0x500); }}) {              // last section cut short
        std::string bytes = good;
        damage(bytes);
        EXPECT_FALSE(pe::Image::parse(bytes, image, error));
        EXPECT_FALSE(error.empty());
    }
}

// An empty section's offset is not checked when reading, so a foreign file
// may point it anywhere; a new last section must neither grow the image to
// that offset nor overwrite the headers.
TEST_P(ImageTest, AnEmptyLastSectionOutsideTheDataIsNotReplaced) {
    struct Case {
        uint32_t fileAlignment, offset;
        const char* expected;
    };
    for (const Case& c : {Case{0x200, 0xfffffe00u, "beyond the end of the file"}, Case{4, 12, "overlaps the headers"}}) {
        std::string bytes = syntheticStub(GetParam(), {});
        const size_t optional = 0x44 + 20;
        const size_t lastHeader = optional + (get32(bytes, 0x44 + 16) & 0xffff) + 40;
        put32(bytes, optional + 36, c.fileAlignment);
        put32(bytes, lastHeader + 16, 0);  // no raw data
        put32(bytes, lastHeader + 20, c.offset);
        pe::Image image;
        std::string error;
        ASSERT_TRUE(pe::Image::parse(bytes, image, error)) << error;
        EXPECT_FALSE(image.replaceLastSection("data", error));
        EXPECT_NE(std::string::npos, error.find(c.expected)) << error;
        EXPECT_EQ(bytes, image.bytes());
    }
}

// Base relocations after the resources (as the linker places them) move to
// follow the new resource section, in the file and in memory, unchanged.
TEST_P(ImageTest, ReplacingTheResourcesMovesTheRelocationsAfterThem) {
    const size_t optional = 0x44 + 20;
    const size_t directories = optional + (GetParam() ? 112 : 96);
    for (size_t size : {size_t{1}, size_t{0x1001}, size_t{0x5000}}) {
        std::string bytes = syntheticStub(GetParam(), {res(24, 1, "<assembly/>")});
        const std::string relocations = std::string("\0\x10\0\0\x0c\0\0\0\x10\xa0\0\0", 12);
        const uint32_t relocRva = kRsrcRva + 0x1000;
        const size_t header = optional + (get32(bytes, 0x44 + 16) & 0xffff) + 80;
        put16(bytes, 0x44 + 2, 3);
        bytes.replace(header, 6, ".reloc");
        put32(bytes, header + 8, 12);
        put32(bytes, header + 12, relocRva);
        put32(bytes, header + 16, 0x200);
        put32(bytes, header + 20, static_cast<uint32_t>(bytes.size()));
        bytes += relocations + std::string(0x200 - 12, '\0');
        put32(bytes, directories + 8 * pe::kDirectoryBaseRelocation, relocRva);
        put32(bytes, directories + 8 * pe::kDirectoryBaseRelocation + 4, 12);
        put32(bytes, optional + 56, relocRva + 0x1000);
        pe::Image image;
        std::string error;
        ASSERT_TRUE(pe::Image::parse(bytes, image, error)) << error;
        ASSERT_TRUE(image.replaceSection(1, std::string(size, 'r'), error)) << error;
        pe::Image again;
        ASSERT_TRUE(pe::Image::parse(image.bytes(), again, error)) << error;
        const pe::Section& rsrc = again.sections()[1];
        const pe::Section& reloc = again.sections()[2];
        const uint32_t movedRva = (kRsrcRva + static_cast<uint32_t>(size) + 0xfff) / 0x1000 * 0x1000;
        EXPECT_EQ(kRsrcRva, rsrc.virtualAddress);
        EXPECT_EQ(std::string(size, 'r'), again.sectionData(rsrc).substr(0, size));
        EXPECT_EQ(movedRva, reloc.virtualAddress);
        EXPECT_EQ(rsrc.rawOffset + rsrc.rawSize, reloc.rawOffset);
        EXPECT_EQ(relocations, again.sectionData(reloc).substr(0, 12));
        EXPECT_EQ(movedRva, again.directory(pe::kDirectoryBaseRelocation).rva);
        EXPECT_EQ(12u, again.directory(pe::kDirectoryBaseRelocation).size);
        EXPECT_EQ(kRsrcRva, again.directory(pe::kDirectoryResource).rva);
        EXPECT_EQ(movedRva + 0x1000, again.sizeOfImage());
        EXPECT_EQ(image.bytes().size(), again.endOfSections());
    }
}

INSTANTIATE_TEST_SUITE_P(Bits, ImageTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "pe32plus" : "pe32"; });

TEST(Checksum, DoesNotDependOnHowTheFileIsFed) {
    std::mt19937 random(7);
    std::string file(10001, '\0');
    for (char& c : file) c = static_cast<char>(random());
    const uint32_t whole = pe::checksumOf(file, 0xd8);
    for (size_t piece : {size_t{1}, size_t{3}, size_t{4096}}) {
        pe::Checksum checksum(0xd8);
        for (size_t at = 0; at < file.size(); at += piece) checksum.update(file.data() + at, std::min(piece, file.size() - at));
        EXPECT_EQ(whole, checksum.finish()) << piece;
    }
    // The checksum field itself does not count; every other byte does.
    std::string changed = file;
    changed[0xd9] ^= 0x55;
    EXPECT_EQ(whole, pe::checksumOf(changed, 0xd8));
    changed[0xdc] ^= 0x55;
    EXPECT_NE(whole, pe::checksumOf(changed, 0xd8));
}

// The classic word-by-word algorithm, folding the carry after every word.
uint32_t referenceChecksum(std::string file, size_t field) {
    const auto length = static_cast<uint32_t>(file.size());
    for (size_t i = field; i < field + 4 && i < file.size(); ++i) file[i] = 0;
    if (file.size() % 2) file.push_back('\0');
    uint32_t sum = 0;
    for (size_t i = 0; i < file.size(); i += 2) {
        sum += static_cast<unsigned char>(file[i]) | static_cast<unsigned char>(file[i + 1]) << 8;
        sum = (sum & 0xffff) + (sum >> 16);
    }
    return ((sum & 0xffff) + (sum >> 16)) + length;
}

TEST(Checksum, MatchesTheWordByWordAlgorithm) {
    std::mt19937 random(11);
    for (size_t size : {size_t{0}, size_t{1}, size_t{217}, size_t{218}, size_t{70001}, size_t{1 << 20}}) {
        std::string file(size, '\0');
        for (char& c : file) c = static_cast<char>(random());
        EXPECT_EQ(referenceChecksum(file, 0xd8), pe::checksumOf(file, 0xd8)) << size;
    }
}

// --- Building the image -----------------------------------------------------

struct FakeFiles {
    std::map<std::string, std::string> files;
    FileReader reader() const {
        return [this](const std::string& path, std::string& bytes, std::string& reason) {
            auto it = files.find(path);
            reason = "No such file or directory";
            if (it == files.end()) return false;
            bytes = it->second;
            return true;
        };
    }
};

std::string png(uint32_t width, uint32_t height) {
    std::string b = "\x89PNG\r\n\x1a\n";
    b += std::string("\0\0\0\x0dIHDR", 8);
    for (uint32_t v : {width, height})
        for (int i = 3; i >= 0; --i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
    b += std::string("\x08\x06\0\0\0", 5) + "crc!" + "rest of a png";
    return b;
}

std::string bmp(int32_t width, int32_t height, size_t gap = 0) {
    std::string dib(40, '\0');
    put32(dib, 0, 40);
    put32(dib, 4, static_cast<uint32_t>(width));
    put32(dib, 8, static_cast<uint32_t>(height));
    put16(dib, 12, 1);
    put16(dib, 14, 24);
    const std::string pixels(static_cast<size_t>((width * 3 + 3) / 4 * 4 * std::abs(height)), '\x7f');
    std::string file = "BM" + std::string(12, '\0') + dib + std::string(gap, '\0') + pixels;
    put32(file, 2, static_cast<uint32_t>(file.size()));
    put32(file, 10, static_cast<uint32_t>(14 + 40 + gap));
    return file;
}

bool build(const std::string& stub, const BuildPlan& plan, const FakeFiles& files, pe::Image& image, std::string& error) {
    std::vector<std::string> warnings;
    return buildImage(stub, "stub.exe", plan, "app.exe", files.reader(), image, warnings, error);
}

std::vector<Resource> resourcesOf(const pe::Image& image) {
    std::vector<Resource> out;
    std::string error;
    const pe::Section& last = image.sections().back();
    EXPECT_TRUE(rsrc::decodeSection(image.sectionData(last), last.virtualAddress, out, error)) << error;
    const pe::DataDirectory dir = image.directory(pe::kDirectoryResource);
    EXPECT_EQ(last.virtualAddress, dir.rva);
    EXPECT_EQ(last.virtualSize, dir.size);
    return out;
}

struct TypeCase {
    const char* value;  // the text of entry 107; nullptr: no entry
    uint16_t subsystem;
};

class SubsystemTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(SubsystemTest, FollowsTheExecutableType) {
    for (bool is64 : {false, true}) {
        BuildPlan plan;
        if (GetParam().value != nullptr) plan.block.narrow.push_back({107, GetParam().value});
        pe::Image image;
        std::string error;
        ASSERT_TRUE(build(syntheticStub(is64, {}), plan, {}, image, error)) << error;
        EXPECT_EQ(GetParam().subsystem, image.subsystem()) << (GetParam().value ? GetParam().value : "none");
    }
}

INSTANTIATE_TEST_SUITE_P(Types, SubsystemTest,
                         ::testing::Values(TypeCase{"1", pe::kSubsystemGui}, TypeCase{"5", pe::kSubsystemGui},
                                           TypeCase{"5x", pe::kSubsystemGui}, TypeCase{"2", pe::kSubsystemConsole},
                                           TypeCase{"0", pe::kSubsystemConsole}, TypeCase{"-1", pe::kSubsystemConsole},
                                           TypeCase{"gui", pe::kSubsystemConsole},
                                           TypeCase{nullptr, pe::kSubsystemConsole}));

TEST(BuildImage, IconsSplashAndVersionBecomeResources) {
    FakeFiles files;
    files.files = {{"/p/16.png", png(16, 16)}, {"/p/256.png", png(256, 256)}, {"/p/s.bmp", bmp(30, 20, 8)},
                   {"/p/s.png", png(300, 200)}};
    BuildPlan plan;
    plan.resources.icon = {{"/p/16.png", "a.toml:2: resources.icon"}, {"/p/256.png", "a.toml:2: resources.icon"}};
    plan.resources.splashBitmap = {{"/p/s.bmp", "a.toml:3: resources.splash-bitmap"}};
    plan.resources.splashImage = {{"/p/s.png", "a.toml:4: resources.splash-image"}};
    plan.resources.hasVersion = true;
    plan.resources.version.fileVersion = {1, 2, 3, 4};
    plan.resources.version.strings = {{"FileVersion", u"1.2.3.4"}};
    const std::vector<Resource> stubResources = {res(24, 1, "<assembly/>"), res(3, 1, "old icon"),
                                                 res(14, 1, images::groupDirectory({{}}, 1))};
    pe::Image image;
    std::string error;
    ASSERT_TRUE(build(syntheticStub(false, stubResources), plan, files, image, error)) << error;
    const std::vector<Resource> out = resourcesOf(image);

    const Resource* app = rsrc::find(out, Name::number(14), Name::number(ResourceId::ApplicationIcon));
    const Resource* splash = rsrc::find(out, Name::number(14), Name::number(ResourceId::SplashIcon));
    ASSERT_TRUE(app && splash);
    EXPECT_EQ(app->data, splash->data);  // the splash window shows the application icon
    std::vector<images::GroupEntry> entries;
    ASSERT_TRUE(images::readGroupDirectory(app->data, entries, error));
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ(0, entries[1].header.width);  // 256 is written as 0
    for (size_t i = 0; i < 2; ++i) {
        const Resource* icon = rsrc::find(out, Name::number(3), Name::number(entries[i].id));
        ASSERT_TRUE(icon);
        EXPECT_EQ(files.files[i == 0 ? "/p/16.png" : "/p/256.png"], icon->data);
    }
    // The stub's old icon image went with its group.
    EXPECT_EQ(2, std::count_if(out.begin(), out.end(), [](const Resource& r) { return r.type == Name::number(3); }));
    const Resource* bitmap = rsrc::find(out, Name::number(2), Name::number(ResourceId::SplashBitmap));
    ASSERT_TRUE(bitmap);
    int32_t w, h;
    uint16_t bits;
    ASSERT_TRUE(images::bitmapSize(bitmap->data, w, h, bits));
    EXPECT_EQ(30, w);
    EXPECT_EQ(40u + (30 * 3 + 3) / 4 * 4 * 20, bitmap->data.size());  // the gap is gone
    EXPECT_EQ(files.files["/p/s.png"], rsrc::find(out, Name::number(10), Name::number(ResourceId::SplashImage))->data);
    version::VersionInfo info;
    ASSERT_TRUE(version::decode(rsrc::find(out, Name::number(16), Name::number(1))->data, info, error));
    EXPECT_EQ((version::Number{1, 2, 3, 4}), info.fileVersion);
    EXPECT_EQ((std::vector<std::pair<std::string, std::u16string>>{{"FileVersion", u"1.2.3.4"},
                                                                    {"OriginalFilename", u"app.exe"}}),
              info.strings);
    EXPECT_EQ("<assembly/>", rsrc::find(out, Name::number(24), Name::number(1))->data);  // kept
}

TEST(BuildImage, ASplashIconOfItsOwnGetsItsOwnImages) {
    FakeFiles files;
    files.files = {{"/a.png", png(32, 32)}, {"/b.png", png(48, 48)}};
    BuildPlan plan;
    plan.resources.icon = {{"/a.png", "x"}};
    plan.resources.splashIcon = {{"/b.png", "y"}};
    pe::Image image;
    std::string error;
    ASSERT_TRUE(build(syntheticStub(true, {}), plan, files, image, error)) << error;
    const std::vector<Resource> out = resourcesOf(image);
    std::vector<images::GroupEntry> app, splash;
    ASSERT_TRUE(images::readGroupDirectory(rsrc::find(out, Name::number(14), Name::number(1))->data, app, error));
    ASSERT_TRUE(images::readGroupDirectory(rsrc::find(out, Name::number(14), Name::number(10000))->data, splash, error));
    ASSERT_EQ(1u, app.size());
    ASSERT_EQ(1u, splash.size());
    EXPECT_NE(app[0].id, splash[0].id);
    EXPECT_EQ(48, splash[0].header.width);
}

struct BadResource {
    const char* name;
    const char* key;  // icon, splash-icon, splash-bitmap, splash-image, manifest
    std::vector<std::string> contents;
    const char* expected;
};

class BadResourceTest : public ::testing::TestWithParam<BadResource> {};

TEST_P(BadResourceTest, NamesTheKeyTheFileAndTheFault) {
    FakeFiles files;
    BuildPlan plan;
    std::vector<SourceFile> sources;
    for (size_t i = 0; i < GetParam().contents.size(); ++i) {
        const std::string path = "/in/f" + std::to_string(i);
        files.files[path] = GetParam().contents[i];
        sources.push_back({path, std::string("app.toml:9: ") + GetParam().key});
    }
    if (GetParam().contents.empty()) sources.push_back({"/in/missing", std::string("app.toml:9: ") + GetParam().key});
    const std::string key = GetParam().key;
    (key == "icon" ? plan.resources.icon : key == "splash-bitmap" ? plan.resources.splashBitmap
                                         : key == "splash-image"  ? plan.resources.splashImage
                                                                  : plan.resources.manifestFile) = sources;
    pe::Image image;
    std::string error;
    EXPECT_FALSE(build(syntheticStub(false, {}), plan, files, image, error));
    EXPECT_EQ(0u, error.find("app.toml:9: " + key + ": /in/")) << error;
    EXPECT_NE(std::string::npos, error.find(GetParam().expected)) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadResourceTest,
    ::testing::Values(BadResource{"missing", "icon", {}, "cannot read the file"},
                      BadResource{"notAnIcon", "icon", {"GIF89a..."}, "not an icon file"},
                      BadResource{"emptyIco", "icon", {std::string("\0\0\1\0\0\0", 6)}, "holds no image"},
                      BadResource{"icoOutside", "icon",
                                  {std::string("\0\0\1\0\1\0\x10\x10\0\0\1\0\x20\0\xff\0\0\0\x16\0\0\0", 22)},
                                  "outside the file"},
                      BadResource{"bigPng", "icon", {png(512, 512)}, "at most 256 x 256"},
                      BadResource{"icoAmongPngs", "icon", {png(16, 16), std::string("\0\0\1\0", 4)}, "PNG images only"},
                      BadResource{"bitmapNotBmp", "splash-bitmap", {png(10, 10)}, "not a BMP image"},
                      BadResource{"bitmapPixelsOutside", "splash-bitmap", {bmp(4, 4).substr(0, 54)},
                                  "cut short"},
                      BadResource{"rawNotImage", "splash-image", {"plain text"}, "not a PNG, JPEG, GIF or BMP"},
                      BadResource{"manifestNotXml", "manifest", {"hello"}, "not an application manifest"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BuildImage, RefusesStubsItCannotRewrite) {
    const std::string good = syntheticStub(false, {});
    struct Case {
        std::string stub;
        const char* expected;
    };
    std::string signedStub = good;
    put32(signedStub, 0x44 + 20 + 96 + 8 * pe::kDirectorySecurity + 4, 16);
    std::string renamed = good;
    renamed.replace(0x44 + 20 + 224 + 40, 5, ".relo");
    for (const Case& c : {Case{signedStub, "sign the built executable"}, Case{good + "block", "bytes after its last"},
                          Case{renamed, "last section is .relo"}, Case{"MZ", "not a launcher stub"}}) {
        pe::Image image;
        std::string error;
        EXPECT_FALSE(build(c.stub, BuildPlan{}, {}, image, error));
        EXPECT_NE(std::string::npos, error.find(c.expected)) << error;
    }
}

// --- Formats ----------------------------------------------------------------

TEST(Images, IconFilesAndBitmapsRoundTrip) {
    std::vector<images::IconImage> icon(2);
    icon[0].width = icon[0].height = 16;
    icon[0].data = "dib bytes";
    icon[1].data = png(256, 256);
    std::vector<images::IconImage> back;
    std::string error;
    ASSERT_TRUE(images::readIcoFile(images::icoFile(icon), back, error)) << error;
    EXPECT_EQ(icon, back);
    std::string dib;
    ASSERT_TRUE(images::bitmapResource(bmp(5, -3), dib, error)) << error;
    EXPECT_EQ(bmp(5, -3), images::bmpFile(dib));
}

TEST(Images, KindsByTheirFirstBytes) {
    EXPECT_EQ("png", images::imageKind(png(1, 1)));
    EXPECT_EQ("jpeg", images::imageKind("\xff\xd8\xff\xe0"));
    EXPECT_EQ("gif", images::imageKind("GIF87a"));
    EXPECT_EQ("bmp", images::imageKind(bmp(1, 1)));
    EXPECT_EQ("", images::imageKind("\x89PN"));
}

struct VersionText {
    const char* text;
    bool valid;
    version::Number number;
};

class VersionNumberTest : public ::testing::TestWithParam<VersionText> {};

TEST_P(VersionNumberTest, Parses) {
    version::Number n;
    EXPECT_EQ(GetParam().valid, version::parseNumber(GetParam().text, n)) << GetParam().text;
    if (GetParam().valid) EXPECT_EQ(GetParam().number, n);
}

INSTANTIATE_TEST_SUITE_P(Texts, VersionNumberTest,
                         ::testing::Values(VersionText{"1", true, {1, 0, 0, 0}}, VersionText{"1.2.3.4", true, {1, 2, 3, 4}},
                                           VersionText{"65535.0.0.65535", true, {65535, 0, 0, 65535}},
                                           VersionText{"65536", false, {}}, VersionText{"1.2.3.4.5", false, {}},
                                           VersionText{"1..2", false, {}}, VersionText{"", false, {}},
                                           VersionText{"1.2-beta", false, {}}, VersionText{" 1", false, {}}));

TEST(VersionInfo, ReadsBackWhatItWrites) {
    version::VersionInfo info;
    info.fileVersion = {1, 2, 3, 4};
    info.productVersion = {5, 6, 7, 8};
    info.strings = {{"CompanyName", u"Qarvo"}, {"FileDescription", u"R\u00e9sum\u00e9 \u65e5\u672c"},
                    {"LegalCopyright", u""}, {"ProductName", u"odd"}};
    std::string error;
    for (size_t n = 0; n <= info.strings.size(); ++n) {
        version::VersionInfo part = info;
        part.strings.resize(n);
        const std::string bytes = version::encode(part);
        EXPECT_EQ(0u, bytes.size() % 2);
        EXPECT_EQ(bytes.size(), static_cast<size_t>(static_cast<unsigned char>(bytes[0]) |
                                                    static_cast<unsigned char>(bytes[1]) << 8));
        version::VersionInfo back;
        ASSERT_TRUE(version::decode(bytes, back, error)) << error;
        EXPECT_EQ(part, back);
    }
    version::VersionInfo back;
    EXPECT_FALSE(version::decode(version::encode(info).substr(0, 40), back, error));
}

TEST(Manifest, EachOptionSetIsRecognisedAgain) {
    for (uint16_t machine : {pe::kMachineI386, pe::kMachineAmd64}) {
        const std::string plain = manifest::launcherManifest(machine, {});
        EXPECT_NE(std::string::npos, plain.find(machine == pe::kMachineI386 ? "processorArchitecture=\"X86\""
                                                                           : "processorArchitecture=\"amd64\""));
        EXPECT_NE(std::string::npos, plain.find("level=\"asInvoker\" uiAccess=\"false\""));
        EXPECT_NE(std::string::npos, plain.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
        // Windows 7, 8, 8.1 and 10/11 as supported versions.
        for (const char* id : {"35138b9a-5d96-4fbd-8e2d-a2440225f93a", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
                               "1f676c76-80e1-4239-95bb-83d0f6d0da78", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
            EXPECT_NE(std::string::npos, plain.find(std::string("<supportedOS Id=\"{") + id + "}\"/>")) << id;
        for (int dpi = 0; dpi < 4; ++dpi) {
            for (bool longPaths : {false, true}) {
                const manifest::Options options{static_cast<manifest::DpiAwareness>(dpi), longPaths};
                const std::string text = manifest::launcherManifest(machine, options);
                EXPECT_EQ(longPaths, text.find("<longPathAware") != std::string::npos);
                EXPECT_EQ(options, manifest::recognize(text, machine));
            }
        }
    }
    EXPECT_FALSE(manifest::recognize("<assembly/>", pe::kMachineI386).has_value());
}

}  // namespace

namespace {

struct SplashSizeCase {
    const char* name;
    std::vector<block::NarrowEntry> entries;
    bool warned;
};

class SplashSizeWarningTest : public ::testing::TestWithParam<SplashSizeCase> {};

// The launcher's splash window is entries 141 x 142 large: without them it has no size.
TEST_P(SplashSizeWarningTest, NamesTheBitmapsSizeWhenTheWindowWouldHaveNone) {
    FakeFiles files;
    files.files = {{"/p/s.bmp", bmp(30, 20)}};
    BuildPlan plan;
    plan.block.narrow = GetParam().entries;
    plan.resources.splashBitmap = {{"/p/s.bmp", "a.toml:3: resources.splash-bitmap"}};
    pe::Image image;
    std::string error;
    std::vector<std::string> warnings;
    ASSERT_TRUE(buildImage(syntheticStub(false, {}), "stub.exe", plan, "app.exe", files.reader(), image, warnings, error))
        << error;
    const std::vector<std::string> expected =
        GetParam().warned ? std::vector<std::string>{"splash.show is on, but splash.width and splash.height are not "
                                                     "set: the splash window has no size (the splash bitmap is 30 x 20)"}
                          : std::vector<std::string>{};
    EXPECT_EQ(expected, warnings);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, SplashSizeWarningTest,
    ::testing::Values(SplashSizeCase{"noSize", {{108, "1"}}, true},
                      SplashSizeCase{"widthOnly", {{108, "1"}, {141, "30"}}, true},
                      SplashSizeCase{"zeroHeight", {{108, "1"}, {141, "30"}, {142, "0"}}, true},
                      SplashSizeCase{"sized", {{108, "1"}, {141, "30"}, {142, "20"}}, false},
                      SplashSizeCase{"largerThanTheBitmap", {{108, "1"}, {141, "50"}, {142, "40"}}, false},
                      SplashSizeCase{"splashOff", {}, false},
                      SplashSizeCase{"throughTheRuntime", {{108, "1"}, {10123, "1"}}, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
