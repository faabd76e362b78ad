#pragma once

// The GPS receiver's own thread: its blocking work (the port scan, the reads) runs here one
// job after another, and the refresh timer ticks here, so the UI thread never waits on the
// serial line.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace vesk {

class GpsWorker {
 public:
  GpsWorker();
  // Shutdown.
  ~GpsWorker();
  GpsWorker(const GpsWorker&) = delete;
  GpsWorker& operator=(const GpsWorker&) = delete;

  // Runs job on the worker after the jobs already posted.
  void Post(std::function<void()> job);
  // tick runs every interval, the first one interval from now; replaces a running timer.
  void StartTimer(std::chrono::milliseconds interval, std::function<void()> tick);
  // No tick starts after this returns; one in progress has ended (unless called from it).
  void StopTimer();
  // Waits for the job in progress, drops those not started and ends the thread.
  void Shutdown();

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable tick_done_;
  std::deque<std::function<void()>> jobs_;
  std::function<void()> tick_;
  std::chrono::milliseconds interval_{0};
  std::chrono::steady_clock::time_point next_tick_;
  bool ticking_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace vesk
