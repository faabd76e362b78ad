// The receiver through real termios ports on pseudo-terminals, with short waits.

#include "gps/gps_receiver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "support/fake_clock.h"
#include "support/pty_receiver.h"
#include "support/recording_view.h"

namespace vesk {
namespace {

using namespace std::chrono_literals;
using testing::CountingPorts;
using testing::PtyReceiver;

const std::string kBurst =
    "$GPRMC,123519.00,A,4807.0380,N,01131.2500,E,0.0,0.0,140726,,,A*57\r\n"
    "$GNGGA,123519.00,4807.03805,N,01131.25000,E,1,09,0.9,545.4,M,46.9,M,,*74\r\n"
    "$GPGSV,3,1,12,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75\r\n";

class GpsReceiverTest : public ::testing::Test {
 protected:
  GpsReceiverTest() { log_.AttachView(&view_); }

  GpsReceiver& Receiver(std::vector<std::string> ports) {
    ports_ = std::make_unique<CountingPorts>(std::move(ports));
    receiver_ = std::make_unique<GpsReceiver>(*ports_, log_, clock_, testing::FastTimings());
    return *receiver_;
  }
  ConnectResult Connect() {
    scans_ = 0;
    return receiver_->ConnectGpsReceiver([this] { ++scans_; }, nullptr);
  }
  std::size_t Count(const std::string& text) const {
    return static_cast<std::size_t>(
        std::count_if(view_.entries.begin(), view_.entries.end(),
                      [&](const std::string& entry) { return entry.ends_with(text); }));
  }

  testing::FakeClock clock_{testing::MakeFileTime(2026, 7, 14, 12, 35, 20)};
  testing::RecordingView view_;
  MessageLog log_{clock_};
  std::unique_ptr<CountingPorts> ports_;
  std::unique_ptr<GpsReceiver> receiver_;
  int scans_ = 0;
  GpsFix fix_;
};

TEST_F(GpsReceiverTest, FoundOnTheThirdPortAt4800AfterElevenFailedProbesAndRememberedAfter) {
  PtyReceiver silent, modem, gps;
  modem.Play({{"AT\r\nOK\r\nRING\r\n", 20ms}});  // answers, never a sentence
  gps.Play({{kBurst, 40ms}}, 4800);
  GpsReceiver& receiver = Receiver({silent.path(), modem.path(), gps.path()});

  ASSERT_TRUE(Connect().connected);
  ASSERT_EQ(ports_->opens.size(), 12u);
  EXPECT_EQ(ports_->opens[4], std::make_pair(modem.path(), 38400));
  EXPECT_EQ(ports_->opens[11], std::make_pair(gps.path(), 4800));
  EXPECT_EQ(scans_, 1);
  EXPECT_EQ(receiver.read_size(), 1000u);
  EXPECT_EQ(view_.entries.back(), "\r\n" + gps.path() + " at 4800 baud\r\n");

  // The last sentence of a read is taken, with its fifth digit of a minute rounded.
  EXPECT_EQ(receiver.ReadGpsFixWithRetry(&fix_, nullptr), FixResult::kPosition);
  EXPECT_EQ(fix_.latitude, " 48.070381 N");
  EXPECT_EQ(fix_.satellites, " 9");

  // Closed, then connected again at the remembered port and rate without a scan.
  receiver.CloseGpsReceiver();
  EXPECT_FALSE(receiver.IsOpen());
  ports_->opens.clear();
  ASSERT_TRUE(Connect().connected);
  EXPECT_EQ(ports_->opens.size(), 1u);
  EXPECT_EQ(scans_, 0);
}

TEST_F(GpsReceiverTest, ASentenceSplitAcrossReadsIsJoinedAtTheOnlyRateItAnswers) {
  PtyReceiver gps;
  const std::string sentence = kBurst.substr(kBurst.find("$GNGGA"), 73);
  // Half a sentence, a pause longer than the read interval, the rest.
  gps.Play({{sentence.substr(0, 30), 60ms}, {sentence.substr(30), 60ms}}, 9600);
  GpsReceiver& receiver = Receiver({gps.path()});
  ASSERT_TRUE(Connect().connected);
  EXPECT_EQ(ports_->opens.size(), 3u);
  EXPECT_EQ(receiver.read_size(), 1200u);
  EXPECT_EQ(receiver.ReadGpsFixWithRetry(&fix_, nullptr), FixResult::kPosition);
  EXPECT_EQ(fix_.longitude, " 11.312500 E");
}

TEST_F(GpsReceiverTest, SilentNoisyAndVanishingReceiversEndTheirReadsWithTheirReports) {
  PtyReceiver gps;
  gps.Play({{kBurst, 30ms}});
  GpsReceiver& receiver = Receiver({gps.path()});
  ASSERT_TRUE(Connect().connected);

  // Silent: each read ends at its timeout, all of them within the fix time limit.
  gps.Silence();
  std::this_thread::sleep_for(50ms);
  receiver.ReadGpsFix(&fix_, std::chrono::steady_clock::time_point::max(), nullptr);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(receiver.ReadGpsFixWithRetry(&fix_, nullptr), FixResult::kFailed);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
  EXPECT_GE(Count(std::string(kZeroBytesReadText)), 2u);

  // Text without line ends, and zero bytes: nothing is taken from them.
  gps.Play({{std::string(300, 'A') + std::string(20, '\0'), 5ms}});
  EXPECT_EQ(receiver.ReadGpsFixWithRetry(&fix_, nullptr), FixResult::kFailed);
  EXPECT_GE(Count("Cannot find GPGGA string\r\n"), 1u);

  // Unplugged during a read: the read ends at once and the port is closed.
  gps.Play({{kBurst, 30ms}});
  std::thread unplug([&] {
    std::this_thread::sleep_for(20ms);
    gps.Vanish();
  });
  start = std::chrono::steady_clock::now();
  FixResult result = FixResult::kPosition;
  while (result != FixResult::kLost && std::chrono::steady_clock::now() - start < 2s) {
    result = receiver.ReadGpsFixWithRetry(&fix_, nullptr);
  }
  unplug.join();
  EXPECT_EQ(result, FixResult::kLost);
  EXPECT_FALSE(receiver.IsOpen());
  EXPECT_EQ(view_.entries.back(), "\r\n12:35:20 (UTC)\r\nWARNING: the GPS receiver on " +
                                      gps.path() +
                                      " stopped answering (unplugged?); its port is closed\r\n");
  // A reconnect finds nothing there now.
  EXPECT_FALSE(Connect().connected);
}

TEST_F(GpsReceiverTest, PortsThatRefuseAreTriedOnceAndTheReasonsKept) {
  GpsReceiver& receiver = Receiver({"/dev/ttyUSB7", "/dev/ttyUSB8", "/dev/nonexistent-gps"});
  ports_->refuse = {{"/dev/ttyUSB7", SerialOpenError::kPermissionDenied},
                    {"/dev/ttyUSB8", SerialOpenError::kBusy}};
  const ConnectResult result = Connect();
  EXPECT_FALSE(result.connected);
  EXPECT_FALSE(receiver.IsOpen());
  EXPECT_EQ(ports_->opens.size(), 3u);
  ASSERT_EQ(result.problems.size(), 2u);
  EXPECT_EQ(result.problems[0].error, SerialOpenError::kPermissionDenied);
  EXPECT_EQ(result.problems[1].path, "/dev/ttyUSB8");
}

}  // namespace
}  // namespace vesk
