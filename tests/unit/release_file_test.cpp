// The version a release file states, and the machine a PE header names.
#include <gtest/gtest.h>

#include "jvm/release_file.h"

namespace {

struct ReleaseCase {
    const char* name;
    const char* text;
    const char* version;  // nullptr: not settled, the runtime must be run
};

class ReleaseFileTest : public ::testing::TestWithParam<ReleaseCase> {};

TEST_P(ReleaseFileTest, StatesTheBannersVersionOrNothing) {
    const auto version = versionFromReleaseFile(GetParam().text);
    if (GetParam().version == nullptr)
        EXPECT_FALSE(version.has_value()) << *version;
    else
        EXPECT_EQ(GetParam().version, version.value_or("(none)"));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReleaseFileTest,
    ::testing::Values(
        ReleaseCase{"openJdk17", "IMPLEMENTOR=\"Eclipse Adoptium\"\nJAVA_RUNTIME_VERSION=\"17.0.9+9\"\nJAVA_VERSION=\"17.0.9\"\n", "17.0.9"},
        ReleaseCase{"crLf", "JAVA_VERSION=\"21.0.1\"\r\nOS_ARCH=\"amd64\"\r\n", "21.0.1"},
        ReleaseCase{"java8", "JAVA_VERSION=\"1.8.0_392\"\nOS_NAME=\"Windows\"\n", "1.8.0_392"},
        ReleaseCase{"earlyAccess", "JAVA_VERSION=\"22\"\nJAVA_RUNTIME_VERSION=\"22-ea+27-2262\"\n", "22-ea"},
        ReleaseCase{"unquotedAndComments", "# made by hand\n\nJAVA_VERSION=11.0.21\n", "11.0.21"},
        ReleaseCase{"buildOnlyAfterPlus", "JAVA_VERSION=\"17.0.9\"\nJAVA_RUNTIME_VERSION=\"17.0.9+9-LTS\"\n", "17.0.9"},
        ReleaseCase{"repeatedKeyTheLastLineHolds", "JAVA_VERSION=\"11\"\nJAVA_VERSION=\"17.0.9\"\n", "17.0.9"},
        ReleaseCase{"noVersion", "IMPLEMENTOR=\"Oracle\"\n", nullptr},
        ReleaseCase{"notANumber", "JAVA_VERSION=\"seventeen\"\n", nullptr},
        ReleaseCase{"emptyVersion", "JAVA_VERSION=\"\"\n", nullptr},
        ReleaseCase{"unclosedQuote", "JAVA_VERSION=\"17.0.9\n", nullptr},
        ReleaseCase{"quoteInsideQuotes", "JAVA_VERSION=\"17.0.9\"\rOS_ARCH=\"amd64\"\n", nullptr},
        ReleaseCase{"notKeyValue", "JAVA_VERSION=\"17.0.9\"\ngarbage line\n", nullptr},
        ReleaseCase{"binary", "\x7f" "ELF\x01\x02", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

std::string peHeader(uint16_t machine, uint32_t at = 0x80) {
    std::string bytes(at + 24, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    for (int i = 0; i < 4; ++i) bytes[0x3c + i] = static_cast<char>(at >> (8 * i));
    bytes.replace(at, 4, std::string("PE\0\0", 4));
    bytes[at + 4] = static_cast<char>(machine);
    bytes[at + 5] = static_cast<char>(machine >> 8);
    return bytes;
}

TEST(PeMachine, ReadsTheHeaderOrNothing) {
    EXPECT_EQ(0x14c, peMachineOf(peHeader(0x14c)).value_or(0));
    EXPECT_EQ(0x8664, peMachineOf(peHeader(0x8664, 0xf8)).value_or(0));
    std::string noSignature = peHeader(0x8664);
    noSignature[0x80] = 'X';
    EXPECT_FALSE(peMachineOf(noSignature));
    EXPECT_FALSE(peMachineOf(peHeader(0x8664).substr(0, 0x84)));  // cut inside the header
    std::string far = peHeader(0x8664);
    far[0x3f] = 0x7f;  // the header beyond the bytes read
    EXPECT_FALSE(peMachineOf(far));
    EXPECT_FALSE(peMachineOf("MZ"));
}

}  // namespace
