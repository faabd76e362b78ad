#include "platform/linux/udev_video_monitor.h"

#include <libudev.h>

#include <cstring>

namespace vesk {

std::unique_ptr<UdevVideoMonitor> UdevVideoMonitor::Create() {
  udev* context = udev_new();
  if (context == nullptr) return nullptr;
  // After udev's rules ran: the node then has its permissions and its ID_PATH.
  udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
  if (monitor == nullptr ||
      udev_monitor_filter_add_match_subsystem_devtype(monitor, "video4linux", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor) < 0) {
    if (monitor != nullptr) udev_monitor_unref(monitor);
    udev_unref(context);
    return nullptr;
  }
  return std::unique_ptr<UdevVideoMonitor>(new UdevVideoMonitor(context, monitor));
}

UdevVideoMonitor::~UdevVideoMonitor() {
  udev_monitor_unref(monitor_);
  udev_unref(context_);
}

int UdevVideoMonitor::fd() const { return udev_monitor_get_fd(monitor_); }

bool UdevVideoMonitor::DrainEvents() {
  bool changed = false;
  // The socket is non-blocking: receiving ends when nothing waits.
  while (udev_device* device = udev_monitor_receive_device(monitor_)) {
    const char* action = udev_device_get_action(device);
    if (action != nullptr &&
        (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0)) {
      changed = true;
    }
    udev_device_unref(device);
  }
  return changed;
}

}  // namespace vesk
