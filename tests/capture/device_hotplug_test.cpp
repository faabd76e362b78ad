#include "capture/device_hotplug.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "support/fake_clock.h"
#include "support/fake_media.h"
#include "support/recording_view.h"

namespace vesk {
namespace {

using R = DeviceChangeResult;
using testing::MakeVideoType;

std::string Timed(const std::string& text) { return "\r\n21:30:00 (UTC)\r\n" + text; }

// The station as the reactions see it, with every hook written down in order.
class DeviceHotplugTest : public ::testing::Test {
 protected:
  DeviceHotplugTest() : clock_(testing::MakeFileTime(2024, 5, 1, 21, 30, 0)), log_(clock_) {
    log_.AttachView(&view_);
    DeviceChangeHooks& h = hooks_;
    h.stop_video = [this] { return Note("stop"), S_OK; };
    h.start_video = [this] { return Note("start"), S_OK; };
    h.resume_recording = [this](const std::string& path) { Note("resume " + path); };
    h.recording_interrupted = [this] { Note("interrupted"); };
    h.show_video_windows = [this] { Note("show"); };
    h.refresh_layout = [this] { Note("layout"); };
    h.camera_format_open = [] { return true; };
    h.camera_format_cancel_and_close = [this] { Note("format closed"); };
    h.device_selection_open = [] { return true; };
    h.device_selection_refresh = [this] { Note("devices refreshed"); };
  }

  void Note(const std::string& what) { calls_.push_back(what); }

  // A device on the "bus" with a stable identity (its port or serial).
  void Plug(const std::string& name, const std::string& identity) {
    auto moniker = media_.AddDevice(name, {MakeVideoType(SubtypeCode::YUY2, 720, 576, 400000)});
    moniker->identity = identity;
  }
  void Unplug(const std::string& identity) {
    std::erase_if(media_.devices, [&](const auto& m) { return m->identity == identity; });
  }

  void StartUp() {
    ASSERT_EQ(sources_.GetAttachedVideoDeviceList({}, configurations_), S_OK);
    sources_.SelectCurrentSource();
    sources_.CurrentSource()->is_active_preview = true;
    hotplug_ = std::make_unique<DeviceHotplug>(DeviceChangeContext{
        sources_, media_, log_, {}, configurations_, ignored_, default_name_, hooks_});
  }

  testing::FakeClock clock_;
  MessageLog log_;
  testing::RecordingView view_;
  testing::FakeMediaSystem media_;
  std::vector<VideoConfiguration> configurations_;
  std::vector<std::string> ignored_;
  std::string default_name_;
  VideoSources sources_{media_, log_};
  DeviceChangeHooks hooks_;
  std::unique_ptr<DeviceHotplug> hotplug_;
  std::vector<std::string> calls_;
};

TEST_F(DeviceHotplugTest, ContinuationNamesCountFromTheFirstFile) {
  EXPECT_EQ(ContinuationFileName("VideoFiles/obs.avi", 1), "VideoFiles/obs_1.avi");
  EXPECT_EQ(ContinuationFileName("D:/x/obs.avi", 12), "D:/x/obs_12.avi");
  EXPECT_EQ(ContinuationFileName("obs.AVI", 1), "");
}

// A recorded sequence of devices leaving and arriving, each step one notification: what is
// plugged ("+name@identity") or unplugged ("-identity"), the result, the device it concerns,
// the report and the reactions.
TEST_F(DeviceHotplugTest, ARecordedSequenceOfArrivalsAndRemovals) {
  for (const char* device : {"Grabber@usb-1", "Webcam@usb-2", "USB 2861 Device@p1",
                             "USB 2861 Device@p2", "Ignored Cam@usb-5"}) {
    const std::string text = device;
    Plug(text.substr(0, text.find('@')), text.substr(text.find('@') + 1));
  }
  default_name_ = "Default Cam";
  ignored_ = {"Ignored Cam"};
  StartUp();
  sources_.MarkIgnoredDevices(ignored_);
  const std::string restart = "stop show start";
  struct Step {
    const char* change;
    R result;
    std::uint32_t index;
    std::string report;
    std::string calls;
  } steps[] = {
      {"-usb-2", R::InactiveDetached, 1, "Inactive video capture device \"Webcam\" disconnected",
       ""},
      {"", R::Nothing, 0, "", ""},
      {"+Webcam@usb-2", R::KnownReattached, 1, "Video capture device \"Webcam\" connected",
       restart},
      // Of two grabbers of one model, the one unplugged; back on another port, found by name.
      {"-p1", R::InactiveDetached, 2,
       "Inactive video capture device \"USB 2861 Device\" disconnected", ""},
      {"+USB 2861 Device@p3", R::KnownReattached, 2,
       "Video capture device \"USB 2861 Device\" connected", restart},
      {"-usb-5", R::IgnoredDetached, 4, "Ignored video capture device \"Ignored Cam\" disconnected",
       ""},
      {"+Ignored Cam@usb-5", R::IgnoredReattached, 4,
       "Ignored video capture device \"Ignored Cam\" connected", ""},
      {"-usb-1", R::PreviewDetached, 0, "Active video capture device \"Grabber\" disconnected",
       restart + " devices refreshed"},
      {"+Guide Cam@usb-6", R::NewAttached, 5, "Video capture device \"Guide Cam\" connected",
       restart},
      {"+Default Cam@usb-7", R::NewAttached, 6,
       "Video capture device \"Default Cam\" connected as the default",
       "format closed layout devices refreshed " + restart},
      // The device in use records ("*"): it stops, waits, and resumes into continuations of
      // its first file; a device arriving meanwhile changes nothing.
      {"*", R::Nothing, 0, "", ""},
      {"-usb-7", R::RecordingDetached, 6,
       "Active video capture device \"Default Cam\" disconnected while recording",
       "stop interrupted"},
      {"+Late Cam@usb-9", R::NewAttached, 7, "Video capture device \"Late Cam\" connected", ""},
      {"+Default Cam@usb-7", R::RecordingReattached, 6,
       "Active video capture device \"Default Cam\" reconnected for recording",
       "resume VideoFiles/obs_1.avi"},
      {"-usb-7", R::RecordingDetached, 6,
       "Active video capture device \"Default Cam\" disconnected while recording",
       "stop interrupted"},
      {"+Default Cam@usb-7", R::RecordingReattached, 6,
       "Active video capture device \"Default Cam\" reconnected for recording",
       "resume VideoFiles/obs_2.avi"},
      {"-usb-7,~", R::RecordingDetached, 6,
       "Active video capture device \"Default Cam\" disconnected while recording",
       "stop interrupted"},
      {"+Default Cam@usb-7", R::RecordingReattached, 6, std::string(hotplug_texts::kNotAvi), ""},
      // One left while another came: nothing can be told.
      {"-usb-6,+X@usb-8", R::Nothing, 0, "", ""},
      {"-usb-7,-usb-2", R::Nothing, 0, std::string(hotplug_texts::kCountProblem), ""},
      {"!", R::Nothing, 0, std::string(hotplug_texts::kCannotEnumerate), ""},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.change);
    std::string change = step.change;
    for (std::size_t at = 0; !change.empty() && at != std::string::npos;) {
      const std::size_t end = change.find(',', at);
      const std::string token = change.substr(at, end == std::string::npos ? end : end - at);
      if (token[0] == '+')
        Plug(token.substr(1, token.find('@') - 1), token.substr(token.find('@') + 1));
      if (token[0] == '-') Unplug(token.substr(1));
      if (token[0] == '*' || token[0] == '~') {
        VideoSourceInfo& info = *sources_.CurrentSource();
        info.is_active_preview = false;
        info.is_active_manual_recording = true;
        info.recording_path = token[0] == '*' ? "VideoFiles/obs.avi" : "VideoFiles/obs.mkv";
      }
      const char* enumerate = "EnumerateDevices:VideoInput";
      if (token[0] == '!') media_.plan.Fail(enumerate, E_FAIL, media_.plan.Calls(enumerate), 1);
      at = end == std::string::npos ? end : end + 1;
    }
    view_.entries.clear();
    calls_.clear();
    EXPECT_EQ(hotplug_->HandleDeviceChange(), step.result);
    const bool ended = std::string_view(step.report).ends_with("\r\n");
    EXPECT_EQ(view_.Text(), step.report.empty() ? "" : Timed(step.report + (ended ? "" : "\r\n")));
    std::string calls;
    for (const std::string& call : calls_) calls += (calls.empty() ? "" : " ") + call;
    EXPECT_EQ(calls, step.calls);
    if (step.result != R::Nothing) {
      EXPECT_EQ(sources_.Source(step.index)->is_detached, static_cast<int>(step.result) <= 3);
    }
  }
  EXPECT_EQ(sources_.Source(2)->identity, "p3");
  const auto p3 = std::find_if(media_.devices.begin(), media_.devices.end(),
                               [](const auto& moniker) { return moniker->identity == "p3"; });
  EXPECT_EQ(sources_.Source(2)->base_filter, (*p3)->filter);
  EXPECT_EQ(sources_.CurrentSourceIndex(), 6u);
  EXPECT_EQ(sources_.CurrentSource()->reconnect_count, 2u);
  // A burst: the rest leave at once and are handled one by one.
  media_.devices.clear();
  EXPECT_EQ(hotplug_->HandleAllDeviceChanges(), 7);
  // A device that cannot capture is reported once, then skipped without a word.
  media_.AddDevice("Tiny", {MakeVideoType(SubtypeCode::YUY2, 320, 240, 400000)});
  view_.entries.clear();
  EXPECT_EQ(hotplug_->HandleAllDeviceChanges(), 0);
  EXPECT_EQ(view_.entries.back(), "\r\nDevice \"Tiny\" cannot be used for video capture\r\n");
  view_.entries.clear();
  EXPECT_EQ(hotplug_->HandleAllDeviceChanges(), 0);
  EXPECT_TRUE(view_.entries.empty());
}

}  // namespace
}  // namespace vesk
