#pragma once

// The GPS receiver as the station runs it: the "USB GPS Receiver..." connection, the GPS
// window's refresh every five seconds, its Close, and the one fix a recording start takes.
// Called on the UI thread; the receiver's blocking work runs on the GPS worker, whose
// results come back through post_to_ui, so the UI stays responsive while ports are probed.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

#include "base/clock.h"
#include "base/message_log.h"
#include "base/serial_port.h"
#include "gps/gps_receiver.h"
#include "gps/gps_worker.h"
#include "recording/gps_fix_source.h"
#include "recording/gps_position.h"

namespace vesk {

constexpr std::string_view kGpsNotConnectedText = "GPS receiver is not connected\r\n\r\n";
constexpr std::string_view kGpsNotValidText = "GPS information is not valid\r\n";
constexpr std::string_view kGpsClosedText = "GPS connection is closed\r\n";
constexpr std::chrono::milliseconds kGpsRefreshInterval{5000};

constexpr const char* kGpsWindowClass = "GPSDevice";
constexpr const char* kGpsWindowTitle = "USB GPS Receiver";
constexpr int kGpsWindowWidth = 290;
constexpr int kGpsWindowHeight = 355;

enum class GpsField { kLatitude, kLongitude, kAltitude, kSatellites };

// The "USB GPS Receiver" window ("GPSDevice").
class GpsWindowView {
 public:
  virtual ~GpsWindowView() = default;
  virtual void SetGpsField(GpsField field, std::string_view text) = 0;
  // The computer clock against GPS time ("2.3 s behind ±0.5 s").
  virtual void SetGpsClockOffset(std::string_view text) = 0;
  // Shown (if hidden) and repainted.
  virtual void ShowGpsWindow() = 0;
  virtual void HideGpsWindow() = 0;
};

// What the platform gives the GPS receiver: the serial ports (none: no receiver is ever
// found) and the way back to the UI thread, with the waits (tests shorten them).
struct GpsPlatform {
  SerialPorts* ports = nullptr;
  std::function<void(std::function<void()>)> post_to_ui;
  SerialTimings timings{};
  std::chrono::milliseconds refresh_interval = kGpsRefreshInterval;
};

struct GpsControlContext {
  SerialPorts& ports;
  MessageLog& log;
  const Clock& clock;
  // Runs work on the UI thread, queued behind what waits there.
  std::function<void(std::function<void()>)> post_to_ui;
  // The refresh does nothing while an Event recording runs.
  std::function<bool()> event_recording_in_progress;
  // The stand-by notice while every port is probed.
  std::function<void(bool shown)> show_stand_by;
  SerialTimings timings{};
  std::chrono::milliseconds refresh_interval = kGpsRefreshInterval;
};

class GpsControl final : public GpsFixSource {
 public:
  explicit GpsControl(GpsControlContext context);
  // Stops the refresh and any scan and waits for the worker; the port closes.
  ~GpsControl() override;
  GpsControl(const GpsControl&) = delete;
  GpsControl& operator=(const GpsControl&) = delete;

  // The window, once it exists (none: nothing is shown).
  void set_view(GpsWindowView* view) { view_ = view; }

  // Finds the receiver on the worker; done(connected) runs on the UI thread at the end, and
  // on success the refresh starts. An open connection is closed and made again. Ignored
  // (false) while a connection is being made.
  bool Connect(std::function<void(bool connected)> done);
  bool connecting() const { return connecting_; }
  // The window's Close button and close box.
  void CloseWindow();
  // The texts of the last refresh that had them, without their leading blank.
  const LastGpsPosition& last_position() const { return last_position_; }

  // GpsFixSource, for the recording start.
  bool IsOpen() const override { return receiver_.IsOpen(); }
  void StopRefreshTimer() override;
  bool ReadGpsFixWithRetry(GpsFix* fix) override;
  void Close() override;
  bool PrepareFix() override;
  bool TakePreparedFixAndClose(GpsFix* fix) override;
  std::optional<GpsClockOffset> LatestClockOffset() const override;

 private:
  // Keeps the offset of a fix that has one.
  void NoteClockOffset(const GpsFix& fix);
  void PostToUi(std::function<void()> work);
  void StartRefresh();
  void Tick();
  void Refreshed(bool connected, FixResult result, const GpsFix& fix);
  void ReportProblems(const ConnectResult& result);

  GpsControlContext context_;
  GpsWindowView* view_ = nullptr;
  GpsReceiver receiver_;
  // Held by whoever uses the receiver: the worker's jobs, or the UI thread's own calls.
  std::mutex receiver_mutex_;
  std::atomic<bool> refresh_wanted_{false};
  // Each stop of the refresh starts a new generation; a read of an older one gives up.
  std::atomic<unsigned> refresh_generation_{0};
  std::atomic<bool> cancel_connect_{false};
  std::atomic<bool> closing_{false};
  // The Event's fix read ahead: given up when the recording starts without it.
  std::atomic<bool> prepared_abandoned_{false};
  mutable std::mutex results_mutex_;
  std::optional<GpsFix> prepared_;
  std::optional<GpsClockOffset> latest_offset_;
  bool connecting_ = false;
  bool refresh_pending_ = false;
  bool offset_reported_ = false;
  LastGpsPosition last_position_;
  // Work posted to the UI thread runs only while this control exists.
  std::shared_ptr<GpsControl*> alive_;
  // Last, so its thread ends before anything it uses goes.
  GpsWorker worker_;
};

}  // namespace vesk
