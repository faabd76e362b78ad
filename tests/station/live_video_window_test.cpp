// The live video in the main window from the simulated cameras through real pipelines.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdlib>
#include <functional>

#include "app/qt_station_windows.h"
#include "platform/gst/gst_media_system.h"
#include "platform/gst/simulated_camera_device.h"
#include "playback/playback_window.h"
#include "station/main_window.h"
#include "station/station_test_bed.h"
#include "station/video_record_window.h"
#include "ui_support/station_fixture.h"

namespace vesk {
namespace {

using testing::StationWindowTest;

class LiveVideoWindowTest : public ::testing::Test, public testing::StationTestBed {
 protected:
  LiveVideoWindowTest() : system(MakeSystem()) {}
  ~LiveVideoWindowTest() override { station.reset(); }

  static gst::GstMediaSystem MakeSystem() {
    gst::GstMediaSystemOptions options;
    options.simulated_cameras = true;
    options.v4l2_devices = false;
    return gst::GstMediaSystem(options);
  }

  void Start() {
    TimeZoneInfo zone;
    zone.kind = TimeZoneInfo::Kind::Standard;
    zone.name = "UTC";
    station = std::make_unique<AppState>(
        StationServices{system,
                        clock,
                        box,
                        windows,
                        power,
                        zone,
                        dir.path().string() + "/",
                        {},
                        [this](std::function<void()> work) { posted.push_back(std::move(work)); },
                        &timers});
    windows.set_station(station.get());
    ASSERT_EQ(station->Initialise(), S_OK);
  }

  VideoRecordWindow& Video() { return *windows.main_window()->video_window(); }

  // Frames painted within the time, the events processed meanwhile.
  std::int64_t PaintedWithin(int milliseconds) {
    const std::int64_t before = Video().frames_painted();
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < milliseconds)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return Video().frames_painted() - before;
  }

  gst::GstMediaSystem system;
  qt::QtStationWindows windows;
  std::unique_ptr<AppState> station;
};

TEST_F(LiveVideoWindowTest, SwitchingToTheWebcamAtItsLargestSizeShowsFramesWithinTwoSeconds) {
  Start();
  EXPECT_GT(PaintedWithin(2000), 0);
  DeviceSelectionModel& devices = station->device_selection();
  devices.OpenFromMenu();
  const std::vector<std::string>& listed = devices.presentation().devices;
  const auto webcam = std::find(listed.begin(), listed.end(), gst::kSimulatedWebcamName);
  ASSERT_NE(webcam, listed.end());
  devices.SelectDevice(static_cast<int>(webcam - listed.begin()));
  ASSERT_EQ(station->sources().CurrentVideoFormat()->width, 1280);
  EXPECT_GT(PaintedWithin(2000), 5);
}

// Ignoring the device in use and restoring it gives the main window each device's size.
TEST_F(StationWindowTest, IgnoreThenRestoreGivesTheMainWindowItsDevicesSizeAgain) {
  AddDevice();
  media.AddDevice("USB2.0 Grabber 2",
                  {testing::MakeVideoType(SubtypeCode::YUY2, 640, 480, 400000)});
  Start();
  MainWindow& main = *windows.main_window();
  EXPECT_EQ(main.VideoClientSize(), QSize(720, 576));
  DeviceSelectionModel& devices = station->device_selection();
  devices.OpenFromMenu();
  devices.Ignore(0);
  EXPECT_EQ(main.VideoClientSize(), QSize(640, 480));
  devices.RestoreDevice(0);
  EXPECT_EQ(station->sources().CurrentSource()->name, "USB2.0 Grabber");
  EXPECT_EQ(main.VideoClientSize(), QSize(720, 576));
}

// A recording with the display turned off runs no renderer: the last live frame must not
// stand there as if it were live.
TEST_F(StationWindowTest, DisplayOffWhileRecordingShowsNoOldFrame) {
  AddDevice();
  Options options;
  options.display_off_while_recording = true;
  ASSERT_TRUE(SaveOptions(options, {}));
  Start();
  VideoRecordWindow& video = *windows.main_window()->video_window();
  const std::vector<std::uint8_t> white(16 * 16 * 4, 0xff);
  const VideoFrame frame{white.data(), 16, 16, 64, 0};
  video.PresentFrame(frame, VideoRect{2, 1, 18, 17}, true);
  ASSERT_FALSE(video.PictureRect().isEmpty());
  station->StartButton();
  ASSERT_TRUE(Recording());
  video.PresentFrame(frame, VideoRect{2, 1, 18, 17}, true);  // late, from the live graph
  QCoreApplication::processEvents();
  EXPECT_TRUE(video.display_off());
  EXPECT_TRUE(video.PictureRect().isEmpty());
  EXPECT_NE(video.grab().toImage().pixelColor(10, 9), QColor(Qt::white));
  station->StopButton();
  EXPECT_FALSE(video.display_off());
}

// The playback window takes its video's size, on a 1280x1024 work area: a PAL recording whole,
// a 1280x720 one scrolled sideways; the controls never over the picture.
TEST_F(StationWindowTest, ThePlaybackWindowTakesItsVideosSizeAndItsControlsStayOffThePicture) {
  AddDevice();
  Start();
  station->layout().work_area = WorkArea{0, 0, 1280, 1024};
  std::string chosen;
  windows.set_playback_file_chooser([&chosen] { return chosen; });
  for (const auto& [width, height] : {std::pair{720, 576}, std::pair{1280, 720}}) {
    chosen = std::to_string(width) + ".avi";
    ASSERT_EQ(std::system(("ffmpeg -loglevel error -y -f lavfi -i testsrc=size=" +
                           std::to_string(width) + "x" + std::to_string(height) +
                           ":rate=25 -frames:v 3 -c:v rawvideo -pix_fmt yuyv422 " + chosen)
                              .c_str()),
              0);
    station->RunCommand(MenuCommand::Open);
    PlaybackWindow& playback = *windows.playback_window();
    ASSERT_EQ(playback.video_size(), QSize(width, height));
    QCoreApplication::processEvents();
    const ScreenRect picture = *windows.CurrentWindowRect(WindowId::Playback);
    const ScreenRect controls = *windows.CurrentWindowRect(WindowId::PlaybackControls);
    const PixelSize extra = station->layout().frame_extra;
    EXPECT_EQ(picture.width, std::min(1280, width + extra.width + 5)) << width;
    EXPECT_FALSE(QRect(picture.x, picture.y, picture.width, picture.height)
                     .intersects(QRect(controls.x, controls.y, controls.width, controls.height)))
        << width;
    EXPECT_LE(controls.y + controls.height, 1024);
    // The whole height is on show; only a picture wider than the work area scrolls.
    const QSize seen = playback.scroll_area().viewport()->size();
    EXPECT_GE(seen.height(), height + 5) << width;
    EXPECT_EQ(seen.width() >= width + 5, width == 720);
    // A file that cannot be opened next leaves nothing of this one on show.
    QElapsedTimer waited;
    waited.start();
    while (!playback.pane().HasPicture() && waited.elapsed() < 5000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    ASSERT_TRUE(playback.pane().HasPicture());
    chosen = "missing.avi";
    station->RunCommand(MenuCommand::Open);
    EXPECT_FALSE(playback.pane().HasPicture());
    playback.Exit();
  }
}

}  // namespace
}  // namespace vesk
