#include "capture/device_hotplug.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_clock.h"
#include "support/fake_media.h"
#include "support/recording_view.h"

namespace vesk {
namespace {

using R = DeviceChangeResult;
using testing::FakeMoniker;
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
  std::shared_ptr<FakeMoniker> Plug(const std::string& name, const std::string& identity) {
    auto moniker = media_.AddDevice(name, {MakeVideoType(SubtypeCode::YUY2, 720, 576, 400000)});
    moniker->identity = identity;
    return moniker;
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

  // The reconciliation with its reaction.
  void Handle(R result, std::vector<std::string> reports, std::vector<std::string> calls) {
    view_.entries.clear();
    calls_.clear();
    EXPECT_EQ(hotplug_->HandleDeviceChange(), result);
    EXPECT_EQ(view_.entries, reports);
    EXPECT_EQ(calls_, calls);
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
  EXPECT_EQ(ContinuationFileName("avi", 1), "");
}

// Removal and return of devices not recording, a new device, the default arriving.
TEST_F(DeviceHotplugTest, LiveVideoFollowsDevicesLeavingAndArriving) {
  Plug("Grabber", "usb-1");
  Plug("Webcam", "usb-2");
  default_name_ = "Default Cam";
  StartUp();
  const auto disconnected = [](const char* lead, const char* name) {
    return Timed(std::string(lead) + "\"" + name + "\" disconnected\r\n");
  };
  Unplug("usb-2");
  Handle(R::InactiveDetached, {disconnected("Inactive video capture device ", "Webcam")}, {});
  EXPECT_TRUE(sources_.Source(1)->is_detached);
  Handle(R::Nothing, {}, {});
  // Back on another node: same device, bound again to what is plugged in now.
  auto webcam = Plug("Webcam", "usb-2");
  Handle(R::KnownReattached, {Timed("Video capture device \"Webcam\" connected\r\n")},
         {"stop", "show", "start"});
  EXPECT_FALSE(sources_.Source(1)->is_detached);
  EXPECT_EQ(sources_.Source(1)->base_filter, webcam->filter);
  EXPECT_EQ(sources_.CurrentSourceIndex(), 0u);
  // The device in use leaves: the next one takes over.
  Unplug("usb-1");
  Handle(R::PreviewDetached, {disconnected("Active video capture device ", "Grabber")},
         {"stop", "show", "start", "devices refreshed"});
  EXPECT_EQ(sources_.CurrentSourceIndex(), 1u);
  EXPECT_FALSE(sources_.Source(0)->is_active_preview);
  // A new device that is not the default changes nothing but is restarted around.
  Plug("Guide Cam", "usb-3");
  Handle(R::NewAttached, {Timed("Video capture device \"Guide Cam\" connected\r\n")},
         {"stop", "show", "start"});
  EXPECT_EQ(sources_.Count(), 3u);
  EXPECT_EQ(sources_.CurrentSourceIndex(), 1u);
  // The default arrives: it is switched to.
  Plug("Default Cam", "usb-4");
  Handle(R::NewAttached,
         {Timed("Video capture device \"Default Cam\" connected as the default\r\n")},
         {"format closed", "layout", "devices refreshed", "stop", "show", "start"});
  EXPECT_EQ(sources_.CurrentSourceIndex(), 3u);
  EXPECT_TRUE(sources_.Source(3)->is_active_preview);
  EXPECT_FALSE(sources_.Source(1)->is_active_preview);
}

// Unplugged twice while recording: the recording stops each time and resumes into the
// first file's name with _1, then _2; an arriving default device changes nothing meanwhile.
TEST_F(DeviceHotplugTest, ARecordingResumesIntoContinuationsOfItsFirstFile) {
  Plug("Grabber", "usb-1");
  default_name_ = "Default Cam";
  StartUp();
  VideoSourceInfo& grabber = *sources_.Source(0);
  grabber.is_active_preview = false;
  grabber.is_active_manual_recording = true;
  grabber.recording_path = "VideoFiles/obs.avi";
  for (const char* continuation : {"VideoFiles/obs_1.avi", "VideoFiles/obs_2.avi"}) {
    Unplug("usb-1");
    Handle(R::RecordingDetached,
           {Timed("Active video capture device \"Grabber\" disconnected while recording\r\n")},
           {"stop", "interrupted"});
    EXPECT_TRUE(grabber.is_active_manual_recording);
    EXPECT_EQ(sources_.CurrentSourceIndex(), 0u);
    Plug("Grabber", "usb-1");
    Handle(R::RecordingReattached,
           {Timed("Active video capture device \"Grabber\" reconnected for recording\r\n")},
           {std::string("resume ") + continuation});
    EXPECT_EQ(grabber.recording_path, "VideoFiles/obs.avi");
  }
  // The default arriving during the recording waits for its end.
  Plug("Default Cam", "usb-9");
  Handle(R::NewAttached, {Timed("Video capture device \"Default Cam\" connected\r\n")}, {});
  EXPECT_EQ(grabber.reconnect_count, 2u);
  EXPECT_EQ(sources_.CurrentSourceIndex(), 0u);
  // A recording whose name is not an AVI's is not resumed.
  grabber.recording_path = "VideoFiles/obs.mkv";
  Unplug("usb-1");
  Handle(R::RecordingDetached,
         {Timed("Active video capture device \"Grabber\" disconnected while recording\r\n")},
         {"stop", "interrupted"});
  Plug("Grabber", "usb-1");
  Handle(R::RecordingReattached, {Timed(std::string(hotplug_texts::kNotAvi))}, {});
  EXPECT_EQ(grabber.reconnect_count, 2u);
}

// Two grabbers of one model: the one unplugged is the one marked, whichever it is, and it
// comes back as itself on a new node; a grabber on another port is still found by name.
TEST_F(DeviceHotplugTest, IdenticalGrabbersAreToldApartByTheirIdentity) {
  Plug("USB 2861 Device", "pci-0000:00:14.0-usb-0:1:1.0");
  Plug("USB 2861 Device", "pci-0000:00:14.0-usb-0:2:1.0");
  StartUp();
  Unplug("pci-0000:00:14.0-usb-0:1:1.0");
  Handle(R::PreviewDetached,
         {Timed("Active video capture device \"USB 2861 Device\" disconnected\r\n")},
         {"stop", "show", "start", "devices refreshed"});
  EXPECT_TRUE(sources_.Source(0)->is_detached);
  EXPECT_FALSE(sources_.Source(1)->is_detached);
  EXPECT_EQ(sources_.CurrentSourceIndex(), 1u);
  // Back on a hub port of its own: matched by name, and known by its new port from now on.
  auto back = Plug("USB 2861 Device", "pci-0000:00:14.0-usb-0:3.1:1.0");
  Handle(R::KnownReattached, {Timed("Video capture device \"USB 2861 Device\" connected\r\n")},
         {"stop", "show", "start"});
  EXPECT_FALSE(sources_.Source(0)->is_detached);
  EXPECT_EQ(sources_.Source(0)->identity, "pci-0000:00:14.0-usb-0:3.1:1.0");
  EXPECT_EQ(sources_.Source(0)->base_filter, back->filter);
  EXPECT_EQ(sources_.Source(1)->base_filter, media_.devices[0]->filter);
}

// A hub that resets drops and returns several devices at once: each notification handles
// one until nothing is left.
TEST_F(DeviceHotplugTest, ABurstIsHandledOneDeviceAtATimeUntilNothingIsLeft) {
  Plug("A", "1");
  Plug("B", "2");
  Plug("C", "3");
  ignored_ = {"C"};
  StartUp();
  sources_.MarkIgnoredDevices(ignored_);
  media_.devices.clear();
  EXPECT_EQ(hotplug_->HandleAllDeviceChanges(), 3);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_TRUE(sources_.Source(i)->is_detached);
  Plug("C", "3");
  Handle(R::IgnoredReattached, {Timed("Ignored video capture device \"C\" connected\r\n")}, {});
  Plug("A", "1");
  Plug("B", "2");
  EXPECT_EQ(hotplug_->HandleAllDeviceChanges(), 2);
  EXPECT_EQ(sources_.CurrentSourceIndex(), 0u);
  Unplug("3");
  Handle(R::IgnoredDetached, {Timed("Ignored video capture device \"C\" disconnected\r\n")},
         {});
}

// Failures give 8 after their report and change nothing.
TEST_F(DeviceHotplugTest, FailuresAndUndecidableChangesGiveEightAndChangeNothing) {
  Plug("A", "1");
  Plug("B", "2");
  StartUp();
  // One device left while another arrived: the counts agree, nothing can be told.
  Unplug("2");
  Plug("C", "3");
  Handle(R::Nothing, {}, {});
  media_.devices.pop_back();
  media_.plan.Fail("EnumerateDevices:VideoInput", E_FAIL);
  Handle(R::Nothing, {Timed(std::string(hotplug_texts::kCannotEnumerate))}, {});
  media_.plan.Clear("EnumerateDevices:VideoInput");
  // A device whose name cannot be read is left out: B counts as gone.
  Plug("B", "2")->name_result = E_FAIL;
  Handle(R::InactiveDetached,
         {Timed(std::string(hotplug_texts::kCannotReadName)),
          Timed("Inactive video capture device \"B\" disconnected\r\n")},
         {});
  media_.devices.pop_back();
  // A device that cannot capture is reported once, then skipped without a word.
  media_.AddDevice("Tiny", {MakeVideoType(SubtypeCode::YUY2, 320, 240, 400000)});
  Handle(R::Nothing,
         {Timed("Video device source information has no frame rate entries\r\n"),
          "\r\nDevice \"Tiny\" cannot be used for video capture\r\n"},
         {});
  Handle(R::Nothing, {}, {});
  Plug("B", "2");
  Handle(R::KnownReattached, {Timed("Video capture device \"B\" connected\r\n")},
         {"stop", "show", "start"});
  // Both leave while another arrives: which is which cannot be told.
  media_.devices.clear();
  Plug("C", "3");
  Handle(R::Nothing, {Timed(std::string(hotplug_texts::kCountProblem))}, {});
  EXPECT_EQ(sources_.Count(), 2u);
}

}  // namespace
}  // namespace vesk
