#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/message_log.h"

namespace vesk {

// The commands of the main window's and the User Messages window's menus. The value is the
// command's offset from the first assigned identifier.
enum class MenuCommand : int {
  SelectVideoInputDevice = 0,
  RecordingFileOptions = 1,
  DurationDefault = 2,
  Codec = 3,
  EventPending = 4,
  Performance = 5,
  Misc = 6,
  SetWindowPositions = 7,
  Open = 8,
  Exit = 9,
  Schedule = 10,
  EditAndDelete = 11,
  BrightnessContrast = 12,
  X2Magnification = 13,
  PixelSaturation = 14,
  FrameIntegration = 15,
  UsbGpsReceiver = 16,
  About = 17,
  SaveMessages = 18,
  SaveMessagesAndClear = 19,
  // The station's own menus after the documented ones, in a range of identifiers after the
  // playback menu's.
  LearnInserter = 20,
};

// The main and User Messages menus' commands.
constexpr int kMenuCommandCount = 20;
// The playback menu's identifiers follow those twenty; the station's own menus' come next.
constexpr int kPlaybackCommandCount = 4;
constexpr int kOwnMenuCommandCount = 1;
constexpr int kAllMenuCommandCount = kMenuCommandCount + kOwnMenuCommandCount;
// Where the process-wide identifier counter starts.
constexpr int kFirstCommandIdentifier = 33039;

// The menus that dispatch commands, each owning a consecutive range of offsets.
enum class MenuGroup { Options, File, Events, Display, Help, UserMessages, TimeInserter };

MenuGroup GroupOf(MenuCommand command);

// The item text of a command, e.g. "Select Video Input Device...".
std::string_view CommandText(MenuCommand command);

// The command identifiers of both menus; they stay the same for the life of the process.
struct CommandIds {
  int first = kFirstCommandIdentifier;

  int IdOf(MenuCommand command) const {
    const int n = static_cast<int>(command);
    return n < kMenuCommandCount ? first + n : first + kPlaybackCommandCount + n;
  }
  // The command of an identifier; empty for identifiers that are not these menus' (they are
  // ignored), the playback menu's among them.
  std::optional<MenuCommand> CommandFor(int identifier) const;
};

// Takes the twenty identifiers from the counter; the counter then stands past them, where the
// playback menu takes its own.
CommandIds AssignCommandIds(int* counter);

enum class MenuEntryKind { Item, Popup, Separator };

// One entry of a menu bar or popup: the window layer builds its menus from these.
struct MenuEntry {
  MenuEntryKind kind = MenuEntryKind::Item;
  std::string text;
  // Items only.
  int id = 0;
  std::optional<MenuCommand> command;
  bool checkable = false;
  bool checked = false;
  bool enabled = true;
  // Popups only, in display order.
  std::vector<MenuEntry> children;
};

struct MenuBars {
  // "File", "Events", "Display", "Options", "Help"; with the station's own, "Time Inserter"
  std::vector<MenuEntry> main;
  std::vector<MenuEntry> user_messages;  // "File"
};

// The state the menus show.
struct MenuState {
  bool device_active = false;
  bool device_list_empty = true;
  // A recording runs: most popups and "Open" are grayed.
  bool recording = false;
  // A playback file is open: "Open" is grayed until playback closes.
  bool playback_open = false;
  bool x2_magnification = false;
  bool brightness_contrast_active = false;
  // Saturation highlighting is on: "Pixel Saturation..." carries a check mark.
  bool saturation_highlighting = false;
};

// The menu bars of both windows for the given state. Rebuilding never changes identifiers.
MenuBars BuildMenus(const CommandIds& ids, const MenuState& state);
// What the station shows: those menus and, after them on the main window, its own:
// "Time Inserter" with "Learn the Time Inserter...".
MenuBars BuildStationMenus(const CommandIds& ids, const MenuState& state);

// Lookups in built bars; null when absent.
const MenuEntry* FindItem(const MenuBars& bars, MenuCommand command);
const MenuEntry* FindPopup(const std::vector<MenuEntry>& bar, std::string_view text);

// Dialog template numbers of the option dialogs the commands open; 0 for other commands.
int DialogTemplateOf(MenuCommand command);

// What follows an option dialog's result.
struct DialogFollowUp {
  bool save = false;     // SaveOptionsOrWarn
  bool restart = false;  // StopVideo, then StartVideo when the stop worked
  // "File...": the Schedule Event window's global prefix field takes EventFileGlobalPrefix.
  bool refresh_global_prefix = false;
  friend bool operator==(const DialogFollowUp&, const DialogFollowUp&) = default;
};
DialogFollowUp FollowUpOfDialog(MenuCommand command, int result);

// "Pixel Saturation...": the slider takes the stored value only when it is a usable
// threshold.
constexpr std::int32_t kMinimumSaturationThreshold = 50;
constexpr std::int32_t kMaximumSaturationThreshold = 255;
std::optional<std::int32_t> SaturationSliderValue(std::int32_t stored_value);

// "Frame Integration..." puts this into the frame count field.
constexpr const char* kInitialIntegrationCount = "2";

// Where errors go: the station's maintainers, named rather than given an address nobody
// reads.
constexpr const char* kMaintainerAddress = "the VESK Video Capture maintainers";
constexpr const char* kAboutVersionText = "VESK Video Capture Version 2";
constexpr const char* kAboutDuplicateText =
    "how to duplicate the error and attach a saved user message log file.\n";
std::string AboutReportErrorsText();  // Report errors to "<address>".  Please describe
// The About command's three reports: the version with a timestamp, then the two lines.
void ReportAbout(MessageLog& log);

constexpr const char* kUnableToOpenAvi = "Unable to open AVI file for playback\r\n";
constexpr const char* kAttemptingGpsConnection =
    "Attempting to connect with USB GPS receiver.  This may take a minute.";
constexpr const char* kGpsConnected = "USB GPS connected\r\n";
constexpr const char* kNoGpsFound = "No USB GPS receiver found\r\n";
constexpr const char* kNoCaptureDevice =
    "There is no video capture device connected to the computer\r\n";
constexpr const char* kSourceIndexOutOfRange =
    "Logic error: current source index out of range for setting active device\r\n";
constexpr const char* kScheduleEventTitle = "Schedule Event";
constexpr const char* kNothingSelected = "nothing selected";

// What activating the chosen device means for the windows and the menus.
struct DeviceActivation {
  bool device_active = false;   // show the video record window, else hide it
  bool index_in_range = false;  // false: report kSourceIndexOutOfRange and fail
  // Active and in range: Start enabled, Stop disabled, record controls shown.
  // Not active: record controls hidden and kNoCaptureDevice reported.
};
// A device is active when one was chosen (index not negative); it must also be in the list.
DeviceActivation PlanDeviceActivation(int current_source_index, std::size_t device_count);

}  // namespace vesk
