#pragma once

// Helpers shared by the per-frame pixel loops: a 4-byte group read and written as one
// 32-bit word, whatever the byte order of the machine, and blocks of 32 bytes handled as
// one vector (the compiler's generic vectors: one AVX2 register, two SSE2 or NEON ones).
// No branch per pixel: a mask chooses between the old and the painted value.

#include <bit>
#include <cstddef>
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

// Blocks of 16 bytes (one SSE2 or NEON register: the baseline everywhere) and of 32
// bytes (one AVX2 register), seen as bytes, as unsigned 32-bit words or as signed ones.
// Row loops are written once over a block type and built for each width.
struct Block16 {
  using U8 = std::uint8_t __attribute__((vector_size(16)));
  using U32 = std::uint32_t __attribute__((vector_size(16)));
  using I32 = std::int32_t __attribute__((vector_size(16)));
  static constexpr std::size_t kBytes = 16;
};

struct Block32 {
  using U8 = std::uint8_t __attribute__((vector_size(32)));
  using U32 = std::uint32_t __attribute__((vector_size(32)));
  using I32 = std::int32_t __attribute__((vector_size(32)));
  static constexpr std::size_t kBytes = 32;
};

// Through pointers: passing 32-byte vectors by value would tie the calls to AVX.
template <class Vector>
inline void LoadBlock(Vector* block, const std::uint8_t* p) {
  std::memcpy(block, p, sizeof *block);
}

template <class Vector>
inline void StoreBlock(std::uint8_t* p, const Vector* block) {
  std::memcpy(p, block, sizeof *block);
}

// Whether the 32-byte (AVX2) builds of the row loops run: on x86-64 processors that have
// AVX2, unless switched off, which lets the tests run both builds of every loop.
bool WideLoopsEnabled();
// Ignored where the processor has no AVX2.
void EnableWideLoops(bool enabled);

}  // namespace vesk::pixel_words

// A row loop body is VESK_ALWAYS_INLINE, so that the wrapper marked VESK_TARGET_AVX2
// compiles it with AVX2 and the plain wrapper with the baseline instructions.
#define VESK_ALWAYS_INLINE inline __attribute__((always_inline))
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VESK_HAVE_AVX2_LOOPS 1
#define VESK_TARGET_AVX2 __attribute__((target("avx2")))
#else
#define VESK_HAVE_AVX2_LOOPS 0
#endif
