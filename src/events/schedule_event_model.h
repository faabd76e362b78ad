#pragma once

// The rules of the Schedule Event window: opening it for a new Event or for an existing
// one, the characters allowed as they are typed, the two exclusive check boxes, and Save,
// which writes the event file and has the Events scheduled again. The window only shows
// what it is told and forwards what the observer does.

#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/error_table.h"
#include "base/message_log.h"
#include "base/system_time.h"
#include "config/options.h"
#include "events/event_windows_station.h"

namespace vesk {

inline constexpr char kScheduleEventWindowClass[] = "ScheduleEvents";
inline constexpr char kScheduleEventWindowTitle[] = "Schedule Event";
inline constexpr char kEditEventWindowTitle[] = "Edit Event";
inline constexpr std::size_t kEventNameMaxCharacters = 20;
inline constexpr std::size_t kEventCommentMaxCharacters = 35;

inline constexpr std::string_view kCannotCreateEventsFolderText =
    "\r\nUnable to create \"Events\" directory in process directory.  Check security settings.\r\n";
inline constexpr std::string_view kScheduledEventText = "Scheduled an event recording:  ";

enum class EventTextField { Asteroid, Star, Comment };
enum class EventCheckBox { Hibernate, Shutdown };

// What the window's controls hold.
struct ScheduleEventForm {
  SystemTime event_time;  // UTC
  SystemTime duration;    // hours, minutes and seconds on some valid date
  std::string asteroid_name;
  std::string star_name;
  std::string comment;
  bool hibernate = false;
  bool shutdown = false;
};

class ScheduleEventView {
 public:
  virtual ~ScheduleEventView() = default;
  virtual void SetTitle(std::string_view title) = 0;
  virtual void ShowForm(const ScheduleEventForm& form) = 0;
  virtual ScheduleEventForm ReadForm() = 0;
  virtual void SetFieldText(EventTextField field, std::string_view text) = 0;
  virtual void SetChecked(EventCheckBox box, bool checked) = 0;
  virtual void SetGlobalPrefix(std::string_view prefix) = 0;
  // Shown and brought to the top; hidden.
  virtual void ShowWindow() = 0;
  virtual void HideWindow() = 0;
};

struct ScheduleEventContext {
  const Clock& clock;
  MessageLog& log;
  ErrorReporter& errors;
  // EventFileGlobalPrefix, read at every open and save.
  const Options& options;
  // The default recording duration (hours, minutes, seconds).
  const SystemTime& default_duration;
  // A save refills the Event list and schedules the Events again.
  EventWindowsStation& station;
};

class ScheduleEventModel {
 public:
  explicit ScheduleEventModel(ScheduleEventContext context) : context_(std::move(context)) {}

  // Without a view (headless) the operations change nothing visible.
  void set_view(ScheduleEventView* view) { view_ = view; }

  // "Schedule...": the current UTC time, the default duration, everything else empty.
  void OpenNew();
  // An Event of the list, by file name without the folder. A file that is not a readable
  // Event is reported and not opened: its values would be guesses.
  bool OpenForEditing(const std::string& file_name);

  // A change of an edit: dropped characters are taken out of it and the rule reported.
  void TextEdited(EventTextField field, std::string_view text);
  void CheckBoxClicked(EventCheckBox box, bool checked);

  // Writes the event file. False, with the window left open, when it could not be written.
  bool Save();
  void Cancel();

  // The File options dialog saved a new global prefix.
  void RefreshGlobalPrefix();

  bool editing() const { return editing_; }
  const std::string& editing_file() const { return editing_file_; }

 private:
  ScheduleEventContext context_;
  ScheduleEventView* view_ = nullptr;
  bool editing_ = false;
  std::string editing_file_;
};

}  // namespace vesk
