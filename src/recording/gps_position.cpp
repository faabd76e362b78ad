#include "recording/gps_position.h"

namespace vesk {

namespace {

std::string WithoutLeadingBlank(const std::string& text) {
  return text.empty() ? std::string() : text.substr(1);
}

}  // namespace

void CopyFixToLastPosition(const GpsFix& fix, LastGpsPosition* last) {
  last->latitude = WithoutLeadingBlank(fix.latitude);
  last->longitude = WithoutLeadingBlank(fix.longitude);
  last->altitude = WithoutLeadingBlank(fix.altitude);
  last->satellites = WithoutLeadingBlank(fix.satellites);
  last->clock_offset = fix.clock_offset;
}

void RefreshLastPosition(const GpsFix& fix, LastGpsPosition* last) {
  if (!fix.latitude.empty()) last->latitude = WithoutLeadingBlank(fix.latitude);
  if (!fix.longitude.empty()) last->longitude = WithoutLeadingBlank(fix.longitude);
  if (!fix.satellites.empty()) last->satellites = WithoutLeadingBlank(fix.satellites);
  if (!fix.altitude.empty()) last->altitude = WithoutLeadingBlank(fix.altitude);
  if (fix.clock_offset) last->clock_offset = fix.clock_offset;
}

}  // namespace vesk
