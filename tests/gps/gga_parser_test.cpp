#include "gps/gga_parser.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/fake_clock.h"
#include "support/recording_view.h"

namespace vesk {
namespace {

using testing::FakeClock;
using testing::MakeFileTime;

const std::string kSentence =
    "$GPGGA,123519.00,4807.0380,N,01131.2500,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
const std::string kNoFixSentence = "$GPGGA,123519,,,,,0,00,,,M,,M,,*66\r\n";
const std::string kOtherSentence = "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39\r\n";

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

class GgaParserTest : public ::testing::Test {
 protected:
  GgaParserTest() : clock_(MakeFileTime(2026, 7, 14, 12, 35, 20, 250)), log_(clock_) {
    log_.AttachView(&view_);
  }

  // Parses the whole buffer as one read of its full length.
  bool Parse(std::vector<std::uint8_t>& buffer, std::size_t read_size = 1000) {
    return FindAndParseGga(buffer, buffer.size(), read_size, clock_, log_, &fix_);
  }
  bool Parse(const std::string& text) {
    std::vector<std::uint8_t> buffer = Bytes(text);
    return Parse(buffer);
  }
  void ExpectCannotFind() {
    ASSERT_EQ(view_.entries.size(), 1u);
    EXPECT_EQ(view_.entries[0], "\r\n12:35:20 (UTC)\r\nCannot find GPGGA string\r\n");
  }

  FakeClock clock_;
  testing::RecordingView view_;
  MessageLog log_;
  GpsFix fix_;
};

TEST_F(GgaParserTest, ParsesTheStandardSentence) {
  ASSERT_TRUE(Parse(kSentence));
  EXPECT_EQ(fix_.latitude, " 48.070380 N");
  EXPECT_EQ(fix_.longitude, " 11.312500 E");
  EXPECT_EQ(fix_.satellites, " 8");
  EXPECT_EQ(fix_.altitude, " 545.4 M");
  EXPECT_EQ(fix_.gps_time, "12:35:19.000");
  EXPECT_EQ(fix_.gps_hour, 12);
  EXPECT_EQ(fix_.gps_minute, 35);
  EXPECT_EQ(fix_.gps_second, 19);
  EXPECT_EQ(fix_.gps_millisecond, 0);
  EXPECT_EQ(fix_.computer_time, clock_.UtcSystemTime());
  EXPECT_TRUE(view_.entries.empty());

  LastGpsPosition last;
  CopyFixToLastPosition(fix_, &last);
  EXPECT_EQ(last.latitude, "48.070380 N");
  EXPECT_EQ(last.longitude, "11.312500 E");
  EXPECT_EQ(last.altitude, "545.4 M");
  EXPECT_EQ(last.satellites, "8");
  EXPECT_FALSE(last.valid);
}

TEST_F(GgaParserTest, FractionDigitsAreReadAsAnInteger) {
  // Milliseconds are the digits behind the point; minutes take four fraction digits.
  ASSERT_TRUE(Parse("$GPGGA,123519.5,4807.038,N,01131.25,E,1,08,0.9,545.04,M,46.9,M,,*47\r\n"));
  EXPECT_EQ(fix_.gps_millisecond, 5);
  EXPECT_EQ(fix_.gps_time, "12:35:19.005");
  EXPECT_EQ(fix_.latitude, " 48.070038 N");
  EXPECT_EQ(fix_.longitude, " 11.310025 E");
  EXPECT_EQ(fix_.altitude, " 545.4 M");
}

TEST_F(GgaParserTest, SouthAndWestKeepPositiveNumbers) {
  ASSERT_TRUE(Parse("$GPGGA,001500.250,3352.1200,S,15112.3400,W,2,11,1.1,-12.3,M,,M,,*00\r\n"));
  EXPECT_EQ(fix_.latitude, " 33.521200 S");
  EXPECT_EQ(fix_.longitude, " 151.123400 W");
  EXPECT_EQ(fix_.satellites, " 11");
  EXPECT_EQ(fix_.altitude, " -12.3 M");
  EXPECT_EQ(fix_.gps_time, "00:15:00.250");
}

TEST_F(GgaParserTest, EmptyFieldsGiveZerosAndShiftTheWalk) {
  ASSERT_TRUE(Parse(kNoFixSentence + kOtherSentence));
  EXPECT_EQ(fix_.gps_time, "12:35:19.000");
  EXPECT_EQ(fix_.latitude, " 0.000000 ,");   // the empty N/S field's comma
  EXPECT_EQ(fix_.longitude, " 0.000000 0");  // the fix-quality digit
  EXPECT_EQ(fix_.satellites, " 0");
  EXPECT_EQ(fix_.altitude, " 0.0 M");
}

TEST_F(GgaParserTest, OverlongNumbersSaturate) {
  ASSERT_TRUE(
      Parse("$GPGGA,123519,99999999999999.99999999999,N,0.0,E,1,-99999999999,0.9,"
            "99999999999.7,M,,M,,*47\r\n"));
  EXPECT_EQ(fix_.latitude, " 21476983.953647 N");
  EXPECT_EQ(fix_.satellites, " -2147483648");
  EXPECT_EQ(fix_.altitude, " 2147483647.7 M");
}

TEST_F(GgaParserTest, TakesTheLastCompleteSentence) {
  const std::string earlier =
      "$GPGGA,111111.00,4807.0380,N,01131.2500,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
  ASSERT_TRUE(Parse(earlier + kOtherSentence + kSentence));
  EXPECT_EQ(fix_.gps_time, "12:35:19.000");
}

TEST_F(GgaParserTest, SentenceTooCloseToTheEndGivesWayToThePreviousOne) {
  const std::string earlier =
      "$GPGGA,111111.00,4807.0380,N,01131.2500,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
  // 57 bytes of the last sentence: it may be cut off.
  ASSERT_TRUE(Parse(earlier + kSentence.substr(0, 57)));
  EXPECT_EQ(fix_.gps_time, "11:11:11.000");
  // 58 bytes are enough for it to be taken.
  ASSERT_TRUE(Parse(earlier + kSentence.substr(0, 58)));
  EXPECT_EQ(fix_.gps_time, "12:35:19.000");
  EXPECT_TRUE(view_.entries.empty());
}

TEST_F(GgaParserTest, OnlyACutOffSentenceIsReportedAsNotFound) {
  EXPECT_FALSE(Parse(kOtherSentence + kSentence.substr(0, 57)));
  ExpectCannotFind();
  EXPECT_EQ(fix_.latitude, "");
}

TEST_F(GgaParserTest, DataWithoutTheTagIsReportedWhateverItsLength) {
  EXPECT_FALSE(Parse(std::string(3000, ',')));
  EXPECT_FALSE(Parse(kOtherSentence));
  EXPECT_FALSE(Parse("$GPGG"));
  EXPECT_EQ(view_.entries.size(), 3u);

  std::vector<std::uint8_t> empty;
  EXPECT_FALSE(Parse(empty));
  std::vector<std::uint8_t> nothing_read = Bytes(kSentence);
  EXPECT_FALSE(FindAndParseGga(nothing_read, 0, 1000, clock_, log_, &fix_));
  EXPECT_EQ(view_.entries.size(), 5u);
}

TEST_F(GgaParserTest, TagAtTheVeryEndOfAZeroLessBuffer) {
  EXPECT_FALSE(Parse(std::string(100, 'x') + "$GPGGA"));
  ExpectCannotFind();
  // With a complete sentence before it, that one is parsed.
  ASSERT_TRUE(Parse(kSentence + "$GPGGA"));
  EXPECT_EQ(fix_.satellites, " 8");
}

TEST_F(GgaParserTest, MissingSeparatorFailsSilentlyAndLeavesNoPartialFix) {
  std::vector<std::uint8_t> buffer =
      Bytes("$GPGGA,123519.00,4807.0380,N,01131.2500,E,1,08  no more separators here");
  EXPECT_FALSE(Parse(buffer));
  EXPECT_TRUE(view_.entries.empty());
  EXPECT_EQ(fix_.gps_time, "");
  EXPECT_EQ(fix_.latitude, "");
  EXPECT_EQ(buffer[0], '$');  // not cleared

  // A tag followed only by separators parses to zeros.
  ASSERT_TRUE(Parse("$GPGGA" + std::string(80, ',')));
  EXPECT_EQ(fix_.gps_time, "00:00:00.000");
  EXPECT_EQ(fix_.latitude, " 0.000000 ,");
}

TEST_F(GgaParserTest, FieldRunningToTheEndOfAZeroLessBuffer) {
  // The altitude digits are the last bytes of the buffer; nothing behind them is read.
  ASSERT_TRUE(Parse("$GPGGA,123519.00,4807.0380,N,01131.2500,E,1,08,0.9,      545"));
  EXPECT_EQ(fix_.altitude, " 545.0 M");
  // The hemisphere letter would be the byte past the end: the text ends with the blank,
  // and the walk stops there.
  const std::string cut = "$GPGGA,123519.00,4807.0380,";
  const std::vector<char> exact(cut.begin(), cut.end());
  GpsFix fix;
  EXPECT_FALSE(ParseGgaSentence(std::string_view(exact.data(), exact.size()), 0, clock_, &fix));
  EXPECT_EQ(fix.latitude, " 48.070380 ");
  EXPECT_EQ(fix.longitude, "");
}

TEST_F(GgaParserTest, TextEndsAtTheFirstZeroByte) {
  const std::string later =
      "$GPGGA,222222.00,4807.0380,N,01131.2500,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
  ASSERT_TRUE(Parse(kSentence + std::string(1, '\0') + later));
  EXPECT_EQ(fix_.gps_time, "12:35:19.000");

  // A sentence whose separators lie only behind the zero byte does not parse.
  EXPECT_FALSE(Parse("$GPGGA,123519.00" + std::string(50, ' ') + std::string(1, '\0') + later));
}

TEST_F(GgaParserTest, ClearsReadSizePlusMarginOnSuccess) {
  std::vector<std::uint8_t> buffer = Bytes(kSentence + std::string(200, 'y'));
  ASSERT_TRUE(Parse(buffer, 100));
  for (std::size_t i = 0; i < 120; ++i) ASSERT_EQ(buffer[i], 0) << i;
  EXPECT_EQ(buffer[120], 'y');

  buffer = Bytes(kSentence);
  ASSERT_TRUE(Parse(buffer, static_cast<std::size_t>(-1)));
  for (std::uint8_t byte : buffer) ASSERT_EQ(byte, 0);
}

TEST_F(GgaParserTest, EveryCutOfASentenceIsSafe) {
  const std::string data = kSentence + kSentence;
  for (std::size_t length = 0; length <= data.size(); ++length) {
    std::vector<std::uint8_t> buffer = Bytes(data.substr(0, length));
    if (Parse(buffer)) {
      EXPECT_EQ(fix_.gps_time, "12:35:19.000") << length;
    }
  }
}

TEST(LastGpsPositionTest, RefreshKeepsTextsTheFixLacks) {
  LastGpsPosition last{.latitude = "1", .longitude = "2", .altitude = "3", .satellites = "4"};
  GpsFix fix;
  fix.latitude = " 48.070380 N";
  fix.satellites = " 9";
  RefreshLastPosition(fix, &last);
  EXPECT_EQ(last.latitude, "48.070380 N");
  EXPECT_EQ(last.longitude, "2");
  EXPECT_EQ(last.altitude, "3");
  EXPECT_EQ(last.satellites, "9");

  CopyFixToLastPosition(fix, &last);
  EXPECT_EQ(last.longitude, "");
  EXPECT_EQ(last.altitude, "");
}

}  // namespace
}  // namespace vesk
