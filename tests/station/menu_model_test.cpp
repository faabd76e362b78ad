#include "station/menu_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vesk {
namespace {

using C = MenuCommand;

std::vector<std::string> GrayedTexts(const std::vector<MenuEntry>& entries) {
  std::vector<std::string> grayed;
  for (const MenuEntry& entry : entries) {
    if (!entry.enabled) grayed.push_back(entry.text);
    for (const std::string& child : GrayedTexts(entry.children)) grayed.push_back(child);
  }
  return grayed;
}

// Twenty consecutive identifiers from the counter; the time inserter's menu comes after the
// documented menus, its item after the twenty and the playback menu's four.
TEST(MenuModelTest, TheDocumentedIdentifiersAndMenusComeFirstTheTimeInserterAfter) {
  int counter = kFirstCommandIdentifier;
  const CommandIds ids = AssignCommandIds(&counter);
  EXPECT_EQ(counter, 33039 + 20);
  for (int n = 0; n < kMenuCommandCount; ++n) {
    EXPECT_EQ(ids.CommandFor(33039 + n), static_cast<MenuCommand>(n));
  }
  EXPECT_EQ(ids.CommandFor(33063), C::LearnInserter);
  // The playback menu's identifiers and those beyond belong to nobody here.
  for (int outside : {33038, 33059, 33062, 33064, -2147483647 - 1}) {
    EXPECT_FALSE(ids.CommandFor(outside)) << outside;
  }

  const MenuBars documented = BuildMenus(ids, MenuState{});
  const MenuBars shown = BuildStationMenus(ids, MenuState{});
  ASSERT_EQ(shown.main.size(), documented.main.size() + 1);
  for (std::size_t i = 0; i < documented.main.size(); ++i) {
    EXPECT_EQ(shown.main[i].text, documented.main[i].text);
  }
  EXPECT_EQ(shown.main.back().text, "Time Inserter");
  const MenuEntry* learn = FindItem(shown, C::LearnInserter);
  EXPECT_EQ(learn->text + " #" + std::to_string(learn->id), "Learn the Time Inserter... #33063");
}

TEST(MenuModelTest, GrayedAndCheckedEntriesFollowTheState) {
  using Texts = std::vector<std::string>;
  const auto grayed = [](bool active, bool list_empty, bool recording, bool playback) {
    const MenuState state{.device_active = active,
                          .device_list_empty = list_empty,
                          .recording = recording,
                          .playback_open = playback};
    const MenuBars bars = BuildMenus(CommandIds{}, state);
    Texts texts = GrayedTexts(bars.main);
    for (const std::string& text : GrayedTexts(bars.user_messages)) texts.push_back("UM " + text);
    return texts;
  };
  const Texts need_device = {"Brightness/Contrast...", "Pixel Saturation...",
                             "Frame Integration...", "x2 Magnification"};
  // Devices exist, none is usable: choosing one must work.
  Texts expected = need_device;
  expected.push_back("Codec...");
  EXPECT_EQ(grayed(false, false, false, false), expected);
  expected.insert(expected.end() - 1, "Select Video Input Device...");
  EXPECT_EQ(grayed(false, true, false, false), expected);
  EXPECT_EQ(grayed(true, false, false, false), Texts{});
  // Exit stays usable during a recording.
  EXPECT_EQ(grayed(true, false, true, false),
            (Texts{"Open", "Events", "Display", "Options", "Help", "UM File"}));
  EXPECT_EQ(grayed(true, false, false, true), Texts{"Open"});

  const MenuBars bars = BuildMenus(CommandIds{}, MenuState{.x2_magnification = true});
  EXPECT_TRUE(FindItem(bars, C::X2Magnification)->checked);
  EXPECT_FALSE(FindItem(bars, C::BrightnessContrast)->checked);
}

// A stored saturation value outside 50..255 leaves the slider; a device is activated only
// when one is chosen in the list.
TEST(MenuModelTest, SliderValuesAndDeviceActivationStayInTheirRanges) {
  for (int outside : {-1, 49, 256}) EXPECT_FALSE(SaturationSliderValue(outside)) << outside;
  for (int inside : {50, 255}) EXPECT_EQ(SaturationSliderValue(inside), inside);
  EXPECT_FALSE(PlanDeviceActivation(-1, 3).device_active);
  EXPECT_TRUE(PlanDeviceActivation(2, 3).index_in_range);
  EXPECT_TRUE(PlanDeviceActivation(3, 3).device_active);
  EXPECT_FALSE(PlanDeviceActivation(3, 3).index_in_range);
}

}  // namespace
}  // namespace vesk
