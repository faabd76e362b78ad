#include "gps/gps_control.h"

#include <utility>

#include "recording/gps_time.h"

namespace vesk {

GpsControl::GpsControl(GpsControlContext context)
    : context_(std::move(context)),
      receiver_(context_.ports, context_.log, context_.clock, context_.timings),
      alive_(std::make_shared<GpsControl*>(this)) {}

GpsControl::~GpsControl() {
  closing_ = true;
  refresh_wanted_ = false;
  ++refresh_generation_;
  worker_.Shutdown();
  alive_.reset();
}

void GpsControl::PostToUi(std::function<void()> work) {
  std::weak_ptr<GpsControl*> alive = alive_;
  context_.post_to_ui([alive, work = std::move(work)] {
    if (alive.lock()) work();
  });
}

bool GpsControl::Connect(std::function<void(bool connected)> done) {
  if (connecting_) return false;
  if (receiver_.IsOpen()) {
    StopRefreshTimer();
    Close();
  }
  connecting_ = true;
  cancel_connect_ = false;
  offset_reported_ = false;
  worker_.Post([this, done = std::move(done)] {
    ConnectResult result;
    {
      std::lock_guard<std::mutex> hold(receiver_mutex_);
      result = receiver_.ConnectGpsReceiver(
          [this] {
            PostToUi([this] {
              if (context_.show_stand_by) context_.show_stand_by(true);
            });
          },
          [this] { return closing_.load() || cancel_connect_.load(); });
    }
    PostToUi([this, result, done] {
      connecting_ = false;
      if (context_.show_stand_by) context_.show_stand_by(false);
      ReportProblems(result);
      if (done) done(result.connected);
      if (result.connected) StartRefresh();
    });
  });
  return true;
}

void GpsControl::ReportProblems(const ConnectResult& result) {
  for (const PortProblem& problem : result.problems) {
    if (problem.error == SerialOpenError::kPermissionDenied) {
      context_.log.ReportMessage(
          "WARNING: no permission to open " + problem.path +
              "; the user must be a member of the group that owns it (usually dialout)\r\n",
          true);
    } else {
      context_.log.ReportMessage("WARNING: " + problem.path + " is in use by another program\r\n",
                                 true);
    }
  }
}

void GpsControl::StartRefresh() {
  refresh_wanted_ = true;
  worker_.StartTimer(context_.refresh_interval, [this] { PostToUi([this] { Tick(); }); });
}

void GpsControl::Tick() {
  if (!refresh_wanted_ || refresh_pending_) return;
  if (context_.event_recording_in_progress && context_.event_recording_in_progress()) return;
  refresh_pending_ = true;
  const unsigned generation = refresh_generation_;
  worker_.Post([this, generation] {
    const auto stopped = [this, generation] {
      return closing_.load() || refresh_generation_.load() != generation;
    };
    GpsFix fix;
    FixResult result = FixResult::kFailed;
    bool connected = false;
    {
      std::lock_guard<std::mutex> hold(receiver_mutex_);
      connected = receiver_.IsOpen();
      if (connected && !stopped()) result = receiver_.ReadGpsFixWithRetry(&fix, stopped);
    }
    PostToUi([this, generation, connected, result, fix] {
      refresh_pending_ = false;
      // Stopped meanwhile (Close, a recording start): what was read is no longer wanted.
      if (refresh_wanted_ && refresh_generation_ == generation) Refreshed(connected, result, fix);
    });
  });
}

void GpsControl::Refreshed(bool connected, FixResult result, const GpsFix& fix) {
  if (!connected) {
    context_.log.ReportMessage(kGpsNotConnectedText, true);
    return;
  }
  if (result == FixResult::kLost) {
    // The receiver has said why; the connection ends as a Close would end it.
    StopRefreshTimer();
    if (view_ != nullptr) view_->HideGpsWindow();
    context_.log.ReportMessage(kGpsClosedText, true);
    return;
  }
  NoteClockOffset(fix);
  if (fix.clock_offset) {
    if (view_ != nullptr) view_->SetGpsClockOffset(ClockOffsetShortText(*fix.clock_offset));
    // Once a connection, in full, where it is kept: the window has room for the figures only.
    if (!offset_reported_)
      context_.log.ReportMessage(ClockOffsetLogLine(*fix.clock_offset) + "\r\n", true);
    offset_reported_ = true;
  }
  if (result == FixResult::kPosition) {
    RefreshLastPosition(fix, &last_position_);
    const std::pair<GpsField, const std::string*> fields[] = {
        {GpsField::kLatitude, &fix.latitude},
        {GpsField::kLongitude, &fix.longitude},
        {GpsField::kSatellites, &fix.satellites},
        {GpsField::kAltitude, &fix.altitude}};
    for (const auto& [field, text] : fields) {
      if (!text->empty() && view_ != nullptr) view_->SetGpsField(field, *text);
    }
  } else {
    context_.log.ReportMessage(kGpsNotValidText, true);
  }
  if (view_ != nullptr) view_->ShowGpsWindow();
}

void GpsControl::CloseWindow() {
  if (view_ != nullptr) view_->HideGpsWindow();
  cancel_connect_ = true;
  StopRefreshTimer();
  Close();
  context_.log.ReportMessage(kGpsClosedText, true);
}

void GpsControl::StopRefreshTimer() {
  // An Event's fix being read gives way too: the caller wants the port now.
  prepared_abandoned_ = true;
  refresh_wanted_ = false;
  ++refresh_generation_;
  worker_.StopTimer();
  // A refresh in progress sees the stop within one wait slice; it is waited for here.
  std::lock_guard<std::mutex> hold(receiver_mutex_);
}

bool GpsControl::ReadGpsFixWithRetry(GpsFix* fix) {
  std::lock_guard<std::mutex> hold(receiver_mutex_);
  const FixResult result = receiver_.ReadGpsFixWithRetry(fix, [this] { return closing_.load(); });
  NoteClockOffset(*fix);
  return result == FixResult::kPosition || result == FixResult::kNoPosition;
}

void GpsControl::NoteClockOffset(const GpsFix& fix) {
  if (!fix.clock_offset) return;
  std::lock_guard<std::mutex> hold(results_mutex_);
  latest_offset_ = fix.clock_offset;
}

std::optional<GpsClockOffset> GpsControl::LatestClockOffset() const {
  std::lock_guard<std::mutex> hold(results_mutex_);
  return latest_offset_;
}

bool GpsControl::PrepareFix() {
  if (!receiver_.IsOpen() || connecting_) return false;
  // The refresh gives the port up; a refresh read in progress ends within a wait slice, on
  // the worker, before this read begins.
  refresh_wanted_ = false;
  ++refresh_generation_;
  worker_.StopTimer();
  prepared_abandoned_ = false;
  {
    std::lock_guard<std::mutex> hold(results_mutex_);
    prepared_.reset();
  }
  worker_.Post([this] {
    GpsFix fix;
    FixResult result = FixResult::kFailed;
    {
      std::lock_guard<std::mutex> hold(receiver_mutex_);
      if (receiver_.IsOpen() && !prepared_abandoned_) {
        result = receiver_.ReadGpsFixWithRetry(
            &fix, [this] { return closing_.load() || prepared_abandoned_.load(); });
      }
    }
    NoteClockOffset(fix);
    {
      std::lock_guard<std::mutex> hold(results_mutex_);
      if (!prepared_abandoned_ &&
          (result == FixResult::kPosition || result == FixResult::kNoPosition)) {
        prepared_ = fix;
      }
    }
    // The window goes on showing the position until the recording starts.
    PostToUi([this] {
      if (!prepared_abandoned_ && receiver_.IsOpen()) StartRefresh();
    });
  });
  return true;
}

bool GpsControl::TakePreparedFixAndClose(GpsFix* fix) {
  refresh_wanted_ = false;
  ++refresh_generation_;
  worker_.StopTimer();
  bool taken = false;
  {
    std::lock_guard<std::mutex> hold(results_mutex_);
    prepared_abandoned_ = true;
    if (prepared_) {
      *fix = *prepared_;
      taken = true;
    }
    prepared_.reset();
  }
  // Closed on the worker, behind a read that is still giving up.
  worker_.Post([this] {
    std::lock_guard<std::mutex> hold(receiver_mutex_);
    receiver_.CloseGpsReceiver();
  });
  return taken;
}

void GpsControl::Close() {
  prepared_abandoned_ = true;
  std::lock_guard<std::mutex> hold(receiver_mutex_);
  receiver_.CloseGpsReceiver();
}

}  // namespace vesk
