// Recordings from the simulated cameras through real pipelines, read back with the RIFF
// reader: frame counts, sizes, fourccs, every frame present in order, and the counters.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "media_support/capture_session.h"
#include "media_support/riff_avi_reader.h"
#include "media_support/stamp_reader.h"
#include "platform/gst/gst_media_graph.h"
#include "platform/gst/gst_media_system.h"
#include "platform/gst/star_field_painter.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using gst::GstMediaSystem;
using gst::GstMediaSystemOptions;
using testing::AviFile;
using testing::CaptureRequest;
using testing::CaptureSession;

GstMediaSystemOptions SimulatedOnly() {
  GstMediaSystemOptions options;
  options.simulated_cameras = true;
  options.v4l2_devices = false;
  return options;
}

struct FormatCase {
  const char* label;
  const char* device;
  const char* subtype;
  int width;
  int height;
  int rate;
  const char* codec;  // friendly name, or "" for none
  const char* compression;
  int bit_count;
  bool readable_stamp;  // raw luma we can read the time inserter from
};

void PrintTo(const FormatCase& format, std::ostream* out) { *out << format.label; }

class RecordingFormatTest : public ::testing::TestWithParam<FormatCase> {};

// Reads the stamp (time, counter) of one recorded frame.
bool StampOf(const std::string& path, const AviFile& file, std::size_t index,
             const FormatCase& format, long* milliseconds, long* counter) {
  std::vector<std::uint8_t> data;
  if (!testing::ReadAviChunk(path, file.video_chunks[index], &data)) return false;
  simcam::StarFieldPainter geometry;
  geometry.Configure(format.width, format.height, 1);
  const int step = format.bit_count / 8;
  int stride = format.width * step;
  const std::uint8_t* top = data.data();
  if (testing::CompressionName(file.video) == "RGB" && file.video.height > 0) {
    // A DIB is stored bottom row first.
    top = data.data() + static_cast<std::ptrdiff_t>(format.height - 1) * stride;
    stride = -stride;
  }
  const std::string text =
      testing::ReadStamp(top, format.width, format.height, stride, step, geometry.text_x(),
                         geometry.text_y(), geometry.text_scale(), 20);
  const bool parsed = testing::ParseStamp(text, milliseconds, counter);
  if (!parsed) ADD_FAILURE() << "stamp of frame " << index << " reads \"" << text << "\"";
  return parsed;
}

TEST_P(RecordingFormatTest, ThreeSecondsAreRecordedWholeAndReadBack) {
  const FormatCase& format = GetParam();
  testing::ScopedTempDir folder;
  GstMediaSystem system(SimulatedOnly());
  CaptureRequest request;
  request.device = format.device;
  request.subtype = format.subtype;
  request.width = format.width;
  request.height = format.height;
  request.rate_numerator = format.rate;
  request.codec = format.codec;
  request.video_path = folder.Path("clip.avi");
  CaptureSession session;
  std::string step;
  ASSERT_EQ(testing::BuildCaptureGraph(system, request, &session, &step), S_OK) << step;
  ASSERT_NE(session.dropped_frames, nullptr);

  // The baseline is read as the capture code reads it, before the graph runs.
  std::int32_t at_start = -1;
  ASSERT_EQ(session.dropped_frames->GetNumNotDropped(&at_start), S_OK);
  ASSERT_EQ(session.graph->Run(), S_OK)
      << static_cast<gst::GstMediaGraph*>(session.graph.get())->last_error();
  testing::WaitSeconds(3.0);
  std::int32_t recorded = 0;
  std::int32_t dropped = -1;
  EXPECT_EQ(session.dropped_frames->GetNumNotDropped(&recorded), S_OK);
  EXPECT_EQ(session.dropped_frames->GetNumDropped(&dropped), S_OK);
  ASSERT_EQ(session.graph->Stop(), S_OK);
  std::int32_t after_stop = 0;
  session.dropped_frames->GetNumNotDropped(&after_stop);

  AviFile file;
  std::string error;
  ASSERT_TRUE(testing::ReadAviFile(request.video_path, &file, &error)) << error;
  EXPECT_FALSE(file.truncated);
  const int expected = 3 * format.rate;
  const auto frames = static_cast<int>(file.video_chunks.size());
  EXPECT_NEAR(frames, expected, format.rate == 25 ? 2 : 3);
  // Every frame the headers promise is in the file, and the index is there.
  EXPECT_EQ(file.total_frames, file.video_chunks.size());
  EXPECT_EQ(file.video.length, file.video_chunks.size());
  EXPECT_TRUE(file.has_idx1 || file.has_indx);
  EXPECT_EQ(file.width, format.width);
  EXPECT_EQ(file.height, format.height);
  EXPECT_EQ(file.video.width, format.width);
  EXPECT_EQ(std::abs(file.video.height), format.height);
  EXPECT_EQ(testing::CompressionName(file.video), format.compression);
  EXPECT_EQ(file.video.bit_count, format.bit_count);
  EXPECT_EQ(file.video.rate / static_cast<double>(file.video.scale), format.rate);
  // The counters: the recording log's count (final count less the baseline) is exactly the
  // frames in the file; none lost.
  EXPECT_EQ(after_stop - at_start, frames);
  EXPECT_LE(recorded, after_stop);
  EXPECT_LE(dropped, 1);

  if (format.readable_stamp) {
    // Consecutive frames carry consecutive counters: nothing is missing or repeated.
    long first_ms = 0, first_count = 0, last_ms = 0, last_count = 0;
    ASSERT_TRUE(StampOf(request.video_path, file, 0, format, &first_ms, &first_count));
    ASSERT_TRUE(StampOf(request.video_path, file, file.video_chunks.size() - 1, format, &last_ms,
                        &last_count));
    const long per_frame = std::string(format.device) == gst::kSimulatedAnalogCameraName ? 2 : 1;
    EXPECT_EQ(last_count - first_count, per_frame * (frames - 1));
    long elapsed = last_ms - first_ms;
    if (elapsed < 0) elapsed += 24L * 3600 * 1000;
    EXPECT_NEAR(elapsed, (frames - 1) * 1000.0 / format.rate, 60.0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    SimulatedCameras, RecordingFormatTest,
    ::testing::Values(FormatCase{"AnalogYuy2", gst::kSimulatedAnalogCameraName, "YUY2", 720, 576,
                                 25, "", "YUY2", 16, true},
                      FormatCase{"AnalogYuy2ThroughJpegEncoder", gst::kSimulatedAnalogCameraName,
                                 "YUY2", 720, 576, 25, "JPEG image encoder", "MJPG", 24, false},
                      FormatCase{"WebcamRgb24", gst::kSimulatedWebcamName, "RGB24", 640, 480, 30,
                                 "", "RGB", 24, true},
                      FormatCase{"WebcamMjpg", gst::kSimulatedWebcamName, "MJPG", 640, 480, 30, "",
                                 "MJPG", 24, false}),
    [](const ::testing::TestParamInfo<FormatCase>& info) { return info.param.label; });

}  // namespace
}  // namespace vesk
