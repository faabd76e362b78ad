#pragma once

#include <functional>

namespace vesk::qt {

// Whether the caller runs on the thread of the Qt event loop (the UI thread).
bool OnUiThread();

// Runs work on the UI thread: at once when called there, otherwise queued behind the events
// already waiting. Reports from streaming and timer threads reach the widgets this way.
void RunOnUiThread(std::function<void()> work);
// Queues the work for the UI thread's loop even when called on it, so it never runs inside
// the caller.
void PostToUiThread(std::function<void()> work);

}  // namespace vesk::qt
