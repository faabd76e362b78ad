#pragma once

// Helpers shared by the per-frame pixel loops: a 4-byte group read and written as one
// 32-bit word, whatever the byte order of the machine. Loops over words with no branch
// per pixel let the compiler process several pixels per instruction.

#include <bit>
#include <cstdint>
#include <cstring>

namespace vesk::pixel_words {

// The shift that brings byte `index` (0 = first in memory) of a word to the low bits.
constexpr unsigned ByteShift(unsigned index) {
  return std::endian::native == std::endian::little ? 8 * index : 8 * (3 - index);
}

// The word whose bytes in memory are b0, b1, b2, b3.
constexpr std::uint32_t PackBytes(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2,
                                  std::uint8_t b3) {
  return (std::uint32_t{b0} << ByteShift(0)) | (std::uint32_t{b1} << ByteShift(1)) |
         (std::uint32_t{b2} << ByteShift(2)) | (std::uint32_t{b3} << ByteShift(3));
}

inline std::uint32_t LoadWord(const std::uint8_t* p) {
  std::uint32_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

inline void StoreWord(std::uint8_t* p, std::uint32_t word) { std::memcpy(p, &word, sizeof word); }

// Byte `index` of a word as a signed value 0..255, so comparisons stay plain and cheap.
constexpr std::int32_t ByteOf(std::uint32_t word, unsigned index) {
  return static_cast<std::int32_t>((word >> ByteShift(index)) & 0xFFu);
}

}  // namespace vesk::pixel_words
