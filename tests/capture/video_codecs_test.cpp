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
  EXPECT_EQ(codecs_[0].filter, nullptr);
  EXPECT_EQ(codecs_[1].filter, media_.compressors[0]->filter);
  EXPECT_EQ(codecs_[2].filter, media_.compressors[4]->filter);
  EXPECT_TRUE(view_.entries.empty());
}

TEST_F(VideoCodecsTest, WithoutCompressorsOnlyNoneIsOffered) {
  EnumerateVideoCodecs(&media_, log_, &codecs_);
  EXPECT_EQ(VideoCodecNames(codecs_), (std::vector<std::string>{"NONE"}));
  EXPECT_EQ(view_.entries, (std::vector<std::string>{kNoCompressorError}));

  std::vector<VideoCodec> failed;
  media_.AddCompressor("MJPEG");
  media_.plan.Fail("EnumerateDevices:VideoCompressor", E_OUTOFMEMORY);
  EnumerateVideoCodecs(&media_, log_, &failed);
  EXPECT_EQ(VideoCodecNames(failed), (std::vector<std::string>{"NONE"}));
  EXPECT_EQ(view_.entries.back(), kNoCompressorError);

  std::vector<VideoCodec> no_media;
  EnumerateVideoCodecs(nullptr, log_, &no_media);
  EXPECT_EQ(VideoCodecNames(no_media), (std::vector<std::string>{"NONE"}));
  EXPECT_EQ(view_.entries.back(),
            "\r\n08:05:00 (UTC)\r\n\r\n\r\nERROR -- Unable to create a system device enumerator "
            "to search for codecs.  Report this issue.\r\n");
}

TEST_F(VideoCodecsTest, TheFirstPairOfASubtypeChoosesItsCodec) {
  media_.AddCompressor("Codec A");
  media_.AddCompressor("Codec B");
  EnumerateVideoCodecs(&media_, log_, &codecs_);
  const std::vector<SubtypeCodecPair> pairs = {{SubtypeCode::MJPG, 0, "NONE"},
                                               {SubtypeCode::YUY2, 2, "Codec B"},
                                               {SubtypeCode::YUY2, 1, "Codec A"},
                                               {SubtypeCode::RGB24, 9, "Gone"}};
  ASSERT_NE(CodecForSubtype(pairs, SubtypeCode::YUY2), nullptr);
  EXPECT_EQ(CodecForSubtype(pairs, SubtypeCode::YUY2)->codec_name, "Codec B");
  EXPECT_EQ(CodecForSubtype(pairs, SubtypeCode::UYVY), nullptr);

  EXPECT_EQ(VideoCodecForSubtype(codecs_, pairs, SubtypeCode::YUY2), &codecs_[2]);
  // "NONE" records uncompressed: an entry without a filter.
  ASSERT_NE(VideoCodecForSubtype(codecs_, pairs, SubtypeCode::MJPG), nullptr);
  EXPECT_EQ(VideoCodecForSubtype(codecs_, pairs, SubtypeCode::MJPG)->filter, nullptr);
  EXPECT_EQ(VideoCodecForSubtype(codecs_, pairs, SubtypeCode::RGB24), nullptr);
  EXPECT_EQ(VideoCodecForSubtype(codecs_, pairs, SubtypeCode::ARGB32), nullptr);

  EXPECT_EQ(CodecNameForSubtype(pairs, SubtypeCode::YUY2), "Codec B");
  EXPECT_EQ(CodecNameForSubtype(pairs, SubtypeCode::ARGB32), "NONE");
  EXPECT_EQ(CodecNameForSubtype({}, SubtypeCode::YUY2), "NONE");
}

}  // namespace
}  // namespace vesk
