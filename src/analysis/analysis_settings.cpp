#include "analysis/analysis_settings.h"

#include <utility>

#include "base/scan_values.h"

namespace vesk {

const char* ConfirmButtonText(SaturationChoice choice) {
  return choice == SaturationChoice::UseCurrentValue ? kSaturationOkText : kSaturationSaveText;
}

std::optional<std::uint32_t> ParseIntegrationCount(std::string_view text) {
  std::uint32_t count = 0;
  if (ScanValues(text.substr(0, kIntegrationTextCapacity), "%u", {&count}) != 1) return {};
  if (count < kMinimumIntegrationCount || count > kMaximumIntegrationCount) return {};
  return count;
}

AnalysisControls::AnalysisControls(AnalysisControlsContext context)
    : context_(std::move(context)) {}

void AnalysisControls::TakeStoredSaturationValue() {
  saturation_value_ = context_.options.pixel_saturation_value;
  if (saturation_value_ != -1) context_.switches.saturation_highlight = true;
}

AnalysisSettings AnalysisControls::SettingsForStart() const {
  AnalysisSettings settings;
  const std::int32_t count = context_.switches.integration_count;
  settings.integration_frame_count = count > 0 ? static_cast<std::uint32_t>(count) : 0;
  settings.saturation_value = highlighting_on() ? saturation_value_ : -1;
  return settings;
}

std::optional<std::int32_t> AnalysisControls::SliderPositionForOpen() const {
  if (saturation_value_ < kSaturationSliderMinimum ||
      saturation_value_ > kSaturationSliderMaximum) {
    return {};
  }
  return saturation_value_;
}

bool AnalysisControls::SwitchHighlightingOn() {
  if (highlighting_on()) return false;
  context_.switches.saturation_highlight = true;
  Restart();
  return true;
}

void AnalysisControls::SliderMoved(std::int32_t position) {
  saturation_value_ = position;
  context_.station.SetFilterThreshold(position);
}

void AnalysisControls::ConfirmSaturation(SaturationChoice choice, std::int32_t slider_position) {
  if (choice != SaturationChoice::UseCurrentValue) forgotten_value_ = -1;
  switch (choice) {
    case SaturationChoice::UseCurrentValue:
      return;
    case SaturationChoice::SaveAsDefault:
      saturation_value_ = slider_position;
      context_.station.SetFilterThreshold(slider_position);
      context_.switches.saturation_highlight = true;
      context_.options.pixel_saturation_value = slider_position;
      break;
    case SaturationChoice::RemoveDefault:
      // The filter stays until the next restart and passes frames unchanged.
      saturation_value_ = -1;
      context_.station.SetFilterThreshold(-1);
      context_.switches.saturation_highlight = false;
      context_.options.pixel_saturation_value = -1;
      break;
  }
  context_.station.SaveOptions();
}

void AnalysisControls::CancelSaturation() {
  forgotten_value_ = -1;
  context_.switches.saturation_highlight = false;
  saturation_value_ = -1;
  context_.station.SetFilterThreshold(-1);
  Restart();
}

void AnalysisControls::ForgetSaturationValue() {
  if (saturation_value_ != -1) forgotten_value_ = saturation_value_;
  saturation_value_ = -1;
  context_.station.SetFilterThreshold(-1);
}

bool AnalysisControls::TakeBackForgottenValue() {
  if (forgotten_value_ == -1 || highlighting_on()) return false;
  saturation_value_ = forgotten_value_;
  context_.options.pixel_saturation_value = forgotten_value_;
  forgotten_value_ = -1;
  context_.switches.saturation_highlight = true;
  context_.station.SetFilterThreshold(saturation_value_);
  return true;
}

bool AnalysisControls::StartIntegration(std::string_view text) {
  const std::optional<std::uint32_t> count = ParseIntegrationCount(text);
  if (!count) {
    context_.log.ReportMessage(kIntegrationRangeText, true);
    return false;
  }
  context_.switches.integration_count = static_cast<std::int32_t>(*count);
  Restart();
  return true;
}

void AnalysisControls::CancelIntegration() {
  context_.switches.integration_count = 1;
  Restart();
}

void AnalysisControls::Restart() { context_.station.RestartLiveVideo(); }

}  // namespace vesk
