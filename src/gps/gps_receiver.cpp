#include "gps/gps_receiver.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "gps/gga_parser.h"

namespace vesk {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::size_t kLargestReadSize = kBaudRateTable[0] / 8;
static_assert(kLargestReadSize >= kMinRefreshReadBytes && kLargestReadSize >= kProbeReadBytes);

std::string_view TextOf(const std::vector<std::uint8_t>& buffer, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(buffer.data()), size);
}

}  // namespace

GpsReceiver::GpsReceiver(SerialPorts& ports, MessageLog& log, const Clock& clock,
                         SerialTimings timings)
    : ports_(ports),
      log_(log),
      clock_(clock),
      timings_(timings),
      buffer_(kMaxSentenceBytes + kLargestReadSize) {}

GpsReceiver::~GpsReceiver() = default;

std::ptrdiff_t GpsReceiver::ReadWithTimeouts(SerialPort& port, std::span<std::uint8_t> into,
                                             SteadyClock::time_point deadline,
                                             const CancelCheck& cancel) {
  const auto start = SteadyClock::now();
  const auto total_end =
      std::min(deadline, start + std::chrono::duration_cast<SteadyClock::duration>(
                                     timings_.total_per_byte * into.size()));
  std::size_t got = 0;
  SteadyClock::time_point last_byte;
  while (got < into.size() && !(cancel && cancel())) {
    auto end = total_end;
    if (got > 0) end = std::min(end, last_byte + timings_.read_interval);
    const auto now = SteadyClock::now();
    if (now >= end) break;
    const auto wait =
        std::min(std::chrono::ceil<std::chrono::milliseconds>(end - now), timings_.slice);
    const std::ptrdiff_t count = port.ReadSome(into.subspan(got), wait);
    if (count < 0) return -1;
    if (count > 0) {
      got += static_cast<std::size_t>(count);
      last_byte = SteadyClock::now();
    }
  }
  return static_cast<std::ptrdiff_t>(got);
}

bool GpsReceiver::ProbeGpsPort(const std::string& path, std::size_t baud_index,
                               const CancelCheck& cancel, SerialOpenError* open_error) {
  CloseGpsReceiver();
  const int baud_rate = kBaudRateTable.at(baud_index);
  SerialOpenResult opened = ports_.Open(path, baud_rate);
  *open_error = opened.error;
  if (!opened.port) return false;

  // Up to 600 bytes, and once more for the rest when fewer came.
  const auto no_deadline = SteadyClock::time_point::max();
  std::span<std::uint8_t> probe(buffer_.data(), kProbeReadBytes);
  const std::ptrdiff_t first = ReadWithTimeouts(*opened.port, probe, no_deadline, cancel);
  if (first <= 0) return false;
  std::size_t received = static_cast<std::size_t>(first);
  if (received < kProbeReadBytes) {
    const std::ptrdiff_t more =
        ReadWithTimeouts(*opened.port, probe.subspan(received), no_deadline, cancel);
    if (more > 0) received += static_cast<std::size_t>(more);
  }
  if (!ContainsGgaTag(TextOf(buffer_, received))) return false;

  // Found: the port stays open.
  port_ = std::move(opened.port);
  port_path_ = path;
  remembered_port_ = path;
  remembered_baud_ = baud_index;
  read_size_ = std::max<std::size_t>(static_cast<std::size_t>(baud_rate) / 8, kMinRefreshReadBytes);
  carried_ = 0;
  connection_text_ = path + " at " + std::to_string(baud_rate) + " baud\r\n";
  open_ = true;
  log_.ReportMessage(connection_text_, false);
  return true;
}

ConnectResult GpsReceiver::ConnectGpsReceiver(const std::function<void()>& on_scan,
                                              const CancelCheck& cancel) {
  ConnectResult result;
  SerialOpenError error = SerialOpenError::kNone;
  if (!remembered_port_.empty() &&
      ProbeGpsPort(remembered_port_, remembered_baud_, cancel, &error)) {
    result.connected = true;
    return result;
  }
  if (on_scan) on_scan();
  for (const std::string& path : ports_.CandidatePorts()) {
    for (std::size_t baud = 0; baud < kBaudRateTable.size(); ++baud) {
      if (cancel && cancel()) return result;
      if (ProbeGpsPort(path, baud, cancel, &error)) {
        result.connected = true;
        return result;
      }
      if (error == SerialOpenError::kNone) continue;
      if (error == SerialOpenError::kPermissionDenied || error == SerialOpenError::kBusy) {
        result.problems.push_back(PortProblem{path, error});
      }
      break;
    }
  }
  return result;
}

FixResult GpsReceiver::ReadGpsFix(GpsFix* fix, SteadyClock::time_point deadline,
                                  const CancelCheck& cancel) {
  *fix = GpsFix{};
  if (!port_) return FixResult::kFailed;

  // The read goes behind the unfinished sentence the last one ended with.
  const std::span<std::uint8_t> into(buffer_.data() + carried_, read_size_);
  const std::ptrdiff_t count = ReadWithTimeouts(*port_, into, deadline, cancel);
  if (count < 0) {
    log_.ReportMessage("WARNING: the GPS receiver on " + port_path_ +
                           " stopped answering (unplugged?); its port is closed\r\n",
                       true);
    CloseGpsReceiver();
    return FixResult::kLost;
  }
  if (cancel && cancel()) {
    carried_ = 0;
    return FixResult::kFailed;
  }
  if (count == 0) {
    log_.ReportMessage(kZeroBytesReadText, true);
    return FixResult::kFailed;
  }

  const std::string_view received = TextOf(buffer_, carried_ + static_cast<std::size_t>(count));
  const GgaResult result = FindAndParseGga(received, clock_, log_, fix);
  const std::size_t tail = UnfinishedSentenceStart(received);
  carried_ = received.size() - tail;
  std::memmove(buffer_.data(), buffer_.data() + tail, carried_);
  if (result == GgaResult::kPosition) return FixResult::kPosition;
  if (result == GgaResult::kNoPosition) return FixResult::kNoPosition;
  return FixResult::kFailed;
}

FixResult GpsReceiver::ReadGpsFixWithRetry(GpsFix* fix, const CancelCheck& cancel) {
  const auto deadline = SteadyClock::now() + timings_.fix_time_limit;
  for (int attempt = 0; attempt < kGpsFixAttempts; ++attempt) {
    if ((cancel && cancel()) || (attempt > 0 && SteadyClock::now() >= deadline)) break;
    const FixResult result = ReadGpsFix(fix, deadline, cancel);
    if (result != FixResult::kFailed) return result;
  }
  *fix = GpsFix{};
  return FixResult::kFailed;
}

void GpsReceiver::CloseGpsReceiver() {
  open_ = false;
  port_.reset();
  carried_ = 0;
}

}  // namespace vesk
