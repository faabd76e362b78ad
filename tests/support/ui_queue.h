#pragma once

// The UI thread of a test without Qt: work posted from other threads waits here until the
// test runs it.

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

namespace vesk::testing {

class UiQueue {
 public:
  std::function<void(std::function<void()>)> Poster() {
    return [this](std::function<void()> work) {
      std::lock_guard<std::mutex> hold(mutex_);
      queue_.push_back(std::move(work));
    };
  }
  // Runs posted work until done() holds; false when the time ran out first.
  template <typename Done>
  bool RunUntil(Done done, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      RunFor(std::chrono::milliseconds(2));
    }
    return true;
  }
  void RunFor(std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    do {
      std::function<void()> work;
      {
        std::lock_guard<std::mutex> hold(mutex_);
        if (!queue_.empty()) {
          work = std::move(queue_.front());
          queue_.pop_front();
        }
      }
      if (work) {
        work();
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    } while (std::chrono::steady_clock::now() < end);
  }

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
};

}  // namespace vesk::testing
