#include "capture/video_codecs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/capture_bed.h"

namespace vesk {
namespace {

using Names = std::vector<std::string>;

struct VideoCodecsTest : ::testing::Test, testing::CaptureBed {};

TEST_F(VideoCodecsTest, ListsNoneThenEveryCompressorThatCanBeNamedAndBound) {
  // Without compressors, or without a media system, NONE alone is offered.
  std::vector<VideoCodec> none, no_media, codecs;
  EnumerateVideoCodecs(&media, log, &none);
  EnumerateVideoCodecs(nullptr, log, &no_media);
  EXPECT_EQ(VideoCodecNames(none), Names{"NONE"});
  EXPECT_EQ(VideoCodecNames(no_media), Names{"NONE"});
  EXPECT_EQ(view.entries,
            (Names{"\r\n03:05:09 (UTC)\r\n\r\n\r\nERROR -- Unable to create a video compressor "
                   "enumerator to search for codecs.  Report this issue.\r\n",
                   "\r\n03:05:09 (UTC)\r\n\r\n\r\nERROR -- Unable to create a system device "
                   "enumerator to search for codecs.  Report this issue.\r\n"}));

  view.entries.clear();
  media.AddCompressor("x264 \xC3\xA9ncoder\t");
  media.AddCompressor("Nameless")->name_result = E_FAIL;
  media.AddCompressor("Unbindable")->bind_result = E_FAIL;
  media.compressors.push_back(nullptr);
  media.AddCompressor("MJPEG");
  EnumerateVideoCodecs(&media, log, &codecs);
  ASSERT_EQ(codecs.size(), 3u);
  EXPECT_EQ(VideoCodecNames(codecs), (Names{"NONE", "x264 ncoder", "MJPEG"}));
  EXPECT_EQ(codecs[1].filter, media.compressors[0]->filter);
  EXPECT_EQ(codecs[2].filter, media.compressors[4]->filter);
  EXPECT_TRUE(view.entries.empty());
}

}  // namespace
}  // namespace vesk
