// The launcher's executables carry what security reviews and Windows'
// mitigations look for in their PE headers: a random load address with the
// relocations to allow it (a 64-bit one on x64), no executable data, terminal
// server awareness, and no section both writable and executable. Checked on
// both stubs and on executables the builder rewrote; each check is shown to
// fail on an image that lacks what it checks.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "builder/pe/pe_image.h"
#include "tests/e2e/rig.h"

namespace {

constexpr uint16_t kHighEntropyVa = 0x0020;
constexpr uint16_t kDynamicBase = 0x0040;
constexpr uint16_t kNxCompat = 0x0100;
constexpr uint16_t kTerminalServerAware = 0x8000;
constexpr uint16_t kRelocationsStripped = 0x0001;
constexpr uint32_t kExecute = 0x20000000;
constexpr uint32_t kWrite = 0x80000000;

size_t coffHeader(const std::string& bytes) {
    return (static_cast<unsigned char>(bytes[0x3c]) | static_cast<unsigned char>(bytes[0x3d]) << 8) + 4;
}
uint16_t get16(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8);
}
void put16(std::string& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<char>(value & 0xff);
    bytes[at + 1] = static_cast<char>(value >> 8);
}
size_t dllCharacteristics(const std::string& bytes) { return coffHeader(bytes) + 20 + 70; }
size_t sectionTable(const std::string& bytes) {
    return coffHeader(bytes) + 20 + get16(bytes, coffHeader(bytes) + 16);
}

struct Check {
    const char* name;
    bool x64Only;
    std::function<bool(const pe::Image&)> holds;
    // Makes an image that lacks it: what an old-style stub looked like.
    std::function<void(std::string&, const pe::Image&)> remove;
};

std::function<bool(const pe::Image&)> flag(uint16_t bit) {
    return [bit](const pe::Image& image) { return (get16(image.bytes(), dllCharacteristics(image.bytes())) & bit) != 0; };
}
std::function<void(std::string&, const pe::Image&)> clearFlag(uint16_t bit) {
    return [bit](std::string& bytes, const pe::Image&) {
        put16(bytes, dllCharacteristics(bytes), get16(bytes, dllCharacteristics(bytes)) & ~bit);
    };
}

const std::vector<Check>& checks() {
    static const std::vector<Check> table = {
        {"DYNAMIC_BASE", false, flag(kDynamicBase), clearFlag(kDynamicBase)},
        {"HIGH_ENTROPY_VA", true, flag(kHighEntropyVa), clearFlag(kHighEntropyVa)},
        {"NX_COMPAT", false, flag(kNxCompat), clearFlag(kNxCompat)},
        {"TERMINAL_SERVER_AWARE", false, flag(kTerminalServerAware), clearFlag(kTerminalServerAware)},
        {"relocations",
         false,
         [](const pe::Image& image) {
             const pe::DataDirectory relocations = image.directory(pe::kDirectoryBaseRelocation);
             return relocations.rva != 0 && relocations.size != 0 &&
                    (get16(image.bytes(), coffHeader(image.bytes()) + 18) & kRelocationsStripped) == 0;
         },
         [](std::string& bytes, const pe::Image& image) {
             // The directory entry's size: the base-relocation directory left empty.
             const size_t directories = coffHeader(bytes) + 20 + (image.is64() ? 112 : 96);
             for (int i = 4; i < 8; ++i) bytes[directories + 8 * pe::kDirectoryBaseRelocation + i] = '\0';
         }},
        {"no writable and executable section",
         false,
         [](const pe::Image& image) {
             for (const pe::Section& section : image.sections())
                 if ((section.characteristics & (kWrite | kExecute)) == (kWrite | kExecute)) return false;
             return true;
         },
         [](std::string& bytes, const pe::Image&) {
             const size_t characteristics = sectionTable(bytes) + 36;  // the first section's (.text)
             bytes[characteristics + 3] = static_cast<char>(bytes[characteristics + 3] | 0x80);
         }},
    };
    return table;
}

// The checks an image fails, by name.
std::vector<std::string> failures(const std::string& bytes) {
    pe::Image image;
    std::string error;
    if (!pe::Image::parse(bytes, image, error)) return {"parse: " + error};
    std::vector<std::string> failed;
    for (const Check& check : checks())
        if ((!check.x64Only || image.is64()) && !check.holds(image)) failed.push_back(check.name);
    return failed;
}

std::string machineName(const std::string& bytes) {
    pe::Image image;
    std::string error;
    return pe::Image::parse(bytes, image, error) && image.is64() ? "x64" : "x86";
}

class HardeningTest : public ::testing::TestWithParam<std::string> {
protected:
    std::string arch() const { return GetParam(); }
};

TEST_P(HardeningTest, TheStubAndABuiltExecutablePassEveryCheck) {
    const std::string stub = rig::readFile(rig::stubPath(arch()));
    EXPECT_EQ(arch(), machineName(stub));
    EXPECT_EQ(std::vector<std::string>{}, failures(stub)) << "stub";

    rig::Workspace ws;
    auto icon = rig::run({"convert", "-size", "32x32", "xc:teal", ws.file("app.ico")});
    ASSERT_EQ(0, icon.exitCode) << icon.err;
    auto built = rig::buildProject(ws, R"toml(
[resources]
icon = "app.ico"
[version]
file-version = "2.7.1.8"
description = "Hardened"
product-name = "Hardened"
)toml", "hardened.exe", arch());
    ASSERT_EQ(0, built.exitCode) << built.err;
    EXPECT_EQ(std::vector<std::string>{}, failures(rig::readFile(ws.file("hardened.exe")))) << "built executable";
}

TEST_P(HardeningTest, EachCheckFailsOnAnImageWithoutWhatItChecks) {
    const std::string stub = rig::readFile(rig::stubPath(arch()));
    pe::Image image;
    std::string error;
    ASSERT_TRUE(pe::Image::parse(stub, image, error)) << error;
    for (const Check& check : checks()) {
        if (check.x64Only && !image.is64()) continue;
        std::string damaged = stub;
        check.remove(damaged, image);
        EXPECT_EQ(std::vector<std::string>{check.name}, failures(damaged)) << check.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Arch, HardeningTest, ::testing::Values("x86", "x64"));

}  // namespace
