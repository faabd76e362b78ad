#include "platform/gst/live_tap_probe.h"

#include <gst/video/video.h>

#include <utility>

#include "platform/gst/capture_time.h"

namespace vesk::gst {
namespace {

// What the probe keeps between calls: the format the last caps gave.
struct TapProbe {
  std::shared_ptr<LiveFrameTap> tap;
  GstElement* pipeline = nullptr;
  GstVideoInfo info{};
  LumaLayout layout = LumaLayout::kNone;
  std::int64_t interval_ns = 0;
};

LumaLayout LayoutOf(GstVideoFormat format) {
  switch (format) {
    case GST_VIDEO_FORMAT_GRAY8: return LumaLayout::kGray;
    case GST_VIDEO_FORMAT_YUY2: return LumaLayout::kYuy2;
    case GST_VIDEO_FORMAT_UYVY: return LumaLayout::kUyvy;
    case GST_VIDEO_FORMAT_I420:
    case GST_VIDEO_FORMAT_YV12:
    case GST_VIDEO_FORMAT_NV12:
    case GST_VIDEO_FORMAT_NV21: return LumaLayout::kPlanar;
    case GST_VIDEO_FORMAT_BGR: return LumaLayout::kBgr;
    case GST_VIDEO_FORMAT_BGRA:
    case GST_VIDEO_FORMAT_BGRx: return LumaLayout::kBgrx;
    default: return LumaLayout::kNone;
  }
}

GstPadProbeReturn TapLiveFrame(GstPad*, GstPadProbeInfo* info, gpointer data) {
  auto* probe = static_cast<TapProbe*>(data);
  if ((GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) != 0) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    GstCaps* caps = nullptr;
    if (event != nullptr && GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
      gst_event_parse_caps(event, &caps);
      // Compressed video and unknown formats are not tapped.
      probe->layout = LumaLayout::kNone;
      if (caps != nullptr && gst_video_info_from_caps(&probe->info, caps)) {
        probe->layout = LayoutOf(GST_VIDEO_INFO_FORMAT(&probe->info));
        probe->interval_ns =
            probe->info.fps_n > 0
                ? static_cast<std::int64_t>(gst_util_uint64_scale(GST_SECOND, probe->info.fps_d,
                                                                  probe->info.fps_n))
                : 0;
      }
    }
    return GST_PAD_PROBE_OK;
  }
  GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  if (buffer == nullptr || probe->layout == LumaLayout::kNone) return GST_PAD_PROBE_OK;
  GstMapInfo map;
  if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return GST_PAD_PROBE_OK;
  // A source that lays its rows out its own way says so in the buffer's video meta.
  std::size_t offset = GST_VIDEO_INFO_PLANE_OFFSET(&probe->info, 0);
  std::ptrdiff_t stride = GST_VIDEO_INFO_PLANE_STRIDE(&probe->info, 0);
  if (const GstVideoMeta* meta = gst_buffer_get_video_meta(buffer)) {
    offset = meta->offset[0];
    stride = meta->stride[0];
  }
  if (offset < map.size) {
    LiveFrame frame;
    frame.layout = probe->layout;
    frame.pixels = map.data + offset;
    frame.bytes = map.size - offset;
    frame.stride = stride;
    frame.width = GST_VIDEO_INFO_WIDTH(&probe->info);
    frame.height = GST_VIDEO_INFO_HEIGHT(&probe->info);
    if (GST_BUFFER_OFFSET_IS_VALID(buffer)) {
      frame.sequence = static_cast<std::int64_t>(GST_BUFFER_OFFSET(buffer));
    }
    frame.utc_ns = CaptureUnixNs(probe->pipeline, buffer);
    frame.frame_interval_ns = probe->interval_ns;
    probe->tap->TakeLiveFrame(frame);
  }
  gst_buffer_unmap(buffer, &map);
  return GST_PAD_PROBE_OK;
}

void ReleaseTapProbe(gpointer data) { delete static_cast<TapProbe*>(data); }

}  // namespace

void AttachLiveTapProbe(GstPad* pad, std::shared_ptr<LiveFrameTap> tap, GstElement* pipeline) {
  if (pad == nullptr || !tap) return;
  auto* probe = new TapProbe();
  probe->tap = std::move(tap);
  probe->pipeline = pipeline;
  gst_pad_add_probe(pad,
                    static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                 GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                    TapLiveFrame, probe, ReleaseTapProbe);
}

}  // namespace vesk::gst
