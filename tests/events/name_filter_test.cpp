#include "events/name_filter.h"

#include <gtest/gtest.h>

#include <string>

namespace vesk {
namespace {

TEST(FilterNameCharactersTest, NameRuleKeepsLettersDigitsDashUnderscoreBlank) {
  std::string text = "Kalliope 22_a-Z9";
  EXPECT_FALSE(FilterNameCharacters(&text, false));
  EXPECT_EQ(text, "Kalliope 22_a-Z9");

  text = "HIP.123/45(b)*";
  EXPECT_TRUE(FilterNameCharacters(&text, false));
  EXPECT_EQ(text, "HIP12345b");
}

TEST(FilterNameCharactersTest, ExtendedRuleAlsoKeepsCommentPunctuation) {
  std::string text = "{a}(b)[c].:+#* x-y_z";
  EXPECT_FALSE(FilterNameCharacters(&text, true));
  EXPECT_EQ(text, "{a}(b)[c].:+#* x-y_z");

  text = "dist=1,5\"km\"/\\!?";
  EXPECT_TRUE(FilterNameCharacters(&text, true));
  EXPECT_EQ(text, "dist15km");
}

TEST(FilterNameCharactersTest, DropsWholeNonAsciiCharactersControlsAndNul) {
  std::string text = std::string("M\xC3\xBCller\t\r\n") + '\0' + "\xE2\x82\xAC" + "1";
  EXPECT_TRUE(FilterNameCharacters(&text, true));
  EXPECT_EQ(text, "Mller1");

  text.clear();
  EXPECT_FALSE(FilterNameCharacters(&text, false));
  EXPECT_EQ(text, "");
}

TEST(FilterNameCharactersTest, ReportTexts) {
  EXPECT_EQ(kNameCharactersText,
            "Allowed characters are 'a' thru 'z', 'A' thru 'Z', '0' thru '9', '-', '_' or "
            "blank\r\n");
  EXPECT_EQ(kCommentCharactersText,
            "Allowed characters are 'a' thru 'z', 'A' thru 'Z', '0' thru '9', or {}()[].:_-+#* "
            "or blank\r\n");
}

}  // namespace
}  // namespace vesk
