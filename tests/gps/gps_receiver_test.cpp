// The receiver through real termios ports on pseudo-terminals, with short waits.

#include "gps/gps_receiver.h"

#include <gtest/gtest.h>

#include "support/fake_clock.h"
#include "support/pty_receiver.h"
#include "support/recording_view.h"

namespace vesk {
namespace {

using namespace std::chrono_literals;
using testing::PtyReceiver;

const std::string kBurst =
    "$GPRMC,123519.00,A,4807.0380,N,01131.2500,E,0.0,0.0,140726,,,A*57\r\n"
    "$GNGGA,123519.00,4807.03805,N,01131.25000,E,1,09,0.9,545.4,M,46.9,M,,*74\r\n";

class GpsReceiverTest : public ::testing::Test {
 protected:
  GpsReceiverTest() { log_.AttachView(&view_); }
  GpsReceiver& Receiver(std::vector<std::string> ports) {
    ports_ = std::make_unique<testing::CountingPorts>(std::move(ports));
    receiver_ = std::make_unique<GpsReceiver>(*ports_, log_, clock_, testing::FastTimings());
    return *receiver_;
  }
  bool Connect() {
    scans_ = 0;
    return receiver_->ConnectGpsReceiver([this] { ++scans_; }, nullptr).connected;
  }
  FixResult Read() { return receiver_->ReadGpsFixWithRetry(&fix_, nullptr); }

  testing::FakeClock clock_{testing::MakeFileTime(2026, 7, 14, 12, 35, 20)};
  testing::RecordingView view_;
  MessageLog log_{clock_};
  std::unique_ptr<testing::CountingPorts> ports_;
  std::unique_ptr<GpsReceiver> receiver_;
  int scans_ = 0;
  GpsFix fix_;
};

// Found behind a silent port and a modem, and remembered; then silent or noisy, its reads end
// with their reports.
TEST_F(GpsReceiverTest, FoundOnTheThirdPortAt4800AfterFifteenFailedProbesRememberedAndHeardOut) {
  PtyReceiver silent, modem, gps;
  modem.Play({{"AT\r\nOK\r\nRING\r\n", 20ms}});
  gps.Play({{kBurst, 40ms}}, B4800);
  GpsReceiver& receiver = Receiver({silent.path(), modem.path(), gps.path()});
  ASSERT_TRUE(Connect());
  ASSERT_EQ(ports_->opens.size(), 16u);
  EXPECT_EQ(ports_->opens[6], std::make_pair(modem.path(), 38400));
  EXPECT_EQ(ports_->opens[11], std::make_pair(modem.path(), 115200));
  EXPECT_EQ(ports_->opens[15], std::make_pair(gps.path(), 4800));
  EXPECT_EQ(receiver.read_size(), 1000u);
  EXPECT_EQ(Read(), FixResult::kPosition);
  EXPECT_EQ(fix_.latitude, " 48.070381 N");
  // Its time of day against the fixed clock, taken when the sentence's first byte came.
  ASSERT_TRUE(fix_.clock_offset);
  EXPECT_EQ(fix_.clock_offset->offset, kTicksPerSecond);

  // Closed, then found at once at the remembered port and rate, without a scan.
  receiver.CloseGpsReceiver();
  ports_->opens.clear();
  ASSERT_TRUE(Connect());
  EXPECT_EQ(ports_->opens.size(), 1u);
  EXPECT_EQ(scans_, 0);

  // Silent: every attempt ends at its timeout, all within the fix time limit.
  gps.Silence();
  std::this_thread::sleep_for(50ms);
  Read();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Read(), FixResult::kFailed);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
  EXPECT_EQ(view_.entries.back(),
            "\r\n12:35:20 (UTC)\r\nZero bytes read for GPS values refresh\r\n");
  // Without a fix, the time the receiver sends may be its own unset clock's: not compared.
  gps.Play({{"$GPGGA,120000.00,4807.038,N,01131.000,E,0,03,2.5,500.0,M,,,,*3E\r\n", 30ms}});
  EXPECT_EQ(Read(), FixResult::kNoPosition);
  EXPECT_FALSE(fix_.clock_offset);
  // Endless text and zero bytes give nothing.
  gps.Play({{std::string(300, 'A') + std::string(20, '\0'), 5ms}});
  EXPECT_EQ(Read(), FixResult::kFailed);
  EXPECT_EQ(view_.entries.back(), "\r\n12:35:20 (UTC)\r\nCannot find GPGGA string\r\n");
}

// A chart plotter sends 1.2 KB every second, its GGA sentence from byte 862 on; other
// receivers are set to the fast rates. Both are found, and a sentence split across reads
// (half of it, a pause longer than the read interval, the rest) is joined.
TEST_F(GpsReceiverTest, ReceiversWithMuchToSayOrAtFastRatesAreFoundAndSplitSentencesJoined) {
  std::string second;
  while (second.size() < 862) second += "$IIXDR,C,19.52,C,AIRTEMP,P,1.0281,B,BARO*7E\r\n";
  second.resize(862, 'X');
  second += "$GPGGA,123518.00,4807.0380,N,01131.2500,E,1,08,0.9,545.4,M,46.9,M,,*6F\r\n";
  second.resize(1200, ' ');
  PtyReceiver plotter, fast;
  plotter.Play({{second.substr(0, 400), 5ms}, {second.substr(400), 100ms}}, B9600);
  const std::string sentence = kBurst.substr(kBurst.find("$GNGGA"));
  fast.Play({{sentence.substr(0, 30), 60ms}, {sentence.substr(30), 60ms}}, B57600);
  GpsReceiver& receiver = Receiver({plotter.path()});
  ASSERT_TRUE(Connect());
  EXPECT_EQ(ports_->opens.back(), std::make_pair(plotter.path(), 9600));
  EXPECT_EQ(Read(), FixResult::kPosition);
  EXPECT_TRUE(fix_.clock_offset);  // measured though the sentence comes late in its second
  receiver.CloseGpsReceiver();
  Receiver({fast.path()});
  ASSERT_TRUE(Connect());
  EXPECT_EQ(ports_->opens.size(), 5u);
  EXPECT_EQ(receiver_->read_size(), 7200u);
  EXPECT_EQ(Read(), FixResult::kPosition);
  EXPECT_EQ(fix_.longitude, " 11.312500 E");
}

}  // namespace
}  // namespace vesk
