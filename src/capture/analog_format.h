#pragma once

// The TV standard of an analog device (PAL or NTSC): set by hand, or detected. Detection
// asks the device's own decoder first; when it cannot tell, a short test graph runs the
// device in PAL and counts the frames that reach the renderer, since a decoder on the
// wrong standard keeps losing sync and passes only a few.

#include <chrono>
#include <cstdint>
#include <functional>

#include "base/hresult.h"
#include "capture/video_sources.h"

namespace vesk {

class CaptureGraph;

// The PAL test format: 720x576 in the 25 frames-per-second group.
constexpr std::uint32_t kPalTestFrameRate = 25;
constexpr std::int32_t kPalTestWidth = 720;
constexpr std::int32_t kPalTestHeight = 576;
constexpr std::chrono::milliseconds kAnalogTestTime{1600};
// Frames drawn in the test time that prove PAL (a decoder on the signal's standard passes
// 40; one that keeps losing sync, a few).
constexpr std::int32_t kPalProofFrames = 6;

// How the test waits while the graph runs. The station blocks its own thread for the
// time: the frames go to the Null Renderer on the streaming threads, which never wait for
// it, so the wait is bounded by the test time.
using AnalogTestWait = std::function<void(std::chrono::milliseconds)>;
void BlockForAnalogTest(std::chrono::milliseconds time);

// Writes NTSC-M or PAL-B to the decoder of the device in use. The caller sets the
// device's analog_format.
HResult SetAnalogDeviceFormat(CaptureGraph& graph, AnalogFormat format);

// Detects the standard of info's device: sets info->analog_format, and *changed when it
// differs from the one the decoder had. Without a 720x576 format at 25 frames per second
// nothing is tested and automatic detection is switched off. The capture graph is left
// stopped, holding the test filters until the next camera start.
HResult TestAnalogDeviceFormat(CaptureGraph& graph, VideoSourceInfo* info, bool* changed,
                               const AnalogTestWait& wait = BlockForAnalogTest);

// Runs the test, reports a change, then enables the frame-rate group of the standard.
void AutoSetAnalogDeviceFormat(CaptureGraph& graph, VideoSourceInfo* info,
                               const AnalogTestWait& wait = BlockForAnalogTest);

// The validation hooks of a capture graph: decoders found through its builder, and
// automatic detection that runs its test in this graph.
DeviceValidationHooks ValidationHooksFor(CaptureGraph& graph);

}  // namespace vesk
