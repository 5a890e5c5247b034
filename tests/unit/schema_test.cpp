// The schema of project files and the reader agree on what a key takes: the
// words of a text key, a size's range, the form of a version number.
#include <gtest/gtest.h>

#include <regex>

#include "builder/pe/version_info.h"
#include "builder/project/checks.h"
#include "builder/project/schema.h"
#include "format/config_ids.h"

namespace {

// A text key with words (none of the key table has any yet) and a size.
TEST(KeySchema, WordsAndSizesAreTheReadersOwn) {
    const KeyDef words{"application", "mode", 9999, KeyKind::Text, "a mode", {"windows", "classic"}};
    EXPECT_NE(std::string::npos, keySchema(words).text().find("\"enum\": [\"windows\", \"classic\"]"))
        << keySchema(words).text();
    std::string why;
    EXPECT_TRUE(checkKeyValue(words, "classic", why));
    EXPECT_FALSE(checkKeyValue(words, "Classic", why));
    EXPECT_EQ("expected \"windows\" or \"classic\"", why);

    const KeyDef* width = keyForId(ConfigId::SplashWidth);
    ASSERT_NE(nullptr, width);
    EXPECT_NE(std::string::npos, keySchema(*width).text().find("\"minimum\": 1,")) << keySchema(*width).text();
    EXPECT_TRUE(checkKeyValue(*width, "1", why));
    EXPECT_FALSE(checkKeyValue(*width, "0", why));
}

class VersionNumberPattern : public ::testing::TestWithParam<const char*> {};

TEST_P(VersionNumberPattern, TakesWhatTheReaderTakes) {
    version::Number number;
    const bool read = version::parseNumber(GetParam(), number);
    EXPECT_EQ(read, std::regex_match(GetParam(), std::regex(version::numberPattern()))) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Texts, VersionNumberPattern,
                         ::testing::Values("1", "1.2.3.4", "0.0.0.0", "65535.65534.65529.65499", "64999.59999",
                                           "00001.2", "65536", "70000", "100000", "000001", "1.2.3.4.5", "1..2",
                                           ".1", "1.", "", "1.a", "-1", "1 .2"));

}  // namespace
