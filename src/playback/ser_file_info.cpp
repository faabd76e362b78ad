#include "playback/ser_file_info.h"

#include "recording/frame_time_record.h"

namespace vesk {

std::string SerColourText(std::int32_t colour_id) {
  switch (colour_id) {
    case kSerMono: return "MONO";
    case 8: return "Bayer RGGB";
    case 9: return "Bayer GRBG";
    case 10: return "Bayer GBRG";
    case 11: return "Bayer BGGR";
    case 16: return "Bayer CYYM";
    case 17: return "Bayer YCMY";
    case 18: return "Bayer YMCY";
    case 19: return "Bayer MYYC";
    case kSerRgb: return "RGB";
    case kSerBgr: return "BGR";
    default: return "colour code " + std::to_string(colour_id);
  }
}

std::string SerFrameRateText(const SerFileInfo& info) {
  if (info.times.size() < 2 || info.times.back() <= info.times.front()) return "TBD";
  // Frames per 10^7 ticks: rate / scale as the AVI texts make them.
  const std::int64_t span = info.times.back() - info.times.front();
  const std::int64_t intervals = static_cast<std::int64_t>(info.times.size()) - 1;
  if (span > 0xffffffffLL || intervals > 0xffffffffLL / 10000000) return "TBD";
  return FrameRateText(static_cast<std::uint32_t>(intervals * 10000000),
                       static_cast<std::uint32_t>(span));
}

PlaybackFileInfo DescribeSerFile(const std::string& path, const SerFileInfo& info) {
  PlaybackFileInfo texts;
  texts.path = path;
  texts.decompressor = "SER, uncompressed";
  texts.frame_size = std::to_string(info.header.width) + "x" + std::to_string(info.header.height);
  texts.frame_rate = SerFrameRateText(info);
  texts.frames = std::to_string(info.frames);
  texts.key_frames = texts.frames;  // every frame stands on its own
  texts.more_lines.push_back("\tDepth\t\t" + std::to_string(info.header.depth) + " bits");
  texts.more_lines.push_back("\tColour\t\t" + SerColourText(info.header.colour_id));
  if (info.trailer == SerTrailer::Whole && !info.times.empty()) {
    texts.more_lines.push_back(
        "\tFrame times\t" + FormatIsoUtcMicroseconds(UnixNsFromSerTicks(info.times.front())) +
        " to " + FormatIsoUtcMicroseconds(UnixNsFromSerTicks(info.times.back())) +
        " (the file's trailer)");
  } else if (info.trailer == SerTrailer::CutShort) {
    texts.more_lines.push_back(
        "\tFrame times\tthe trailer is cut short; a repair rebuilds it from the frame-time "
        "record");
  } else {
    texts.more_lines.push_back("\tFrame times\tnone in the file");
  }
  if (info.whole_frames != info.header.frame_count) {
    texts.more_lines.push_back("\tNOTE\t\tthe header counts " +
                               std::to_string(info.header.frame_count) + " frames, the file holds " +
                               std::to_string(info.whole_frames) + " whole frames; repair it");
  }
  return texts;
}

}  // namespace vesk
