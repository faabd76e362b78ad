#pragma once

// What a capture graph stands on in the tests: the media double, options, the device list,
// the recording target, a message log whose entries are kept, and a fake clock at
// 2026-07-14 03:05:09 UTC. Devices are added with one frame-rate group and made the device
// in use.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/error_table.h"
#include "base/message_log.h"
#include "capture/capture_graph.h"
#include "capture/video_sources.h"
#include "config/options.h"
#include "support/fake_clock.h"
#include "support/fake_media.h"
#include "support/recording_view.h"

namespace vesk::testing {

constexpr const char* kBedDevice = "USB2.0 Grabber";

// A message log entry as the beds' clocks (this one and the station's) stamp it.
inline std::string Timed(const std::string& text) { return "\r\n03:05:09 (UTC)\r\n" + text; }

class CaptureBed {
 public:
  CaptureBed() { log.AttachView(&view); }

  std::shared_ptr<FakeFilter> AddSource(const std::string& name, std::vector<MediaType> types,
                                        AnalogFormat analog = AnalogFormat::PAL) {
    auto moniker = media.AddDevice(name, types);
    VideoSourceInfo info;
    info.name = name;
    info.analog_format = analog;
    info.is_active_preview = true;
    if (!types.empty()) {
      VideoFormatsByFrameRate group;
      for (const MediaType& type : types) group.formats.push_back(MakeVideoFormat(type));
      group.frame_rate = group.formats.front().frame_rate;
      group.rate_text = std::to_string(group.frame_rate);
      info.frame_rates.push_back(std::move(group));
      info.subtype = info.frame_rates.front().formats.front().subtype;
    }
    sources.Append(std::move(info));
    sources.SetCurrentSourceIndex(static_cast<std::uint32_t>(sources.Count() - 1));
    return moniker->filter;
  }
  // A PAL grabber: YUY2 720 x 576 at 25 frames a second.
  std::shared_ptr<FakeFilter> AddPal() {
    return AddSource(kBedDevice, {MakeVideoType(SubtypeCode::YUY2, 720, 576, 400000)});
  }

  CaptureGraphContext GraphContext(
      std::function<std::shared_ptr<MediaFilter>()> create_colour_control = nullptr) {
    return CaptureGraphContext{media, options, pairs, sources, log, errors,
                               std::move(create_colour_control), nullptr};
  }

  FakeGraph& fake() { return *media.graphs.back(); }
  VideoSourceInfo& device() { return *sources.CurrentSource(); }

  FakeMediaSystem media;
  Options options;
  std::vector<SubtypeCodecPair> pairs;
  FakeClock clock{MakeFileTime(2026, 7, 14, 3, 5, 9)};
  MessageLog log{clock};
  RecordingView view;
  RecordingMessageBox box;
  ErrorReporter errors{log, box};
  VideoSources sources{media, log};
  // What the graph records into; Target(relative) hands it to a start.
  RecordingTarget target;
  RecordingTarget Target(bool relative) {
    target.video_file_name_is_relative = relative;
    return target;
  }
};

}  // namespace vesk::testing
