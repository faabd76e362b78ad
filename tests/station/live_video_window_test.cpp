#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/gst/gst_media_system.h"
#include "platform/gst/simulated_camera_device.h"
#include "playback/playback_window.h"
#include "station/main_window.h"
#include "station/video_record_window.h"
#include "ui_support/station_fixture.h"

namespace vesk {
namespace {

using testing::StationWindowTest;
using testing::WaitFor;

TEST_F(StationWindowTest, SwitchingToTheWebcamAtItsLargestSizeShowsFramesWithinTwoSeconds) {
  gst::GstMediaSystemOptions cameras;
  cameras.simulated_cameras = true;
  cameras.v4l2_devices = false;
  gst::GstMediaSystem system(cameras);
  StationServices services = Services(windows, false);
  station = std::make_unique<AppState>(StationServices{
      system, clock, box, windows, power, services.time_zone, services.current_directory,
      services.live_filter, services.post_to_ui_thread, &timers});
  windows.set_station(station.get());
  ASSERT_EQ(station->Initialise(), S_OK);
  DeviceSelectionModel& devices = station->device_selection();
  devices.OpenFromMenu();
  const std::vector<std::string>& listed = devices.presentation().devices;
  devices.SelectDevice(static_cast<int>(
      std::find(listed.begin(), listed.end(), gst::kSimulatedWebcamName) - listed.begin()));
  ASSERT_EQ(station->sources().CurrentVideoFormat()->width, 1280);
  VideoRecordWindow& video = *windows.video_window();
  const std::int64_t before = video.frames_painted();
  EXPECT_TRUE(WaitFor([&] { return video.frames_painted() > before + 5; }, 2000));
}

TEST_F(StationWindowTest, IgnoreThenRestoreGivesTheMainWindowItsDevicesSizeAgain) {
  AddDevice();
  media.AddDevice("Webcam", {testing::MakeVideoType(SubtypeCode::YUY2, 640, 480, 400000)});
  Start();
  DeviceSelectionModel& devices = station->device_selection();
  devices.OpenFromMenu();
  devices.Ignore(0);
  EXPECT_EQ(windows.main_window()->VideoClientSize(), QSize(640, 480));
  devices.RestoreDevice(0);
  EXPECT_EQ(windows.main_window()->VideoClientSize(), QSize(720, 576));
}

// No renderer runs: the last live frame must not stand there as if it were live.
TEST_F(StationWindowTest, DisplayOffWhileRecordingShowsNoOldFrame) {
  AddDevice();
  Options options;
  options.display_off_while_recording = true;
  ASSERT_TRUE(SaveOptions(options, {}));
  Start();
  VideoRecordWindow& video = *windows.video_window();
  const std::vector<std::uint8_t> white(16 * 16 * 4, 0xff);
  const VideoFrame frame{white.data(), 16, 16, 64, 0};
  video.PresentFrame(frame, VideoRect{2, 1, 18, 17}, true);
  station->StartButton();
  ASSERT_TRUE(Recording());
  video.PresentFrame(frame, VideoRect{2, 1, 18, 17}, true);  // late
  EXPECT_TRUE(video.display_off() && video.PictureRect().isEmpty());
  EXPECT_NE(video.grab().toImage().pixelColor(10, 9), QColor(Qt::white));
  station->StopButton();
  EXPECT_FALSE(video.display_off());
}

// On 1280x1024 a PAL file shows whole, a 1280x720 one scrolls sideways; the controls stay
// off the picture; a file that cannot be opened next shows nothing.
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
    // A window manager frames the new size in its own time.
    const int expected = std::min(1280, width + station->layout().frame_extra.width + 5);
    WaitFor([&] { return windows.CurrentWindowRect(WindowId::Playback)->width == expected; }, 2000);
    PlaybackWindow& playback = *windows.playback_window();
    const ScreenRect picture = *windows.CurrentWindowRect(WindowId::Playback);
    const ScreenRect controls = *windows.CurrentWindowRect(WindowId::PlaybackControls);
    EXPECT_EQ(picture.width, expected);
    EXPECT_FALSE(QRect(picture.x, picture.y, picture.width, picture.height)
                     .intersects(QRect(controls.x, controls.y, controls.width, controls.height)));
    WaitFor([&] { return playback.scroll_area().viewport()->height() >= height + 5; }, 2000);
    const QSize seen = playback.scroll_area().viewport()->size();
    EXPECT_GE(seen.height(), height + 5) << width;
    EXPECT_EQ(seen.width() >= width + 5, width == 720);
    ASSERT_TRUE(WaitFor([&] { return playback.pane().HasPicture(); }));
    chosen = "missing.avi";
    station->RunCommand(MenuCommand::Open);
    EXPECT_FALSE(playback.pane().HasPicture());
    playback.Exit();
  }
}

}  // namespace
}  // namespace vesk
