#pragma once

// What the Information report and --video-info say of a SER file: the documented texts (SER
// has no decompressor and no key frames but its frames) and its depth, colour and the times
// of its first and last frames from its trailer; a file whose count or trailer is damaged
// says so and how to mend it.

#include <string>

#include "media/ser_file.h"
#include "playback/playback_file_info.h"

namespace vesk {

PlaybackFileInfo DescribeSerFile(const std::string& path, const SerFileInfo& info);

// "MONO", "RGB", "BGR", "Bayer RGGB", ...; "colour code N" for a code SER does not define.
std::string SerColourText(std::int32_t colour_id);

// The frame rate the trailer's times give ("25", "29.97"), "TBD" without them.
std::string SerFrameRateText(const SerFileInfo& info);

}  // namespace vesk
