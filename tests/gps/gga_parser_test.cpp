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
  GgaParserTest() { log_.AttachView(&view_); }

  // Parses the whole buffer as one read of its full length.
  bool Parse(std::vector<std::uint8_t>& buffer, std::size_t read_size = 1000) {
    return FindAndParseGga(buffer, buffer.size(), read_size, clock_, log_, &fix_);
  }
  bool Parse(const std::string& text) {
    std::vector<std::uint8_t> buffer = Bytes(text);
    return Parse(buffer);
  }

  FakeClock clock_{MakeFileTime(2026, 7, 14, 12, 35, 20, 250)};
  testing::RecordingView view_;
  MessageLog log_{clock_};
  GpsFix fix_;
};

TEST_F(GgaParserTest, ParsesSentencesAsReceiversSendThem) {
  struct Case {
    std::string sentence, time, latitude, longitude, satellites, altitude;
  };
  const Case cases[] = {
      {kSentence, "12:35:19.000", " 48.070380 N", " 11.312500 E", " 8", " 545.4 M"},
      // Fraction digits are read as an integer: ".5" is 5 ms, "07.038" is 07.0038 minutes.
      {"$GPGGA,123519.5,4807.038,N,01131.25,E,1,08,0.9,545.04,M,46.9,M,,*47\r\n", "12:35:19.005",
       " 48.070038 N", " 11.310025 E", " 8", " 545.4 M"},
      {"$GPGGA,001500.250,3352.1200,S,15112.3400,W,2,11,1.1,-12.3,M,,M,,*00\r\n", "00:15:00.250",
       " 33.521200 S", " 151.123400 W", " 11", " -12.3 M"},
      // Empty fields give zeros and shift the walk onto the next fields.
      {kNoFixSentence + kOtherSentence, "12:35:19.000", " 0.000000 ,", " 0.000000 0", " 0",
       " 0.0 M"},
      {"$GPGGA,123519,99999999999999.99999999999,N,0.0,E,1,-99999999999,0.9,"
       "99999999999.7,M,,M,,*47\r\n",
       "12:35:19.000", " 21476983.953647 N", " 0.000000 E", " -2147483648", " 2147483647.7 M"}};
  for (const Case& c : cases) {
    ASSERT_TRUE(Parse(c.sentence)) << c.sentence;
    EXPECT_EQ(fix_.gps_time, c.time);
    EXPECT_EQ(fix_.latitude, c.latitude);
    EXPECT_EQ(fix_.longitude, c.longitude);
    EXPECT_EQ(fix_.satellites, c.satellites);
    EXPECT_EQ(fix_.altitude, c.altitude);
  }
  EXPECT_EQ(fix_.computer_time, clock_.UtcSystemTime());
  EXPECT_TRUE(view_.entries.empty());
}

TEST_F(GgaParserTest, SentenceTooCloseToTheEndGivesWayToThePreviousOne) {
  const std::string earlier =
      "$GPGGA,111111.00,4807.0380,N,01131.2500,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
  ASSERT_TRUE(Parse(earlier + kOtherSentence + kSentence));  // the last complete one
  EXPECT_EQ(fix_.gps_time, "12:35:19.000");
  // 57 bytes of the last sentence: it may be cut off.
  ASSERT_TRUE(Parse(earlier + kSentence.substr(0, 57)));
  EXPECT_EQ(fix_.gps_time, "11:11:11.000");
  // 58 bytes are enough for it to be taken.
  ASSERT_TRUE(Parse(earlier + kSentence.substr(0, 58)));
  EXPECT_EQ(fix_.gps_time, "12:35:19.000");
  EXPECT_TRUE(view_.entries.empty());
}

TEST_F(GgaParserTest, DataWithoutTheTagIsReportedWhateverItsLength) {
  EXPECT_FALSE(Parse(std::string(3000, ',')));
  EXPECT_FALSE(Parse(kOtherSentence + kSentence.substr(0, 57)));  // only a cut-off one
  EXPECT_FALSE(Parse(std::string(100, 'x') + "$GPGGA"));
  std::vector<std::uint8_t> nothing_read = Bytes(kSentence);
  EXPECT_FALSE(FindAndParseGga(nothing_read, 0, 1000, clock_, log_, &fix_));
  EXPECT_EQ(view_.entries.size(), 4u);
  EXPECT_EQ(view_.entries[0], "\r\n12:35:20 (UTC)\r\nCannot find GPGGA string\r\n");
}

TEST_F(GgaParserTest, TextEndsAtTheFirstZeroByte) {
  const std::string later =
      "$GPGGA,222222.00,4807.0380,N,01131.2500,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
  ASSERT_TRUE(Parse(kSentence + std::string(1, '\0') + later));
  EXPECT_EQ(fix_.gps_time, "12:35:19.000");
  // A sentence whose separators lie only behind the zero byte does not parse.
  EXPECT_FALSE(Parse("$GPGGA,123519.00" + std::string(50, ' ') + std::string(1, '\0') + later));
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

}  // namespace
}  // namespace vesk
