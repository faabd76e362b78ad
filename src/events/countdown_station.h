#pragma once

// What the countdown scheduler asks of the rest of the station around an Event: sleep,
// readiness, playback, the power action and the next Event. The station implements it.

#include <functional>
#include <memory>
#include <string>

#include "base/clock.h"
#include "base/power.h"

namespace vesk {

class CountdownStation {
 public:
  virtual ~CountdownStation() = default;

  // Whether start-up found hibernation possible.
  virtual bool HibernationPossible() const = 0;
  // Keeps the computer awake while an Event is pending or recording; null when refused.
  virtual std::unique_ptr<SleepInhibitor> HoldSleep(const std::string& why) = 0;
  // Reports what could spoil the recording from start_utc to stop_utc: called when the
  // Event is announced and again shortly before its start.
  virtual void CheckReadiness(FileTime start_utc, FileTime stop_utc) = 0;
  // Closes an open playback file, so that the recording has the disk and the processor to
  // itself; called by the ticks of the last seconds before the recording starts.
  virtual void ClosePlaybackForEvent() = 0;
  // The Event's power action after its recording; then runs afterwards in every case.
  virtual void PerformPowerAction(bool hibernate, bool shutdown, std::function<void()> then) = 0;
  // The recording ended: the Events are read again and the next one scheduled.
  virtual void LoadEventsAfterRecording() = 0;
};

}  // namespace vesk
