#include "base/name_filter.h"

#include <gtest/gtest.h>

#include <string>

namespace vesk {
namespace {

TEST(FilterNameCharactersTest, KeepsOnlyTheAllowedCharactersAndSaysWhenItDroppedAny) {
  struct Case {
    std::string text;
    bool comment;
    std::string kept;
    bool changed;
  };
  const Case cases[] = {
      {"Kalliope 22_a-Z9", false, "Kalliope 22_a-Z9", false},
      {"HIP.123/45(b)*", false, "HIP12345b", true},
      {"{a}(b)[c].:+#* x-y_z=1,5\"km\"/\\!?", true, "{a}(b)[c].:+#* x-y_z15km", true},
      // Whole non-ASCII characters, controls and NUL go.
      {std::string("M\xC3\xBCller\t\r\n") + '\0' + "\xE2\x82\xAC" + "1", true, "Mller1", true}};
  for (const Case& c : cases) {
    std::string text = c.text;
    EXPECT_EQ(FilterNameCharacters(&text, c.comment), c.changed) << c.text;
    EXPECT_EQ(text, c.kept);
  }
}

}  // namespace
}  // namespace vesk
