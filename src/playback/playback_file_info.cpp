#include "playback/playback_file_info.h"

#include <cstdio>
#include <string_view>

namespace vesk {
namespace {

bool Empty(const FourCc& code) {
  for (char c : code) {
    if (c != 0 && c != ' ') return false;
  }
  return true;
}

// The code as text; bytes outside printable ASCII shown as '?', so a damaged header cannot
// put control characters into the log.
std::string CodeText(const FourCc& code) {
  std::string text;
  for (char c : code) text += (c >= 0x20 && c <= 0x7e) ? c : '?';
  return text;
}

}  // namespace

std::string DecompressorText(const FourCc& handler, const FourCc& compression) {
  FourCc code = handler;
  if (Empty(code)) code = Empty(compression) ? FourCc{'D', 'I', 'B', ' '} : compression;
  const std::string text = CodeText(code);
  if (text == "YUY2") return "YUY2 internal decoder";
  if (text == "LAGS") return "Lagarith Lossless Codec";
  return "Decompressor fourcc code: " + text;
}

std::string FrameRateText(std::uint32_t rate, std::uint32_t scale) {
  if (scale == 0) return "0";
  const std::uint64_t hundredths = (std::uint64_t{rate} * 100 + scale / 2) / scale;
  std::string text = std::to_string(hundredths / 100);
  const auto fraction = static_cast<unsigned>(hundredths % 100);
  if (fraction != 0) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02u", fraction);
    std::string part = digits;
    if (part.back() == '0') part.pop_back();
    text += "." + part;
  }
  return text;
}

PlaybackFileInfo DescribeAviFile(const std::string& path, const AviFileInfo& info) {
  PlaybackFileInfo texts;
  texts.path = path;
  texts.decompressor = DecompressorText(info.handler, info.compression);
  texts.frame_size = std::to_string(info.width) + "x" + std::to_string(info.height);
  texts.frame_rate = FrameRateText(info.rate, info.scale);
  texts.frames = std::to_string(info.frames.size());
  texts.key_frames = std::to_string(info.key_frames);
  texts.index_rebuilt = info.index_rebuilt;
  return texts;
}

std::vector<std::string> InformationReportLines(const PlaybackFileInfo& info) {
  std::vector<std::string> lines = {"File information for  " + info.path,
                                    "\tDecompressor\t" + info.decompressor,
                                    "\tFrames\t\t" + info.frames,
                                    "\tKey Frames\t" + info.key_frames,
                                    "\tFrame size\t" + info.frame_size,
                                    "\tFrame rate\t" + info.frame_rate + " fps"};
  lines.insert(lines.end(), info.more_lines.begin(), info.more_lines.end());
  lines.push_back(" ");
  return lines;
}

std::string IndexRebuiltText(const PlaybackFileInfo& info) {
  return "NOTE: the file has no usable index; the index was rebuilt and " + info.frames +
         " frames were found\r\n";
}

void ReportFileInformation(MessageLog& log, const PlaybackFileInfo& info) {
  bool first = true;
  for (const std::string& line : InformationReportLines(info)) {
    log.ReportMessage(line, first);
    first = false;
  }
  if (info.index_rebuilt) log.ReportMessage(IndexRebuiltText(info), false);
}

std::string AviReadProblemText(AviReadStatus status) {
  switch (status) {
    case AviReadStatus::Ok:
      return "";
    case AviReadStatus::NotAvi:
      return "not an AVI file";
    case AviReadStatus::NoVideoStream:
      return "the AVI file has no video stream";
  }
  return "";
}

}  // namespace vesk
