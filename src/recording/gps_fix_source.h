#pragma once

// The GPS receiver as a recording start uses it: one fix for the log, then the port is
// closed for the length of the recording. An Event's fix is read during its countdown, so
// its start never waits on the receiver.

#include <optional>

#include "recording/gps_position.h"

namespace vesk {

class GpsFixSource {
 public:
  virtual ~GpsFixSource() = default;

  // The receiver's port is open (a connection was made and not closed since).
  virtual bool IsOpen() const = 0;
  // Stops the GPS window's periodic refresh, waiting for a refresh in progress, so the
  // recording start has the port to itself.
  virtual void StopRefreshTimer() = 0;
  // Up to 101 read-and-parse attempts; true at the first that gives a fix.
  virtual bool ReadGpsFixWithRetry(GpsFix* fix) = 0;
  // Closes the port; the remembered port and rate stay for the next connection.
  virtual void Close() = 0;

  // Starts reading a fix off the calling thread, for the Event about to be recorded; the
  // periodic refresh stops. False, doing nothing, when the port is not open.
  virtual bool PrepareFix() = 0;
  // Without waiting: the fix PrepareFix read, if it has come (false otherwise); a read still
  // going is given up and the port is closed behind it.
  virtual bool TakePreparedFixAndClose(GpsFix* fix) = 0;
  // The GPS time against the computer clock from the last sentence read that had one.
  virtual std::optional<GpsClockOffset> LatestClockOffset() const = 0;
};

}  // namespace vesk
