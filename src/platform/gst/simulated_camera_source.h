#pragma once

// "veskcamsrc": the live source element of the simulated cameras, registered inside the
// process. It paints the star field of its camera in YUY2, BGR, BGRA or I420 at the
// negotiated size and rate, timestamps each frame with the pipeline clock's running time
// at capture, and numbers frames in the buffer offset; a frame the camera could not
// deliver in time leaves a gap in the numbers. When its camera is unplugged it fails like
// a vanished device.

#include <gst/gst.h>

#include <memory>

#include "platform/gst/simulated_camera_device.h"

namespace vesk::gst {

inline constexpr char kSimulatedCameraElement[] = "veskcamsrc";

// Registers the element once; later calls do nothing.
void RegisterSimulatedCameraSource();

// A new source element for a camera. paced: frames come at the camera's rate against the
// pipeline clock (a live source); otherwise as fast as downstream takes them, stamped on
// the nominal frame times (for long tests).
GstElement* CreateSimulatedCameraSource(std::shared_ptr<SimulatedCameraDevice> device, bool paced);

}  // namespace vesk::gst
