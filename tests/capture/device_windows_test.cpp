// The Video Input Device and camera format windows' logic against recorded views and a
// camera that counts its stops and starts.

#include <gtest/gtest.h>

#include "capture/camera_format.h"
#include "capture/device_selection.h"
#include "support/capture_bed.h"

namespace vesk {
namespace {

using testing::FakeFilter;

using Group = std::pair<int, std::vector<std::pair<int, int>>>;  // rate, sizes
using Names = std::vector<std::string>;

struct Views final : DeviceSelectionView, CameraFormatView {
  void ShowDeviceWindow(const DeviceSelectionPresentation& p) override { devices = p; }
  void HideDeviceWindow() override { devices.reset(); }
  void ShowCameraFormat(const CameraFormatPresentation& p) override { format = p; }
  void HideCameraFormat() override { format.reset(); }
  std::optional<DeviceSelectionPresentation> devices;
  std::optional<CameraFormatPresentation> format;
};

class DeviceWindowsTest : public ::testing::Test, protected testing::CaptureBed {
 protected:
  DeviceWindowsTest() {
    format.set_view(&views);
    devices.set_view(&views);
  }

  // Counts the camera's stops, starts and the options saves.
  struct CountingStation final : DeviceWindowStation {
    explicit CountingStation(DeviceWindowsTest& test) : test(test) {}
    HResult StopVideo() override { return ++test.stops, S_OK; }
    HResult StartVideo() override { return ++test.starts <= test.failing_starts ? E_FAIL : S_OK; }
    bool RecordingInProgress() const override { return test.recording; }
    void RefreshMainWindowLayout() override {}
    void ShowVideoWindowsForDevice() override {}
    bool SaveOptions() override { return ++test.saves, true; }
    DeviceValidationHooks GraphValidationHooks() override {
      DeviceValidationHooks graph;
      graph.auto_set_analog_device_format = [this](VideoSourceInfo*) { ++test.detections; };
      graph.find_analog_video_decoder = [](const std::shared_ptr<MediaFilter>& filter,
                                           AnalogVideoDecoder** decoder) {
        *decoder = static_cast<FakeFilter*>(filter.get())->decoder.get();
        return *decoder != nullptr ? S_OK : E_NOINTERFACE;
      };
      return graph;
    }
    DeviceWindowsTest& test;
  };

  FakeFilter& Add(const std::string& name, AnalogFormat analog, std::vector<Group> groups,
                  bool in_use = true) {
    VideoSourceInfo info;
    info.name = name;
    info.analog_format = analog;
    auto filter = media.AddDevice(name, {})->filter;
    filter->proc_amp = std::make_unique<testing::FakeProcAmp>();
    filter->proc_amp->ranges[ProcAmpProperty::Brightness] = {0, 255, 1, 128, 0};
    filter->proc_amp->values[ProcAmpProperty::Brightness] = 100;
    info.brightness = DeviceProperty{1, 100, 0, 0, 255, 1, 128};
    if (analog == AnalogFormat::NTSC || analog == AnalogFormat::PAL) {
      filter->decoder = std::make_unique<testing::FakeAnalogDecoder>();
      filter->decoder->tv_format =
          analog == AnalogFormat::PAL ? kAnalogVideoPalB : kAnalogVideoNtscM;
    }
    info.base_filter = filter;
    for (const auto& [rate, sizes] : groups) {
      VideoFormatsByFrameRate& group = info.frame_rates.emplace_back();
      group.frame_rate = static_cast<std::uint32_t>(rate);
      group.rate_text = std::to_string(rate);
      for (auto [w, h] : sizes) {
        group.formats.push_back(
            MakeVideoFormat(testing::MakeVideoType(SubtypeCode::YUY2, w, h, 10000000 / rate)));
      }
    }
    sources.Append(std::move(info));
    if (in_use) sources.SetCurrentSourceIndex(static_cast<std::uint32_t>(sources.Count() - 1));
    return *filter;
  }
  FakeFilter& AddPal(const std::string& name = "USB 2861 Device") {
    FakeFilter& filter =
        Add(name, AnalogFormat::PAL, {{30, {{720, 480}}}, {25, {{640, 480}, {720, 576}}}});
    SetAnalogDeviceFrameRate(log, sources.CurrentSource());
    return filter;
  }
  VideoSourceInfo& Info(std::uint32_t index) { return *sources.Source(index); }
  bool Reported(const char* text) const { return view.Text().find(text) != std::string::npos; }

  Views views;
  int stops = 0, starts = 0, saves = 0, failing_starts = 0, detections = 0;
  bool recording = false;
  CountingStation station{*this};
  CameraFormatModel format{sources, log, station};
  DeviceSelectionModel devices{sources, options, log, format, station};
};

// Which controls the window has follows the device; what it has never overlaps, and the
// window holds them all.
TEST_F(DeviceWindowsTest, CameraFormatLayoutFollowsTheDevice) {
  int height = 0;
  for (const AnalogFormat analog : {AnalogFormat::Digital, AnalogFormat::NTSC, AnalogFormat::PAL}) {
    VideoSourceInfo info;
    info.analog_format = analog;
    info.supports_auto_detect = info.auto_detect_format = analog == AnalogFormat::PAL;
    for (std::size_t i = 0; i < kDevicePropertyCount; ++i) {
      info.Property(i).supported = analog != AnalogFormat::Digital || i == 0 || i == 5;
    }
    const CameraFormatLayout layout = LayoutCameraFormat(info);
    EXPECT_EQ(layout.ntsc.has_value(), analog != AnalogFormat::Digital);
    EXPECT_EQ(layout.digital_label.has_value(), analog == AnalogFormat::Digital);
    EXPECT_EQ(layout.auto_detect.has_value(), info.supports_auto_detect);
    EXPECT_GT(layout.window.height, height);  // each row more makes the window taller
    height = layout.window.height;
    std::vector<ScreenRect> controls = {layout.rate_list, layout.size_list, layout.subtype_field,
                                        layout.ok,        layout.cancel,    layout.defaults_button};
    for (const auto& slider : layout.sliders) {
      if (slider) controls.push_back(*slider);
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
      const ScreenRect& a = controls[i];
      EXPECT_LE(a.x + a.width, layout.window.width);
      EXPECT_LE(a.y + a.height, layout.window.height);
      for (std::size_t j = i + 1; j < controls.size(); ++j) {
        const ScreenRect& b = controls[j];
        EXPECT_TRUE(a.x + a.width <= b.x || b.x + b.width <= a.x || a.y + a.height <= b.y ||
                    b.y + b.height <= a.y)
            << static_cast<int>(analog) << ": " << i << " and " << j;
      }
    }
  }
  EXPECT_EQ(SliderFor(DeviceProperty{1, 7, 0, -5, 3, 1, 0}).tick_frequency, 1);
}

TEST_F(DeviceWindowsTest, DeviceListSkipsDetachedAndIgnoredDevices) {
  Add("Gone", AnalogFormat::Digital, {{30, {{640, 480}}}});
  Add("Ignored", AnalogFormat::Digital, {{30, {{640, 480}}}});
  AddPal("In use");
  Info(0).is_detached = true;
  Info(1).is_ignored = true;
  Info(2).is_default = true;
  devices.OpenFromMenu();
  ASSERT_TRUE(views.devices);
  const DeviceSelectionPresentation& shown = *views.devices;
  EXPECT_EQ(std::tuple(shown.devices, shown.ignored, shown.selected_device, shown.default_checked),
            std::tuple(Names{"In use"}, Names{"Ignored"}, 0, true));
  devices.OpenProperties();
  ASSERT_TRUE(views.format);
  EXPECT_EQ(views.format->title, "In use Properties");
  // The device in use again: nothing restarts. A position no device holds: reported.
  devices.SelectDevice(0);
  devices.SelectDevice(3);
  EXPECT_EQ(stops, 0);
  EXPECT_TRUE(Reported(kAttachDetachFailureText));
  EXPECT_EQ(sources.CurrentSourceIndex(), 2u);
}

TEST_F(DeviceWindowsTest, SwitchingIgnoringRestoringAndSavingDevices) {
  AddPal("First");
  Add("Second", AnalogFormat::Digital, {{30, {{640, 480}}}}, false);
  devices.OpenFromMenu();
  devices.SelectDevice(1);
  EXPECT_EQ(std::tuple(sources.CurrentSourceIndex(), stops, starts), std::tuple(1u, 1, 1));
  devices.Ignore(0);
  devices.Ignore(0);
  // The only devices ignored: none in use, the window stays for the ignored list.
  EXPECT_EQ(sources.CurrentSource(), nullptr);
  EXPECT_TRUE(devices.IsOpen());
  EXPECT_EQ(views.devices->ignored, (Names{"First", "Second"}));
  EXPECT_TRUE(Reported("Device \"Second\" is ignored\r\n"));
  devices.RestoreDevice(1);
  EXPECT_TRUE(Reported("Device \"Second\" is restored\r\n"));
  EXPECT_EQ(sources.CurrentSourceIndex(), 1u);
  // Cancel puts back the flags and the device in use when the window opened.
  devices.Cancel();
  EXPECT_FALSE(Info(0).is_ignored);
  EXPECT_EQ(sources.CurrentSourceIndex(), 0u);

  // OK saves the default and the ignored names.
  Info(0).is_default = true;
  options.default_video_source = "First";
  options.excluded_video_sources = {"Unplugged"};
  devices.OpenFromMenu();
  devices.SetDefault(0, false);
  devices.Ok();
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(options.default_video_source, "First");
  devices.OpenFromMenu();
  devices.SetDefault(0, true);
  devices.Ignore(0);
  devices.Ok();
  EXPECT_EQ(options.excluded_video_sources, (Names{"Unplugged", "First"}));
  EXPECT_EQ(options.default_video_source, "First");
}

TEST_F(DeviceWindowsTest, WhatTheFormatWindowOffers) {
  Add("Unknown", AnalogFormat::Unknown, {{30, {{640, 480}}}});
  format.Open();
  EXPECT_TRUE(Reported(kUnknownFormatText));
  EXPECT_FALSE(format.IsOpen());
  Add("Webcam", AnalogFormat::Digital, {{30, {{640, 480}}}, {15, {{1280, 720}}}});
  format.Open();
  ASSERT_TRUE(views.format);
  EXPECT_EQ(views.format->rates, (Names{"30", "15"}));
  AddPal();
  format.Open();
  const CameraFormatPresentation& shown = *views.format;
  EXPECT_EQ(std::tuple(shown.rates, shown.sizes, shown.selected_size, shown.pal_checked),
            std::tuple(Names{"25"}, Names{"640x480", "720x576"}, 1, true));
  format.SelectRate(0);
  EXPECT_EQ(stops, 0);
  EXPECT_EQ(Info(2).current_rate_index, 1u);
}

// Repeated sizes say their subtype, then their exact rate (two that round alike).
TEST(FrameSizeRowsTest, RepeatedSizesSayWhatSetsThemApart) {
  VideoFormatsByFrameRate group;
  for (auto [subtype, width, per_frame] : {std::tuple{SubtypeCode::MJPG, 640, 333333u},
                                           {SubtypeCode::YUY2, 640, 333333u},
                                           {SubtypeCode::YUY2, 640, 333667u},
                                           {SubtypeCode::YUY2, 320, 333333u}}) {
    group.formats.push_back(
        MakeVideoFormat(testing::MakeVideoType(subtype, width, 480, per_frame)));
  }
  EXPECT_EQ(FrameSizeRows(group),
            (Names{"640x480 MJPG", "640x480 YUY2 30 fps", "640x480 YUY2 29.97 fps", "320x480"}));
}

TEST_F(DeviceWindowsTest, CancelPutsEveryChangeBack) {
  FakeFilter& filter = AddPal();
  format.Open();
  EXPECT_EQ(format.MoveSlider(0, 200), 200);
  format.SelectSize(0);
  format.ChooseStandard(AnalogFormat::NTSC);
  EXPECT_EQ(filter.decoder->tv_format, kAnalogVideoNtscM);
  EXPECT_EQ(views.format->rates, Names{"30"});
  format.SetAutoDetect(true);
  EXPECT_EQ(detections, 1);
  EXPECT_FALSE(views.format->standard_buttons_enabled);
  format.Cancel();
  const VideoSourceInfo& info = Info(0);
  // Standard, rate, size, the enabled group, brightness in both places, auto-detect.
  EXPECT_EQ(
      std::tuple(info.analog_format, filter.decoder->tv_format, info.current_rate_index,
                 info.frame_rates[1].current_format_index, info.frame_rates[1].enabled,
                 info.frame_rates[0].enabled, info.brightness.value,
                 filter.proc_amp->values[ProcAmpProperty::Brightness], info.auto_detect_format),
      std::tuple(AnalogFormat::PAL, kAnalogVideoPalB, 1u, 1u, true, false, 100, 100, false));
  EXPECT_EQ(stops, 4);
  EXPECT_FALSE(format.IsOpen());
}

TEST_F(DeviceWindowsTest, RefusedFormatsControlsAndRecordingsLeaveTheDeviceWorking) {
  FakeFilter& filter = AddPal();
  format.Open();
  // The device offers 640x480 but will not run it: 720x576 comes back and runs.
  failing_starts = 1;
  format.SelectSize(0);
  EXPECT_TRUE(Reported(kFormatRefusedText));
  EXPECT_EQ(Info(0).frame_rates[1].current_format_index, 1u);
  EXPECT_EQ(starts, 2);
  // A value the driver rejects: the slider shows the device's.
  filter.proc_amp->set_results[ProcAmpProperty::Brightness] = E_INVALIDARG;
  EXPECT_EQ(format.MoveSlider(0, 50), 100);
  // While recording nothing restarts; OK still saves.
  recording = true;
  format.SelectSize(0);
  format.ChooseStandard(AnalogFormat::NTSC);
  EXPECT_TRUE(Reported(kRestartRefusedWhileRecording));
  format.Ok(true);
  EXPECT_EQ(stops, 2);
  EXPECT_EQ(saves, 1);
  EXPECT_TRUE(Info(0).has_configuration);
  // The device left while the window was open: Cancel says so and touches nothing.
  recording = false;
  format.Open();
  Info(0).is_detached = true;
  format.Cancel();
  EXPECT_TRUE(Reported(kDeviceGoneText));
  EXPECT_EQ(stops, 2);
}

}  // namespace
}  // namespace vesk
