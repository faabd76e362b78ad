// The rules of the Schedule Event, Event list and File options windows against real
// folders, the fake clock and views that keep what they were told.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "base/files.h"
#include "base/name_filter.h"
#include "events/event_file.h"
#include "events/event_list_model.h"
#include "events/file_options_model.h"
#include "events/schedule_event_model.h"
#include "support/fake_clock.h"
#include "support/recording_view.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using testing::MakeFileTime;
namespace fs = std::filesystem;

SystemTime At(int year, int month, int day, int hour, int minute, int second) {
  SystemTime t;
  FileTimeToSystemTime(MakeFileTime(year, month, day, hour, minute, second), &t);
  t.day_of_week = 0;
  return t;
}

class FakeScheduleView final : public ScheduleEventView {
 public:
  void SetTitle(std::string_view t) override { title = t; }
  void ShowForm(const ScheduleEventForm& f) override { form = f; }
  ScheduleEventForm ReadForm() override { return form; }
  void SetFieldText(EventTextField field, std::string_view text) override { texts[field] = text; }
  void SetChecked(EventCheckBox box, bool checked) override {
    (box == EventCheckBox::Hibernate ? form.hibernate : form.shutdown) = checked;
  }
  void SetGlobalPrefix(std::string_view prefix) override { global_prefix = prefix; }
  void ShowWindow() override { shown = true; }
  void HideWindow() override { shown = false; }
  std::string title, global_prefix;
  ScheduleEventForm form;
  std::map<EventTextField, std::string> texts;
  bool shown = false;
};

class EventWindowsModelTest : public ::testing::Test, public EventWindowsStation {
 protected:
  EventWindowsModelTest() {
    log.AttachView(&messages);
    options.event_file_global_prefix = "obs";
    schedule.set_view(&view);
  }
  bool Logged(const std::string& text) const {
    return messages.Text().find(text) != std::string::npos;
  }

  testing::ScopedTempDir dir;
  testing::FakeClock clock{MakeFileTime(2017, 12, 1, 20, 0, 0)};
  MessageLog log{clock};
  testing::RecordingView messages;
  testing::RecordingMessageBox box;
  ErrorReporter errors{log, box};
  Options options;
  SystemTime default_duration{0, 0, 0, 0, 0, 2, 0, 0};
  void OpenEventForEditing(const std::string&) override {}
  void RefillEventList() override { ++refills; }
  void RescheduleEvents() override { ++reschedules; }
  int refills = 0, reschedules = 0;
  ScheduleEventModel schedule{
      ScheduleEventContext{clock, log, errors, options, default_duration, *this}};
  FakeScheduleView view;
};

TEST_F(EventWindowsModelTest, TypingKeepsOnlyAllowedCharacters) {
  struct Case {
    EventTextField field;
    const char* typed;
    const char* kept;  // nullptr: nothing dropped, nothing reported
    std::string_view rule;
  };
  for (const Case& c :
       {Case{EventTextField::Asteroid, "Ce/res", "Ceres", kNameCharactersText},
        Case{EventTextField::Star, "TYC 1.2", "TYC 12", kNameCharactersText},
        Case{EventTextField::Comment, "t+0.5 [a]", nullptr, {}},
        Case{EventTextField::Comment, "50% cloud", "50 cloud", kCommentCharactersText}}) {
    messages.entries.clear();
    view.texts.clear();
    schedule.TextEdited(c.field, c.typed);
    if (c.kept == nullptr) {
      EXPECT_TRUE(view.texts.empty() && messages.entries.empty()) << c.typed;
      continue;
    }
    EXPECT_EQ(view.texts[c.field], c.kept);
    EXPECT_EQ(messages.entries, std::vector<std::string>{"\r\n" + std::string(c.rule)});
  }
}

TEST_F(EventWindowsModelTest, SavesNewAndEditedEventsWithoutLosingTheOldFileOnFailure) {
  schedule.OpenNew();
  EXPECT_EQ(view.title, kScheduleEventWindowTitle);
  EXPECT_EQ(view.global_prefix, "obs");
  EXPECT_EQ(view.form.event_time, At(2017, 12, 1, 20, 0, 0));
  EXPECT_EQ(view.form.duration.minute, 2);
  view.form.event_time = At(2017, 12, 1, 23, 59, 0);
  view.form.asteroid_name = "A1";
  view.form.star_name = "S2";
  view.form.comment = "first";
  view.form.shutdown = true;
  ASSERT_TRUE(schedule.Save());
  const std::string first = "Events/A1_S2_obs_12_01_2017_23_59_00.ief";
  EventFileText text;
  ASSERT_TRUE(ReadEventFile(first, &text));
  EXPECT_EQ(text, FormatEventFileText(At(2017, 12, 1, 23, 59, 0), default_duration, false, true,
                                      "first", "A1", "S2"));
  EXPECT_TRUE(Logged("Scheduled an event recording:  A1_S2_obs_12_01_2017_23_59_00.ief\r\n"));
  EXPECT_FALSE(view.shown);
  EXPECT_EQ(refills + reschedules, 2);

  // The same names and second again: the file is replaced, and the observer is told.
  schedule.OpenNew();
  view.form = ScheduleEventForm{At(2017, 12, 1, 23, 59, 0), default_duration, "A1", "S2", "second"};
  ASSERT_TRUE(schedule.Save());
  ASSERT_TRUE(ReadEventFile(first, &text));
  EXPECT_EQ(text.Comment, "second");
  EXPECT_TRUE(Logged("NOTE: an Event with the same names and time was saved before"));

  // Editing: the form holds the file's values; a new time moves the Event to a new file.
  ASSERT_TRUE(schedule.OpenForEditing("A1_S2_obs_12_01_2017_23_59_00.ief"));
  EXPECT_EQ(view.title, kEditEventWindowTitle);
  EXPECT_EQ(view.form.comment, "second");
  EXPECT_EQ(view.form.duration, (SystemTime{2017, 12, 0, 1, 0, 2, 0, 0}));
  view.form.event_time.hour = 22;
  // A write that fails (the new name is taken by a folder) changes nothing and keeps the window.
  fs::create_directories("Events/A1_S2_obs_12_01_2017_22_59_00.ief");
  EXPECT_FALSE(schedule.Save());
  EXPECT_TRUE(fs::exists(first));
  EXPECT_TRUE(view.shown);
  EXPECT_TRUE(Logged("ERROR: unable to save the Event file A1_S2_obs_12_01_2017_22_59_00.ief"));
  fs::remove("Events/A1_S2_obs_12_01_2017_22_59_00.ief");
  ASSERT_TRUE(schedule.Save());
  EXPECT_FALSE(fs::exists(first));
  EXPECT_TRUE(fs::exists("Events/A1_S2_obs_12_01_2017_22_59_00.ief"));
  EXPECT_FALSE(schedule.editing());

  // An Event already over is saved but said to be over.
  schedule.OpenNew();
  view.form.event_time = At(2017, 12, 1, 19, 0, 0);
  ASSERT_TRUE(schedule.Save());
  EXPECT_TRUE(Logged("NOTE: the Event obs_12_01_2017_19_00_00.ief is over"));
}

TEST_F(EventWindowsModelTest, NoEventsFolderCanBeMadeAndUnreadableFilesAreNotEdited) {
  testing::WriteFileBytes("Events", "a file where the folder belongs");
  schedule.OpenNew();
  EXPECT_FALSE(schedule.Save());
  EXPECT_TRUE(view.shown);
  EXPECT_EQ(reschedules, 0);
  EXPECT_EQ(messages.entries.back(),
            "\r\n20:00:00 (UTC)\r\n" + std::string(kCannotCreateEventsFolderText));
  fs::remove("Events");
  fs::create_directory("Events");
  testing::WriteFileBytes("Events/broken.ief", "<Root><EventYear Value=\"x\"/></Root>");
  EXPECT_FALSE(schedule.OpenForEditing("broken.ief"));
  EXPECT_FALSE(schedule.editing());
}

class FakeListView final : public EventListView {
 public:
  void SetRows(const std::vector<EventListRow>& r) override { rows = r; }
  void SetSelectionText(std::string_view) override {}
  void EnableEdit(bool) override {}
  void EnableDelete(bool) override {}
  void ShowWindow() override {}
  void HideWindow() override {}
  bool AskYesNo(std::string_view, std::string_view text) override {
    return questions.emplace_back(text), false;
  }
  std::vector<EventListRow> rows;
  std::vector<std::string> questions;
};

TEST_F(EventWindowsModelTest, EventListOrdersByStartWithTheLaterFoundFirstOnTies) {
  fs::create_directory("Events");
  auto write = [](const char* name, SystemTime at, const char* comment) {
    ASSERT_TRUE(WriteEventFile(std::string("Events/") + name,
                               FormatEventFileText(at, {}, false, false, comment, "", "")));
  };
  write("a.ief", At(2017, 12, 5, 14, 3, 7), "tie a");
  write("b.ief", At(2017, 12, 5, 14, 3, 7), "tie b");
  write("c.ief", At(2017, 12, 9, 1, 0, 0), "later");
  write("d.ief", At(2017, 5, 5, 4, 0, 0), "over");
  EventListModel list{EventListContext{clock, log, errors, "/home/obs/", *this}};
  FakeListView lview;
  list.set_view(&lview);
  auto comments = [&] {
    std::vector<std::string> c;
    for (const EventListRow& row : lview.rows) c.push_back(row.columns[3]);
    return c;
  };
  list.Show();
  EXPECT_EQ(list.FolderText(), "/home/obs/Events");
  // Latest first; of two equal starts the one found later comes first.
  EXPECT_EQ(comments(), (std::vector<std::string>{"later", "tie b", "tie a"}));
  list.SetAscendingTimes(true);
  EXPECT_EQ(comments(), (std::vector<std::string>{"tie b", "tie a", "later"}));
  list.SetShowExpired(true);
  EXPECT_EQ(lview.rows[0].columns[0], " MAY  5, 2017");
  EXPECT_EQ(lview.rows[0].columns[6], kCheckMark);

  list.SelectionChanged({1, 2});
  list.DeleteSelected();  // answered No
  EXPECT_EQ(lview.questions, std::vector<std::string>{kDeleteManyQuestion});
  EXPECT_EQ(lview.rows.size(), 4u);
}

class FakeFileOptionsView final : public FileOptionsView {
 public:
  void SetFieldText(FileOptionsField f, std::string_view t) override { fields[f] = t; }
  void SetPreview(FileKind k, std::string_view t) override { previews[k] = t; }
  void SetFolderText(FileKind, std::string_view) override {}
  std::optional<std::string> PickFolder() override { return picked; }
  std::optional<std::string> ComputerName() override { return computer; }
  std::map<FileOptionsField, std::string> fields;
  std::map<FileKind, std::string> previews;
  std::optional<std::string> picked, computer;
};

TEST_F(EventWindowsModelTest, FileOptionsEditWorkingCopiesUntilSave) {
  options.video_name_prefix = "vid";
  options.logfile_directory = "/old/";
  FileOptionsModel model{options, log};
  FakeFileOptionsView fview;
  model.Open(&fview);
  EXPECT_EQ(fview.previews[FileKind::Video], "File name:  vid_mm_dd_yyyy_hh_mm_ss.avi");
  EXPECT_EQ(fview.previews[FileKind::Log], "File name:  mm_dd_yyyy_hh_mm_ss.log");
  fview.computer = "Obs.Station-Laptop";
  model.HostName();
  EXPECT_EQ(fview.fields[FileOptionsField::GlobalPrefix], "obsstation-l");
  EXPECT_EQ(messages.entries.back(), "\r\n" + std::string(kHostNameFilteredText));
  for (const auto& [picked, kept] : std::vector<std::pair<std::string, std::string>>{
           {"/", "/"},
           {"/media/usb", "/media/usb/"},
           {"/" + std::string(511, 'x'), "/media/usb/"}}) {
    fview.picked = picked;
    model.SelectFolder(FileKind::Video);
    EXPECT_EQ(model.copies().video_folder, kept);
  }
  model.ClearFolder(FileKind::Log);
  model.RecordFormatChosen(RecordingFileFormat::Ser);
  EXPECT_EQ(fview.previews[FileKind::Video], "File name:  vid_mm_dd_yyyy_hh_mm_ss.ser");
  EXPECT_EQ(options.record_format, RecordingFileFormat::Avi);
  EXPECT_EQ(options.event_file_global_prefix, "obs");  // nothing changes before Save
  EXPECT_EQ(model.Save(), kFileOptionsSaved);
  EXPECT_EQ(options.logfile_directory, "");
  EXPECT_EQ(options.video_directory, "/media/usb/");
  EXPECT_EQ(options.event_file_global_prefix, "obsstation-l");
  EXPECT_EQ(options.record_format, RecordingFileFormat::Ser);
}

}  // namespace
}  // namespace vesk
