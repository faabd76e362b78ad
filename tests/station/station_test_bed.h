#pragma once

// What a station under test stands on, for the tests through the window doubles and those
// through the Qt windows alike: the scripted media double with one codec, a fixed clock in
// Europe/Berlin, a recorded message box, adjustable power rights and a fresh home folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "config/options.h"
#include "station/station.h"
#include "support/fake_clock.h"
#include "support/fake_timer_queue.h"
#include "support/fake_media.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace vesk::testing {

class StationTestBed {
 public:
  StationTestBed() { media.AddCompressor("VESK Test Codec"); }

  void AddDevice() {
    media.AddDevice("USB2.0 Grabber", {MakeVideoType(SubtypeCode::YUY2, 720, 576, 400000)});
  }

  // with_live_filter: a stand-in for the analysis filter whose output lists the device's
  // format, as a connected filter does.
  StationServices Services(StationWindows& windows, bool with_live_filter) {
    const TimeZoneInfo zone{TimeZoneInfo::Kind::Standard, -60, "Europe/Berlin"};
    LiveFilterMaker maker;
    if (with_live_filter) {
      maker.make = [this](LiveAnalysis&) -> std::shared_ptr<MediaFilter> {
        live_filter = std::make_shared<FakeFilter>("transform");
        live_filter->AddPin("Input", PinDirection::Input);
        live_filter->AddPin("Output", PinDirection::Output,
                            {MakeVideoType(SubtypeCode::YUY2, 720, 576, 400000)});
        return live_filter;
      };
    }
    return StationServices{media, clock, box, windows, power, zone, dir.path().string() + "/",
                           maker,
                           [this](std::function<void()> work) { posted.push_back(std::move(work)); },
                           &timers};
  }

  static void StoreOptions(std::int32_t saturation_value, bool remove_filters = false) {
    Options options;
    options.pixel_saturation_value = saturation_value;
    options.remove_filters_while_recording = remove_filters;
    ASSERT_TRUE(SaveOptions(options, {}));
  }

  bool TransformInGraph() const {
    const std::vector<std::string> names = media.graphs.back()->FilterNames();
    return std::find(names.begin(), names.end(), kTransformFilterName) != names.end();
  }
  bool Recording() const { return !media.graphs.back()->output_path.empty(); }
  int Runs() const { return media.plan.Calls("Run"); }

  class Power final : public PowerCapabilities {
   public:
    bool CanHibernate() override { return hibernate; }
    bool MayShutDownOrHibernate() override { return privilege; }
    std::unique_ptr<SleepInhibitor> InhibitSleep(const std::string& why, std::string*) override {
      struct Hold final : SleepInhibitor {
        explicit Hold(int* count) : count(count) { ++*count; }
        ~Hold() override { --*count; }
        int* count;
      };
      last_hold_reason = why;
      return std::make_unique<Hold>(&holds);
    }
    bool Hibernate(std::string*) override {
      hibernations.push_back(holds);
      return true;
    }
    bool hibernate = true;
    bool privilege = true;
    int holds = 0;  // sleep holds now held
    std::vector<int> hibernations;  // the holds still held at each hibernation
    std::string last_hold_reason;
  };

  ScopedTempDir dir;
  FakeMediaSystem media;
  FakeClock clock{MakeFileTime(2026, 7, 14, 3, 5, 9), -60};
  FakeTimerQueue timers{clock};
  RecordingMessageBox box;
  Power power;
  std::shared_ptr<FakeFilter> live_filter;
  // Work handed to the UI thread, run when a test says so.
  std::vector<std::function<void()>> posted;
};

// The recording log a recording started at the fixed clock leaves.
constexpr const char* kRecordingLogFile = "VideoFiles/07_14_2026_03_05_09.log";

}  // namespace vesk::testing
