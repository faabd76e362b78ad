#include "base/code_page.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

TEST(CodePageTest, RoundTripsEveryWindows1252ByteAndMapsTheHighRow) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::string back;
  ASSERT_TRUE(TryUtf8ToWindows1252(Windows1252ToUtf8(all), &back));
  EXPECT_EQ(back, all);
  EXPECT_EQ(Windows1252ToUtf8("\x80\x9F"), "\xE2\x82\xAC\xC5\xB8");  // euro, Y diaeresis
}

TEST(CodePageTest, RefusesCharactersOutsideThePageAndInvalidUtf8) {
  std::string out = "untouched";
  for (const char* bad :
       {"Ceres \xCE\xB1", "\xF0\x9F\x94\xAD", "\xC3", "\xC0\xAF", "\xED\xA0\x80"}) {
    EXPECT_FALSE(TryUtf8ToWindows1252(bad, &out)) << bad;
  }
  EXPECT_EQ(out, "untouched");
  bool replaced = false;
  EXPECT_EQ(Utf8ToWindows1252Lossy("a\xCE\xB1z\xC3\xA9", &replaced), "a?z\xE9");
  EXPECT_TRUE(replaced);
}

TEST(CodePageTest, CountsAndCutsByCharacterNeverInsideOne) {
  const std::string text = "\xC3\xA9t\xC3\xA9";  // 3 characters, 5 bytes
  EXPECT_EQ(CharacterCount(text), 3u);
  EXPECT_EQ(TruncateToCharacters(text, 1), "\xC3\xA9");
  EXPECT_EQ(FitToCapacity("abcdefghijklmnopqrstuvwxyz", 21), "abcdefghijklmnopqrst");
  // A stray byte counts as one character and is never split further.
  EXPECT_EQ(CharacterCount("\xFF\xFE"), 2u);
  EXPECT_EQ(TruncateToCharacters("\xE2\x82", 1), "\xE2");
}

}  // namespace
}  // namespace vesk
