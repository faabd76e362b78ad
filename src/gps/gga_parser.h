#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/message_log.h"
#include "base/system_time.h"
#include "recording/gps_position.h"

namespace vesk {

// A sentence starting fewer bytes than this before the end of a read may be cut off.
constexpr std::size_t kMinGgaSentenceBytes = 58;
// Bytes cleared beyond the read size after a good parse.
constexpr std::size_t kGgaClearMargin = 20;

constexpr std::string_view kGgaTag = "$GPGGA";
constexpr std::string_view kCannotFindGgaText = "Cannot find GPGGA string\r\n";

// Parses the sentence starting at p (the '$' of "$GPGGA") in text, the received text up
// to its end. The walk is positional over the GGA field order; it fails only when a field
// separator is missing. Numbers that do not scan are 0; numbers too large for their type
// saturate. Nothing outside text is read.
bool ParseGgaSentence(std::string_view text, std::size_t p, const Clock& clock, GpsFix* fix);

// One refresh over the receive buffer: r bytes were just read into its start, read_size
// is the refresh read size. The text is the bytes up to the first zero byte, or the whole
// buffer when there is none. Parses the last "$GPGGA" lying wholly in the text before r,
// or the one before it when the last starts fewer than kMinGgaSentenceBytes before r.
// Reports kCannotFindGgaText (with timestamp) when there is none to parse. On success the
// first read_size + kGgaClearMargin bytes of the buffer are zeroed. The fix is cleared
// first and stays cleared on failure.
bool FindAndParseGga(std::span<std::uint8_t> buffer, std::size_t r, std::size_t read_size,
                     const Clock& clock, MessageLog& log, GpsFix* fix);

}  // namespace vesk
