#include "gps/gps_receiver.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "gps/gga_parser.h"
#include "recording/gps_time.h"

namespace vesk {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::size_t kLargestReadSize =
    static_cast<std::size_t>(*std::max_element(kBaudRateTable.begin(), kBaudRateTable.end()) / 8);
static_assert(kLargestReadSize >= kMinRefreshReadBytes && kLargestReadSize >= kProbeReadBytes);
// "$", the talker, "GGA": what of a tag may end one read and go on in the next.
constexpr std::size_t kTagStartBytes = 6;

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
                                             const CancelCheck& cancel,
                                             std::vector<ArrivalStamp>* stamps) {
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
    const std::size_t asked = into.size() - got;
    const std::ptrdiff_t count = port.ReadSome(into.subspan(got), wait);
    if (count < 0) return -1;
    const FileTime returned = clock_.UtcNow();
    if (count > 0) {
      got += static_cast<std::size_t>(count);
      last_byte = SteadyClock::now();
      if (stamps != nullptr) stamps->push_back({got, emptied_at_, returned});
    }
    // A read that took less than it could emptied the port's buffer.
    emptied_at_ = static_cast<std::size_t>(count) < asked ? returned : 0;
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

  // Up to 600 bytes; none fails the probe. Then, while no GGA sentence has shown, more
  // until the probe time has passed, the end of each read kept in front of the next.
  const auto probe_end = SteadyClock::now() + timings_.probe_time;
  std::ptrdiff_t count = ReadWithTimeouts(
      *opened.port, std::span(buffer_.data(), kProbeReadBytes), probe_end, cancel);
  if (count <= 0) return false;
  std::size_t kept = static_cast<std::size_t>(count);
  while (!ContainsGgaTag(TextOf(buffer_, kept))) {
    if (SteadyClock::now() >= probe_end || (cancel && cancel())) return false;
    const std::size_t tail = std::min(kept, kTagStartBytes);
    std::memmove(buffer_.data(), buffer_.data() + kept - tail, tail);
    count = ReadWithTimeouts(*opened.port, std::span(buffer_.data() + tail, kProbeReadBytes),
                             probe_end, cancel);
    if (count < 0) return false;
    kept = tail + static_cast<std::size_t>(count);
  }

  // Found: the port stays open.
  port_ = std::move(opened.port);
  port_path_ = path;
  remembered_port_ = path;
  remembered_baud_ = baud_index;
  read_size_ = std::max<std::size_t>(static_cast<std::size_t>(baud_rate) / 8, kMinRefreshReadBytes);
  baud_rate_ = baud_rate;
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
  stamps_.clear();
  const std::ptrdiff_t count = ReadWithTimeouts(*port_, into, deadline, cancel, &stamps_);
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
  std::size_t at = 0;
  const GgaResult result = FindAndParseGga(received, clock_, log_, fix, &at);
  // A sentence begun in the last read came at a time not kept; a receiver without a fix may
  // send the time of its own unset clock.
  if (result == GgaResult::kPosition && at >= carried_) {
    fix->clock_offset = OffsetOfSentenceAt(at - carried_, *fix);
  }
  const std::size_t tail = UnfinishedSentenceStart(received);
  carried_ = received.size() - tail;
  std::memmove(buffer_.data(), buffer_.data() + tail, carried_);
  if (result == GgaResult::kPosition) return FixResult::kPosition;
  if (result == GgaResult::kNoPosition) return FixResult::kNoPosition;
  return FixResult::kFailed;
}

std::optional<GpsClockOffset> GpsReceiver::OffsetOfSentenceAt(std::size_t p,
                                                               const GpsFix& fix) const {
  for (const ArrivalStamp& stamp : stamps_) {
    if (p >= stamp.end) continue;
    if (stamp.earliest == 0) return std::nullopt;
    // The bytes behind the '$' in the same piece came after it, at the line's speed.
    const FileTime byte_ticks = 10 * kTicksPerSecond / baud_rate_;
    const FileTime behind = static_cast<FileTime>(stamp.end - p - 1) * byte_ticks;
    return MeasureClockOffset(fix, stamp.earliest,
                              std::max(stamp.earliest, stamp.latest - behind));
  }
  return std::nullopt;
}

void GpsReceiver::DropWaitingBytes() {
  carried_ = 0;
  emptied_at_ = 0;
  std::array<std::uint8_t, 1024> scrap{};
  for (int i = 0; i < 64; ++i) {
    const std::ptrdiff_t count = port_->ReadSome(scrap, std::chrono::milliseconds(0));
    // A failed port is found by the read that follows.
    if (count < 0) return;
    if (static_cast<std::size_t>(count) < scrap.size()) {
      emptied_at_ = clock_.UtcNow();
      return;
    }
  }
}

FixResult GpsReceiver::ReadGpsFixWithRetry(GpsFix* fix, const CancelCheck& cancel) {
  if (port_) DropWaitingBytes();
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
  emptied_at_ = 0;
}

}  // namespace vesk
