#pragma once

// The one GPS receiver: finds it by probing the serial ports and rates, keeps its port open
// and reads fixes from it. Every call blocks for as long as its reads wait; the caller runs
// it off the UI thread (or, for the one fix at a recording start, keeps it short).

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/message_log.h"
#include "base/serial_port.h"
#include "recording/gps_position.h"

namespace vesk {

// The rates probed, in this order: the four usual NMEA rates, then the two fast ones some
// receivers are set to.
constexpr std::array<int, 6> kBaudRateTable = {38400, 19200, 9600, 4800, 57600, 115200};
// A probe's first read; a port that answers is read on until a GGA sentence shows or the
// probe time has passed.
constexpr std::size_t kProbeReadBytes = 600;
constexpr std::size_t kMinRefreshReadBytes = 1000;
// The first attempt and 100 more.
constexpr int kGpsFixAttempts = 101;

constexpr std::string_view kZeroBytesReadText = "Zero bytes read for GPS values refresh\r\n";

// How long reads wait. A read of n bytes ends when n bytes came, at the first pause longer
// than the read interval after the first byte, or after n times the time per byte; so a
// receiver sending one burst a second ends a read at the gap after its burst.
struct SerialTimings {
  std::chrono::milliseconds read_interval{100};
  std::chrono::microseconds total_per_byte{2000};
  // All attempts of one fix together stop after this, so a silent receiver cannot hold a
  // recording start for minutes.
  std::chrono::milliseconds fix_time_limit{3000};
  // Waits are cut into slices this long, so a stop is seen soon.
  std::chrono::milliseconds slice{50};
  // How long a probe reads a port that sends something: a receiver sending much every
  // second (a chart plotter's 1.2 KB) may send its GGA sentence late in its second.
  std::chrono::milliseconds probe_time{2000};
};

// True: give up now (the refresh was stopped, the station is closing).
using CancelCheck = std::function<bool()>;

// A port that could not be opened for a reason the observer can put right.
struct PortProblem {
  std::string path;
  SerialOpenError error = SerialOpenError::kNone;
};

struct ConnectResult {
  bool connected = false;
  std::vector<PortProblem> problems;
};

enum class FixResult {
  kPosition,    // the fix holds a position
  kNoPosition,  // the receiver answered without a fix: every text is empty
  kFailed,      // nothing usable was read
  kLost,        // the port failed (unplugged): it has been closed
};

class GpsReceiver {
 public:
  GpsReceiver(SerialPorts& ports, MessageLog& log, const Clock& clock, SerialTimings timings);
  ~GpsReceiver();

  bool IsOpen() const { return open_.load(); }
  // "<port> at <rate> baud\r\n" of the last successful probe.
  const std::string& connection_text() const { return connection_text_; }
  // The refresh read size: the rate divided by 8, at least kMinRefreshReadBytes.
  std::size_t read_size() const { return read_size_; }
  const std::string& remembered_port() const { return remembered_port_; }

  // One probe of a port at kBaudRateTable[baud_index]: the port answers when a GGA
  // sentence's tag is in what it sends. On success the port stays open and the connection
  // text is reported. open_error tells why the port did not open (kNone when it did).
  bool ProbeGpsPort(const std::string& path, std::size_t baud_index, const CancelCheck& cancel,
                    SerialOpenError* open_error);
  // The port and rate of the last connection first; failing that, on_scan is called (the
  // stand-by notice) and every candidate port at every rate is probed. A port that cannot
  // be opened is not tried at the other rates.
  ConnectResult ConnectGpsReceiver(const std::function<void()>& on_scan, const CancelCheck& cancel);
  // One read-and-parse attempt; the read stops at the deadline at the latest.
  FixResult ReadGpsFix(GpsFix* fix, std::chrono::steady_clock::time_point deadline,
                       const CancelCheck& cancel);
  // Attempts until one gives an answer, kGpsFixAttempts of them or the fix time limit. What
  // waited in the port is dropped first, so the fix, and the time its sentence arrived, are
  // of now.
  FixResult ReadGpsFixWithRetry(GpsFix* fix, const CancelCheck& cancel);
  // Closes the port; the remembered port and rate stay.
  void CloseGpsReceiver();

 private:
  // When the bytes of `into` up to end arrived: after `earliest` (0: unknown, they may have
  // waited in the port) and by `latest`, on the computer clock.
  struct ArrivalStamp {
    std::size_t end = 0;
    FileTime earliest = 0;
    FileTime latest = 0;
  };

  // The count read (ending as SerialTimings says), or -1 when the port failed. stamps, when
  // given, receive when each piece came.
  std::ptrdiff_t ReadWithTimeouts(SerialPort& port, std::span<std::uint8_t> into,
                                  std::chrono::steady_clock::time_point deadline,
                                  const CancelCheck& cancel,
                                  std::vector<ArrivalStamp>* stamps = nullptr);
  void DropWaitingBytes();
  // The GPS time against the clock for the sentence at p of the new bytes.
  std::optional<GpsClockOffset> OffsetOfSentenceAt(std::size_t p, const GpsFix& fix) const;

  SerialPorts& ports_;
  MessageLog& log_;
  const Clock& clock_;
  SerialTimings timings_;
  std::unique_ptr<SerialPort> port_;
  std::atomic<bool> open_{false};
  std::string port_path_;
  std::string remembered_port_;
  std::size_t remembered_baud_ = 0;
  std::string connection_text_;
  std::size_t read_size_ = kMinRefreshReadBytes;
  int baud_rate_ = kBaudRateTable[0];
  // When the port's buffer was last seen empty (0: not since the last full read).
  FileTime emptied_at_ = 0;
  std::vector<ArrivalStamp> stamps_;
  // The receive buffer: an unfinished sentence carried from the last read, then a read.
  std::vector<std::uint8_t> buffer_;
  std::size_t carried_ = 0;
};

}  // namespace vesk
