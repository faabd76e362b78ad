#include "capture/video_codecs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/message_log.h"
#include "support/fake_clock.h"
#include "support/fake_media.h"
#include "support/recording_view.h"

namespace vesk {
namespace {

using testing::FakeClock;
using testing::FakeMediaSystem;
using testing::MakeFileTime;
using testing::RecordingView;

const char kNoCompressorError[] =
    "\r\n08:05:00 (UTC)\r\n\r\n\r\nERROR -- Unable to create a video compressor enumerator to "
    "search for codecs.  Report this issue.\r\n";

class VideoCodecsTest : public ::testing::Test {
 protected:
  VideoCodecsTest() : clock_(MakeFileTime(2024, 2, 29, 8, 5, 0)), log_(clock_) {
    log_.AttachView(&view_);
  }

  FakeClock clock_;
  MessageLog log_;
  RecordingView view_;
  FakeMediaSystem media_;
  std::vector<VideoCodec> codecs_;
};

TEST_F(VideoCodecsTest, ListsNoneThenEveryCompressorThatCanBeNamedAndBound) {
  media_.AddCompressor("x264 \xC3\xA9ncoder\t");
  media_.AddCompressor("Nameless")->name_result = E_FAIL;
  media_.AddCompressor("Unbindable")->bind_result = E_FAIL;
  media_.compressors.push_back(nullptr);
  media_.AddCompressor("MJPEG");
  EnumerateVideoCodecs(&media_, log_, &codecs_);
  ASSERT_EQ(codecs_.size(), 3u);
  EXPECT_EQ(VideoCodecNames(codecs_), (std::vector<std::string>{"NONE", "x264 ncoder", "MJPEG"}));
  EXPECT_EQ(codecs_[1].filter, media_.compressors[0]->filter);
  EXPECT_EQ(codecs_[2].filter, media_.compressors[4]->filter);
  EXPECT_TRUE(view_.entries.empty());
}

TEST_F(VideoCodecsTest, WithoutCompressorsOnlyNoneIsOffered) {
  EnumerateVideoCodecs(&media_, log_, &codecs_);
  EXPECT_EQ(VideoCodecNames(codecs_), (std::vector<std::string>{"NONE"}));
  EXPECT_EQ(view_.entries, (std::vector<std::string>{kNoCompressorError}));

  std::vector<VideoCodec> no_media;
  EnumerateVideoCodecs(nullptr, log_, &no_media);
  EXPECT_EQ(VideoCodecNames(no_media), (std::vector<std::string>{"NONE"}));
  EXPECT_EQ(view_.entries.back(),
            "\r\n08:05:00 (UTC)\r\n\r\n\r\nERROR -- Unable to create a system device enumerator "
            "to search for codecs.  Report this issue.\r\n");
}

}  // namespace
}  // namespace vesk
