// The checks before an Event: each problem one warning saying what to do, on the facts as
// the station gathers them, and the disk an Event's recording needs.

#include "events/event_readiness.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/fake_clock_discipline.h"

namespace vesk {
namespace {

using testing::FakeClockDiscipline;

// Everything ready: a 10 s PAL Event needing 23 MB on a disk with 1 GB free.
ReadinessFacts Ready() {
  ReadinessFacts facts;
  facts.video_folder = "/home/obs/VideoFiles";
  facts.free_bytes = 1'000'000'000;
  facts.needed_bytes = 23'000'000;
  facts.clock = FakeClockDiscipline::Synchronised(800, 12'300);
  facts.clock_known = true;
  facts.autostart_gps = true;
  facts.gps_fix = true;
  facts.device_in_use = facts.device_attached = true;
  facts.device_name = "USB2.0 Grabber";
  facts.battery = BatteryState{true, 80, 7200};
  facts.seconds_to_end = 3600;
  return facts;
}

TEST(EventReadiness, EachFailingCheckIsOneWarningThatSaysWhatToDo) {
  const std::string no_fix =
      "WARNING: AutostartGPS is on but the GPS receiver has no fix: connect it (USB GPS "
      "Receiver...) and give it a clear view of the sky\r\n";
  const std::string detached =
      "WARNING: the video capture device in use, USB2.0 Grabber, is not attached: connect it\r\n";
  const struct {
    std::function<void(ReadinessFacts&)> change;
    std::vector<std::string> warnings;
  } rows[] = {
      {[](ReadinessFacts&) {}, {}},
      // Free space must cover what the recording needs plus a tenth.
      {[](ReadinessFacts& f) { f.free_bytes = 25'300'000; }, {}},
      {[](ReadinessFacts& f) { f.free_bytes = 25'299'999; },
       {"WARNING: the Event's recording needs 25 MB on the disk of the video folder "
        "/home/obs/VideoFiles, which has 25 MB free: make room, or choose another video "
        "folder\r\n"}},
      {[](ReadinessFacts& f) { f.free_bytes.reset(), f.free_space_error = "Permission denied"; },
       {"WARNING: the free space on the disk of the video folder /home/obs/VideoFiles cannot be "
        "read (Permission denied): check the disk, or choose another video folder\r\n"}},
      {[](ReadinessFacts& f) { f.clock = FakeClockDiscipline::Unsynchronised(); },
       {"WARNING: the computer clock is not synchronised: frame times may be wrong by seconds; "
        "start a time service (NTP, chrony or systemd-timesyncd) and let it synchronise the "
        "clock\r\n"}},
      {[](ReadinessFacts& f) { f.clock = FakeClockDiscipline::Synchronised(100'000, 400'000); },
       {}},
      {[](ReadinessFacts& f) { f.clock = FakeClockDiscipline::Synchronised(250'400, 900'000); },
       {"WARNING: the computer clock's estimated error is 250.4 ms, more than 0.1 s: let the "
        "time service settle, or give it better time sources\r\n"}},
      {[](ReadinessFacts& f) { f.clock = ClockState{false, "ntp_adjtime: Bad address"}; },
       {"WARNING: the computer clock's state cannot be read (ntp_adjtime: Bad address): check "
        "by other means that a time service keeps it right\r\n"}},
      {[](ReadinessFacts& f) { f.gps_fix = false; }, {no_fix}},
      {[](ReadinessFacts& f) { f.gps_fix = f.autostart_gps = false; }, {}},
      {[](ReadinessFacts& f) { f.device_attached = false; }, {detached}},
      {[](ReadinessFacts& f) { f.device_in_use = false; },
       {"WARNING: no video capture device is in use: choose one\r\n"}},
      // The battery must last to the Event's end and ten minutes more.
      {[](ReadinessFacts& f) { f.battery->seconds_to_empty = 4200; }, {}},
      {[](ReadinessFacts& f) { f.battery->seconds_to_empty = 4199, f.battery->percentage = 35.4; },
       {"WARNING: the computer runs on battery with 35 % charge, enough for about 1 h 09 min, "
        "but the Event ends in 1 h 00 min: connect the charger\r\n"}},
      {[](ReadinessFacts& f) { f.battery = BatteryState{false, 5, 60}; }, {}},
      {[](ReadinessFacts& f) { f.battery.reset(); }, {}},  // no UPower
      {[](ReadinessFacts& f) { f.battery->seconds_to_empty = 0; }, {}},  // no estimate yet
      {[](ReadinessFacts& f) { f.gps_fix = false, f.device_attached = false; }, {no_fix, detached}},
      // The time inserter, when read, within half a second of the computer clock.
      {[](ReadinessFacts& f) { f.clock_minus_inserter_ms = -500.0; }, {}},
      {[](ReadinessFacts& f) { f.clock_minus_inserter_ms = 512.0, f.device_attached = false; },
       {detached,
        "WARNING: the computer clock is 0.51 s ahead of the time inserter, more than 0.5 s: set "
        "the inserter's time, or let the time service settle the computer clock\r\n"}},
      {[](ReadinessFacts& f) { f.clock_minus_inserter_ms = -2040.0; },
       {"WARNING: the computer clock is 2.04 s behind the time inserter, more than 0.5 s: set "
        "the inserter's time, or let the time service settle the computer clock\r\n"}},
  };
  int row = 0;
  for (const auto& [change, warnings] : rows) {
    ReadinessFacts facts = Ready();
    change(facts);
    EXPECT_EQ(ReadinessWarnings(facts), warnings) << "row " << row;
    ++row;
  }
}

TEST(EventReadiness, TheDiskNeededIsEveryFrameUncompressedWithTheFilesOwnBytes) {
  VideoFormat pal;
  pal.width = 720, pal.height = 576, pal.subtype = SubtypeCode::YUY2;
  pal.media_type.avg_time_per_frame = 400000;
  // 10 s and one more at 25 frames per second: 275 frames of 829440 bytes, 32 more each in
  // the file, and 1 MiB of headers.
  EXPECT_EQ(RecordingBytesNeeded(pal, 10 * kTicksPerSecond), 275ull * 829472 + 1048576);
  // A compressed format counts as its RGB picture; a format without a frame time as 60 fps.
  VideoFormat mjpg = pal;
  mjpg.subtype = SubtypeCode::MJPG;
  mjpg.media_type.avg_time_per_frame = 0;
  EXPECT_EQ(RecordingBytesNeeded(mjpg, 10 * kTicksPerSecond),
            661ull * (720 * 576 * 3 + 32) + 1048576);
}

TEST(ClockDiscipline, TheLogSaysTheClocksStateAsTheKernelGivesIt) {
  EXPECT_EQ(ClockLogLine("stop", FakeClockDiscipline::Synchronised(250'400, 1'500'000)),
            "Computer clock at the stop: synchronised, estimated error 250.4 ms, maximum error "
            "1500.0 ms");
  EXPECT_EQ(ClockLogLine("stop", ClockState{false, "ntp_adjtime: Bad address"}),
            "Computer clock at the stop: state unknown (ntp_adjtime: Bad address)");
}

}  // namespace
}  // namespace vesk
