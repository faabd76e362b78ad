// The playback windows offscreen on a real graph: open, the Information report, stepping (at
// full PAL size, timed), beginning and end, the slider, and playing to the end of the stream.

#include "playback/playback_window.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "app/avi_tool_files.h"
#include "media/ser_file.h"
#include "platform/gst/gst_playback_graph.h"
#include "platform/linux/posix_avi_file.h"
#include "support/fake_clock.h"
#include "support/temp_dir.h"
#include "ui_support/station_fixture.h"

namespace vesk {
namespace {

using testing::WaitFor;

// The observer: real files, the picker's answer, repaired copies written where it says.
struct Observer final : PlaybackWindowActions {
  std::unique_ptr<AviFileAccess> OpenPlaybackFile(const std::string& path) override {
    auto file = std::make_unique<PosixAviFile>(path, false);
    return file->is_open() ? std::move(file) : nullptr;
  }
  std::string ChoosePlaybackFile() override { return chosen; }
  std::string ChooseRepairCopy(const std::string& path) override {
    return offered.push_back(path), copy;
  }
  void WriteRepairCopy(const std::string& path, const std::string& to) override {
    std::ostringstream out, err;
    RunRepairAvi(path, to, PosixAviFileSystem(), out, err);
  }
  void PlaybackExited() override {}
  std::string chosen, copy;
  std::vector<std::string> offered;
};

class PlaybackWindowTest : public ::testing::Test {
 protected:
  testing::ScopedTempDir folder;
  gst::GstPlaybackGraph graph;
  testing::FakeClock clock;
  MessageLog log{clock};
  Observer observer;
  PlaybackWindow window{graph, log, observer};
  PlaybackControlsWindow& controls = window.controls();
};

TEST_F(PlaybackWindowTest, OpenStepSeekAndPlayToTheEnd) {
  // A non-ASCII name, as observers name their files.
  ASSERT_EQ(std::system("ffmpeg -loglevel error -y -f lavfi -i testsrc=size=720x576:rate=25 "
                        "-frames:v 12 -c:v rawvideo -pix_fmt yuyv422 Bedeckung_Ö.avi"),
            0);
  EXPECT_FALSE(controls.button(0)->isEnabled());
  EXPECT_FALSE(window.OpenFromMenu());  // the picker was cancelled
  EXPECT_TRUE(window.action(0)->isEnabled());

  const std::string chosen = observer.chosen = folder.Path("Bedeckung_Ö.avi");
  // Its frame-time record, its last row cut short as a killed station leaves it.
  std::ofstream times(folder.Path("Bedeckung_Ö.frames.csv"), std::ios::binary);
  times << "frame,sequence,utc,interval_ms,note\r\n";
  times << "0,40,2026-12-07T03:05:09.000000Z,,\r\n1,41,2026-12-07T03:05:09.040000Z,40.000,\r\n"
           "2,42,2026-12-07T03:05:09.080000Z,40.000,\r\n3,43,2026-12-07T03:05";
  times.close();
  ASSERT_TRUE(window.OpenFromMenu());
  EXPECT_EQ(controls.position_label()->text(), "Frame 0, last 11   2026-12-07 03:05:09.000 UTC");
  EXPECT_TRUE(controls.isVisible());
  EXPECT_EQ(controls.slider()->maximum(), 11);
  EXPECT_FALSE(window.action(0)->isEnabled());
  EXPECT_EQ(window.pane().minimumSize(), QSize(725, 581));
  window.action(2)->trigger();
  EXPECT_EQ(log.PendingCount(), 7u);

  QElapsedTimer step;
  step.start();
  controls.button(4)->click();
  EXPECT_LT(step.elapsed(), 50);  // to the new frame, decoded and handed to the pane
  controls.button(4)->click();
  EXPECT_EQ(controls.slider()->value(), 2);
  EXPECT_EQ(controls.position_label()->text(), "Frame 2, last 11   2026-12-07 03:05:09.080 UTC");
  // Dragging shows the frame under the thumb; past the record, no time.
  controls.slider()->setSliderDown(true);
  controls.slider()->setSliderPosition(7);
  EXPECT_EQ(controls.position_label()->text(), "Frame 7, last 11");
  controls.slider()->setSliderPosition(2);
  controls.slider()->setSliderDown(false);
  EXPECT_EQ(graph.CurrentFrame(), 2);
  controls.button(3)->click();
  EXPECT_EQ(graph.CurrentFrame(), 1);
  controls.button(5)->click();
  EXPECT_EQ(graph.CurrentFrame(), 11);
  EXPECT_FALSE(controls.button(4)->isEnabled());
  controls.slider()->setValue(6);  // as a released thumb does
  EXPECT_EQ(graph.CurrentFrame(), 6);
  QTest::keyClick(controls.slider(), Qt::Key_PageDown);  // a keyboard step seeks too
  EXPECT_EQ(graph.CurrentFrame(), 5);
  controls.button(2)->click();
  EXPECT_EQ(graph.CurrentFrame(), 0);
  EXPECT_TRUE(WaitFor([&] { return window.pane().frames_received() > 0; }));

  controls.button(0)->click();
  EXPECT_TRUE(controls.button(1)->isEnabled());
  EXPECT_FALSE(window.action(1)->isEnabled());
  ASSERT_TRUE(WaitFor([&] { return window.player().state() == PlaybackState::AtEnd; }));
  EXPECT_EQ(controls.slider()->value(), 11);

  window.Exit();
  EXPECT_FALSE(controls.isVisible());
  EXPECT_EQ(window.player().state(), PlaybackState::NoFile);
  std::ofstream(folder.Path("text.avi")) << "not a video";
  EXPECT_FALSE(window.OpenFile(folder.Path("text.avi")));
  EXPECT_FALSE(window.OpenFile(folder.Path("missing.avi")));

  // A recording cut short is offered as a repaired copy, once per opening; a whole file is
  // not; the recording itself stays as it was.
  observer.copy = folder.Path("copy.avi");
  ASSERT_TRUE(window.OpenFile(chosen));
  EXPECT_TRUE(observer.offered.empty());
  window.Exit();
  const std::string cut = folder.Path("cut.avi");
  std::filesystem::copy_file(chosen, cut);
  std::filesystem::resize_file(cut, 700000 * 8);
  ASSERT_TRUE(window.OpenFile(cut));
  EXPECT_EQ(observer.offered, std::vector<std::string>{cut});
  EXPECT_EQ(std::filesystem::file_size(cut), 700000u * 8);
  window.Exit();
  ASSERT_TRUE(window.OpenFile(folder.Path("copy.avi")));
  EXPECT_EQ(observer.offered.size(), 1u);
  EXPECT_EQ(controls.slider()->maximum(), 5);  // the six whole frames of the cut
}

TEST_F(PlaybackWindowTest, ASerFileStepsWithTheTimeOfEachFrame) {
  SerHeader header;
  header.width = 64;
  header.height = 48;
  header.frame_count = 12;
  std::vector<std::int64_t> ticks;
  std::string bytes;
  for (int n = 0; n < 12; ++n) {
    ticks.push_back(SerTicksFromUnixNs(1796601600LL * 1000000000 + n * 40000000LL));
    bytes += std::string(64 * 48, static_cast<char>(n * 20));
  }
  header.date_time = header.date_time_utc = ticks[0];
  const auto head = BuildSerHeader(header);
  std::vector<unsigned char> trailer;
  AppendSerTrailer(ticks.data(), ticks.size(), &trailer);
  std::ofstream(folder.Path("clip.ser"), std::ios::binary)
      << std::string(head.begin(), head.end()) << bytes
      << std::string(trailer.begin(), trailer.end());
  ASSERT_TRUE(window.OpenFile(folder.Path("clip.ser")));
  EXPECT_EQ(controls.slider()->maximum(), 11);
  EXPECT_EQ(window.player().info().frame_rate, "25");
  EXPECT_EQ(controls.position_label()->text(), "Frame 0, last 11   2026-12-07 00:00:00.000 UTC");
  controls.button(4)->click();
  controls.button(4)->click();
  EXPECT_EQ(graph.CurrentFrame(), 2);
  EXPECT_EQ(controls.position_label()->text(), "Frame 2, last 11   2026-12-07 00:00:00.080 UTC");
  window.action(2)->trigger();
  EXPECT_EQ(log.PendingCount(), 10u);  // the report's lines, then depth, colour and times
  controls.button(0)->click();
  ASSERT_TRUE(WaitFor([&] { return window.player().state() == PlaybackState::AtEnd; }));
  EXPECT_TRUE(WaitFor([&] { return window.pane().frames_received() > 0; }));
  window.Exit();
}

}  // namespace
}  // namespace vesk
