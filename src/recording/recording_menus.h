#pragma once

// The menus a recording changes: what must not be used while it runs, and the brightness
// and contrast adjustment a recording that sheds load ends. The station keeps both in its
// menu state, so a menu rebuilt during a recording stays as the recording left it.

namespace vesk {

class RecordingMenus {
 public:
  virtual ~RecordingMenus() = default;

  // Grays (false) or enables (true) what must not be used while a recording runs: the main
  // menu's "Events", "Display", "Options" and "Help" popups, the User Messages window's
  // "File" popup and the item "Open" of the main "File" menu.
  virtual void EnableMenusOutsideRecording(bool enabled) = 0;
  // Ends the brightness/contrast adjustment on screen: both sliders to 50, the menu item
  // "Brightness/Contrast..." unchecked, the "Brightness and Contrast" window hidden. (The
  // controller clears the adjustment's flag itself.)
  virtual void ResetBrightnessContrast() = 0;
};

}  // namespace vesk
