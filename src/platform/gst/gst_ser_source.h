#pragma once

// "vesksersrc": plays a SER file's frames as raw video (GRAY8, RGB or BGR, 8 bits), one
// buffer per frame at rate / scale frames a second, seekable in time; a frame is read from
// the file when it is asked for, so a long file opens at once.

#include <gst/gst.h>

#include <cstdint>
#include <string>

namespace vesk::gst {

// A source for the file, or nullptr when it is no SER file of 8-bit MONO, RGB or BGR frames.
GstElement* CreateSerSource(const std::string& path, std::uint32_t rate, std::uint32_t scale);

}  // namespace vesk::gst
