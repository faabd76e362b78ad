#pragma once

// The media services on GStreamer: video input devices (V4L2 capture nodes, then the
// simulated cameras when enabled), video compressors (encoders whose output the AVI
// multiplexer takes), graphs and renderers.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "media/media_graph.h"
#include "platform/gst/simulated_camera_device.h"

namespace vesk::gst {

struct GstMediaSystemOptions {
  // Adds "VESK Simulated Analog Camera" and "VESK Simulated Webcam" to the devices.
  bool simulated_cameras = false;
  // Simulated cameras deliver at their frame rate (live); off, as fast as the graph takes
  // frames (for long recordings in tests).
  bool paced_simulation = true;
  // Lists V4L2 capture nodes.
  bool v4l2_devices = true;
  // A video file "VESK File Camera" plays as a live device, looped; empty: none.
  std::string camera_file;
};

class GstMediaSystem : public MediaSystem {
 public:
  explicit GstMediaSystem(GstMediaSystemOptions options = {});

  HResult EnumerateDevices(DeviceCategory category, MonikerList* monikers) override;
  HResult CreateGraph(std::unique_ptr<MediaGraph>* graph) override;
  HResult CreateRenderer(RendererKind kind, std::shared_ptr<MediaFilter>* renderer) override;
  HResult CreateColourControl(std::shared_ptr<MediaFilter>* filter) override;

  // Unplugs a simulated camera: a running graph on it fails as with a vanished device,
  // and it leaves the device list until attached again. False for an unknown name.
  bool DetachSimulatedCamera(const std::string& name);
  bool AttachSimulatedCamera(const std::string& name);
  // The standard of the signal the simulated analog camera sends (PAL or NTSC).
  bool SetSimulatedSignal(AnalogFormat standard);
  // The shared state of a simulated camera (for tests and measurements), or nullptr.
  std::shared_ptr<SimulatedCameraDevice> SimulatedCamera(const std::string& name) const;
  // Why the camera file cannot be played; empty when it can (or none was given).
  const std::string& camera_file_error() const { return camera_file_error_; }

 private:
  GstMediaSystemOptions options_;
  std::vector<std::shared_ptr<SimulatedCameraDevice>> cameras_;
  std::string camera_file_error_;
};

// Makes GStreamer ready and registers the station's elements; safe to call often.
void InitializeGstreamer();

}  // namespace vesk::gst
