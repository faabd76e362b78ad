#pragma once

// udev's announcements of video4linux nodes appearing and going, as a file descriptor the
// UI thread's loop can watch.

#include <memory>

struct udev;
struct udev_monitor;

namespace vesk {

class UdevVideoMonitor {
 public:
  // Listening already; nullptr when udev or its monitor socket cannot be had.
  static std::unique_ptr<UdevVideoMonitor> Create();
  ~UdevVideoMonitor();
  UdevVideoMonitor(const UdevVideoMonitor&) = delete;
  UdevVideoMonitor& operator=(const UdevVideoMonitor&) = delete;

  // Readable when announcements wait.
  int fd() const;
  // Reads every waiting announcement without blocking; true when one of them added or
  // removed a node.
  bool DrainEvents();

 private:
  UdevVideoMonitor(udev* context, udev_monitor* monitor) : context_(context), monitor_(monitor) {}
  udev* context_;
  udev_monitor* monitor_;
};

}  // namespace vesk
