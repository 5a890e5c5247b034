// The locale identifier table and its two-pass lookup.
#include <gtest/gtest.h>

#include <string>

#include "config/locale_table.h"

namespace {

struct LocaleCase {
    uint32_t lcid;
    const char* code;  // nullptr: none
};

class LocaleTest : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(LocaleTest, Maps) {
    const char* code = localeCodeFor(GetParam().lcid);
    if (GetParam().code == nullptr) {
        EXPECT_EQ(nullptr, code);
    } else {
        ASSERT_NE(nullptr, code);
        EXPECT_STREQ(GetParam().code, code);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LocaleTest,
    ::testing::Values(LocaleCase{0x0807, "de_CH"}, LocaleCase{0x00050c07, "de_AT"}, LocaleCase{0x0c09, "en_AU"},
                      LocaleCase{0x4409, "en"}, LocaleCase{0x0428, nullptr}, LocaleCase{0x0814, "no_NO_NY"},
                      // Rows that break the regular pattern.
                      LocaleCase{0x0812, "ko_KR"}, LocaleCase{0x0c0a, "es_ES"}, LocaleCase{0x081a, "sr_CS"},
                      LocaleCase{0x0c1a, "sr_CS"}, LocaleCase{0x082c, "az_AZ"}, LocaleCase{0x0843, "uz_UZ"},
                      LocaleCase{0x0431, "ts"}, LocaleCase{0x0434, "xh"}, LocaleCase{0x0435, "zu"},
                      LocaleCase{0x043d, "yi"}, LocaleCase{0x0444, "tt"}, LocaleCase{0x2409, "en"},
                      LocaleCase{0x040d, "iw_IL"}, LocaleCase{0x0421, "in_ID"}, LocaleCase{0x041a, "hr_HR"},
                      // Bare language rows, and the fallback to them.
                      LocaleCase{0x0007, "de"}, LocaleCase{0x0056, "gl"}, LocaleCase{0x1c07, "de"},
                      LocaleCase{0x0000, nullptr}, LocaleCase{0x0028, nullptr}, LocaleCase{0x500a, "es_PR"},
                      LocaleCase{0x540a, "es"}));

TEST(LocaleTable, Has215Rows) { EXPECT_EQ(215u, localeTableSize()); }

}  // namespace
