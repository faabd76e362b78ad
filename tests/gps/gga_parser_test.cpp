#include "gps/gga_parser.h"

#include <gtest/gtest.h>

#include <string>

#include "support/fake_clock.h"
#include "support/recording_view.h"

namespace vesk {
namespace {

using testing::FakeClock;
using testing::MakeFileTime;

// Sentences as receivers of several kinds send them: multi-constellation with five digits
// of a minute, four digits, an old three-digit receiver, rounding of the fifth digit.
const std::string kFiveDigits =
    "$GNGGA,092725.00,2037.72792,N,10322.31250,W,1,12,0.72,1865.027,M,-8.4,M,,*7B\r\n";
const std::string kFourDigits =
    "$GPGGA,123519.000,4807.0380,N,01131.2500,E,1,08,0.9,545.4,M,46.9,M,,*5E\r\n";

class GgaParserTest : public ::testing::Test {
 protected:
  GgaParserTest() { log_.AttachView(&view_); }
  GgaResult Parse(const std::string& received) {
    return FindAndParseGga(received, clock_, log_, &fix_);
  }

  FakeClock clock_{MakeFileTime(2026, 7, 14, 12, 35, 20, 250)};
  testing::RecordingView view_;
  MessageLog log_{clock_};
  GpsFix fix_;
};

TEST_F(GgaParserTest, SentencesOfEveryTalkerGiveTheRightPositionAsSent) {
  struct Case {
    std::string sentence;
    GgaResult result;
    std::string time, latitude, longitude, satellites, altitude;
  };
  const GgaResult P = GgaResult::kPosition;
  const GgaResult N = GgaResult::kNoPosition;
  const Case cases[] = {
      {kFiveDigits, P, "09:27:25.000", " 20.377279 N", " 103.223125 W", " 12", " 1865.027 M"},
      {kFourDigits, P, "12:35:19.000", " 48.070380 N", " 11.312500 E", " 8", " 545.4 M"},
      {"$GPGGA,001500,3352.120,S,15112.340,E,2,05,1.1,-0.8,M,21.0,M,,*7E\r\n", P, "00:15:00.000",
       " 33.521200 S", " 151.123400 E", " 5", " -0.8 M"},
      {"$GLGGA,235959.5,5132.00005,N,00007.99995,W,1,07,1.0,545.04,M,,,,*31\r\n", P, "23:59:59.500",
       " 51.320001 N", " 0.080000 W", " 7", " 545.04 M"},
      // Without a checksum the line end closes the sentence.
      {"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,\r\n", P, "12:35:19.000",
       " 48.070380 N", " 11.310000 E", " 8", " 545.4 M"},
      {"$GAGGA,120000.00,4807.038,N,01131.000,E,1,04,2.5,,,,,,*4F\r\n", P, "12:00:00.000",
       " 48.070380 N", " 11.310000 E", " 4", ""},
      // Searching receivers: no position at all, whatever the other fields hold.
      {"$GPGGA,,,,,,0,00,99.99,,,,,,*48\r\n", N, "", "", "", "", ""},
      {"$GPGGA,120000.00,4807.038,N,01131.000,E,0,03,2.5,500.0,M,,,,*3E\r\n", N, "12:00:00.000", "",
       "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sentence);
    EXPECT_EQ(Parse(c.sentence), c.result);
    EXPECT_EQ(
        std::tie(fix_.gps_time, fix_.latitude, fix_.longitude, fix_.satellites, fix_.altitude),
        std::tie(c.time, c.latitude, c.longitude, c.satellites, c.altitude));
  }
  EXPECT_EQ(fix_.computer_time, clock_.UtcSystemTime());
  EXPECT_TRUE(view_.entries.empty());
}

TEST_F(GgaParserTest, DamagedSentencesAreSkippedForAnEarlierIntactOne) {
  std::string bad_checksum = kFourDigits;
  bad_checksum[20] = '9';
  const std::string damaged[] = {
      bad_checksum,
      "$GPGGA,123519,4807.038,N,01131.000,E,1,08*77\r\n",  // fields missing
      "$GBGGA,120000.00,4807.038,X,01131.000,E,1,04,2.5,1.0,M,,,,*38\r\n",
      "$GPGGA,120000.00,4860.038,N,01131.000,E,1,04,2.5,1.0,M,,,,*3D\r\n",
      kFourDigits.substr(0, 60),  // cut off
      kFourDigits.substr(0, 70),  // checksum not complete
      kFourDigits.substr(0, 30) + std::string(1, '\0') + kFourDigits.substr(30),
      kFourDigits.substr(0, 30) + kFiveDigits,  // cut by the next sentence
      "$GPGGA" + std::string(200, ',') + "\r\n",
  };
  for (const std::string& last : damaged) {
    EXPECT_EQ(Parse(kFiveDigits + "$GPGSA,A,3,04,05,,,,,,,,,,,2.5,1.3,2.1*39\r\n" + last),
              GgaResult::kPosition)
        << last;
    EXPECT_EQ(fix_.latitude, " 20.377279 N") << last;
  }
  EXPECT_TRUE(view_.entries.empty());
  // Alone, each is reported as no sentence found; so are noise and an empty read.
  for (const std::string& data : {bad_checksum, std::string(3000, '$'), std::string()}) {
    EXPECT_EQ(Parse(data), GgaResult::kNone);
    EXPECT_TRUE(fix_.latitude.empty());
  }
  EXPECT_EQ(view_.entries,
            std::vector<std::string>(3, "\r\n12:35:20 (UTC)\r\nCannot find GPGGA string\r\n"));
  // Zero bytes before a sentence do not hide it; no cut of two sentences gives a part of one.
  EXPECT_EQ(Parse(std::string(5, '\0') + kFourDigits), GgaResult::kPosition);
  const std::string two = kFourDigits + kFourDigits;
  for (std::size_t length = 0; length <= two.size(); ++length) {
    EXPECT_TRUE(Parse(two.substr(0, length)) == GgaResult::kNone || fix_.altitude == " 545.4 M")
        << length;
  }
}

}  // namespace
}  // namespace vesk
