// The launcher stubs import system libraries only: every library named in
// their import tables (and delay-load tables) is one that Windows ships, so
// nothing of the compiler's runtime or of an application's directory is
// loaded before the launcher's own code runs. (Libraries planted beside the
// launcher or in the current directory: bad_input_test.cpp.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "builder/pe/pe_image.h"
#include "tests/e2e/rig.h"

namespace {

constexpr int kDirectoryImport = 1;
constexpr int kDirectoryDelayImport = 13;

// The system libraries the launcher may import: the kernel, user interface
// and drawing, registry and token, shell, COM allocation for the shell,
// common controls and the C runtime that every Windows has.
const std::set<std::string> kAllowed = {"kernel32.dll", "user32.dll",   "gdi32.dll", "advapi32.dll",
                                        "shell32.dll",  "comctl32.dll", "ole32.dll", "msvcrt.dll"};

uint32_t get32(const std::string& bytes, size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes.at(offset + i));
    return value;
}

// The file offset of a relative virtual address, or 0 when no section holds it.
size_t fileOffset(const pe::Image& image, uint32_t rva) {
    for (const pe::Section& section : image.sections()) {
        const uint32_t size = std::max(section.virtualSize, section.rawSize);
        if (rva >= section.virtualAddress && rva < section.virtualAddress + size)
            return section.rawOffset + (rva - section.virtualAddress);
    }
    return 0;
}

std::string nameAt(const pe::Image& image, uint32_t rva) {
    const size_t at = fileOffset(image, rva);
    if (at == 0) return "<outside the sections>";
    const std::string& bytes = image.bytes();
    std::string name = bytes.substr(at, bytes.find('\0', at) - at);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

// The library names of an import table: descriptors of 20 bytes (name at
// offset 12) for imports, of 32 bytes (name at offset 4) for delay loads,
// each table ended by an all-zero descriptor.
std::vector<std::string> importedLibraries(const pe::Image& image, int directory, size_t size, size_t nameField) {
    std::vector<std::string> names;
    const pe::DataDirectory table = image.directory(directory);
    if (table.rva == 0) return names;
    size_t at = fileOffset(image, table.rva);
    if (at == 0) {
        names.push_back("<table outside the sections>");
        return names;
    }
    for (;; at += size) {
        const uint32_t name = get32(image.bytes(), at + nameField);
        if (name == 0) break;
        names.push_back(nameAt(image, name));
    }
    return names;
}

class ImportTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ImportTest, NamesSystemLibrariesOnly) {
    pe::Image image;
    std::string error;
    ASSERT_TRUE(pe::Image::parse(rig::readFile(rig::stubPath(GetParam())), image, error)) << error;
    const std::vector<std::string> imports = importedLibraries(image, kDirectoryImport, 20, 12);
    const std::vector<std::string> delayed = importedLibraries(image, kDirectoryDelayImport, 32, 4);
    // The table was found and read: the kernel is always among them.
    EXPECT_NE(imports.end(), std::find(imports.begin(), imports.end(), "kernel32.dll"));
    for (const std::string& name : imports) EXPECT_TRUE(kAllowed.count(name)) << name << " is imported";
    for (const std::string& name : delayed) EXPECT_TRUE(kAllowed.count(name)) << name << " is delay-loaded";
}

INSTANTIATE_TEST_SUITE_P(Stubs, ImportTest, ::testing::Values("x86", "x64"));

}  // namespace
