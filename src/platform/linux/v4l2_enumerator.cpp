#include "platform/linux/v4l2_enumerator.h"

#include <dirent.h>
#include <fcntl.h>
#include <libudev.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>

namespace vesk {
namespace {

template <std::size_t N>
std::string TextOf(const __u8 (&bytes)[N]) {
  std::size_t length = 0;
  while (length < N && bytes[length] != 0) ++length;
  return std::string(reinterpret_cast<const char*>(bytes), length);
}

// Opens the node without waiting (O_NONBLOCK) and asks its capabilities; nothing when it
// cannot be opened, is not V4L2, or is not a video capture node.
std::optional<V4l2Node> ProbeNode(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  v4l2_capability capability{};
  int result = 0;
  do {
    result = ::ioctl(fd, VIDIOC_QUERYCAP, &capability);
  } while (result != 0 && errno == EINTR);
  ::close(fd);
  if (result != 0 || !IsV4l2CaptureNode(capability.capabilities, capability.device_caps)) {
    return std::nullopt;
  }
  const std::string bus_info = TextOf(capability.bus_info);
  return V4l2Node{path, TextOf(capability.card), bus_info, "bus:" + bus_info};
}

// A node found through udev, with what udev knows of the device behind it.
struct UdevNode {
  std::string path;
  std::string identity;
};

std::string IdentityOf(udev_device* device) {
  // A serial number follows the device from port to port; ID_SERIAL names its maker and
  // model beside it, so equal serials of different models stay apart.
  const char* serial = udev_device_get_property_value(device, "ID_SERIAL_SHORT");
  const char* full = udev_device_get_property_value(device, "ID_SERIAL");
  if (serial != nullptr && serial[0] != '\0' && full != nullptr) {
    return std::string("serial:") + full;
  }
  const char* port = udev_device_get_property_value(device, "ID_PATH");
  if (port != nullptr && port[0] != '\0') return std::string("path:") + port;
  return {};
}

std::vector<UdevNode> UdevVideoNodes() {
  std::vector<UdevNode> paths;
  udev* context = udev_new();
  if (context == nullptr) return paths;
  udev_enumerate* enumeration = udev_enumerate_new(context);
  if (enumeration != nullptr) {
    if (udev_enumerate_add_match_subsystem(enumeration, "video4linux") >= 0 &&
        udev_enumerate_scan_devices(enumeration) >= 0) {
      for (udev_list_entry* entry = udev_enumerate_get_list_entry(enumeration); entry != nullptr;
           entry = udev_list_entry_get_next(entry)) {
        udev_device* device =
            udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
        if (device == nullptr) continue;
        const char* node = udev_device_get_devnode(device);
        const char* sysname = udev_device_get_sysname(device);
        // Only video nodes: radio, vbi, swradio and subdevice nodes share the subsystem.
        if (node != nullptr && sysname != nullptr && std::strncmp(sysname, "video", 5) == 0) {
          paths.push_back(UdevNode{node, IdentityOf(device)});
        }
        udev_device_unref(device);
      }
    }
    udev_enumerate_unref(enumeration);
  }
  udev_unref(context);
  return paths;
}

std::vector<V4l2Node> ProbeNodes(const std::vector<UdevNode>& found) {
  std::vector<V4l2Node> nodes;
  for (const UdevNode& node_found : found) {
    std::optional<V4l2Node> node = ProbeNode(node_found.path);
    if (!node) continue;
    if (!node_found.identity.empty()) node->identity = node_found.identity;
    nodes.push_back(std::move(*node));
  }
  SortV4l2Nodes(&nodes);
  return nodes;
}

}  // namespace

bool IsV4l2CaptureNode(unsigned int capabilities, unsigned int device_caps) {
  const unsigned int caps = (capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? device_caps : capabilities;
  if ((caps & V4L2_CAP_VIDEO_CAPTURE) == 0) return false;
  // Memory-to-memory nodes (codecs, scalers) capture only what is fed to them.
  if ((caps & (V4L2_CAP_VIDEO_M2M | V4L2_CAP_VIDEO_M2M_MPLANE | V4L2_CAP_VIDEO_OUTPUT)) != 0) {
    return false;
  }
  return true;
}

int V4l2NodeNumber(const std::string& device_path) {
  const std::size_t slash = device_path.find_last_of('/');
  const std::string name = slash == std::string::npos ? device_path : device_path.substr(slash + 1);
  if (name.size() <= 5 || name.compare(0, 5, "video") != 0) return INT_MAX;
  long long number = 0;
  for (std::size_t i = 5; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return INT_MAX;
    number = number * 10 + (name[i] - '0');
    if (number >= INT_MAX) return INT_MAX;
  }
  return static_cast<int>(number);
}

void SortV4l2Nodes(std::vector<V4l2Node>* nodes) {
  std::stable_sort(nodes->begin(), nodes->end(), [](const V4l2Node& a, const V4l2Node& b) {
    const int number_a = V4l2NodeNumber(a.device_path);
    const int number_b = V4l2NodeNumber(b.device_path);
    if (number_a != number_b) return number_a < number_b;
    return a.device_path < b.device_path;
  });
}

std::vector<V4l2Node> ScanV4l2CaptureNodes(const std::string& folder) {
  std::vector<UdevNode> paths;
  DIR* directory = ::opendir(folder.c_str());
  if (directory == nullptr) return {};
  while (const dirent* entry = ::readdir(directory)) {
    const std::string name = entry->d_name;
    if (V4l2NodeNumber(name) == INT_MAX) continue;
    paths.push_back(
        UdevNode{folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name, {}});
  }
  ::closedir(directory);
  return ProbeNodes(paths);
}

std::vector<V4l2Node> EnumerateV4l2CaptureNodes() {
  std::vector<V4l2Node> nodes = ProbeNodes(UdevVideoNodes());
  // Without udev (containers, minimal systems) the device folder is the only record.
  if (nodes.empty()) nodes = ScanV4l2CaptureNodes("/dev");
  return nodes;
}

}  // namespace vesk
