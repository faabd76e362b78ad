#pragma once

// The media graph the capture code builds step by step: filters with named pins, joined
// by connections, run and stopped as one. Every operation answers with an HResult so
// the capture logic keeps the original order of steps and its messages. The real
// implementation turns a graph into one GStreamer pipeline when it runs; the tests use a
// scripted double that records filters and connections.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/hresult.h"
#include "media/frame_stamps.h"
#include "media/live_frame_tap.h"
#include "media/video_types.h"

namespace vesk {

enum class PinDirection { Input, Output };

// The two streams of a capture device: what is shown and what is recorded.
enum class PinCategory { Preview, Capture };

// One format a device offers, as the device describes it; handed back unchanged when the
// format is chosen.
struct MediaType {
  bool is_video = true;
  // The platform's name of the subtype ("YUY2", "MJPG", "RGB24", "UYVY", "ARGB32", or
  // another fourcc) and its code.
  std::string subtype_name;
  SubtypeCode subtype = SubtypeCode::Other;
  // Without a format block there is no size and no frame time.
  bool has_format = true;
  std::int32_t width = 0;
  std::int32_t height = 0;
  // Average time per frame in 100 ns units (400000 for 25 frames per second).
  std::uint32_t avg_time_per_frame = 0;
  // The exact frame rate as a fraction, for the platform (30000/1001 for NTSC).
  std::int32_t rate_numerator = 0;
  std::int32_t rate_denominator = 1;
  // An analog standard this format belongs to, when the device has one.
  AnalogFormat standard = AnalogFormat::Digital;

  friend bool operator==(const MediaType&, const MediaType&) = default;
};

class MediaFilter;

class MediaPin {
 public:
  virtual ~MediaPin() = default;
  virtual std::string Name() const = 0;
  virtual HResult QueryDirection(PinDirection* direction) const = 0;
  // VFW_E_NOT_CONNECTED when the pin is free.
  virtual HResult ConnectedTo(std::shared_ptr<MediaPin>* other) const = 0;
  virtual HResult EnumMediaTypes(std::vector<MediaType>* types) const = 0;
  virtual MediaFilter* Owner() const = 0;
};

using PinList = std::vector<std::shared_ptr<MediaPin>>;

// Picture controls of a device.
enum class ProcAmpProperty : std::int32_t {
  Brightness = 0,
  Contrast = 1,
  Hue = 2,
  Saturation = 3,
  Sharpness = 4,
  Gain = 9,
};

constexpr std::int32_t kProcAmpFlagsAuto = 1;
constexpr std::int32_t kProcAmpFlagsManual = 2;

struct ProcAmpRange {
  std::int32_t minimum = 0;
  std::int32_t maximum = 0;
  std::int32_t step = 0;
  std::int32_t default_value = 0;
  std::int32_t capabilities = 0;
};

class VideoProcAmp {
 public:
  virtual ~VideoProcAmp() = default;
  virtual HResult Get(ProcAmpProperty property, std::int32_t* value, std::int32_t* flags) = 0;
  virtual HResult GetRange(ProcAmpProperty property, ProcAmpRange* range) = 0;
  virtual HResult Set(ProcAmpProperty property, std::int32_t value, std::int32_t flags) = 0;
};

// TV standards as the decoder names them.
constexpr std::int32_t kAnalogVideoNtscM = 0x1;
constexpr std::int32_t kAnalogVideoPalB = 0x10;

class AnalogVideoDecoder {
 public:
  virtual ~AnalogVideoDecoder() = default;
  virtual HResult GetTvFormat(std::int32_t* format) = 0;
  virtual HResult PutTvFormat(std::int32_t format) = 0;
  // The standard of the signal the device sees now, when the device can tell by itself:
  // S_OK with PAL-B or NTSC-M, S_FALSE when it sees no signal or cannot tell the two apart;
  // a failure when it cannot detect at all (the station then measures instead).
  virtual HResult DetectTvFormat(std::int32_t* format) {
    (void)format;
    return E_NOTIMPL;
  }
};

class StreamConfig {
 public:
  virtual ~StreamConfig() = default;
  virtual HResult SetFormat(const MediaType& type) = 0;
};

// Cumulative counts of a capture stream: frames that reached the file, and frames lost
// (gaps in the source's sequence numbers). They keep their final values after Stop.
class DroppedFrames {
 public:
  virtual ~DroppedFrames() = default;
  virtual HResult GetNumNotDropped(std::int32_t* count) = 0;
  virtual HResult GetNumDropped(std::int32_t* count) = 0;
};

struct VideoRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  friend bool operator==(const VideoRect&, const VideoRect&) = default;
};

// Where a renderer draws: the video window of the station (an opaque platform handle).
using DisplayWindow = std::uintptr_t;

constexpr std::int32_t kAspectRatioPreservePicture = 1;
constexpr std::int32_t kAspectRatioLetterBox = 1;

// Control of a renderer that draws into a window; the Null Renderer has one too, for its
// count of frames, and keeps its window settings without using them.
class RendererControl {
 public:
  virtual ~RendererControl() = default;
  virtual HResult SetVideoWindow(DisplayWindow window) = 0;
  virtual HResult SetAspectRatioMode(std::int32_t mode) = 0;
  virtual HResult SetVideoPosition(const VideoRect& destination) = 0;
  // Frames that reached the window since the graph last started.
  virtual HResult GetFramesDrawn(std::int32_t* frames) = 0;
};

// The brightness/contrast stage of the live display ("Color Control"): two integer values
// from -127 to 127, 0 leaving the picture as it is. They take effect while the graph runs.
enum class ColourKey : std::int32_t { Brightness = 1, Contrast = 2 };

class ColourControl {
 public:
  virtual ~ColourControl() = default;
  virtual HResult GetValue(ColourKey key, std::int32_t* value) = 0;
  virtual HResult SetValue(ColourKey key, std::int32_t value) = 0;
};

class MediaFilter {
 public:
  virtual ~MediaFilter() = default;
  virtual HResult EnumPins(PinList* pins) = 0;
  // Optional interfaces; E_NOINTERFACE when the filter has none.
  virtual HResult QueryVideoProcAmp(VideoProcAmp** proc_amp) {
    *proc_amp = nullptr;
    return E_NOINTERFACE;
  }
  virtual HResult QueryRendererControl(RendererControl** control) {
    *control = nullptr;
    return E_NOINTERFACE;
  }
  virtual HResult QueryColourControl(ColourControl** control) {
    *control = nullptr;
    return E_NOINTERFACE;
  }
};

// A device or compressor as the platform lists it.
class DeviceMoniker {
 public:
  virtual ~DeviceMoniker() = default;
  virtual HResult ReadFriendlyName(std::string* name) = 0;
  virtual HResult BindToFilter(std::shared_ptr<MediaFilter>* filter) = 0;
  // What tells this device apart from others of the same name and stays the same when it
  // comes back on another node (its serial number, the port it is plugged into); empty when
  // the platform knows nothing better than the name.
  virtual std::string StableIdentity() const { return {}; }
};

using MonikerList = std::vector<std::shared_ptr<DeviceMoniker>>;

enum class DeviceCategory { VideoInput, VideoCompressor };

enum class RendererKind : std::int32_t { EVR = 0, VMR9 = 1, VMR7 = 2, NullRenderer = 3 };

// How a recording's file was left when its graph stopped.
struct RecordedFileEnd {
  // The writer failed (a full disk, a size limit, a write error), so the file was ended
  // afterwards: cut back to its last whole frame, sizes and counts set.
  bool write_failed = false;
  // The file ends with a complete index.
  bool index_written = false;
  // Whole frames the file holds; -1 when it could not be read.
  std::int64_t frames = -1;
  // When the first frame in the file was captured (UTC, FileTime units); 0 when unknown.
  std::uint64_t first_frame_utc = 0;
  // When the last frame in the file was captured; 0 when unknown.
  std::uint64_t last_frame_utc = 0;
  // What the frame times stand for.
  FrameTimeOrigin frame_time_origin = FrameTimeOrigin::kUnknown;
  // Frame stamps lost to a writer that could not keep up (the record misses them).
  std::uint64_t stamps_lost = 0;
  // A SER file, and whether it ends with the time of every frame.
  bool ser = false;
  bool ser_trailer_written = false;
};

// A SER recording's picture and header texts.
struct SerRecordingSetup {
  // RGB (in the byte order the source gives, RGB or BGR) from a colour source; else 8-bit
  // MONO from the luma.
  bool colour = false;
  std::string observer;
  std::string instrument;
};

// Something went wrong while a graph ran (a device vanished, the disk filled); delivered on
// a platform thread.
using GraphErrorHandler = std::function<void(const std::string& message)>;

// One graph: the filter graph, its capture-graph builder and its media control together.
class MediaGraph {
 public:
  virtual ~MediaGraph() = default;

  virtual HResult AddFilter(const std::shared_ptr<MediaFilter>& filter,
                            const std::string& name) = 0;
  virtual HResult RemoveFilter(const std::shared_ptr<MediaFilter>& filter) = 0;
  // Filters in the order they were added.
  virtual HResult EnumFilters(std::vector<std::shared_ptr<MediaFilter>>* filters) = 0;
  virtual HResult FindFilterByName(const std::string& name,
                                   std::shared_ptr<MediaFilter>* filter) = 0;
  // Joins two pins as they are; Connect may place converters between them.
  virtual HResult ConnectDirect(const std::shared_ptr<MediaPin>& output,
                                const std::shared_ptr<MediaPin>& input) = 0;
  virtual HResult Connect(const std::shared_ptr<MediaPin>& output,
                          const std::shared_ptr<MediaPin>& input) = 0;
  // Frees one side of a connection (both sides are disconnected in turn, as before).
  virtual HResult Disconnect(const std::shared_ptr<MediaPin>& pin) = 0;

  // The capture-graph builder: joins the source's stream of a category through an
  // optional intermediate filter to the sink, adding a "Smart Tee" when the source has
  // no preview pin of its own.
  virtual HResult RenderStream(PinCategory category, const std::shared_ptr<MediaFilter>& source,
                               const std::shared_ptr<MediaFilter>& intermediate,
                               const std::shared_ptr<MediaFilter>& sink) = 0;
  // Adds the AVI multiplexer writing to path and returns it.
  virtual HResult SetOutputFileName(const std::string& path,
                                    std::shared_ptr<MediaFilter>* multiplexer) = 0;
  // Adds the SER file writer writing to path and returns it; E_NOTIMPL where the platform
  // has none.
  virtual HResult SetSerOutputFileName(const std::string& path, const SerRecordingSetup& setup,
                                       std::shared_ptr<MediaFilter>* writer) {
    (void)path;
    (void)setup;
    if (writer != nullptr) writer->reset();
    return E_NOTIMPL;
  }
  virtual HResult FindStreamConfig(const std::shared_ptr<MediaFilter>& source, PinCategory category,
                                   StreamConfig** config) = 0;
  virtual HResult FindAnalogVideoDecoder(const std::shared_ptr<MediaFilter>& source,
                                         AnalogVideoDecoder** decoder) = 0;
  virtual HResult FindDroppedFrames(const std::shared_ptr<MediaFilter>& source,
                                    PinCategory category, DroppedFrames** counters) = 0;

  virtual HResult Run() = 0;
  // Stops the graph; a recording is finished first, so its file is complete.
  virtual HResult Stop() = 0;
  virtual void SetErrorHandler(GraphErrorHandler handler) = 0;
  // How the last stop left the file of a recording.
  virtual RecordedFileEnd LastRecordedFile() const { return {}; }
  // For the next run with a recording: frames captured before from_utc or from until_utc
  // on (UTC, FileTime units; 0 for no bound) stay out of the file, so the graph may start
  // early and the file still begins and ends on time.
  virtual void SetRecordingWindow(std::uint64_t from_utc, std::uint64_t until_utc) {
    (void)from_utc;
    (void)until_utc;
  }
  // For the next run with a recording: the capture time of every frame that reaches the file
  // goes to sink, at least once a second and the rest when the graph stops. Null: none.
  virtual void SetFrameStampSink(std::shared_ptr<FrameStampSink> sink) {
    (void)sink;
  }
  // For the next runs: every raw frame the source gives goes to tap as it leaves the source,
  // shown or recorded or not. Null: none.
  virtual void SetLiveFrameTap(std::shared_ptr<LiveFrameTap> tap) { (void)tap; }
};

// The platform's media services.
class MediaSystem {
 public:
  virtual ~MediaSystem() = default;
  // Devices or compressors in a stable order; S_FALSE when the category is empty.
  virtual HResult EnumerateDevices(DeviceCategory category, MonikerList* monikers) = 0;
  virtual HResult CreateGraph(std::unique_ptr<MediaGraph>* graph) = 0;
  virtual HResult CreateRenderer(RendererKind kind, std::shared_ptr<MediaFilter>* renderer) = 0;
  // The "Color Control" effect as a filter; E_NOINTERFACE when the platform has none.
  virtual HResult CreateColourControl(std::shared_ptr<MediaFilter>* filter) {
    filter->reset();
    return E_NOINTERFACE;
  }
};

}  // namespace vesk
