#include "analysis/pixels/character_sets.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/files.h"
#include "support/fake_clock.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using testing::FakeClock;
using testing::MakeFileTime;
using testing::RecordingMessageBox;
using testing::RecordingView;
using testing::ScopedTempDir;
using testing::WriteFileBytes;

// One plain cell as the set files hold it: the character, then 28 rows of 20 hex values.
std::string PlainCell(char character, int first_value) {
  std::string text(1, character);
  text += "\n";
  for (int row = 0; row < 28; ++row) {
    for (int column = 0; column < 20; ++column) {
      char value[8];
      std::snprintf(value, sizeof value, "%x ", (first_value + row * 20 + column) & 0xFF);
      text += value;
    }
    text += "\n";
  }
  return text;
}

std::string InterlacedCell(const std::string& header, const std::string& value) {
  std::string text = header + "\n";
  for (int i = 0; i < 1200; ++i) text += value + " ";
  return text + "\n";
}

TEST(CharacterSetTest, PlainCellsWithBlanksDigitsAndLowBytes) {
  std::string text = "3\r\n" + PlainCell('#', 0) + PlainCell('7', 5) + "Q\r\n1FF 0x2a -1 ";
  CharacterSet set;
  ParseCharacterSet(text, &set);
  ASSERT_EQ(set.cells.size(), 3u);
  EXPECT_EQ(set.cells[0].character, u' ');
  EXPECT_EQ(set.cells[0].digit_value, -1);
  EXPECT_EQ(set.cells[0].image[21], 21);  // row 1, column 1: rows are stored in order
  EXPECT_EQ(set.cells[0].image[559], 559 & 0xFF);
  EXPECT_EQ(set.cells[1].character, u'7');
  EXPECT_EQ(set.cells[1].digit_value, 7);
  EXPECT_EQ(set.cells[1].image[0], 5);
  // The last cell is cut short: what the file holds is read, the rest stays zero.
  EXPECT_EQ(set.cells[2].character, u'Q');
  EXPECT_EQ(set.cells[2].image[0], 0xFF);
  EXPECT_EQ(set.cells[2].image[1], 0x2A);
  EXPECT_EQ(set.cells[2].image[2], 0xFF);
  EXPECT_EQ(set.cells[2].image[3], 0);
  EXPECT_EQ(set.cells[2].image[559], 0);
}

TEST(CharacterSetTest, ShortAndMalformedFilesKeepTheDeclaredCountAtInitialValues) {
  CharacterSet empty;
  ParseCharacterSet("0\n", &empty);
  EXPECT_TRUE(empty.cells.empty());

  InterlacedSet set;
  ParseInterlacedSet("2\n" + InterlacedCell("5 3", "ab"), &set);
  ASSERT_EQ(set.cells.size(), 2u);
  EXPECT_EQ(set.cells[0].character, u'5');
  EXPECT_EQ(set.cells[0].digit_value, 5);
  EXPECT_EQ(set.cells[0].number, 3);
  EXPECT_EQ(set.cells[0].image[1199], 0xAB);
  EXPECT_EQ(set.cells[1].character, u' ');
  EXPECT_EQ(set.cells[1].digit_value, -1);
  EXPECT_EQ(set.cells[1].image[0], 0);

  // A value that is not hex stops every later value of the cell, as formatted input does,
  // and is then taken as the next cell's character.
  InterlacedSet broken;
  ParseInterlacedSet("2\nA 1\n10 20 zz 30\n", &broken);
  ASSERT_EQ(broken.cells.size(), 2u);
  EXPECT_EQ(broken.cells[0].image[1], 0x20);
  EXPECT_EQ(broken.cells[0].image[2], 0);
  EXPECT_EQ(broken.cells[0].image[3], 0);
  EXPECT_EQ(broken.cells[1].character, u'z');

  // The count field is three characters wide; a negative count gives no cells.
  CharacterSet wide;
  ParseCharacterSet("0005\n", &wide);
  EXPECT_TRUE(wide.cells.empty());
  CharacterSet negative;
  ParseCharacterSet("-99\n", &negative);
  EXPECT_TRUE(negative.cells.empty());
  CharacterSet no_count;
  ParseCharacterSet("", &no_count);
  EXPECT_TRUE(no_count.cells.empty());
}

class RecognitionSetsTest : public ::testing::Test {
 protected:
  RecognitionSetsTest() { log.AttachView(&view); }

  ScopedTempDir dir;
  FakeClock clock{MakeFileTime(2026, 5, 6, 7, 8, 9)};
  MessageLog log{clock};
  RecordingView view;
  RecordingMessageBox box;
  ErrorReporter errors{log, box};
};

TEST_F(RecognitionSetsTest, AllThreeFilesLoadWithoutWarnings) {
  WriteFileBytes(kInterlacedEvenSetFile, "1\r\n" + InterlacedCell("E 1", "7"));
  WriteFileBytes(kInterlacedOddSetFile, "0\r\n");
  WriteFileBytes(kPlainCharacterSetFile, "1\r\n" + PlainCell('2', 1));
  RecognitionSets sets;
  LoadRecognitionSets(&sets, errors);
  ASSERT_EQ(sets.interlaced.size(), 2u);
  EXPECT_EQ(sets.interlaced[0].cells.at(0).character, u'E');
  EXPECT_TRUE(sets.interlaced[1].cells.empty());  // an empty set still counts as loaded
  EXPECT_EQ(sets.plain.cells.at(0).digit_value, 2);
  ResetRecognition(sets, log);
  EXPECT_TRUE(view.entries.empty());
}

TEST_F(RecognitionSetsTest, AMissingInterlacedSetIsReportedAtStartUpAndAtEachAnalysisStart) {
  WriteFileBytes(kInterlacedEvenSetFile, "0\n");
  RecognitionSets sets;
  sets.interlaced.resize(3);  // a second load starts from an empty list
  LoadRecognitionSets(&sets, errors);
  EXPECT_EQ(sets.interlaced.size(), 1u);
  EXPECT_TRUE(sets.plain.cells.empty());  // missing, and not reported
  ResetRecognition(sets, log);
  ResetRecognition(sets, log);
  const std::string ocr =
      "\r\n07:08:09 (UTC)\r\nAs reported at application startup, character recognition sets "
      "are missing.  You cannot do OCR.\r\n";
  EXPECT_EQ(view.entries,
            (std::vector<std::string>{"\r\n07:08:09 (UTC)\r\nWARNING: Character recognition sets "
                                      "are missing from install directory,  warning 1029\r\n",
                                      ocr, ocr}));
  EXPECT_TRUE(box.shown.empty());

  CharacterSet plain;
  EXPECT_FALSE(LoadCharacterSet(&plain));
  InterlacedSet folder;
  ASSERT_TRUE(files::CreateFolder("folder.iff"));
  EXPECT_FALSE(LoadInterlacedSet("folder.iff", &folder));
}

}  // namespace
}  // namespace vesk
