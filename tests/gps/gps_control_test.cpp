// The GPS control with its worker, over pseudo-terminal receivers and a test UI queue.

#include "gps/gps_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>

#include "support/fake_clock.h"
#include "support/pty_receiver.h"
#include "support/recording_view.h"
#include "support/ui_queue.h"

namespace vesk {
namespace {

using namespace std::chrono_literals;
using testing::PtyReceiver;

const std::string kSentence =
    "$GNGGA,092725.00,2037.72792,N,10322.31250,W,1,12,0.72,1865.027,M,-8.4,M,,*7B\r\n";

class FakeGpsWindow final : public GpsWindowView {
 public:
  void SetGpsField(GpsField field, std::string_view text) override { fields[field] = text; }
  void ShowGpsWindow() override {
    shown = true;
    ++shows;
  }
  void HideGpsWindow() override { shown = false; }
  std::map<GpsField, std::string> fields;
  bool shown = false;
  int shows = 0;
};

class GpsControlTest : public ::testing::Test {
 protected:
  GpsControlTest() {
    log_.AttachView(&messages_);
    gps_.Play({{kSentence, 30ms}});
  }
  GpsControl& Control(std::vector<std::string> ports) {
    ports_ = std::make_unique<testing::CountingPorts>(std::move(ports));
    control_ = std::make_unique<GpsControl>(GpsControlContext{
        *ports_, log_, clock_, ui_.Poster(), [this] { return event_recording_; },
        [this](bool shown) { stand_by_.push_back(shown); }, testing::FastTimings(), 100ms});
    control_->set_view(&window_);
    return *control_;
  }
  bool Connect() {
    std::optional<bool> connected;
    EXPECT_TRUE(control_->Connect([&](bool result) { connected = result; }));
    EXPECT_TRUE(ui_.RunUntil([&] { return connected.has_value(); }));
    return connected.value_or(false);
  }
  bool Logged(std::string_view text) const { return log_.Text().find(text) != std::string::npos; }

  testing::FakeClock clock_{testing::MakeFileTime(2026, 7, 14, 12, 35, 20)};
  testing::RecordingView messages_;
  MessageLog log_{clock_};
  testing::UiQueue ui_;
  PtyReceiver gps_;
  bool event_recording_ = false;
  std::vector<bool> stand_by_;
  FakeGpsWindow window_;
  std::unique_ptr<testing::CountingPorts> ports_;
  std::unique_ptr<GpsControl> control_;
};

TEST_F(GpsControlTest, TheFirstRefreshShowsTheWindowAndCloseEndsTheRefreshing) {
  GpsControl& control = Control({"/dev/nonexistent-gps", gps_.path()});
  ASSERT_TRUE(Connect());
  EXPECT_EQ(stand_by_, (std::vector<bool>{true, false}));
  EXPECT_FALSE(window_.shown);  // shown by the first refresh, not by the connection
  ASSERT_TRUE(ui_.RunUntil([&] { return window_.shown; }));
  EXPECT_EQ(window_.fields[GpsField::kLatitude], " 20.377279 N");
  EXPECT_EQ(window_.fields[GpsField::kAltitude], " 1865.027 M");
  EXPECT_EQ(control.last_position().longitude, "103.223125 W");

  control.CloseWindow();
  EXPECT_FALSE(window_.shown);
  EXPECT_FALSE(control.IsOpen());
  EXPECT_TRUE(log_.Text().ends_with("GPS connection is closed\r\n"));
  const int shows = window_.shows;
  ui_.RunFor(350ms);
  EXPECT_EQ(window_.shows, shows);
  // The remembered port answers again without the stand-by notice.
  ASSERT_TRUE(Connect());
  EXPECT_EQ(std::count(stand_by_.begin(), stand_by_.end(), true), 1);
}

TEST_F(GpsControlTest, RefreshesDoNothingDuringAnEventRecordingAndSayWhenThereIsNoFix) {
  Control({gps_.path()});
  ASSERT_TRUE(Connect());
  event_recording_ = true;
  ui_.RunFor(350ms);
  EXPECT_FALSE(window_.shown);
  EXPECT_FALSE(Logged("GPS information is not valid"));
  event_recording_ = false;
  gps_.Play({{"$GPGGA,,,,,,0,00,99.99,,,,,,*48\r\n", 30ms}});
  ASSERT_TRUE(ui_.RunUntil([&] { return window_.shown; }));
  EXPECT_TRUE(Logged("GPS information is not valid\r\n"));
  EXPECT_TRUE(window_.fields.empty());
}

TEST_F(GpsControlTest, ARecordingStartStopsARunningReadAtOnceAndTakesItsOwnFix) {
  GpsControl& control = Control({gps_.path()});
  ASSERT_TRUE(Connect());
  // A silent receiver holds the refresh in its reads.
  gps_.Silence();
  ASSERT_TRUE(ui_.RunUntil([&] { return Logged("Zero bytes read for GPS values refresh"); }));
  const auto start = std::chrono::steady_clock::now();
  control.StopRefreshTimer();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
  gps_.Play({{kSentence, 30ms}});
  GpsFix fix;
  EXPECT_TRUE(control.ReadGpsFixWithRetry(&fix));
  EXPECT_EQ(fix.satellites, " 12");
  control.Close();
  ui_.RunFor(300ms);
  EXPECT_FALSE(window_.shown);
  EXPECT_FALSE(control.IsOpen());
}

TEST_F(GpsControlTest, AnUnpluggedReceiverEndsTheConnectionAndRefusedPortsAreNamed) {
  GpsControl& control = Control({"/dev/ttyUSB9", gps_.path()});
  ports_->refuse = {{"/dev/ttyUSB9", SerialOpenError::kPermissionDenied}};
  ASSERT_TRUE(Connect());
  EXPECT_TRUE(Logged("WARNING: no permission to open /dev/ttyUSB9; the user must be a member "
                     "of the group that owns it (usually dialout)\r\n"));
  ASSERT_TRUE(ui_.RunUntil([&] { return window_.shown; }));
  gps_.Vanish();
  ASSERT_TRUE(ui_.RunUntil([&] { return !window_.shown; }));
  EXPECT_FALSE(control.IsOpen());
  EXPECT_TRUE(log_.Text().ends_with("GPS connection is closed\r\n"));
  EXPECT_FALSE(Connect());
}

}  // namespace
}  // namespace vesk
