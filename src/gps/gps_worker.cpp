#include "gps/gps_worker.h"

#include <algorithm>
#include <utility>

namespace vesk {

GpsWorker::GpsWorker() : thread_([this] { Run(); }) {}

GpsWorker::~GpsWorker() { Shutdown(); }

void GpsWorker::Post(std::function<void()> job) {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    if (stopping_) return;
    jobs_.push_back(std::move(job));
  }
  wake_.notify_all();
}

void GpsWorker::StartTimer(std::chrono::milliseconds interval, std::function<void()> tick) {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    tick_ = std::move(tick);
    interval_ = interval;
    next_tick_ = std::chrono::steady_clock::now() + interval;
  }
  wake_.notify_all();
}

void GpsWorker::StopTimer() {
  std::unique_lock<std::mutex> hold(mutex_);
  tick_ = nullptr;
  if (std::this_thread::get_id() == thread_.get_id()) return;
  tick_done_.wait(hold, [this] { return !ticking_; });
}

void GpsWorker::Shutdown() {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    stopping_ = true;
    tick_ = nullptr;
    jobs_.clear();
  }
  wake_.notify_all();
  if (thread_.joinable() && std::this_thread::get_id() != thread_.get_id()) thread_.join();
}

void GpsWorker::Run() {
  std::unique_lock<std::mutex> hold(mutex_);
  while (!stopping_) {
    if (!jobs_.empty()) {
      std::function<void()> job = std::move(jobs_.front());
      jobs_.pop_front();
      hold.unlock();
      job();
      hold.lock();
      continue;
    }
    if (tick_ && std::chrono::steady_clock::now() >= next_tick_) {
      // The next tick is due one interval after this one was; a late tick is not repeated.
      const auto now = std::chrono::steady_clock::now();
      next_tick_ += interval_;
      if (next_tick_ <= now) next_tick_ = now + interval_;
      std::function<void()> tick = tick_;
      ticking_ = true;
      hold.unlock();
      tick();
      hold.lock();
      ticking_ = false;
      tick_done_.notify_all();
      continue;
    }
    if (tick_) {
      wake_.wait_until(hold, next_tick_);
    } else {
      wake_.wait(hold);
    }
  }
}

}  // namespace vesk
