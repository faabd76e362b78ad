#pragma once

// The time inserter's stamp in one video field: where the stamp's line is, its character
// cells, and each cell as a small black-and-white image that can be compared with others.
// Plain pixel code on an 8-bit luma plane.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vesk::inserter {

// An 8-bit luma picture: a frame, or one field of it (every other row).
struct LumaView {
  const std::uint8_t* top = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;

  std::uint8_t At(int x, int y) const { return top[y * stride + x]; }
  // Field 0 holds rows 0, 2, 4...; field 1 rows 1, 3, 5...
  LumaView Field(int parity) const {
    return {top + (parity & 1) * stride, width, (height - (parity & 1) + 1) / 2, 2 * stride};
  }
};

// The stamp's rectangle in field rows and columns (ends excluded).
struct StampBand {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool empty() const { return right <= left || bottom <= top; }
};

// Finds the stamp in a run of fields of one parity, as the rows whose content jumps from
// one field to the next (digits that change) widened to the whole line of text around
// them. Empty when nothing changes like a stamp does.
StampBand FindStampBand(const std::vector<LumaView>& fields);

// One character cell: its columns in the field (end excluded).
struct CellSpan {
  int left = 0, right = 0;
};

// A cell as compared: kCellImageColumns x kCellImageRows, 1 for ink, row by row. 1200 cells
// make the interlaced character sets' images.
inline constexpr int kCellImageColumns = 30;
inline constexpr int kCellImageRows = 40;
using CellImage = std::array<std::uint8_t, kCellImageColumns * kCellImageRows>;

// The stamp's line of one field cut into character cells: runs of columns with ink, left to
// right, each cell's image centred in the widest cell's width so narrow characters stay
// narrow. The ink is whichever of light and dark covers less of the band.
struct CutLine {
  std::vector<CellSpan> spans;
  std::vector<CellImage> images;
  int window = 0;  // the columns each image was sampled from
};
// Cuts into *line (its vectors keep their storage from call to call); false when the band
// shows no two levels to tell ink from paper. window: the columns each cell is sampled
// from, the same for every line that is to be compared; 0: the line's widest cell.
bool CutStampLine(const LumaView& field, const StampBand& band, CutLine* line, int window = 0);

// Cuts at known cells instead, each `width` columns around its centre (centres given twice,
// as left + right of a span): a line that noise breaks into odd runs still reads cell by
// cell. False as CutStampLine.
bool CutStampLineAt(const LumaView& field, const StampBand& band,
                    const std::vector<int>& centres2, int width, CutLine* line);

// Pixels that differ between two cells.
int CellDistance(const CellImage& a, const CellImage& b);

}  // namespace vesk::inserter
