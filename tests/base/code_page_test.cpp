#include "base/code_page.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

TEST(CodePageTest, RoundTripsEveryDefinedWindows1252Byte) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::string back;
  ASSERT_TRUE(TryUtf8ToWindows1252(Windows1252ToUtf8(all), &back));
  EXPECT_EQ(back, all);
}

TEST(CodePageTest, MapsTheHighControlsRowToTheirCharacters) {
  EXPECT_EQ(Windows1252ToUtf8("\x80"), "\xE2\x82\xAC");            // euro sign
  EXPECT_EQ(Windows1252ToUtf8("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");  // été
  EXPECT_EQ(Windows1252ToUtf8("\x9F"), "\xC5\xB8");                // Y with diaeresis
  std::string narrow;
  ASSERT_TRUE(
      TryUtf8ToWindows1252("\xE2\x80\x9C"
                           "a"
                           "\xE2\x80\x9D",
                           &narrow));
  EXPECT_EQ(narrow,
            "\x93"
            "a"
            "\x94");
}

TEST(CodePageTest, RefusesCharactersOutsideThePageAndInvalidUtf8) {
  std::string out = "untouched";
  EXPECT_FALSE(TryUtf8ToWindows1252("Ceres \xCE\xB1", &out));    // Greek alpha
  EXPECT_FALSE(TryUtf8ToWindows1252("\xF0\x9F\x94\xAD", &out));  // telescope emoji
  EXPECT_FALSE(TryUtf8ToWindows1252("\xC3", &out));              // cut sequence
  EXPECT_FALSE(TryUtf8ToWindows1252("\xC0\xAF", &out));          // overlong '/'
  EXPECT_FALSE(TryUtf8ToWindows1252("\xED\xA0\x80", &out));      // surrogate
  EXPECT_EQ(out, "untouched");

  bool replaced = false;
  EXPECT_EQ(Utf8ToWindows1252Lossy("a\xCE\xB1z\xC3\xA9", &replaced), "a?z\xE9");
  EXPECT_TRUE(replaced);
  EXPECT_EQ(Utf8ToWindows1252Lossy("plain", &replaced), "plain");
  EXPECT_FALSE(replaced);
}

TEST(CodePageTest, CountsAndCutsByCharacterNeverInsideOne) {
  const std::string text = "\xC3\xA9t\xC3\xA9";  // 3 characters, 5 bytes
  EXPECT_EQ(CharacterCount(text), 3u);
  EXPECT_EQ(TruncateToCharacters(text, 1), "\xC3\xA9");
  EXPECT_EQ(TruncateToCharacters(text, 2), "\xC3\xA9t");
  EXPECT_EQ(TruncateToCharacters(text, 10), text);
  EXPECT_EQ(FitToCapacity("abcdefghijklmnopqrstuvwxyz", 21), "abcdefghijklmnopqrst");
  EXPECT_EQ(FitToCapacity("abc", 0), "");
  // A stray byte counts as one character and is never split further.
  EXPECT_EQ(CharacterCount("\xFF\xFE"), 2u);
  EXPECT_EQ(TruncateToCharacters("\xE2\x82", 1), "\xE2");
}

}  // namespace
}  // namespace vesk
