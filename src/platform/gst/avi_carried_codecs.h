#pragma once

// Lossless encoders the AVI multiplexer does not list, carried into AVI files all the same:
// the encoder's stream is handed to the multiplexer under a format it knows (same chunks,
// same index), and the header that names the stream's compression is corrected on its way
// to the file, so every reader sees the real four-character code from the first write on.

#include <gst/gst.h>

#include <memory>
#include <string>

#include "platform/gst/gst_graph_filter.h"

namespace vesk::gst {

struct CarriedCodec {
  const char* factory;        // the encoder
  const char* input_caps;     // raw formats it encodes without loss of chroma
  const char* stand_in_caps;  // what the multiplexer is told the stream is
  const char* stand_in_fourcc;
  const char* fourcc;  // what the file says
};

// The carried codec of an encoder factory, or nullptr.
const CarriedCodec* CarriedCodecFor(const std::string& factory);

// The compressor filter of a carried codec: its formats in, the stand-in out.
std::shared_ptr<ElementFilter> MakeCarriedCodecFilter(const CarriedCodec& codec,
                                                      const std::string& display_name);

// Rewrites, in a RIFF AVI header buffer, the stand-in four-character code of the video
// stream header and format to the real one. Returns how many codes were replaced.
int CorrectAviHeaderFourcc(guint8* data, gsize size, const char* stand_in, const char* fourcc);

// Corrects every AVI header that passes the file writer's input.
void InstallAviHeaderCorrection(GstPad* file_pad, const CarriedCodec& codec);

}  // namespace vesk::gst
