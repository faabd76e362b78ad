#include "events/schedule_event_model.h"

#include "base/code_page.h"
#include "base/files.h"
#include "base/name_filter.h"
#include "events/event_file.h"
#include "events/event_loader.h"

namespace vesk {
namespace {

std::size_t MaxCharacters(EventTextField field) {
  return field == EventTextField::Comment ? kEventCommentMaxCharacters : kEventNameMaxCharacters;
}

// The text as the edit may hold it: within its length and of allowed characters only.
std::string CleanFieldText(EventTextField field, std::string_view text, bool* dropped) {
  std::string clean(TruncateToCharacters(text, MaxCharacters(field)));
  *dropped = FilterNameCharacters(&clean, field == EventTextField::Comment);
  return clean;
}

std::string WithoutFolder(const std::string& path) {
  const std::size_t slash = path.rfind(files::kSeparator);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string EventPath(const std::string& file_name) {
  return std::string(kEventsFolder) + files::kSeparator + file_name;
}

// Hours, minutes and seconds of duration on the date of day, so the picker holds a real date.
SystemTime DurationOnDate(const SystemTime& day, const SystemTime& duration) {
  SystemTime result{day.year,        day.month,       0, day.day, duration.hour,
                    duration.minute, duration.second, 0};
  return result;
}

}  // namespace

void ScheduleEventModel::OpenNew() {
  editing_ = false;
  editing_file_.clear();
  if (view_ == nullptr) return;
  ScheduleEventForm form;
  form.event_time = context_.clock.UtcSystemTime();
  form.event_time.milliseconds = 0;
  form.event_time.day_of_week = 0;
  form.duration = DurationOnDate(form.event_time, context_.default_duration);
  view_->SetTitle(kScheduleEventWindowTitle);
  view_->ShowForm(form);
  view_->SetGlobalPrefix(context_.options.event_file_global_prefix);
  view_->ShowWindow();
}

bool ScheduleEventModel::OpenForEditing(const std::string& file_name) {
  EventRecord record;
  if (!ReadNamedEventFile(file_name, &record.FileText) ||
      !CompleteEventRecord(&record, context_.clock)) {
    context_.log.ReportMessage("WARNING: the Event file " + file_name +
                                   " cannot be read and is not opened for editing\r\n",
                               true);
    return false;
  }
  editing_ = true;
  editing_file_ = file_name;
  if (view_ == nullptr) return true;
  ScheduleEventForm form;
  form.event_time = record.EventTime;
  form.duration = DurationOnDate(record.EventTime, record.RecordingDuration);
  bool dropped = false;
  // A hand-edited file may hold what the edits would not take.
  form.asteroid_name =
      CleanFieldText(EventTextField::Asteroid, record.FileText.AsteroidName, &dropped);
  form.star_name = CleanFieldText(EventTextField::Star, record.FileText.StarName, &dropped);
  form.comment = CleanFieldText(EventTextField::Comment, record.FileText.Comment, &dropped);
  form.hibernate = record.Hibernate;
  form.shutdown = record.Shutdown && !record.Hibernate;
  view_->SetTitle(kEditEventWindowTitle);
  view_->ShowForm(form);
  view_->SetGlobalPrefix(context_.options.event_file_global_prefix);
  view_->ShowWindow();
  return true;
}

void ScheduleEventModel::TextEdited(EventTextField field, std::string_view text) {
  std::string filtered(text);
  if (!FilterNameCharacters(&filtered, field == EventTextField::Comment)) return;
  if (view_ != nullptr) view_->SetFieldText(field, filtered);
  context_.log.ReportMessage(
      field == EventTextField::Comment ? kCommentCharactersText : kNameCharactersText, false);
}

void ScheduleEventModel::CheckBoxClicked(EventCheckBox box, bool checked) {
  if (!checked || view_ == nullptr) return;
  view_->SetChecked(
      box == EventCheckBox::Hibernate ? EventCheckBox::Shutdown : EventCheckBox::Hibernate, false);
}

bool ScheduleEventModel::Save() {
  if (view_ == nullptr) return false;
  ScheduleEventForm form = view_->ReadForm();
  form.event_time.milliseconds = 0;
  form.event_time.day_of_week = 0;
  bool dropped = false;
  const std::string asteroid =
      CleanFieldText(EventTextField::Asteroid, form.asteroid_name, &dropped);
  const std::string star = CleanFieldText(EventTextField::Star, form.star_name, &dropped);
  const std::string comment = CleanFieldText(EventTextField::Comment, form.comment, &dropped);
  const EventFileText text =
      FormatEventFileText(form.event_time, form.duration, form.hibernate,
                          form.shutdown && !form.hibernate, comment, asteroid, star);

  // The folder, made when missing; without it nothing can be saved and the window stays.
  if (!files::IsDirectory(kEventsFolder) && !files::CreateFolder(kEventsFolder)) {
    context_.log.ReportMessage(kCannotCreateEventsFolderText, true);
    return false;
  }

  const std::string path =
      MakeEventFileName(asteroid, star, context_.options.event_file_global_prefix, form.event_time);
  const std::string name = WithoutFolder(path);
  const bool replaces_other = files::PathExists(path) && !(editing_ && name == editing_file_);

  // The new file is written before the edited Event's old file goes, so a failed write
  // leaves the Event as it was rather than losing it; the window stays open to try again.
  if (!WriteEventFile(path, text)) {
    std::string reason = files::FileCreateError(path);
    if (reason.empty()) reason = "the file could not be written";
    context_.log.ReportMessage("ERROR: unable to save the Event file " + name + " (" + reason +
                                   "); nothing was changed\r\n",
                               true);
    return false;
  }
  context_.log.ReportMessage(std::string(kScheduledEventText) + name + "\r\n", true);
  if (replaces_other) {
    context_.log.ReportMessage(
        "NOTE: an Event with the same names and time was saved before; its file " + name +
            " now holds this Event\r\n",
        false);
  }
  if (editing_ && editing_file_ != name) {
    const std::string old_path = EventPath(editing_file_);
    if (files::PathExists(old_path) && !files::DeleteFile(old_path)) {
      context_.errors.RaiseAppError(ErrorCode::CannotDeleteEventFiles);
    }
  }

  // An Event that is over when saved is never loaded; the observer may have typed local time.
  EventRecord record;
  record.FileText = text;
  if (CompleteEventRecord(&record, context_.clock) &&
      context_.clock.UtcNow() + kEventMinimumRemaining >= record.EndTime) {
    context_.log.ReportMessage("NOTE: the Event " + name +
                                   " is over (its recording would end within 10 seconds) and "
                                   "will not be recorded\r\n",
                               false);
  }

  editing_ = false;
  editing_file_.clear();
  view_->HideWindow();
  context_.station.RefillEventList();
  context_.station.RescheduleEvents();
  return true;
}

void ScheduleEventModel::Cancel() {
  if (view_ != nullptr) view_->HideWindow();
}

void ScheduleEventModel::RefreshGlobalPrefix() {
  if (view_ != nullptr) view_->SetGlobalPrefix(context_.options.event_file_global_prefix);
}

}  // namespace vesk
