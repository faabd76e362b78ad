#pragma once

// "Color Control" on GStreamer: videobalance, its brightness and contrast set from the
// station's -127..127 values. The values are kept across runs and reach a running element
// at once.

#include <gst/gst.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "platform/gst/gst_graph_filter.h"

namespace vesk::gst {

class ColourBalanceFilter final : public ElementFilter, public ColourControl {
 public:
  ColourBalanceFilter();
  // Nullptr when videobalance is not installed.
  static std::shared_ptr<ColourBalanceFilter> Create();

  HResult QueryColourControl(ColourControl** control) override;
  HResult GetValue(ColourKey key, std::int32_t* value) override;
  HResult SetValue(ColourKey key, std::int32_t value) override;
  void ReleaseElements() override;

 private:
  GstElement* MakeElement();
  void Apply(GstElement* element) const;

  mutable std::mutex lock_;  // guards balance_ against a run being built
  GstElement* balance_ = nullptr;  // the running element (borrowed from the pipeline)
  std::atomic<std::int32_t> brightness_{0};
  std::atomic<std::int32_t> contrast_{0};
};

}  // namespace vesk::gst
