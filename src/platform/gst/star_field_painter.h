#pragma once

// The picture of the simulated cameras: a fixed star field with sky noise, one target
// star in the middle that disappears for a few seconds each minute (an occultation to
// record), and a burnt-in UTC time with a field counter like a video time inserter.
// Plain pixel code on an 8-bit luma plane; the camera element turns it into its format.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vesk::simcam {

// The picture controls of a camera in their device ranges: brightness and contrast
// 0..255 (128 is neutral), gain 0..100 (50 is neutral, each 25 doubles or halves).
struct PictureControls {
  std::int32_t brightness = 128;
  std::int32_t contrast = 128;
  std::int32_t gain = 50;
  friend bool operator==(const PictureControls&, const PictureControls&) = default;
};

struct FrameStamp {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  // Fields for an interlaced camera, frames for a webcam.
  std::uint64_t counter = 0;
};

// The target star is hidden from second 30.000 to 33.999 of each UTC minute.
constexpr int kOccultationStartSecond = 30;
constexpr int kOccultationSeconds = 4;
bool TargetOcculted(const FrameStamp& stamp);

// "HH:MM:SS.mmm" and the counter in seven digits, as burnt into the picture.
constexpr int kStampTextCapacity = 32;
void FormatStamp(const FrameStamp& stamp, char (&text)[kStampTextCapacity]);
std::string StampText(const FrameStamp& stamp);

class StarFieldPainter {
 public:
  // Prepares the sky for a frame size; allocates, so it runs when the format is set. An
  // interlaced frame is painted field by field, its stamp twice as tall.
  void Configure(int width, int height, std::uint32_t seed, bool interlaced = false);

  // Paints one frame into a width x height luma plane with the given row stride.
  void Paint(const FrameStamp& stamp, const PictureControls& controls, std::uint8_t* luma,
             int stride);
  // Paints one field of an interlaced frame: the rows of its parity (0: the top field, rows
  // 0, 2, 4...) as they were at the field's own instant, the target star included, and the
  // field's stamp drawn at the field's line resolution, as a time inserter draws it; a whole
  // frame then shows both fields' digits combed together.
  void PaintField(const FrameStamp& stamp, const PictureControls& controls, int field,
                  std::uint8_t* luma, int stride);

  // Noise of up to this many levels over the stamp, as a weak or noisy video signal puts
  // on a time inserter's text; 0: clean text.
  void set_stamp_noise(int amplitude) { stamp_noise_ = amplitude; }

  int width() const { return width_; }
  int height() const { return height_; }
  int target_x() const { return target_x_; }
  int target_y() const { return target_y_; }
  // Where the stamp text box starts (on an interlaced frame: its frame row, an even one,
  // twice the field row), and its glyph scale.
  int text_x() const { return text_x_; }
  int text_y() const { return text_y_; }
  int text_scale() const { return text_scale_; }

 private:
  void UpdateLookup(const PictureControls& controls);
  // The rows first, first + step, ... of the sky and the target star.
  void PaintRows(const FrameStamp& stamp, int first, int step, std::uint8_t* luma, int stride);
  // The stamp's text with stamp_noise_ added, in a plane of the given rows and stride.
  void DrawStamp(const FrameStamp& stamp, std::uint8_t* plane, int rows, int stride, int y);

  int width_ = 0;
  int height_ = 0;
  int target_x_ = 0;
  int target_y_ = 0;
  int text_x_ = 0;
  int text_y_ = 0;
  int text_scale_ = 1;
  bool interlaced_ = false;
  int stamp_noise_ = 0;
  std::vector<std::uint8_t> sky_;
  // The target star's light, added around (target_x_, target_y_) when visible.
  static constexpr int kTargetRadius = 5;
  std::array<std::uint8_t, (2 * kTargetRadius + 1) * (2 * kTargetRadius + 1)> target_{};
  // Sensor level (sky + star + noise, up to 511) to output luma under the controls.
  std::array<std::uint8_t, 512> lookup_{};
  PictureControls lookup_controls_;
  bool lookup_valid_ = false;
  std::uint64_t noise_state_ = 0x9E3779B97F4A7C15ull;
};

}  // namespace vesk::simcam
