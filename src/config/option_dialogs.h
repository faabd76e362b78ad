#pragma once

// The rules of the small option dialogs: Miscellaneous Options, Default Recording Duration,
// Event Pending Options and Performance Options. Each works on Options (and the values
// derived from them) and ends with a result that tells the station whether to save the
// options file and whether to restart live video. The windows only show and forward.

#include <cstdint>
#include <optional>
#include <string>

#include "base/system_time.h"
#include "config/options.h"

namespace vesk {

// Dialog results.
inline constexpr int kDialogSave = 1;      // save the options file
inline constexpr int kDialogApplied = 2;   // applied until the next start-up only
inline constexpr int kDialogNoChange = 3;  // Cancel, the close box, or nothing changed
inline constexpr int kDialogOtherCommand = 4;

inline constexpr char kMiscellaneousOptionsClass[] = "MiscellaneousOptions";
inline constexpr char kMiscellaneousOptionsTitle[] = "Miscellaneous Options";
inline constexpr char kDefaultDurationTitle[] = "Default Recording Duration";
inline constexpr char kEventPendingOptionsTitle[] = "Event Pending Options";
inline constexpr char kPerformanceTitle[] = "Performance Options";
inline constexpr char kDurationPickerFormat[] = "HH':'mm':'ss";

// What the dialogs need of the station around them.
class OptionDialogStation {
 public:
  // Writes the options file (a failure is reported here); true when written.
  virtual bool SaveOptions() = 0;
  // The pending Event's countdown shown again in the time base just chosen.
  virtual void RefreshCountdownTimeBase() = 0;

 protected:
  ~OptionDialogStation() = default;
};

// "Misc...": two boxes over RecordButtonsSpace and AutostartGPS; Save is enabled while a
// box differs from its option. Save writes the options file by itself.
class MiscellaneousOptionsModel {
 public:
  MiscellaneousOptionsModel(Options& options, OptionDialogStation& station)
      : options_(options), station_(station) {}
  void Open();
  void SetSpacing(bool checked) { spacing_ = checked; }
  void SetAutostartGps(bool checked) { autostart_gps_ = checked; }
  bool spacing() const { return spacing_; }
  bool autostart_gps() const { return autostart_gps_; }
  bool SaveEnabled() const;
  // The options take the boxes and the file is written (a failure is reported by the
  // saver; the values stay).
  void Save();

 private:
  Options& options_;
  OptionDialogStation& station_;
  bool spacing_ = false;
  bool autostart_gps_ = false;
};

// "Duration Default...": the picker's time becomes the default Event duration.
class DefaultDurationModel {
 public:
  DefaultDurationModel(Options& options, DerivedOptions& derived)
      : options_(options), derived_(derived) {}
  // The picker's value; the DefaultDuration text is kept for Cancel.
  SystemTime Open();
  // picked: the picker's time, nothing when it holds no valid time.
  int Save(const std::optional<SystemTime>& picked);
  int Cancel(bool other_command = false);

 private:
  Options& options_;
  DerivedOptions& derived_;
  std::string kept_;
};

// "Event Pending...": countdown or UTC, optionally as the application default.
class EventPendingModel {
 public:
  EventPendingModel(Options& options, DerivedOptions& derived, OptionDialogStation& station)
      : options_(options), derived_(derived), station_(station) {}
  // True when UTC is the one checked.
  bool Open() const { return derived_.countdown_time_base == CountdownTimeBase::Utc; }
  static const char* SaveButtonText(bool as_default) { return as_default ? "Save" : "OK"; }
  int Save(bool utc, bool as_default);

 private:
  Options& options_;
  DerivedOptions& derived_;
  OptionDialogStation& station_;
};

// "Performance...": display off and filter removal while recording, and the renderer.
struct PerformanceChoice {
  bool display_off = false;
  bool remove_filters = false;
  std::int32_t renderer = kRendererEvr;  // the radio checked: 0 EVR, 1 VMR9, 2 VMR7
};

class PerformanceModel {
 public:
  explicit PerformanceModel(Options& options) : options_(options) {}
  PerformanceChoice Open();
  // save: the Save button (else OK). kDialogSave or kDialogApplied.
  int Accept(const PerformanceChoice& choice, bool save);
  int Cancel();

 private:
  Options& options_;
  PerformanceChoice kept_;
};

}  // namespace vesk
