#include "analysis/pixels/dark_histogram.h"

namespace vesk {
namespace {

void CountYuy2Row(const std::uint8_t* row, std::size_t bytes, DarkHistograms::Bins& luma) {
  for (std::size_t i = 0; i + 4 <= bytes; i += 4) {
    ++luma[row[i]];
    ++luma[row[i + 2]];
  }
}

template <std::size_t kStep>
void CountRgbRow(const std::uint8_t* row, std::size_t bytes, DarkHistograms& h) {
  for (std::size_t i = 0; i + kStep <= bytes; i += kStep) {
    ++h.blue[row[i]];
    ++h.green[row[i + 1]];
    ++h.red[row[i + 2]];
  }
}

}  // namespace

std::uint32_t DarkLevelOf(const DarkHistograms::Bins& bins) {
  std::uint32_t best = 0;
  for (std::uint32_t value = 1; value < kDarkLevelCandidates; ++value) {
    if (bins[value] > bins[best]) best = value;
  }
  return best;
}

DarkEstimate EstimateDarkLevels(const StreamFormat& format, const std::uint8_t* frame,
                                std::size_t frame_size, DarkHistograms* histograms,
                                DarkLevels* levels) {
  const SubtypeCode subtype = format.subtype;
  if (subtype != SubtypeCode::YUY2 && subtype != SubtypeCode::RGB24 &&
      subtype != SubtypeCode::ARGB32) {
    return DarkEstimate::UnsupportedFormat;
  }
  const std::size_t frame_bytes = FrameBytes(format);
  if (frame == nullptr || frame_bytes == 0 || frame_size < frame_bytes) {
    return DarkEstimate::ShortFrame;
  }
  const auto stride = static_cast<std::size_t>(format.stride);
  const auto height = static_cast<std::size_t>(format.height);
  const std::size_t row_bytes = PixelBytesPerRow(format);

  DarkHistograms& h = *histograms;
  if (subtype == SubtypeCode::YUY2) {
    h.luma.fill(0);
    for (std::size_t y = 0; y < height; ++y) CountYuy2Row(frame + y * stride, row_bytes, h.luma);
    levels->luma = DarkLevelOf(h.luma);
    return DarkEstimate::Done;
  }
  h.blue.fill(0);
  h.green.fill(0);
  h.red.fill(0);
  for (std::size_t y = 0; y < height; ++y) {
    if (subtype == SubtypeCode::RGB24) {
      CountRgbRow<3>(frame + y * stride, row_bytes, h);
    } else {
      CountRgbRow<4>(frame + y * stride, row_bytes, h);
    }
  }
  levels->blue = DarkLevelOf(h.blue);
  levels->green = DarkLevelOf(h.green);
  levels->red = DarkLevelOf(h.red);
  return DarkEstimate::Done;
}

}  // namespace vesk
