#pragma once

// The live analysis filter on GStreamer: "vesktransform", a video filter element registered
// inside the process that hands every preview frame to LiveAnalysis (saturation highlight or
// frame integration), and the logical filter the capture graph splices into the preview
// branch. It takes only YUY2, RGB24 (BGR) and ARGB32 (BGRA); any other format cannot be
// connected to it. The recording branch never passes through it.

#include <gst/gst.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "analysis/pixels/live_analysis.h"
#include "media/media_graph.h"
#include "platform/gst/gst_graph_filter.h"

namespace vesk::gst {

inline constexpr char kVeskTransformElement[] = "vesktransform";
// The filter's own name (the capture graph adds it under its graph name).
inline constexpr char kVeskTransformFilterName[] = "Vesk Video Transform";
// The formats the filter takes and gives.
inline constexpr char kVeskTransformCaps[] =
    "video/x-raw, format = (string) { YUY2, BGR, BGRA }, width = (int) [ 1, 16384 ], "
    "height = (int) [ 1, 16384 ], framerate = (fraction) [ 0/1, MAX ]";
// GStreamer stores RGB rows first row first: no row reversal in the filter.
inline constexpr bool kGstRgbRowsTopDown = true;

// What the element did, counted on the streaming thread.
struct TransformCounters {
  std::atomic<std::int64_t> frames{0};     // frames that reached the filter
  std::atomic<std::int64_t> delivered{0};  // output frames passed on
  std::atomic<std::int64_t> dropped{0};    // output frames dropped (integration, short frames)
  // Frames whose rows were laid out with another stride than the format's rule: passed on
  // unchanged, since the pixel code would misread them.
  std::atomic<std::int64_t> unanalysed{0};
};

// Registers "vesktransform" (starting GStreamer when nothing has yet); safe to call often.
void RegisterVeskTransform();

// A new element working on analysis (which must outlive every pipeline holding it); null
// analysis passes frames unchanged.
GstElement* CreateVeskTransform(LiveAnalysis* analysis,
                                std::shared_ptr<TransformCounters> counters);

// The media type of fixed raw video or JPEG caps; false for anything else.
bool MediaTypeFromCaps(const GstCaps* caps, MediaType* type);

// The logical filter around the element: pins "Input" and "Output". Its output offers the
// format its input is connected with, and lists that type first (what the capture graph
// reads back once the preview branch passes through it).
class VeskTransformFilter final : public ElementFilter {
 public:
  explicit VeskTransformFilter(LiveAnalysis& analysis);

  GstCaps* PinCaps(const GstGraphPin& pin) const override;
  std::vector<MediaType> PinMediaTypes(const GstGraphPin& pin) const override;

  const TransformCounters& counters() const { return *counters_; }

 private:
  VeskTransformFilter(LiveAnalysis& analysis, std::shared_ptr<TransformCounters> counters);
  // The caps of the connection into the input (full reference), or nullptr when it is free.
  GstCaps* ConnectedCaps() const;

  std::shared_ptr<TransformCounters> counters_;
};

}  // namespace vesk::gst
