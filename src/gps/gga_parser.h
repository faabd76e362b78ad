#pragma once

// The NMEA GGA sentence ("$GPGGA" and the same sentence of every other talker: "$GNGGA",
// "$GLGGA", "$GAGGA", "$GBGGA"...) turned into the texts the GPS window shows and a
// recording log keeps. Only the bytes received are read, whatever they hold.

#include <cstddef>
#include <string_view>

#include "base/clock.h"
#include "base/message_log.h"
#include "recording/gps_position.h"

namespace vesk {

constexpr std::string_view kCannotFindGgaText = "Cannot find GPGGA string\r\n";

// NMEA allows 82 bytes a sentence; some receivers send more fraction digits than that
// leaves room for. Anything longer is not a sentence.
constexpr std::size_t kMaxSentenceBytes = 120;

enum class GgaResult {
  kNone,        // no intact GGA sentence in the data
  kPosition,    // the fix has latitude, longitude and whatever else the sentence gave
  kNoPosition,  // an intact sentence from a receiver without a fix: every text is empty
};

// "$", two capital letters of the talker, "GGA,".
bool IsGgaTagAt(std::string_view data, std::size_t p);
bool ContainsGgaTag(std::string_view data);

// Parses the sentence whose '$' is at p. A sentence is intact when it ends, within data,
// at its checksum "*hh" (which must match) or at a line end, holds only printable
// characters and has at least the fields up to the altitude; otherwise kNone. Fix quality
// 0 or an empty latitude or longitude gives kNoPosition. Latitude and longitude keep the
// packing DD.MMmmmm of the degrees and minutes, rounded to four digits of a minute
// whatever number of digits the receiver sends; the altitude is the field as sent.
GgaResult ParseGgaSentence(std::string_view data, std::size_t p, const Clock& clock, GpsFix* fix);

// One refresh over the bytes just received: the last intact GGA sentence, searched from
// the end, so a damaged or cut-off last sentence gives way to an earlier one. Reports
// kCannotFindGgaText (with a time stamp) when there is none. The fix is cleared first.
// sentence_at, when given, receives where the sentence parsed begins.
GgaResult FindAndParseGga(std::string_view received, const Clock& clock, MessageLog& log,
                          GpsFix* fix, std::size_t* sentence_at = nullptr);

// Where a sentence that has begun but not yet ended starts at the end of the data (the
// next read brings its rest), or data.size() when there is none worth keeping.
std::size_t UnfinishedSentenceStart(std::string_view data);

}  // namespace vesk
