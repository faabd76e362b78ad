#include "station/device_change_reaction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/capture_bed.h"

namespace vesk {
namespace {

using R = DeviceChangeResult;
using testing::MakeVideoType;

using testing::Timed;

// A station that writes down what the reactions ask of it; its device windows are open.
class NotingPort final : public DeviceChangePort {
 public:
  explicit NotingPort(std::string& calls) : calls_(calls) {}
  DeviceValidationHooks ValidationHooks() override { return {}; }
  HResult StopVideo() override { return Note("stop"), S_OK; }
  HResult StartVideo() override { return Note("start"), S_OK; }
  void ResumeRecording(const std::string& path) override { Note("resume " + path); }
  void RecordingInterrupted() override { Note("interrupted"); }
  void ShowVideoWindows() override { Note("show"); }
  void RefreshLayout() override { Note("layout"); }
  void CloseCameraFormatWindow() override { Note("format closed"); }
  void RefreshDeviceSelectionWindow() override { Note("devices refreshed"); }

 private:
  void Note(const std::string& call) { calls_ += (calls_.empty() ? "" : " ") + call; }
  std::string& calls_;
};

// A recorded sequence of devices leaving and arriving against a station whose reactions are
// written down in order. Each step is one notification: what is plugged ("+name@identity")
// or unplugged ("-identity") before it, the result, the device it concerns, the report and
// the reactions.
struct DeviceChangeReactionTest : ::testing::Test, testing::CaptureBed {};

TEST_F(DeviceChangeReactionTest, ARecordedSequenceOfArrivalsAndRemovals) {
  const std::vector<VideoConfiguration> configurations;
  const std::vector<std::string> ignored = {"Ignored Cam"};
  const std::string default_name = "Default Cam";
  std::string calls_made;
  const auto apply = [&](const std::string& change) {
    std::istringstream tokens(change);
    for (std::string token; std::getline(tokens, token, ',');) {
      const std::string identity = token.substr(token.find('@') + 1);
      if (token[0] == '+') {
        media
            .AddDevice(token.substr(1, token.find('@') - 1),
                       {MakeVideoType(SubtypeCode::YUY2, 720, 576, 400000)})
            ->identity = identity;
      }
      if (token[0] == '-') {
        std::erase_if(media.devices, [&](const auto& m) { return m->identity == token.substr(1); });
      }
      if (token[0] == '*' || token[0] == '~') {  // the device in use records
        VideoSourceInfo& info = *sources.CurrentSource();
        info.is_active_preview = false;
        info.is_active_manual_recording = true;
        info.recording_path = token[0] == '*' ? "VideoFiles/obs.avi" : "VideoFiles/obs.mkv";
      }
      const char* enumerate = "EnumerateDevices:VideoInput";
      if (token[0] == '!') media.plan.Fail(enumerate, E_FAIL, media.plan.Calls(enumerate), 1);
    }
  };
  apply("+Grabber@usb-1,+Webcam@usb-2,+USB 2861 Device@p1,+USB 2861 Device@p2,+Ignored Cam@usb-5");
  ASSERT_EQ(sources.GetAttachedVideoDeviceList({}, configurations), S_OK);
  sources.MarkIgnoredDevices(ignored);
  sources.SelectCurrentSource();
  sources.CurrentSource()->is_active_preview = true;
  DeviceChangeReaction hotplug(
      DeviceChangeContext{sources, media, log, configurations, ignored, default_name},
      std::make_unique<NotingPort>(calls_made));

  const std::string restart = "stop show start";
  struct Step {
    const char* change;
    R result;
    std::uint32_t index;
    std::string report;
    std::string calls;
  };
  const std::string cam = "Active video capture device \"Default Cam\"";
  const Step lost{"-usb-7", R::RecordingDetached, 6, cam + " disconnected while recording",
                  "stop interrupted"};
  const auto back = [&](const char* calls) {
    return Step{"+Default Cam@usb-7", R::RecordingReattached, 6, cam + " reconnected for recording",
                calls};
  };
  const Step steps[] = {
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
       "format closed " + restart + " devices refreshed"},
      {"+Guide Cam@usb-6", R::NewAttached, 5, "Video capture device \"Guide Cam\" connected",
       restart},
      {"+Default Cam@usb-7", R::NewAttached, 6,
       "Video capture device \"Default Cam\" connected as the default",
       "format closed layout devices refreshed " + restart},
      // The device in use records ("*"): it stops, waits, and resumes into continuations of
      // its first file; a device arriving meanwhile changes nothing.
      {"*", R::Nothing, 0, "", ""},
      lost,
      {"+Late Cam@usb-9", R::NewAttached, 7, "Video capture device \"Late Cam\" connected", ""},
      back("resume VideoFiles/obs_1.avi"),
      lost,
      back("resume VideoFiles/obs_2.avi"),
      {"~", R::Nothing, 0, "", ""},
      lost,
      {"+Default Cam@usb-7", R::RecordingReattached, 6, std::string(hotplug_texts::kNotAvi), ""},
      // One left while another came: nothing can be told.
      {"-usb-6,+X@usb-8", R::Nothing, 0, "", ""},
      {"-usb-7,-usb-2", R::Nothing, 0, std::string(hotplug_texts::kCountProblem), ""},
      {"!", R::Nothing, 0, std::string(hotplug_texts::kCannotEnumerate), ""},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.change);
    apply(step.change);
    view.entries.clear();
    calls_made.clear();
    EXPECT_EQ(hotplug.HandleDeviceChange(), step.result);
    const bool ended = std::string_view(step.report).ends_with("\r\n");
    EXPECT_EQ(view.Text(), step.report.empty() ? "" : Timed(step.report + (ended ? "" : "\r\n")));
    EXPECT_EQ(calls_made, step.calls);
    if (step.result != R::Nothing) {
      EXPECT_EQ(sources.Source(step.index)->is_detached, IsDeparture(step.result));
    }
  }
  EXPECT_EQ(sources.Source(2)->identity, "p3");
  const auto p3 = std::find_if(media.devices.begin(), media.devices.end(),
                               [](const auto& moniker) { return moniker->identity == "p3"; });
  EXPECT_EQ(sources.Source(2)->base_filter, (*p3)->filter);
  EXPECT_EQ(sources.CurrentSourceIndex(), 6u);
  EXPECT_EQ(sources.CurrentSource()->reconnect_count, 2u);
  // A burst: the rest leave at once and are handled one by one.
  media.devices.clear();
  EXPECT_EQ(hotplug.HandleAllDeviceChanges(), 7);
  // A device that cannot capture is reported once, then skipped without a word.
  media.AddDevice("Tiny", {MakeVideoType(SubtypeCode::YUY2, 320, 240, 400000)});
  view.entries.clear();
  EXPECT_EQ(hotplug.HandleAllDeviceChanges(), 0);
  EXPECT_EQ(view.entries.back(), "\r\nDevice \"Tiny\" cannot be used for video capture\r\n");
  view.entries.clear();
  EXPECT_EQ(hotplug.HandleAllDeviceChanges(), 0);
  EXPECT_TRUE(view.entries.empty());
}

}  // namespace
}  // namespace vesk
