#include "station/menu_model.h"

#include <gtest/gtest.h>

#include "support/fake_clock.h"
#include "support/recording_view.h"

namespace vesk {
namespace {

using C = MenuCommand;

// A compact picture of a menu bar: texts in order, popups with their children in brackets,
// separators as "-", identifiers after '#', "(off)" for grayed entries, "(v)" checked.
std::string Describe(const std::vector<MenuEntry>& entries) {
  std::string out;
  for (const MenuEntry& entry : entries) {
    if (!out.empty()) out += ", ";
    if (entry.kind == MenuEntryKind::Separator) {
      out += "-";
      continue;
    }
    out += entry.text;
    if (entry.kind == MenuEntryKind::Item) {
      out += '#';
      out += std::to_string(entry.id);
    }
    if (!entry.enabled) out += "(off)";
    if (entry.checked) out += "(v)";
    if (entry.kind == MenuEntryKind::Popup) {
      out += " [";
      out += Describe(entry.children);
      out += ']';
    }
  }
  return out;
}

std::vector<std::string> GrayedTexts(const std::vector<MenuEntry>& entries) {
  std::vector<std::string> grayed;
  for (const MenuEntry& entry : entries) {
    if (!entry.enabled) grayed.push_back(entry.text);
    for (const std::string& child : GrayedTexts(entry.children)) grayed.push_back(child);
  }
  return grayed;
}

TEST(MenuModelTest, IdentifiersAreTwentyConsecutiveFromTheCounter) {
  int counter = kFirstCommandIdentifier;
  const CommandIds ids = AssignCommandIds(&counter);
  EXPECT_EQ(counter, 33039 + 20);
  EXPECT_EQ(ids.IdOf(C::SelectVideoInputDevice), 33039);
  EXPECT_EQ(ids.IdOf(C::SetWindowPositions), 33046);
  EXPECT_EQ(ids.IdOf(C::About), 33056);
  EXPECT_EQ(ids.IdOf(C::SaveMessagesAndClear), 33058);

  EXPECT_FALSE(ids.CommandFor(33038).has_value());
  EXPECT_FALSE(ids.CommandFor(33059).has_value());  // the playback menu's first identifier
  EXPECT_FALSE(ids.CommandFor(-2147483647 - 1).has_value());
  for (int n = 0; n < kMenuCommandCount; ++n) {
    EXPECT_EQ(ids.CommandFor(33039 + n), static_cast<MenuCommand>(n));
  }
}

TEST(MenuModelTest, CommandsAreDispatchedByRanges) {
  const std::vector<std::pair<MenuGroup, int>> ranges = {
      {MenuGroup::Options, 8}, {MenuGroup::File, 2}, {MenuGroup::Events, 2},
      {MenuGroup::Display, 5}, {MenuGroup::Help, 1}, {MenuGroup::UserMessages, 2}};
  int n = 0;
  for (const auto& [group, count] : ranges) {
    for (int i = 0; i < count; ++i, ++n) {
      EXPECT_EQ(GroupOf(static_cast<MenuCommand>(n)), group) << n;
    }
  }
  EXPECT_EQ(n, kMenuCommandCount);
}

TEST(MenuModelTest, MenuTreeHasTheTextsInDisplayOrder) {
  int counter = kFirstCommandIdentifier;
  const CommandIds ids = AssignCommandIds(&counter);
  MenuState state;
  state.device_active = true;
  state.device_list_empty = false;
  const MenuBars bars = BuildMenus(ids, state);
  EXPECT_EQ(Describe(bars.main),
            "File [Open#33047, Exit#33048], "
            "Events [Schedule...#33049, Edit and Delete...#33050], "
            "Display [Brightness/Contrast...#33051, Pixel Saturation...#33053, "
            "Frame Integration...#33054, USB GPS Receiver...#33055, -, "
            "x2 Magnification#33052], "
            "Options [Select Video Input Device...#33039, "
            "Recording Options [File...#33040, Codec...#33042, Duration Default...#33041], "
            "Event Pending...#33043, Performance...#33044, Misc...#33045, "
            "Set Window Positions#33046], "
            "Help [About VESK Video Application#33056]");
  EXPECT_EQ(Describe(bars.user_messages),
            "File [Save Messages#33057, Save Messages and Clear#33058]");

  EXPECT_TRUE(FindItem(bars, C::X2Magnification)->checkable);
  EXPECT_FALSE(FindItem(bars, C::Open)->checkable);
  EXPECT_EQ(FindPopup(bars.main, "Recording Options")->children.size(), 3u);
  EXPECT_EQ(FindPopup(bars.main, "Nothing"), nullptr);
}

TEST(MenuModelTest, WithoutADeviceTheDeviceCommandsAreGrayed) {
  const CommandIds ids;
  MenuState state;
  state.device_active = false;
  state.device_list_empty = false;  // devices exist, none is usable: choosing one must work
  EXPECT_EQ(GrayedTexts(BuildMenus(ids, state).main),
            (std::vector<std::string>{"Brightness/Contrast...", "Pixel Saturation...",
                                      "Frame Integration...", "x2 Magnification", "Codec..."}));

  state.device_list_empty = true;
  EXPECT_EQ(GrayedTexts(BuildMenus(ids, state).main),
            (std::vector<std::string>{"Brightness/Contrast...", "Pixel Saturation...",
                                      "Frame Integration...", "x2 Magnification",
                                      "Select Video Input Device...", "Codec..."}));

  state.device_active = true;
  EXPECT_TRUE(GrayedTexts(BuildMenus(ids, state).main).empty());
}

TEST(MenuModelTest, ARecordingGraysThePopupsAndOpenUntilItEnds) {
  const CommandIds ids;
  MenuState state;
  state.device_active = true;
  state.device_list_empty = false;
  state.recording = true;
  MenuBars bars = BuildMenus(ids, state);
  EXPECT_EQ(GrayedTexts(bars.main),
            (std::vector<std::string>{"Open", "Events", "Display", "Options", "Help"}));
  EXPECT_EQ(GrayedTexts(bars.user_messages), (std::vector<std::string>{"File"}));
  EXPECT_TRUE(FindPopup(bars.main, "File")->enabled);
  EXPECT_TRUE(FindItem(bars, C::Exit)->enabled);

  state.recording = false;
  bars = BuildMenus(ids, state);
  EXPECT_TRUE(GrayedTexts(bars.main).empty());
  EXPECT_TRUE(GrayedTexts(bars.user_messages).empty());

  state.playback_open = true;
  EXPECT_EQ(GrayedTexts(BuildMenus(ids, state).main), (std::vector<std::string>{"Open"}));
}

TEST(MenuModelTest, CheckMarksFollowTheFlagsAcrossRebuilds) {
  const CommandIds ids;
  MenuState state;
  state.device_active = true;
  state.x2_magnification = true;
  MenuBars bars = BuildMenus(ids, state);
  EXPECT_TRUE(FindItem(bars, C::X2Magnification)->checked);
  EXPECT_FALSE(FindItem(bars, C::BrightnessContrast)->checked);
  state.x2_magnification = false;
  state.brightness_contrast_active = true;
  bars = BuildMenus(ids, state);
  EXPECT_FALSE(FindItem(bars, C::X2Magnification)->checked);
  EXPECT_TRUE(FindItem(bars, C::BrightnessContrast)->checked);
}

TEST(MenuModelTest, AboutReportsTheVersionAndWhereToReportErrors) {
  testing::FakeClock clock{testing::MakeFileTime(2026, 1, 2, 3, 4, 5)};
  MessageLog log{clock};
  testing::RecordingView view;
  log.AttachView(&view);
  ReportAbout(log);
  ASSERT_EQ(view.entries.size(), 3u);
  EXPECT_EQ(view.entries[0], "\r\n03:04:05 (UTC)\r\nVESK Video Capture Version 2");
  EXPECT_EQ(view.entries[1],
            "\r\nReport errors to \"vesk-maintainers@example.org\".  Please describe");
  EXPECT_EQ(view.entries[2],
            "\r\nhow to duplicate the error and attach a saved user message log file.\n");
}

TEST(MenuModelTest, OptionDialogResultsDecideSavingAndRestarting) {
  EXPECT_EQ(DialogTemplateOf(C::RecordingFileOptions), 125);
  EXPECT_EQ(DialogTemplateOf(C::DurationDefault), 115);
  EXPECT_EQ(DialogTemplateOf(C::Codec), 117);
  EXPECT_EQ(DialogTemplateOf(C::EventPending), 143);
  EXPECT_EQ(DialogTemplateOf(C::Performance), 155);
  EXPECT_EQ(DialogTemplateOf(C::Misc), 0);

  EXPECT_EQ(FollowUpOfDialog(C::RecordingFileOptions, 1), (DialogFollowUp{true, false, true}));
  EXPECT_EQ(FollowUpOfDialog(C::RecordingFileOptions, 0), DialogFollowUp{});
  EXPECT_EQ(FollowUpOfDialog(C::Codec, 1), (DialogFollowUp{true, false, false}));
  EXPECT_EQ(FollowUpOfDialog(C::Codec, 2), DialogFollowUp{});
  EXPECT_EQ(FollowUpOfDialog(C::EventPending, 0), (DialogFollowUp{true, false, false}));
  EXPECT_EQ(FollowUpOfDialog(C::EventPending, 2), DialogFollowUp{});
  EXPECT_EQ(FollowUpOfDialog(C::Performance, 1), (DialogFollowUp{true, true, false}));
  EXPECT_EQ(FollowUpOfDialog(C::Performance, 2), (DialogFollowUp{false, true, false}));
  EXPECT_EQ(FollowUpOfDialog(C::Performance, 0), DialogFollowUp{});
}

TEST(MenuModelTest, StoredSaturationValueOutsideItsRangeLeavesTheSlider) {
  EXPECT_FALSE(SaturationSliderValue(-1).has_value());
  EXPECT_FALSE(SaturationSliderValue(49).has_value());
  EXPECT_EQ(SaturationSliderValue(50), 50);
  EXPECT_EQ(SaturationSliderValue(255), 255);
  EXPECT_FALSE(SaturationSliderValue(256).has_value());
}

TEST(MenuModelTest, DeviceActivationNeedsAChosenDeviceInTheList) {
  EXPECT_FALSE(PlanDeviceActivation(-1, 3).device_active);
  const DeviceActivation in_range = PlanDeviceActivation(2, 3);
  EXPECT_TRUE(in_range.device_active && in_range.index_in_range);
  const DeviceActivation stale = PlanDeviceActivation(3, 3);
  EXPECT_TRUE(stale.device_active);
  EXPECT_FALSE(stale.index_in_range);
}

}  // namespace
}  // namespace vesk
