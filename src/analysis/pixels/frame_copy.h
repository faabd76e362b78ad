#pragma once

#include <cstddef>
#include <cstdint>

#include "analysis/pixels/dark_histogram.h"
#include "analysis/pixels/stream_format.h"

namespace vesk {

enum class CopyMode {
  // The frame replaces the destination.
  Copy,
  // Light above the dark level is added to the destination, saturating at 255.
  Accumulate,
};

// Copies a frame of `length` source bytes into the destination. Rows of bottom-up frames
// (top-down flag 0) are reversed: source row i goes to destination row height - 1 - i.
//
// Copy mode: top-down frames are copied as one block of `length` bytes; bottom-up frames
// row by row, stride bytes for each of the height rows.
// Accumulate mode, with the same row mapping: for every luma byte of YUY2 and every blue,
// green and red byte of RGB24/ARGB32 with source value s above its dark level K, the
// destination becomes min(255, destination + s - K); chroma, alpha and row padding are
// left as they are.
//
// Returns false, changing nothing, when a buffer is missing or shorter than what the
// copy touches (the length for a block copy, stride x height otherwise).
bool CopyFrame(const StreamFormat& format, std::uint8_t* destination, std::size_t destination_size,
               const std::uint8_t* source, std::size_t length, CopyMode mode,
               const DarkLevels& levels = {});

}  // namespace vesk
