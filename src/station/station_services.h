#pragma once

// What the entry point hands the station: the media system, the clock, the screen, the
// computer's power and batteries, the time zone, the home folder, the live analysis filter,
// the UI thread, the timers and the GPS ports. Tests hand it doubles of each.

#include <functional>
#include <memory>
#include <string>

#include "base/time_zone.h"
#include "gps/gps_control.h"
#include "station/station_windows.h"

namespace vesk {

class BatteryMonitor;
class Clock;
class ClockDiscipline;
class LiveAnalysis;
class MediaFilter;
class MediaSystem;
class MessageBox;
class PowerCapabilities;
class TimerQueue;

// The analysis filter live video runs through, made around the station's analysis state.
struct LiveFilterMaker {
  // Empty or giving null: no pixel analysis (highlighting and integration cannot be switched
  // on).
  std::function<std::shared_ptr<MediaFilter>(LiveAnalysis&)> make;
  // The media layer stores RGB rows first row first (else last row first).
  bool rgb_rows_top_down = true;
};

struct StationServices {
  MediaSystem& media;
  const Clock& clock;
  MessageBox& message_box;
  StationWindows& windows;
  PowerCapabilities& power;
  // Read once by the entry point; the bias is used for every local-to-UTC conversion.
  TimeZoneInfo time_zone;
  // The station's home folder with its trailing separator.
  std::string current_directory;
  LiveFilterMaker live_filter;
  // Hands work to the UI thread from any thread (a graph's error arrives on a platform
  // thread). Empty: such errors are only reported.
  std::function<void(std::function<void()>)> post_to_ui_thread;
  // The countdown's and the Event recording's timers.
  TimerQueue* timers = nullptr;
  GpsPlatform gps{};
  // False for a headless station: no renderer may need a display.
  bool display_available = true;
  // The kernel's view of the computer clock, for the recording log and the Event checks.
  const ClockDiscipline* clock_discipline = nullptr;
  // The computer's batteries, for the Event checks. Null: not checked.
  BatteryMonitor* battery = nullptr;
};

}  // namespace vesk
