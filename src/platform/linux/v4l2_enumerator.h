#pragma once

// The V4L2 capture nodes of this computer, as the video input category lists them.

#include <string>
#include <vector>

namespace vesk {

// One capture node: where it is and what its driver calls it.
struct V4l2Node {
  std::string device_path;  // "/dev/video0"
  std::string card_name;    // the driver's card name, the device's friendly name
  std::string bus_info;     // "usb-0000:00:14.0-2", tells identical cards apart
  // Stays the same when the device comes back on another node: its serial number when it
  // has one, else the port it is plugged into (udev's ID_PATH, else bus_info).
  std::string identity = {};

  friend bool operator==(const V4l2Node&, const V4l2Node&) = default;
};

// The video capture nodes (metadata and output-only nodes left out), found through udev,
// or by scanning /dev/video* when udev finds nothing. Sorted by node number, so the order
// is stable between runs. Nodes that cannot be opened or queried are left out; never blocks.
std::vector<V4l2Node> EnumerateV4l2CaptureNodes();

// The same from the nodes named "video<N>" in folder (for tests and for systems without
// udev); an absent or empty folder gives an empty list.
std::vector<V4l2Node> ScanV4l2CaptureNodes(const std::string& folder);

// Whether the answer of VIDIOC_QUERYCAP describes a video capture node: device_caps when
// the driver fills it (V4L2_CAP_DEVICE_CAPS), the node's capabilities otherwise.
bool IsV4l2CaptureNode(unsigned int capabilities, unsigned int device_caps);

// Node number of "/dev/video12" is 12; paths without one sort last (INT_MAX).
int V4l2NodeNumber(const std::string& device_path);

// Orders nodes by node number, then by path; stable.
void SortV4l2Nodes(std::vector<V4l2Node>* nodes);

}  // namespace vesk
