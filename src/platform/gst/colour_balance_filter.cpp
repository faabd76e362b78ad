#include "platform/gst/colour_balance_filter.h"

#include <algorithm>

#include "platform/gst/gst_ref.h"

namespace vesk::gst {
namespace {

constexpr const char* kBalanceFactory = "videobalance";

}  // namespace

ColourBalanceFilter::ColourBalanceFilter()
    : ElementFilter("Color Control", [this]() { return MakeElement(); }) {}

std::shared_ptr<ColourBalanceFilter> ColourBalanceFilter::Create() {
  GstRef<GstElementFactory> factory = Adopt(gst_element_factory_find(kBalanceFactory));
  if (!factory) return nullptr;
  auto filter = std::make_shared<ColourBalanceFilter>();
  GstRef<GstCaps> input = Adopt(FactoryTemplateCaps(factory.get(), GST_PAD_SINK));
  GstRef<GstCaps> output = Adopt(FactoryTemplateCaps(factory.get(), GST_PAD_SRC));
  filter->SetPinCaps(input.get(), output.get());
  return filter;
}

HResult ColourBalanceFilter::QueryColourControl(ColourControl** control) {
  *control = this;
  return S_OK;
}

HResult ColourBalanceFilter::GetValue(ColourKey key, std::int32_t* value) {
  if (value == nullptr) return E_POINTER;
  switch (key) {
    case ColourKey::Brightness:
      *value = brightness_.load();
      return S_OK;
    case ColourKey::Contrast:
      *value = contrast_.load();
      return S_OK;
  }
  return E_INVALIDARG;
}

HResult ColourBalanceFilter::SetValue(ColourKey key, std::int32_t value) {
  if (value < -127 || value > 127) return E_INVALIDARG;
  if (key == ColourKey::Brightness) {
    brightness_ = value;
  } else if (key == ColourKey::Contrast) {
    contrast_ = value;
  } else {
    return E_INVALIDARG;
  }
  std::lock_guard<std::mutex> hold(lock_);
  if (balance_ != nullptr) Apply(balance_);
  return S_OK;
}

void ColourBalanceFilter::Apply(GstElement* element) const {
  // -127..127 spans the element's whole brightness (-1..1) and contrast (0..2) ranges.
  const double brightness = std::clamp(brightness_.load() / 127.0, -1.0, 1.0);
  const double contrast = std::clamp(1.0 + contrast_.load() / 127.0, 0.0, 2.0);
  g_object_set(element, "brightness", brightness, "contrast", contrast, nullptr);
}

GstElement* ColourBalanceFilter::MakeElement() {
  GstElement* element = gst_element_factory_make(kBalanceFactory, nullptr);
  if (element == nullptr) return nullptr;
  Apply(element);
  std::lock_guard<std::mutex> hold(lock_);
  balance_ = element;
  return element;
}

void ColourBalanceFilter::ReleaseElements() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    balance_ = nullptr;
  }
  ElementFilter::ReleaseElements();
}

}  // namespace vesk::gst
