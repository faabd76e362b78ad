#pragma once

// What the Schedule Event and Event list models ask of the station around them. The station
// implements it; tests count the calls.

#include <string>

namespace vesk {

class EventWindowsStation {
 public:
  // Opens the Schedule Event window for the file (name without the folder).
  virtual void OpenEventForEditing(const std::string& file_name) = 0;
  // The Event list window rebuilds its rows from the files.
  virtual void RefillEventList() = 0;
  // A pending countdown is cancelled and every Event loaded again.
  virtual void RescheduleEvents() = 0;

 protected:
  ~EventWindowsStation() = default;
};

}  // namespace vesk
