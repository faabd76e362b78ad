#pragma once

// The rules behind the Pixel Saturation and Frame Integration windows: what the slider, the
// three choices, Start and Cancel do to the live analysis settings, the stored saturation
// default and the running camera graph. The windows only forward the observer's actions.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "analysis/pixels/live_analysis.h"
#include "base/hresult.h"
#include "base/message_log.h"
#include "capture/capture_graph.h"
#include "config/options.h"

namespace vesk {

// Pixel Saturation window.
inline constexpr std::int32_t kSaturationSliderMinimum = 50;
inline constexpr std::int32_t kSaturationSliderMaximum = 255;
inline constexpr std::int32_t kSaturationSliderInitial = 255;
inline constexpr std::int32_t kSaturationSliderTicks = 10;
inline constexpr char kSaturationOkText[] = "OK";
inline constexpr char kSaturationSaveText[] = "Save";

// Frame Integration window.
inline constexpr std::uint32_t kMinimumIntegrationCount = 2;
inline constexpr std::uint32_t kMaximumIntegrationCount = 30;
inline constexpr char kIntegrationCountReset[] = "2";
inline constexpr char kIntegrationRangeText[] = "\r\nFrame count must be a value from 2 to 30\r\n";
// Characters of the count field that are read.
inline constexpr std::size_t kIntegrationTextCapacity = 31;

// The radio buttons of the Pixel Saturation window, top to bottom.
enum class SaturationChoice { UseCurrentValue, SaveAsDefault, RemoveDefault };

// "Save" when the choice writes the options file, else "OK".
const char* ConfirmButtonText(SaturationChoice choice);

// The count a Frame Integration text asks for, scanned as an unsigned decimal like C's
// "%u" from its first kIntegrationTextCapacity characters; nothing when it is not a count
// from 2 to 30.
std::optional<std::uint32_t> ParseIntegrationCount(std::string_view text);

// What the analysis settings ask of the station around them.
class AnalysisStation {
 public:
  // The running filter's threshold (-1: highlighting off); the next frame uses it.
  virtual void SetFilterThreshold(std::int32_t threshold) = 0;
  // Stop the camera graph, and start it again when the stop worked.
  virtual HResult RestartLiveVideo() = 0;
  // Write the options file (reporting a failure itself); true when written.
  virtual bool SaveOptions() = 0;

 protected:
  ~AnalysisStation() = default;
};

struct AnalysisControlsContext {
  // The highlighting flag and the integration count the capture graph reads at each start.
  LiveSwitches& switches;
  // The stored saturation default (PixelSaturationValue).
  Options& options;
  MessageLog& log;
  AnalysisStation& station;
};

// The process-wide analysis settings and what the two windows do to them.
//
// The saturation value in use is kept apart from the stored default: moving the slider or
// cancelling changes what the video shows for this run, and only the two saving choices
// (and a format that cannot be analysed) change what the options file holds, whenever it
// is next written.
class AnalysisControls {
 public:
  explicit AnalysisControls(AnalysisControlsContext context);

  // Start-up, once the options are read: the stored default becomes the value in use, and
  // highlighting starts on when there is one.
  void TakeStoredSaturationValue();

  // -1 (none) or 50 to 255.
  std::int32_t saturation_value() const { return saturation_value_; }
  bool highlighting_on() const { return context_.switches.saturation_highlight; }
  bool integration_on() const { return context_.switches.integration_count > 1; }
  std::int32_t integration_count() const { return context_.switches.integration_count; }

  // What the live filter takes at each graph start.
  AnalysisSettings SettingsForStart() const;

  // "Pixel Saturation...": where the slider goes before the window shows (nothing when the
  // value in use is outside 50 to 255: the slider stays where it is).
  std::optional<std::int32_t> SliderPositionForOpen() const;
  // Then, with the window shown: highlighting on and the graph restarted so the filter is
  // inserted; nothing when it is already on. True when it restarted.
  bool SwitchHighlightingOn();
  // A slider step or drag: the value in use and the running filter's threshold.
  void SliderMoved(std::int32_t position);
  // OK/Save (the window hides itself).
  void ConfirmSaturation(SaturationChoice choice, std::int32_t slider_position);
  // Cancel and closing the window: highlighting off and the graph restarted, which removes
  // the filter.
  void CancelSaturation();
  // A format the filter cannot take switched the overlays off: the value in use and the
  // running threshold are forgotten as well.
  void ForgetSaturationValue();
  // Another device (or format) is taken into use: highlighting a format could not take comes
  // back with its value, for the new format to try. True when it came back.
  bool TakeBackForgottenValue();

  // Frame Integration "Start": a count from 2 to 30 switches integration on and restarts
  // the graph (true). Anything else is reported with the range message and changes
  // nothing (false); the window then shows kIntegrationCountReset.
  bool StartIntegration(std::string_view text);
  // Cancel and closing the window: integration off and the graph restarted.
  void CancelIntegration();

 private:
  void Restart();

  AnalysisControlsContext context_;
  std::int32_t saturation_value_ = -1;
  // The value ForgetSaturationValue put aside; -1 for none.
  std::int32_t forgotten_value_ = -1;
};

}  // namespace vesk
