#include "platform/gst/simulated_camera_source.h"

#include <gst/base/gstpushsrc.h>
#include <gst/video/video.h>
#include <time.h>

#include <atomic>
#include <memory>
#include <string>
#include <mutex>
#include <vector>

#include "platform/gst/file_frame_reader.h"
#include "platform/gst/frame_memory_handover.h"
#include "platform/gst/star_field_painter.h"

namespace vesk::gst {
namespace {

// Frames a second that slip through while the decoder is set to the wrong standard.
constexpr GstClockTime kUnsyncedFramePeriod = GST_SECOND / 2;

struct CameraSourceState {
  std::shared_ptr<SimulatedCameraDevice> device;
  bool paced = true;
  // The format is set and used on the streaming thread; the latency query reads whether
  // there is one and its frame time from the application's thread, hence the atomics.
  GstVideoInfo info;
  std::atomic<bool> have_info = false;
  simcam::StarFieldPainter painter;
  // A full-height picture of the analog camera is two fields, each its own instant.
  bool interlaced = false;
  std::vector<std::uint8_t> luma;
  // The file camera's frames.
  std::unique_ptr<FileFrameReader> file_frames;
  std::atomic<GstClockTime> frame_duration = GST_SECOND / 25;
  // Frame numbering and the next capture time on the running-time grid.
  std::uint64_t sequence = 0;
  GstClockTime next_capture = GST_CLOCK_TIME_NONE;
  // One reusable wait on the pipeline clock, and its clock.
  std::mutex lock;
  GstClockID clock_id = nullptr;
  GstClock* id_clock = nullptr;
  bool flushing = false;
};

}  // namespace
}  // namespace vesk::gst

G_BEGIN_DECLS

#define VESK_TYPE_CAM_SRC (vesk_cam_src_get_type())
G_DECLARE_FINAL_TYPE(VeskCamSrc, vesk_cam_src, VESK, CAM_SRC, GstPushSrc)

struct _VeskCamSrc {
  GstPushSrc parent;
  vesk::gst::CameraSourceState* state;
};

G_END_DECLS

G_DEFINE_TYPE(VeskCamSrc, vesk_cam_src, GST_TYPE_PUSH_SRC)

namespace vesk::gst {
namespace {

GstStaticPadTemplate kSourceTemplate = GST_STATIC_PAD_TEMPLATE(
    "src", GST_PAD_SRC, GST_PAD_ALWAYS,
    GST_STATIC_CAPS("video/x-raw, format = (string) { YUY2, BGR, BGRA, I420 }, "
                    "width = (int) [ 16, 4096 ], height = (int) [ 16, 4096 ], "
                    "framerate = (fraction) [ 1/1, 120/1 ]"));

CameraSourceState* StateOf(gpointer object) { return VESK_CAM_SRC(object)->state; }

void Finalize(GObject* object) {
  CameraSourceState* state = StateOf(object);
  if (state->clock_id != nullptr) gst_clock_id_unref(state->clock_id);
  if (state->id_clock != nullptr) gst_object_unref(state->id_clock);
  delete state;
  G_OBJECT_CLASS(vesk_cam_src_parent_class)->finalize(object);
}

GstCaps* Fixate(GstBaseSrc* source, GstCaps* caps) {
  caps = gst_caps_make_writable(caps);
  GstStructure* structure = gst_caps_get_structure(caps, 0);
  gst_structure_fixate_field_nearest_int(structure, "width", 720);
  gst_structure_fixate_field_nearest_int(structure, "height", 576);
  gst_structure_fixate_field_nearest_fraction(structure, "framerate", 25, 1);
  gst_structure_fixate_field_string(structure, "format", "YUY2");
  return GST_BASE_SRC_CLASS(vesk_cam_src_parent_class)->fixate(source, caps);
}

gboolean SetCaps(GstBaseSrc* source, GstCaps* caps) {
  CameraSourceState* state = StateOf(source);
  GstVideoInfo info;
  if (!gst_video_info_from_caps(&info, caps) || info.fps_n <= 0) return FALSE;
  state->info = info;
  state->frame_duration = gst_util_uint64_scale_int(GST_SECOND, info.fps_d, info.fps_n);
  state->have_info = true;
  const int width = GST_VIDEO_INFO_WIDTH(&info);
  const int height = GST_VIDEO_INFO_HEIGHT(&info);
  if (!state->device->file_path.empty()) {
    std::string why;
    state->file_frames = FileFrameReader::Open(state->device->file_path, width, height, &why);
    if (!state->file_frames) {
      GST_ELEMENT_ERROR(source, RESOURCE, OPEN_READ, ("Cannot play the video file"),
                        ("%s: %s", state->device->file_path.c_str(), why.c_str()));
      return FALSE;
    }
  }
  state->interlaced = state->device->analog && height >= 480;
  state->painter.Configure(width, height, 20240917u, state->interlaced);
  state->luma.assign(static_cast<std::size_t>(width) * height, 0);
  return TRUE;
}

gboolean DecideAllocation(GstBaseSrc* source, GstQuery* query) {
  CameraSourceState* state = StateOf(source);
  GstCaps* caps = nullptr;
  gst_query_parse_allocation(query, &caps, nullptr);
  GstBufferPool* pool = nullptr;
  guint size = static_cast<guint>(GST_VIDEO_INFO_SIZE(&state->info));
  guint min = 0;
  guint max = 0;
  const bool update = gst_query_get_n_allocation_pools(query) > 0;
  if (update) {
    guint offered = 0;
    gst_query_parse_nth_allocation_pool(query, 0, &pool, &offered, &min, &max);
    size = MAX(size, offered);
  }
  if (pool == nullptr) pool = gst_video_buffer_pool_new();
  GstStructure* config = gst_buffer_pool_get_config(pool);
  gst_buffer_pool_config_set_params(config, caps, size, min, max);
  if (gst_query_find_allocation_meta(query, GST_VIDEO_META_API_TYPE, nullptr)) {
    gst_buffer_pool_config_add_option(config, GST_BUFFER_POOL_OPTION_VIDEO_META);
  }
  gst_buffer_pool_set_config(pool, config);
  if (update) {
    gst_query_set_nth_allocation_pool(query, 0, pool, size, min, max);
  } else {
    gst_query_add_allocation_pool(query, pool, size, min, max);
  }
  gst_object_unref(pool);
  return GST_BASE_SRC_CLASS(vesk_cam_src_parent_class)->decide_allocation(source, query);
}

gboolean Query(GstBaseSrc* source, GstQuery* query) {
  CameraSourceState* state = StateOf(source);
  if (GST_QUERY_TYPE(query) == GST_QUERY_LATENCY && state->have_info) {
    // A frame is captured one frame time before it is handed over.
    const GstClockTime frame_duration = state->frame_duration;
    gst_query_set_latency(query, state->paced, frame_duration, frame_duration);
    return TRUE;
  }
  return GST_BASE_SRC_CLASS(vesk_cam_src_parent_class)->query(source, query);
}

gboolean Start(GstBaseSrc* source) {
  CameraSourceState* state = StateOf(source);
  state->sequence = 0;
  state->next_capture = GST_CLOCK_TIME_NONE;
  gst_base_src_set_live(source, state->paced);
  return TRUE;
}

gboolean Unlock(GstBaseSrc* source) {
  CameraSourceState* state = StateOf(source);
  std::lock_guard<std::mutex> hold(state->lock);
  state->flushing = true;
  if (state->clock_id != nullptr) gst_clock_id_unschedule(state->clock_id);
  return TRUE;
}

gboolean UnlockStop(GstBaseSrc* source) {
  CameraSourceState* state = StateOf(source);
  std::lock_guard<std::mutex> hold(state->lock);
  state->flushing = false;
  return TRUE;
}

// What the time inserter burns in for an instant (Unix nanoseconds, UTC).
simcam::FrameStamp StampAt(std::int64_t unix_ns, std::uint64_t counter) {
  const time_t seconds = static_cast<time_t>(unix_ns / 1000000000);
  tm utc{};
  gmtime_r(&seconds, &utc);
  simcam::FrameStamp stamp;
  stamp.hour = utc.tm_hour;
  stamp.minute = utc.tm_min;
  stamp.second = utc.tm_sec;
  stamp.millisecond = static_cast<int>(unix_ns % 1000000000 / 1000000);
  stamp.counter = counter;
  return stamp;
}

// Waits for the next capture time on the pipeline clock and gives the running time of the
// capture; frames the camera could not hand over in time are skipped in the numbering.
GstFlowReturn WaitForCapture(GstElement* element, CameraSourceState* state,
                             GstClockTime* capture_time) {
  GstClock* clock = gst_element_get_clock(element);
  if (clock == nullptr) {
    *capture_time = state->sequence * state->frame_duration;
    return GST_FLOW_OK;
  }
  const GstClockTime base_time = gst_element_get_base_time(element);
  const GstClockTime period =
      state->device->StandardMatches() ? state->frame_duration.load() : kUnsyncedFramePeriod;
  GstClockTime now = gst_clock_get_time(clock) - base_time;
  if (state->next_capture == GST_CLOCK_TIME_NONE) {
    state->next_capture = gst_util_uint64_scale_ceil(now, 1, period) * period;
  }
  if (const std::int32_t lose = state->device->frames_to_lose.exchange(0); lose > 0) {
    state->sequence += static_cast<std::uint64_t>(lose);
    state->next_capture += static_cast<std::uint64_t>(lose) * period;
  }
  GstFlowReturn result = GST_FLOW_OK;
  {
    std::unique_lock<std::mutex> hold(state->lock);
    if (state->flushing) result = GST_FLOW_FLUSHING;
    if (result == GST_FLOW_OK) {
      if (state->clock_id == nullptr || state->id_clock != clock) {
        if (state->clock_id != nullptr) gst_clock_id_unref(state->clock_id);
        if (state->id_clock != nullptr) gst_object_unref(state->id_clock);
        state->clock_id = gst_clock_new_single_shot_id(clock, base_time + state->next_capture);
        state->id_clock = GST_CLOCK(gst_object_ref(clock));
      } else {
        gst_clock_single_shot_id_reinit(clock, state->clock_id, base_time + state->next_capture);
      }
      GstClockID id = state->clock_id;
      hold.unlock();
      const GstClockReturn waited = gst_clock_id_wait(id, nullptr);
      hold.lock();
      if (state->flushing || waited == GST_CLOCK_UNSCHEDULED) result = GST_FLOW_FLUSHING;
    }
  }
  if (result == GST_FLOW_OK) {
    now = gst_clock_get_time(clock) - base_time;
    if (now >= state->next_capture + period) {
      const std::uint64_t missed = (now - state->next_capture) / period;
      state->sequence += missed;
      state->next_capture += missed * period;
    }
    // A camera exposes on its own steady beat; a frame handed over late was still captured
    // on it.
    *capture_time = state->next_capture;
    state->next_capture += period;
  }
  gst_object_unref(clock);
  return result;
}

void WriteFrame(const std::vector<std::uint8_t>& luma, int width, int height,
                GstVideoFrame* frame) {
  const GstVideoFormat format = GST_VIDEO_FRAME_FORMAT(frame);
  const std::uint8_t* source = luma.data();
  if (format == GST_VIDEO_FORMAT_I420) {
    auto* y_plane = static_cast<std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, 0));
    const int y_stride = GST_VIDEO_FRAME_PLANE_STRIDE(frame, 0);
    for (int y = 0; y < height; ++y) {
      std::copy(source + y * width, source + (y + 1) * width, y_plane + y * y_stride);
    }
    for (int plane = 1; plane <= 2; ++plane) {
      auto* data = static_cast<std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, plane));
      const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(frame, plane);
      const int rows = GST_VIDEO_FRAME_COMP_HEIGHT(frame, plane);
      const int columns = GST_VIDEO_FRAME_COMP_WIDTH(frame, plane);
      for (int y = 0; y < rows; ++y) std::fill(data + y * stride, data + y * stride + columns, 128);
    }
    return;
  }
  auto* data = static_cast<std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, 0));
  const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(frame, 0);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = source + y * width;
    std::uint8_t* out = data + y * stride;
    switch (format) {
      case GST_VIDEO_FORMAT_YUY2:
        for (int x = 0; x < width; ++x) {
          out[2 * x] = in[x];
          out[2 * x + 1] = 128;
        }
        break;
      case GST_VIDEO_FORMAT_BGR:
        for (int x = 0; x < width; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = in[x];
        break;
      default:  // BGRA
        for (int x = 0; x < width; ++x) {
          out[4 * x] = out[4 * x + 1] = out[4 * x + 2] = in[x];
          out[4 * x + 3] = 255;
        }
        break;
    }
  }
}

std::int64_t ThreadCpuNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

simcam::PictureControls ControlsOf(const SimulatedCameraDevice& device) {
  auto value_of = [&](ProcAmpProperty property, std::int32_t neutral) {
    const SimulatedControl& control = device.controls[static_cast<std::size_t>(property)];
    if (!control.supported || (control.flags.load() & kProcAmpFlagsAuto) != 0) return neutral;
    return control.value.load();
  };
  simcam::PictureControls controls;
  controls.brightness = value_of(ProcAmpProperty::Brightness, 128);
  controls.contrast = value_of(ProcAmpProperty::Contrast, 128);
  controls.gain = value_of(ProcAmpProperty::Gain, 50);
  return controls;
}

GstFlowReturn Fill(GstPushSrc* push_source, GstBuffer* buffer) {
  auto* element = GST_ELEMENT(push_source);
  CameraSourceState* state = StateOf(push_source);
  if (!state->have_info) return GST_FLOW_NOT_NEGOTIATED;
  if (!state->device->attached.load()) {
    GST_ELEMENT_ERROR(element, RESOURCE, NOT_FOUND, ("Video device was unplugged"),
                      ("%s is no longer attached", state->device->name.c_str()));
    return GST_FLOW_ERROR;
  }
  GstClockTime capture_time = 0;
  if (state->paced) {
    const GstFlowReturn waited = WaitForCapture(element, state, &capture_time);
    if (waited != GST_FLOW_OK) return waited;
    if (!state->device->attached.load()) {
      GST_ELEMENT_ERROR(element, RESOURCE, NOT_FOUND, ("Video device was unplugged"),
                        ("%s is no longer attached", state->device->name.c_str()));
      return GST_FLOW_ERROR;
    }
  } else {
    capture_time = state->sequence * state->frame_duration;
  }

  const std::int64_t cpu_start = ThreadCpuNanoseconds();
  // The inserter burns in the capture instant itself, on the wall clock, so the station's
  // frame times can be checked against it to the millisecond.
  timespec wall{};
  clock_gettime(CLOCK_REALTIME, &wall);
  if (state->paced) {
    if (GstClock* clock = gst_element_get_clock(element)) {
      const auto now = static_cast<std::int64_t>(gst_clock_get_time(clock));
      gst_object_unref(clock);
      const std::int64_t captured =
          static_cast<std::int64_t>(wall.tv_sec) * 1000000000 + wall.tv_nsec -
          (now - static_cast<std::int64_t>(gst_element_get_base_time(element) + capture_time));
      wall.tv_sec = static_cast<time_t>(captured / 1000000000);
      wall.tv_nsec = static_cast<long>(captured % 1000000000);
    }
  }
  const std::int64_t captured_ns = static_cast<std::int64_t>(wall.tv_sec) * 1000000000 + wall.tv_nsec;
  // An interlaced camera's time inserter counts fields; a webcam counts frames.
  const std::uint64_t counter = state->device->analog ? 2 * state->sequence : state->sequence;
  const int width = GST_VIDEO_INFO_WIDTH(&state->info);
  const int height = GST_VIDEO_INFO_HEIGHT(&state->info);
  const simcam::PictureControls controls = ControlsOf(*state->device);
  if (state->file_frames) {
    if (!state->file_frames->Next(state->luma.data(), width)) {
      GST_ELEMENT_ERROR(element, RESOURCE, READ, ("The video file gives no frames"),
                        ("%s", state->device->file_path.c_str()));
      return GST_FLOW_ERROR;
    }
  } else if (state->interlaced) {
    // The second field is exposed a field period after the first: PAL sends the top field
    // first, NTSC the bottom one.
    const std::int64_t field_ns = static_cast<std::int64_t>(state->frame_duration.load() / 2);
    const int first_field = height == 480 ? 1 : 0;
    for (int i = 0; i < 2; ++i) {
      state->painter.PaintField(StampAt(captured_ns + i * field_ns, counter + i), controls,
                                first_field ^ i, state->luma.data(), width);
    }
  } else {
    state->painter.Paint(StampAt(captured_ns, counter), controls, state->luma.data(), width);
  }

  GstVideoFrame frame;
  if (!gst_video_frame_map(&frame, &state->info, buffer, GST_MAP_WRITE)) {
    GST_ELEMENT_ERROR(element, RESOURCE, WRITE, ("Cannot write a video frame"), (nullptr));
    return GST_FLOW_ERROR;
  }
  FrameMemoryTaken(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
  WriteFrame(state->luma, width, height, &frame);
  FrameMemoryDone(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
  gst_video_frame_unmap(&frame);
  state->device->paint_cpu_ns += ThreadCpuNanoseconds() - cpu_start;
  ++state->device->frames_painted;

  GST_BUFFER_PTS(buffer) = capture_time;
  GST_BUFFER_DTS(buffer) = GST_CLOCK_TIME_NONE;
  GST_BUFFER_DURATION(buffer) = state->frame_duration;
  GST_BUFFER_OFFSET(buffer) = state->sequence;
  GST_BUFFER_OFFSET_END(buffer) = state->sequence + 1;
  ++state->sequence;
  return GST_FLOW_OK;
}

gboolean RegisterElement(gpointer) {
  return gst_element_register(nullptr, kSimulatedCameraElement, GST_RANK_NONE, VESK_TYPE_CAM_SRC);
}

}  // namespace
}  // namespace vesk::gst

static void vesk_cam_src_class_init(VeskCamSrcClass* klass) {
  using namespace vesk::gst;
  GObjectClass* object_class = G_OBJECT_CLASS(klass);
  GstElementClass* element_class = GST_ELEMENT_CLASS(klass);
  GstBaseSrcClass* base_class = GST_BASE_SRC_CLASS(klass);
  GstPushSrcClass* push_class = GST_PUSH_SRC_CLASS(klass);
  object_class->finalize = Finalize;
  gst_element_class_add_static_pad_template(element_class, &kSourceTemplate);
  gst_element_class_set_static_metadata(element_class, "VESK simulated camera", "Source/Video",
                                        "Star field with an occultation and a time inserter",
                                        "VESK");
  base_class->fixate = Fixate;
  base_class->set_caps = SetCaps;
  base_class->decide_allocation = DecideAllocation;
  base_class->query = Query;
  base_class->start = Start;
  base_class->unlock = Unlock;
  base_class->unlock_stop = UnlockStop;
  push_class->fill = Fill;
}

static void vesk_cam_src_init(VeskCamSrc* source) {
  source->state = new vesk::gst::CameraSourceState();
  gst_video_info_init(&source->state->info);
  gst_base_src_set_format(GST_BASE_SRC(source), GST_FORMAT_TIME);
  gst_base_src_set_live(GST_BASE_SRC(source), TRUE);
}

namespace vesk::gst {

void RegisterSimulatedCameraSource() {
  static const bool registered = RegisterElement(nullptr);
  (void)registered;
}

GstElement* CreateSimulatedCameraSource(std::shared_ptr<SimulatedCameraDevice> device, bool paced) {
  RegisterSimulatedCameraSource();
  GstElement* element = gst_element_factory_make(kSimulatedCameraElement, nullptr);
  if (element == nullptr) return nullptr;
  CameraSourceState* state = VESK_CAM_SRC(element)->state;
  state->device = std::move(device);
  state->paced = paced;
  gst_base_src_set_live(GST_BASE_SRC(element), paced);
  return element;
}

}  // namespace vesk::gst
