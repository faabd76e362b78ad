#include "recording/frame_time_record.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace vesk {
namespace {

// 2026-12-07 00:42:43 UTC as Unix nanoseconds.
constexpr std::int64_t kStart = 1796604163LL * 1000000000;
constexpr std::int64_t kMs = 1000000;

TEST(FrameTimeRecordTest, RowsAndLogLinesSayWhenEachFrameWasCapturedAndWhatWasLost) {
  testing::ScopedTempDir dir;
  FrameTimeRecord record;
  std::string reason;
  ASSERT_TRUE(record.Create("clip.frames.csv", &reason)) << reason;
  const FrameStamp stamps[] = {{10, kStart, 0},
                               {11, kStart + 40 * kMs, 0},
                               {14, kStart + 160 * kMs + 17000, 0},
                               {15, kStart + 252 * kMs, 52 * kMs}};
  record.TakeFrames(stamps, 2);  // in two batches, as the graph hands them over
  record.TakeFrames(stamps + 2, 2);
  record.Close();
  EXPECT_EQ(testing::ReadFileBytes("clip.frames.csv"),
            "frame,sequence,utc,interval_ms,note\r\n"
            "0,10,2026-12-07T00:42:43.000000Z,,\r\n"
            "1,11,2026-12-07T00:42:43.040000Z,40.000,\r\n"
            "2,14,2026-12-07T00:42:43.160017Z,120.017,2 frames lost before this one\r\n"
            "3,15,2026-12-07T00:42:43.252000Z,91.983,clock stepped by +0.052 s\r\n");
  EXPECT_EQ(FrameTimeLogLines(record.summary(), FrameTimeOrigin::kSimulatedCapture, 0,
                              "/home/obs/VideoFiles/clip.frames.csv"),
            (std::vector<std::string>{
                "First frame: 2026-12-07 00:42:43.000 UTC",
                "Last frame: 2026-12-07 00:42:43.252 UTC",
                "Frame times: the simulated camera's capture instants, on the computer clock",
                "Frame interval: mean 84.000 ms, largest 120.017 ms before frame 2",
                "Frames lost: 2 before frame 2",
                "Computer clock stepped: by +0.052 s before frame 3",
                "Frame-time record: /home/obs/VideoFiles/clip.frames.csv"}));
  // A video file cut back to its first three frames keeps their rows and their sums only.
  ASSERT_TRUE(record.CutToFrames(3, &reason)) << reason;
  EXPECT_TRUE(testing::ReadFileBytes("clip.frames.csv")
                  .ends_with("2 frames lost before this one\r\n"));
  const FrameTimeSummary& cut = record.summary();
  EXPECT_EQ(std::tuple(cut.frames, cut.last_utc_ns, cut.frames_lost, cut.clock_steps.size()),
            std::tuple(3, kStart + 160 * kMs + 17000, 2, 0u));
  ASSERT_TRUE(record.CutToFrames(5, &reason));  // more than it has: unchanged
  EXPECT_EQ(record.summary().frames, 3);
  // A record never writes over anything, and a source without numbers loses nothing.
  FrameTimeRecord again;
  EXPECT_FALSE(again.Create("clip.frames.csv", &reason));
  EXPECT_EQ(reason, "File exists");
  FrameTimeSummary many;
  many.frames = 2;
  for (int i = 0; i < 12; ++i) many.losses.push_back({i * 10, 1});
  many.losses.resize(kLoggedPlaces);
  many.loss_places = 12;
  many.frames_lost = 15;
  const auto lines = FrameTimeLogLines(many, FrameTimeOrigin::kDriverEndOfFrame, 3, "r.csv");
  EXPECT_EQ(lines.at(2), "Frame times: computer clock at the end of each frame, from the capture driver");
  EXPECT_TRUE(lines.at(4).ends_with(", 1 before frame 90, and 5 frames in 2 more places"))
      << lines.at(4);
  EXPECT_EQ(lines.back(), "Frame-time record: r.csv (3 frames missing: the record could not keep up)");
  EXPECT_EQ(FrameTimeRecordName("VideoFiles/a.b/clip.avi"), "VideoFiles/a.b/clip.frames.csv");
  EXPECT_EQ(FormatIsoUtcMicroseconds(951782400LL * 1000000000 - 1000), "2000-02-28T23:59:59.999999Z");
}

}  // namespace
}  // namespace vesk
