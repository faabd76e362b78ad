#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/inserter/inserter_layout.h"
#include "analysis/inserter/inserter_reader.h"
#include "analysis/inserter/inserter_session.h"
#include "analysis/inserter/learnt_layout.h"
#include "analysis/inserter/learnt_sets.h"
#include "analysis/inserter/live_inserter.h"
#include "analysis/inserter/stamp_cells.h"
#include "media_support/capture_session.h"
#include "platform/gst/file_frame_reader.h"
#include "platform/gst/simulated_camera_device.h"
#include "platform/gst/star_field_painter.h"
#include "recording/frame_time_record.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using inserter::CutLine;
using inserter::LumaView;

constexpr int kWidth = 720, kHeight = 576;
constexpr std::int64_t kStartMs = (5 * 60 + 6) * 60000LL + 58000;  // 05:06:58.000

// The simulated PAL camera's frame: two fields 20 ms apart, top first, each with its stamp.
class InterlacedCamera {
 public:
  InterlacedCamera() { painter_.Configure(kWidth, kHeight, 7, true); }
  // Field number n's instant in milliseconds of the day, and its counter.
  static std::int64_t FieldMs(std::int64_t n) { return kStartMs + 20 * n; }
  const std::vector<std::uint8_t>& Frame(std::int64_t frame) {
    for (int i = 0; i < 2; ++i) {
      const std::int64_t n = 2 * frame + i, ms = FieldMs(n);
      const simcam::FrameStamp stamp{static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                                     static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000),
                                     static_cast<std::uint64_t>(1000 + n)};
      painter_.PaintField(stamp, {}, i, luma_.data(), kWidth);
    }
    return luma_;
  }
  LumaView View() const { return {luma_.data(), kWidth, kHeight, kWidth}; }
  void set_stamp_noise(int amplitude) { painter_.set_stamp_noise(amplitude); }

 private:
  simcam::StarFieldPainter painter_;
  std::vector<std::uint8_t> luma_ = std::vector<std::uint8_t>(kWidth * kHeight);
};

// The stamp is found in the live video, its digits named by the video itself within three
// seconds, and every later field read to its time and counter, each following the last.
TEST(InserterReading, TheSimulatedInserterIsLearntFromItsVideoAndEveryFieldRead) {
  InterlacedCamera camera;
  camera.set_stamp_noise(40);
  camera.Frame(0);
  inserter::InserterLearning learning(150);
  for (std::int64_t f = 0; !learning.AddFrame(camera.View()); ++f) camera.Frame(f + 1);
  ASSERT_TRUE(learning.learnt()) << learning.why();
  const inserter::LearntInserter learnt[2] = {learning.field(0), learning.field(1)};
  EXPECT_EQ(learning.ReportLines().at(0).substr(learning.ReportLines()[0].find("; ")),
            "; 19 characters: hours, minutes, seconds, 3 fraction digits, a 7-digit field counter");
  // The learnt sets written as the three character-set files read back whole by their
  // documented parsers.
  testing::ScopedTempDir folder;
  std::string why;
  ASSERT_TRUE(inserter::SaveLearntSets(folder.Path(""), learnt[0], learnt[1], &why)) << why;
  for (int parity = 0; parity < 2; ++parity) {
    InterlacedSet read_back;
    ParseInterlacedSet(testing::ReadFileBytes(folder.Path(parity == 0 ? kInterlacedEvenSetFile
                                                                       : kInterlacedOddSetFile)),
                       &read_back);
    const InterlacedSet written = inserter::InterlacedSetOf(learnt[parity]);
    ASSERT_EQ(read_back.cells.size(), 10u);
    for (std::size_t d = 0; d < 10; ++d) {
      EXPECT_EQ(read_back.cells[d].digit_value, static_cast<int>(d));
      EXPECT_EQ(read_back.cells[d].number, 1);
      EXPECT_EQ(read_back.cells[d].image, written.cells[d].image);
    }
  }
  CharacterSet plain;
  ParseCharacterSet(testing::ReadFileBytes(folder.Path(kPlainCharacterSetFile)), &plain);
  ASSERT_EQ(plain.cells.size(), 10u);
  EXPECT_EQ(plain.cells[7].digit_value, 7);
  EXPECT_EQ(plain.cells[7].image, inserter::PlainSetOf(learnt[0]).cells[7].image);

  // A later start reads with what was saved: the sets and the layout file beside them.
  RecognitionSets sets;
  for (const char* file : {kInterlacedEvenSetFile, kInterlacedOddSetFile}) {
    sets.interlaced.emplace_back();
    ParseInterlacedSet(testing::ReadFileBytes(folder.Path(file)), &sets.interlaced.back());
  }
  std::array<inserter::LearntInserter, 2> loaded;
  ASSERT_TRUE(inserter::LoadLearntInserters(folder.Path(""), sets, &loaded, &why)) << why;
  EXPECT_EQ(inserter::LearntLayoutText(loaded[0], loaded[1]),
            inserter::LearntLayoutText(learnt[0], learnt[1]));
  EXPECT_EQ(loaded[1].digits, learnt[1].digits);
  sets.interlaced[1].cells.pop_back();  // a set that lacks the 9 cannot read
  EXPECT_FALSE(inserter::LoadLearntInserters(folder.Path(""), sets, &loaded, &why));

  // At three levels of noise on the text: every field read at the lowest; at the highest
  // some are doubtful, none misread.
  std::int64_t frame = 150;
  for (const int noise : {40, 150, 220}) {
    camera.set_stamp_noise(noise);
    inserter::InserterReader reader({learnt[0], learnt[1]}, 20.0);
    inserter::InserterTiming timing(20.0);
    int read = 0, doubtful = 0, wrong = 0;
    for (const std::int64_t end = frame + 200; frame < end; ++frame) {
      camera.Frame(frame);
      if (noise == 40 && frame == 260) continue;  // the source drops this frame's two fields
      std::array<inserter::FieldReading, 2> readings;
      std::array<std::int64_t, 2> numbers;
      reader.ReadFrame(camera.View(), frame, &readings, &numbers);
      for (int parity = 0; parity < 2; ++parity) {
        const inserter::FieldReading& reading = readings[parity];
        const std::int64_t n = numbers[parity];
        ASSERT_EQ(n, 2 * frame + parity);
        // The computer clock 12.5 ms ahead of the inserter, on 2026-12-07.
        timing.Add(n, (1796601600000LL + InterlacedCamera::FieldMs(n)) * 1000000 + 12500000, reading);
        if (reading.doubtful) {
          ++doubtful;
        } else if (reading.time_of_day_100us != InterlacedCamera::FieldMs(n) * 10 ||
                   reading.counter != 1000 + n) {
          ++wrong;
          ADD_FAILURE() << n << " misread as " << reading.text;
        } else {
          ++read;
        }
      }
    }
    std::printf("noise %d: %d fields read, %d doubtful, %d wrong\n", noise, read, doubtful, wrong);
    EXPECT_TRUE(noise != 40 || read == 398) << read;
    if (noise == 40) {
      EXPECT_EQ(timing.LogLines(),
                (std::vector<std::string>{"Inserter fields read: 398 of 398",
                                          "Computer clock minus inserter: mean +12.5 ms, spread 0.0 ms",
                                          "Inserter fields missing: 2 before field 522 (2 in all)",
                                          "Inserter fields repeated: none"}));
    }
    EXPECT_TRUE(noise != 220 || doubtful > 0) << doubtful;
  }
}

// Another inserter: ffmpeg's millisecond clock in a font of its own, burnt into each field
// of an interlaced file the file camera's reader plays; learnt, then read field by field
// against the times ffmpeg wrote.
TEST(InserterReading, AnotherFontAndLayoutIsLearntFromAFileAndReadFieldByField) {
  testing::ScopedTempDir folder;
  const std::string clip = folder.Path("stamped.avi");
  const std::string font = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
  ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i color=c=0x202020:size=480x360:rate=50 -vf "
                         "\"drawtext=fontfile=" + font + ":text='%{pts\\:hms}':x=30:y=300:"
                         "fontsize=30:fontcolor=white,tinterlace=interleave_top\" -t 8 -c:v ffv1 '" +
                         clip + "'").c_str()),
            0);
  std::string why;
  auto file = gst::FileFrameReader::Open(clip, 480, 360, &why);
  ASSERT_TRUE(file) << why;
  std::vector<std::uint8_t> luma(480 * 360);
  const LumaView frame{luma.data(), 480, 360, 480};
  inserter::InserterLearning learning(75);
  std::int64_t frames = 0;
  do {
    ASSERT_TRUE(file->Next(luma.data(), 480));
    ++frames;
  } while (!learning.AddFrame(frame));
  ASSERT_TRUE(learning.learnt()) << learning.why();
  EXPECT_TRUE(learning.field(0).layout.counter.empty());
  const std::int64_t learnt_from = frames;
  int read = 0, doubtful = 0;
  inserter::InserterReader reader({learning.field(0), learning.field(1)}, 20.0);
  for (; frames < 190; ++frames) {
    ASSERT_TRUE(file->Next(luma.data(), 480));
    std::array<inserter::FieldReading, 2> readings;
    std::array<std::int64_t, 2> numbers;
    reader.ReadFrame(frame, frames, &readings, &numbers);
    for (int i = 0; i < 2; ++i) {
      const inserter::FieldReading& reading = readings[i];
      const std::int64_t n = numbers[i];
      if (reading.doubtful) {
        ++doubtful;
        continue;
      }
      ++read;
      EXPECT_EQ(reading.time_of_day_100us, n * 200) << reading.text;
    }
  }
  std::printf("ffmpeg's clock: %d fields read, %d doubtful\n", read, doubtful);
  EXPECT_EQ(read, 2 * (190 - learnt_from));
}


// A recording of an analog camera plays as the grabber that made it, so the file camera's
// fields are read and learnt from live; any other shape is a webcam's.
TEST(InserterReading, TheFileCameraOfAPalOrNtscRecordingIsAnAnalogDeviceOfThatStandard) {
  struct Case {
    int width, height, numerator, denominator;
    bool analog;
    AnalogFormat standard;
  };
  for (const Case& c : {Case{720, 576, 25, 1, true, AnalogFormat::PAL},
                        Case{640, 480, 30000, 1001, true, AnalogFormat::NTSC},
                        Case{720, 576, 50, 1, false, AnalogFormat::Digital},
                        Case{480, 360, 25, 1, false, AnalogFormat::Digital}}) {
    auto camera = gst::MakeFileCamera("clip.avi", c.width, c.height, c.numerator, c.denominator);
    SCOPED_TRACE(std::to_string(c.height) + " lines");
    EXPECT_EQ(camera->analog, c.analog);
    ASSERT_EQ(camera->formats.size(), 1u);
    EXPECT_EQ(camera->formats[0].standard, c.standard);
    EXPECT_TRUE(camera->StandardMatches());
  }
}

// The stamp's rectangle as the observer marks it on the frame: learnt within it, both
// fields' rows taken from the frame's; a rectangle of empty sky teaches nothing, and says so.
TEST(InserterReading, AMarkedRectangleIsLearntFromAndAnEmptyOneFails) {
  InterlacedCamera camera;
  auto learn = [&camera](std::optional<inserter::StampBand> rect) {
    inserter::InserterLearning learning(60, rect);
    camera.Frame(0);
    for (std::int64_t f = 0; !learning.AddFrame(camera.View()); ++f) camera.Frame(f + 1);
    return learning;
  };
  const inserter::InserterLearning found = learn(std::nullopt);
  ASSERT_TRUE(found.learnt()) << found.why();
  const inserter::StampBand band = found.field(0).band;
  // The frame rows of the field rows found, and two more columns each side.
  const inserter::InserterLearning marked =
      learn(inserter::StampBand{band.left - 2, 2 * band.top, band.right + 2, 2 * band.bottom});
  ASSERT_TRUE(marked.learnt()) << marked.why();
  EXPECT_EQ(marked.field(0).band.top, band.top);
  EXPECT_EQ(marked.field(1).band.bottom, band.bottom);
  EXPECT_EQ(marked.field(1).band.left, band.left - 2);
  EXPECT_EQ(marked.ReportLines()[0].substr(marked.ReportLines()[0].find("; ")),
            found.ReportLines()[0].substr(found.ReportLines()[0].find("; ")));
  const inserter::InserterLearning empty = learn(inserter::StampBand{10, 10, 200, 60});
  EXPECT_FALSE(empty.learnt());
  EXPECT_FALSE(empty.why().empty());
}

// The live video of the simulated interlaced camera: its inserter learnt from that video as
// it runs, then a recording whose source loses frames. Every field of the file is read; the
// record's new columns hold each field's inserter time, the first field's at the frame's
// own time (the camera burns in its capture instant, to the millisecond) and the second a
// field period on; the log's lines give the places the record says frames were lost.
TEST(InserterReading, ARecordingOfTheLiveVideoHasEveryFieldsInserterTimeAndItsLosses) {
  testing::ScopedTempDir folder;
  gst::GstMediaSystem system = testing::SimulatedSystem();
  auto live = std::make_shared<inserter::LiveInserter>();
  testing::CaptureRequest request;
  {
    testing::CaptureSession preview;
    ASSERT_EQ(testing::BuildCaptureGraph(system, request, &preview), S_OK) << preview.failed_step;
    preview.graph->SetLiveFrameTap(live);
    live->StartLearning(3.0, std::nullopt);
    ASSERT_EQ(preview.graph->Run(), S_OK);
    // Three seconds of frames; a slow (sanitised) build takes longer to go through them.
    for (int i = 0; i < 1200 && live->Learning().active; ++i) testing::WaitSeconds(0.05);
    ASSERT_EQ(preview.graph->Stop(), S_OK);
  }
  const inserter::LearningProgress learning = live->Learning();
  ASSERT_TRUE(learning.learnt) << learning.frames_learnt << " frames learnt, "
                               << (learning.report.empty() ? "" : learning.report[0]);
  EXPECT_FALSE(live->RecentClockMinusInserterMs(0));  // not read yet
  live->ReadWith(*learning.learnt);

  request.video_path = folder.Path("clip.avi");
  testing::CaptureSession session;
  ASSERT_EQ(testing::BuildCaptureGraph(system, request, &session), S_OK) << session.failed_step;
  session.graph->SetLiveFrameTap(live);
  auto record = std::make_shared<FrameTimeRecord>();
  std::string reason;
  ASSERT_TRUE(record->Create(folder.Path("clip.frames.csv"), &reason, live.get())) << reason;
  session.graph->SetFrameStampSink(record);
  ASSERT_EQ(session.graph->Run(), S_OK);
  testing::WaitSeconds(1.0);
  system.SimulatedCamera(gst::kSimulatedAnalogCameraName)->frames_to_lose = 1;
  testing::WaitSeconds(1.0);
  system.SimulatedCamera(gst::kSimulatedAnalogCameraName)->frames_to_lose = 3;
  testing::WaitSeconds(0.6);
  // The read-out follows the live fields, the computer clock within a millisecond of them.
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const std::int64_t now_ns = now.tv_sec * 1000000000LL + now.tv_nsec;
  const std::optional<double> offset = live->RecentClockMinusInserterMs(now_ns);
  ASSERT_TRUE(offset);
  EXPECT_NEAR(*offset, 0.5, 0.6);
  EXPECT_FALSE(live->RecentClockMinusInserterMs(now_ns + 2500000000LL));  // too old by then
  ASSERT_EQ(session.graph->Stop(), S_OK);
  record->Close();

  std::istringstream lines(testing::ReadFileBytes(folder.Path("clip.frames.csv")));
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "frame,sequence,utc,interval_ms,note,first_field_inserter,first_field_confidence,"
                  "second_field_inserter,second_field_confidence\r");
  auto ms_of_day = [](const std::string& text, std::size_t at) {
    int hour = 0, minute = 0;
    double second = 0;
    EXPECT_EQ(std::sscanf(text.c_str() + at, "%2d:%2d:%lf", &hour, &minute, &second), 3) << text;
    return (hour * 60.0 + minute) * 60000.0 + second * 1000.0;
  };
  int frames = 0, unread = 0;
  double largest_error = 0;
  while (std::getline(lines, line)) {  // each cell ended by a comma, in place of the '\r'
    std::istringstream cells(line.substr(0, line.size() - 1) + ",");
    std::vector<std::string> fields;
    for (std::string cell; std::getline(cells, cell, ',');) fields.push_back(cell);
    ASSERT_EQ(fields.size(), 9u) << line;
    ++frames;
    if (fields[5].empty() || fields[7].empty()) {
      ++unread;
      continue;
    }
    const double first = ms_of_day(fields[5], 0), second = ms_of_day(fields[7], 0);
    EXPECT_NEAR(second - first, 20.0, 0.01) << line;
    largest_error = std::max(largest_error, std::abs(ms_of_day(fields[2], 11) - first - 0.5));
    EXPECT_GT(std::atof(fields[6].c_str()), 0.5) << line;
  }
  std::printf("%d frames recorded, %d not read; inserter within %.3f ms of the frame time\n",
              frames, unread, largest_error);
  EXPECT_LE(largest_error, 0.55);
  EXPECT_LE(unread, frames / 20);
  // Two places where the camera lost frames, or more on a loaded machine: each is where the
  // inserter's fields went missing too.
  const FrameTimeSummary& summary = record->summary();
  ASSERT_GE(summary.loss_places, 2);
  std::string places;
  for (const FrameTimeSummary::Place& loss : summary.losses) {
    places += (places.empty() ? "" : ", ") + std::to_string(2 * loss.amount) + " before field " +
              std::to_string(2 * loss.frame);
  }
  if (summary.loss_places > 10) {
    places += ", and more in " + std::to_string(summary.loss_places - 10) + " more places";
  }
  const std::vector<std::string> log = record->InserterLogLines();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0], "Inserter fields read: " + std::to_string(2 * (frames - unread)) + " of " +
                        std::to_string(2 * frames));
  // Frames come a whole 40 ms apart, so each lies at the same point of its burnt-in
  // millisecond: the mean is that point, anywhere from 0 to 1 ms.
  double mean_ms = -1;
  EXPECT_EQ(std::sscanf(log[1].c_str(), "Computer clock minus inserter: mean %lf ms,", &mean_ms), 1)
      << log[1];
  EXPECT_TRUE(mean_ms >= 0.0 && mean_ms <= 1.0) << log[1];
  EXPECT_EQ(log[2], "Inserter fields missing: " + places + " (" +
                        std::to_string(2 * summary.frames_lost) + " in all)");
  EXPECT_EQ(log[3], "Inserter fields repeated: none");
}

}  // namespace
}  // namespace vesk
