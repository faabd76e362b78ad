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

TEST_F(GpsReceiverTest, FoundOnTheThirdPortAt4800AfterElevenFailedProbesAndRememberedAfter) {
  PtyReceiver silent, modem, gps;
  modem.Play({{"AT\r\nOK\r\nRING\r\n", 20ms}});
  gps.Play({{kBurst, 40ms}}, B4800);
  GpsReceiver& receiver = Receiver({silent.path(), modem.path(), gps.path()});
  ASSERT_TRUE(Connect());
  ASSERT_EQ(ports_->opens.size(), 12u);
  EXPECT_EQ(ports_->opens[4], std::make_pair(modem.path(), 38400));
  EXPECT_EQ(ports_->opens[11], std::make_pair(gps.path(), 4800));
  EXPECT_EQ(receiver.read_size(), 1000u);
  EXPECT_EQ(view_.entries.back(), "\r\n" + gps.path() + " at 4800 baud\r\n");
  EXPECT_EQ(Read(), FixResult::kPosition);
  EXPECT_EQ(fix_.latitude, " 48.070381 N");

  // Closed, then found at once at the remembered port and rate, without a scan.
  receiver.CloseGpsReceiver();
  ports_->opens.clear();
  ASSERT_TRUE(Connect());
  EXPECT_EQ(ports_->opens.size(), 1u);
  EXPECT_EQ(scans_, 0);
}

TEST_F(GpsReceiverTest, ASentenceSplitAcrossReadsIsJoinedAtTheOnlyRateItAnswers) {
  PtyReceiver gps;
  const std::string sentence = kBurst.substr(kBurst.find("$GNGGA"));
  // Half a sentence, a pause longer than the read interval, the rest.
  gps.Play({{sentence.substr(0, 30), 60ms}, {sentence.substr(30), 60ms}}, B9600);
  GpsReceiver& receiver = Receiver({gps.path()});
  ASSERT_TRUE(Connect());
  EXPECT_EQ(receiver.read_size(), 1200u);
  EXPECT_EQ(Read(), FixResult::kPosition);
  EXPECT_EQ(fix_.longitude, " 11.312500 E");
}

TEST_F(GpsReceiverTest, SilentAndNoisyReceiversEndTheirReadsWithTheirReports) {
  PtyReceiver gps;
  gps.Play({{kBurst, 30ms}});
  Receiver({gps.path()});
  ASSERT_TRUE(Connect());
  // Silent: every attempt ends at its timeout, all within the fix time limit.
  gps.Silence();
  std::this_thread::sleep_for(50ms);
  Read();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Read(), FixResult::kFailed);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
  EXPECT_EQ(view_.entries.back(),
            "\r\n12:35:20 (UTC)\r\nZero bytes read for GPS values refresh\r\n");
  // Endless text and zero bytes give nothing.
  gps.Play({{std::string(300, 'A') + std::string(20, '\0'), 5ms}});
  EXPECT_EQ(Read(), FixResult::kFailed);
  EXPECT_EQ(view_.entries.back(), "\r\n12:35:20 (UTC)\r\nCannot find GPGGA string\r\n");
}

}  // namespace
}  // namespace vesk
