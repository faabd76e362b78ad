#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "app/message_log.h"
#include "app/system_time.h"
#include "platform/clock.h"

namespace vesk {

// Text capacities, in characters including the terminator. The formats below cannot
// exceed them (the widest number a field can give still fits).
constexpr std::size_t kGpsCoordinateCapacity = 50;
constexpr std::size_t kGpsAltitudeCapacity = 30;
constexpr std::size_t kGpsSatellitesCapacity = 30;
constexpr std::size_t kGpsTimeCapacity = 20;

// A sentence starting fewer bytes than this before the end of a read may be cut off.
constexpr std::size_t kMinGgaSentenceBytes = 58;
// Bytes cleared beyond the read size after a good parse.
constexpr std::size_t kGgaClearMargin = 20;

constexpr std::string_view kGgaTag = "$GPGGA";
constexpr std::string_view kCannotFindGgaText = "Cannot find GPGGA string\r\n";

// One parsed $GPGGA sentence. Position texts begin with a blank; an empty text means the
// field was not obtained.
struct GpsFix {
  std::string latitude{};      // " %.6f %c"
  std::string longitude{};     // " %.6f %c"
  std::string altitude{};      // " %d.%d M"
  std::string satellites{};    // " %d"
  std::string gps_time{};      // "hh:mm:ss.mmm"
  SystemTime computer_time{};  // the computer's UTC clock when the sentence was parsed
  std::uint16_t gps_hour = 0;
  std::uint16_t gps_minute = 0;
  std::uint16_t gps_second = 0;
  std::uint16_t gps_millisecond = 0;
};

// The position a recording log shows: the fix texts without their leading blank.
struct LastGpsPosition {
  std::string latitude{};
  std::string longitude{};
  std::string altitude{};
  std::string satellites{};
  bool valid = false;  // a fix was taken at the start of the current recording
};

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

// At a recording start: the four texts without their leading blank, empty ones as empty.
// The valid flag is left to the caller.
void CopyFixToLastPosition(const GpsFix& fix, LastGpsPosition* last);

// At a GPS window refresh: only the texts the fix has replace the kept ones.
void RefreshLastPosition(const GpsFix& fix, LastGpsPosition* last);

}  // namespace vesk
