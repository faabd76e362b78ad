#pragma once

// What the recording controller asks of the rest of the station: the Event scheduler's
// deadlines, the Event list, the GPS receiver, the live analysis and the hot-plug handling.
// The station implements it; tests record the calls.

namespace vesk {

class RecordingStation {
 public:
  virtual ~RecordingStation() = default;

  // The pending Event's countdown and start deadline go (it was cancelled, or the station
  // closes).
  virtual void CancelEventCountdown() = 0;
  // The Event recording ended before its stop deadline (stopped, failed, or the station
  // closes): the deadline goes.
  virtual void CancelEventStop() = 0;
  // Reads the Events again and schedules the next one.
  virtual void ReloadEvents() = 0;
  // The main window's "USB GPS Receiver..." command: reconnects the receiver a recording
  // start closed and restarts the GPS window's refresh.
  virtual void ReconnectGpsReceiver() = 0;
  // The format cannot carry the overlays and highlighting went off: the saturation value
  // in use is set aside (a later device may take it back) and the running filter stops
  // highlighting.
  virtual void SaturationHighlightingDropped() = 0;
  // A graph error during a recording: the device-change handling looks first. True when
  // the recording's device is gone and the handling took the recording over (it stopped,
  // to resume when the device returns).
  virtual bool RecordingDeviceLeft() = 0;
};

}  // namespace vesk
