#include "capture/colour_control.h"

namespace vesk {

std::int32_t ColourValueOfPercent(int percent) { return percent * 254 / 100 - 127; }

std::shared_ptr<MediaFilter> CreateColourControl(MediaSystem& media, MessageLog& log) {
  std::shared_ptr<MediaFilter> filter;
  if (Failed(media.CreateColourControl(&filter)) || !filter) {
    log.ReportMessage(
        "\r\nThe DMO color control filter is not installed.  Brightness/contrast is not "
        "impemented.",
        true);
    return nullptr;
  }
  ColourControl* control = nullptr;
  if (Failed(filter->QueryColourControl(&control)) || control == nullptr) {
    log.ReportMessage(
        "\r\nCannot obtain property store for color control filter.  Brightness/contrast is not "
        "impemented.",
        true);
    return nullptr;
  }
  return filter;
}

HResult SetColourControl(MediaFilter* colour_filter, MessageLog& log, int brightness,
                         int contrast) {
  ColourControl* control = nullptr;
  if (colour_filter == nullptr || Failed(colour_filter->QueryColourControl(&control)) ||
      control == nullptr) {
    log.ReportMessage(
        "Logic error: attemp to set brightness control with NULL property store cache\r\n", true);
    return E_FAIL;
  }
  // Each value is read first and written back with its new number, as the effect keeps it.
  const auto set = [control](ColourKey key, int percent) {
    std::int32_t value = 0;
    if (Failed(control->GetValue(key, &value))) return false;
    return Succeeded(control->SetValue(key, ColourValueOfPercent(percent)));
  };
  HResult result = S_OK;
  if (brightness >= 0 && !set(ColourKey::Brightness, brightness)) {
    log.ReportMessage("\r\nCannot set brightness control\r\n", true);
    result = E_FAIL;
  }
  if (contrast >= 0 && !set(ColourKey::Contrast, contrast)) {
    log.ReportMessage("\r\nCannot set contrast control\r\n", true);
    result = E_FAIL;
  }
  return result;
}

}  // namespace vesk
