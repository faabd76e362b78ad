#include "config/option_dialogs.h"

#include <cstdio>

namespace vesk {

void MiscellaneousOptionsModel::Open() {
  spacing_ = options_.record_buttons_space;
  autostart_gps_ = options_.autostart_gps;
}

bool MiscellaneousOptionsModel::SaveEnabled() const {
  return spacing_ != options_.record_buttons_space || autostart_gps_ != options_.autostart_gps;
}

void MiscellaneousOptionsModel::Save() {
  options_.record_buttons_space = spacing_;
  options_.autostart_gps = autostart_gps_;
  station_.SaveOptions();
}

SystemTime DefaultDurationModel::Open() {
  kept_ = options_.default_duration;
  return derived_.default_recording_duration;
}

int DefaultDurationModel::Save(const std::optional<SystemTime>& picked) {
  if (!picked) {
    // The value and its text stay in step: no valid time is no duration.
    derived_.default_recording_duration.hour = 0;
    derived_.default_recording_duration.minute = 0;
    derived_.default_recording_duration.second = 0;
    options_.default_duration = "00:00:00";
    return kDialogSave;
  }
  derived_.default_recording_duration = *picked;
  char text[kDefaultDurationCapacity];
  std::snprintf(text, sizeof text, "%2.2d:%2.2d:%2.2d", picked->hour, picked->minute,
                picked->second);
  options_.default_duration = text;
  return kDialogSave;
}

int DefaultDurationModel::Cancel(bool other_command) {
  options_.default_duration = kept_;
  return other_command ? kDialogOtherCommand : kDialogNoChange;
}

int EventPendingModel::Save(bool utc, bool as_default) {
  derived_.countdown_time_base = utc ? CountdownTimeBase::Utc : CountdownTimeBase::Countdown;
  station_.RefreshCountdownTimeBase();
  if (!as_default) return kDialogNoChange;
  const char* chosen = utc ? "UTC" : "COUNTDOWN";
  if (!options_.event_pending_display.empty() &&
      (options_.event_pending_display == "UTC") == utc) {
    return kDialogNoChange;
  }
  options_.event_pending_display = chosen;
  return kDialogSave;
}

PerformanceChoice PerformanceModel::Open() {
  kept_ = PerformanceChoice{options_.display_off_while_recording,
                            options_.remove_filters_while_recording, options_.default_renderer};
  PerformanceChoice shown = kept_;
  // An unknown renderer shows as the first one.
  if (shown.renderer != kRendererVmr9 && shown.renderer != kRendererVmr7) {
    shown.renderer = kRendererEvr;
  }
  return shown;
}

int PerformanceModel::Accept(const PerformanceChoice& choice, bool save) {
  options_.display_off_while_recording = choice.display_off;
  options_.remove_filters_while_recording = choice.remove_filters;
  options_.default_renderer = (choice.renderer == kRendererVmr9 || choice.renderer == kRendererVmr7)
                                  ? choice.renderer
                                  : kRendererEvr;
  return save ? kDialogSave : kDialogApplied;
}

int PerformanceModel::Cancel() {
  options_.display_off_while_recording = kept_.display_off;
  options_.remove_filters_while_recording = kept_.remove_filters;
  options_.default_renderer = kept_.renderer;
  return kDialogNoChange;
}

}  // namespace vesk
