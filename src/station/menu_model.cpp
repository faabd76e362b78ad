#include "station/menu_model.h"

namespace vesk {
namespace {

constexpr std::array<std::string_view, kAllMenuCommandCount> kCommandTexts = {
    "Select Video Input Device...",
    "File...",
    "Duration Default...",
    "Codec...",
    "Event Pending...",
    "Performance...",
    "Misc...",
    "Set Window Positions",
    "Open",
    "Exit",
    "Schedule...",
    "Edit and Delete...",
    "Brightness/Contrast...",
    "x2 Magnification",
    "Pixel Saturation...",
    "Frame Integration...",
    "USB GPS Receiver...",
    "About VESK Video Application",
    "Save Messages",
    "Save Messages and Clear",
    "Learn the Time Inserter...",
};

MenuEntry Item(const CommandIds& ids, MenuCommand command) {
  MenuEntry entry;
  entry.kind = MenuEntryKind::Item;
  entry.text = std::string(CommandText(command));
  entry.id = ids.IdOf(command);
  entry.command = command;
  return entry;
}

MenuEntry Separator() {
  MenuEntry entry;
  entry.kind = MenuEntryKind::Separator;
  return entry;
}

MenuEntry Popup(std::string text, std::vector<MenuEntry> children) {
  MenuEntry entry;
  entry.kind = MenuEntryKind::Popup;
  entry.text = std::move(text);
  entry.children = std::move(children);
  return entry;
}

// Depth first, for const and mutable bars alike.
template <typename Entries>
auto FindItemIn(Entries& entries, MenuCommand command) -> decltype(&entries.front()) {
  for (auto& entry : entries) {
    if (entry.kind == MenuEntryKind::Item && entry.command == command) return &entry;
    if (entry.kind == MenuEntryKind::Popup) {
      if (auto* found = FindItemIn(entry.children, command)) return found;
    }
  }
  return nullptr;
}

MenuEntry& ItemIn(MenuBars& bars, MenuCommand command) {
  MenuEntry* entry = FindItemIn(bars.main, command);
  if (entry == nullptr) entry = FindItemIn(bars.user_messages, command);
  return *entry;  // every command has exactly one item
}

}  // namespace

MenuGroup GroupOf(MenuCommand command) {
  const int n = static_cast<int>(command);
  if (n <= 7) return MenuGroup::Options;
  if (n <= 9) return MenuGroup::File;
  if (n <= 11) return MenuGroup::Events;
  if (n <= 16) return MenuGroup::Display;
  if (n == 17) return MenuGroup::Help;
  if (n < kMenuCommandCount) return MenuGroup::UserMessages;
  return MenuGroup::TimeInserter;
}

std::string_view CommandText(MenuCommand command) {
  const int n = static_cast<int>(command);
  if (n < 0 || n >= kAllMenuCommandCount) return {};
  return kCommandTexts[static_cast<std::size_t>(n)];
}

std::optional<MenuCommand> CommandIds::CommandFor(int identifier) const {
  const long long offset = static_cast<long long>(identifier) - first;
  if (offset >= 0 && offset < kMenuCommandCount) return static_cast<MenuCommand>(offset);
  const long long own = offset - kMenuCommandCount - kPlaybackCommandCount;
  if (own >= 0 && own < kOwnMenuCommandCount) {
    return static_cast<MenuCommand>(kMenuCommandCount + own);
  }
  return std::nullopt;
}

CommandIds AssignCommandIds(int* counter) {
  CommandIds ids;
  ids.first = *counter;
  *counter += kMenuCommandCount;
  return ids;
}

MenuBars BuildMenus(const CommandIds& ids, const MenuState& state) {
  using C = MenuCommand;
  MenuBars bars;
  bars.main.push_back(Popup("File", {Item(ids, C::Open), Item(ids, C::Exit)}));
  bars.main.push_back(Popup("Events", {Item(ids, C::Schedule), Item(ids, C::EditAndDelete)}));
  bars.main.push_back(
      Popup("Display", {Item(ids, C::BrightnessContrast), Item(ids, C::PixelSaturation),
                        Item(ids, C::FrameIntegration), Item(ids, C::UsbGpsReceiver), Separator(),
                        Item(ids, C::X2Magnification)}));
  bars.main.push_back(Popup(
      "Options", {Item(ids, C::SelectVideoInputDevice),
                  Popup("Recording Options", {Item(ids, C::RecordingFileOptions),
                                              Item(ids, C::Codec), Item(ids, C::DurationDefault)}),
                  Item(ids, C::EventPending), Item(ids, C::Performance), Item(ids, C::Misc),
                  Item(ids, C::SetWindowPositions)}));
  bars.main.push_back(Popup("Help", {Item(ids, C::About)}));
  bars.user_messages.push_back(
      Popup("File", {Item(ids, C::SaveMessages), Item(ids, C::SaveMessagesAndClear)}));

  // Check marks follow the flags, so a rebuild after a device change shows the truth.
  MenuEntry& x2 = ItemIn(bars, C::X2Magnification);
  x2.checkable = true;
  x2.checked = state.x2_magnification;
  MenuEntry& brightness = ItemIn(bars, C::BrightnessContrast);
  brightness.checkable = true;
  brightness.checked = state.brightness_contrast_active;
  MenuEntry& saturation = ItemIn(bars, C::PixelSaturation);
  saturation.checkable = true;
  saturation.checked = state.saturation_highlighting;

  if (!state.device_active) {
    if (state.device_list_empty) ItemIn(bars, C::SelectVideoInputDevice).enabled = false;
    for (C command : {C::Codec, C::BrightnessContrast, C::X2Magnification, C::FrameIntegration,
                      C::PixelSaturation}) {
      ItemIn(bars, command).enabled = false;
    }
  }

  if (state.recording) {
    for (std::string_view popup : {"Events", "Display", "Options", "Help"}) {
      for (MenuEntry& entry : bars.main) {
        if (entry.text == popup) entry.enabled = false;
      }
    }
    bars.user_messages.front().enabled = false;
  }
  if (state.recording || state.playback_open) ItemIn(bars, C::Open).enabled = false;
  return bars;
}

MenuBars BuildStationMenus(const CommandIds& ids, const MenuState& state) {
  MenuBars bars = BuildMenus(ids, state);
  bars.main.push_back(Popup("Time Inserter", {Item(ids, MenuCommand::LearnInserter)}));
  return bars;
}

const MenuEntry* FindItem(const MenuBars& bars, MenuCommand command) {
  const MenuEntry* entry = FindItemIn(bars.main, command);
  if (entry == nullptr) entry = FindItemIn(bars.user_messages, command);
  return entry;
}

const MenuEntry* FindPopup(const std::vector<MenuEntry>& bar, std::string_view text) {
  for (const MenuEntry& entry : bar) {
    if (entry.kind != MenuEntryKind::Popup) continue;
    if (entry.text == text) return &entry;
    if (const MenuEntry* found = FindPopup(entry.children, text)) return found;
  }
  return nullptr;
}

int DialogTemplateOf(MenuCommand command) {
  switch (command) {
    case MenuCommand::RecordingFileOptions:
      return 125;
    case MenuCommand::DurationDefault:
      return 115;
    case MenuCommand::Codec:
      return 117;
    case MenuCommand::EventPending:
      return 143;
    case MenuCommand::Performance:
      return 155;
    default:
      return 0;
  }
}

DialogFollowUp FollowUpOfDialog(MenuCommand command, int result) {
  DialogFollowUp follow_up;
  switch (command) {
    case MenuCommand::RecordingFileOptions:
      follow_up.save = follow_up.refresh_global_prefix = result == 1;
      break;
    case MenuCommand::DurationDefault:
    case MenuCommand::Codec:
      follow_up.save = result == 1;
      break;
    case MenuCommand::EventPending:
      follow_up.save = result == 0 || result == 1;
      break;
    case MenuCommand::Performance:
      // 1: the new settings are kept; 2: they apply to this run only.
      follow_up.save = result == 1;
      follow_up.restart = result == 1 || result == 2;
      break;
    default:
      break;
  }
  return follow_up;
}

std::optional<std::int32_t> SaturationSliderValue(std::int32_t stored_value) {
  if (stored_value < kMinimumSaturationThreshold || stored_value > kMaximumSaturationThreshold) {
    return std::nullopt;
  }
  return stored_value;
}

std::string AboutReportErrorsText() {
  return std::string("Report errors to \"") + kMaintainerAddress + "\".  Please describe";
}

void ReportAbout(MessageLog& log) {
  log.ReportMessage(kAboutVersionText, true);
  log.ReportMessage(AboutReportErrorsText(), false);
  log.ReportMessage(kAboutDuplicateText, false);
}

DeviceActivation PlanDeviceActivation(int current_source_index, std::size_t device_count) {
  DeviceActivation activation;
  activation.device_active = current_source_index >= 0;
  activation.index_in_range =
      activation.device_active && static_cast<std::size_t>(current_source_index) < device_count;
  return activation;
}

}  // namespace vesk
