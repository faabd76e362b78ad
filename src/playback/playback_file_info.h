#pragma once

// The display texts of an opened AVI file and the Information report built from them.

#include <cstdint>
#include <string>
#include <vector>

#include "base/message_log.h"
#include "playback/avi_reader.h"

namespace vesk {

struct PlaybackFileInfo {
  std::string path;
  std::string decompressor;
  std::string frame_size;  // "720x480"
  std::string frame_rate;  // "29.97"
  std::string frames;
  std::string key_frames;
  // Said after the texts when the frames were found without the file's index.
  bool index_rebuilt = false;
  // Lines of a kind of file the report has no line for (a SER file's depth, colour and frame
  // times), after the documented lines and before the closing blank.
  std::vector<std::string> more_lines;
};

// "YUY2 internal decoder", "Lagarith Lossless Codec", or "Decompressor fourcc code: " and the
// code. A writer that leaves the stream's handler code empty has the format's compression
// code taken instead; an uncompressed RGB format is named "DIB ".
std::string DecompressorText(const FourCc& handler, const FourCc& compression);

// rate / scale with at most two decimals and no trailing zeros: 30000/1001 -> "29.97",
// 10000000/400000 -> "25", 15/1 -> "15"; "0" when the scale is 0.
std::string FrameRateText(std::uint32_t rate, std::uint32_t scale);

PlaybackFileInfo DescribeAviFile(const std::string& path, const AviFileInfo& info);

// The lines of the Information report, in order, the first to be given a timestamp.
std::vector<std::string> InformationReportLines(const PlaybackFileInfo& info);
void ReportFileInformation(MessageLog& log, const PlaybackFileInfo& info);

// The line after the report when the index was rebuilt.
std::string IndexRebuiltText(const PlaybackFileInfo& info);

// Why a file could not be read, as the command line and the message log say it.
std::string AviReadProblemText(AviReadStatus status);

}  // namespace vesk
