#pragma once

// The recording log's GPS lines after the documented ones: the position in decimal degrees
// and in degrees, minutes and seconds, and the GPS time against the computer clock. The
// documented lines keep the receiver's packing DD.MMmmmm ("37.470873 S" is 37 degrees
// 47.0873 minutes), which read as decimal degrees would misplace the station by kilometres.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "recording/gps_position.h"

namespace vesk {

// A position text as the GPS window and the log show it, "DD.MMmmmm H".
struct PackedCoordinate {
  long long ten_thousandths_of_minute = 0;  // degrees and minutes together
  char hemisphere = 0;
};
std::optional<PackedCoordinate> ParsePackedCoordinate(std::string_view text);

// "37.784788 S".
std::string DecimalDegreesText(const PackedCoordinate& coordinate);
// "37° 47' 05.24\" S".
std::string DegreesMinutesSecondsText(const PackedCoordinate& coordinate);

// The lines, without line ends; none without a valid fix.
std::vector<std::string> GpsLogLines(const LastGpsPosition& gps);

}  // namespace vesk
