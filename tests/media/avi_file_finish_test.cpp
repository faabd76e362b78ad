// Finishing a recording whose writer failed: what readers need of the file afterwards.

#include "media/avi_file_finish.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "support/memory_file.h"

namespace vesk {
namespace {

using testing::MemoryFile;

std::string Le(std::uint32_t value) { return std::string(reinterpret_cast<char*>(&value), 4); }
std::string Chunk(const std::string& id, const std::string& data) {
  return id + Le(static_cast<std::uint32_t>(data.size())) + data +
         (data.size() % 2 ? std::string(1, '\0') : "");
}
std::string List(const std::string& type, const std::string& body) {
  return Chunk("LIST", type + body);
}

// Offsets of the counting fields in the header Avi() writes.
constexpr std::size_t kAvihFrames = 24 + 8 + 16, kStrhLength = 100 + 8 + 32, kDmlhFrames = 232;
constexpr std::size_t kMovi = 236;

// A recording as the multiplexer writes it: header, frames of odd size, then its index.
std::string Avi(const std::string& riff_type, int frames, std::uint32_t counted, bool index) {
  std::string header;
  if (riff_type == "AVI ") {
    const std::string avih = std::string(16, '\0') + Le(counted) + std::string(36, '\0');
    const std::string strh =
        "vidsYUY2" + std::string(24, '\0') + Le(counted) + std::string(20, '\0');
    header =
        List("hdrl", Chunk("avih", avih) +
                         List("strl", Chunk("strh", strh) + Chunk("strf", std::string(40, 0))) +
                         List("odml", Chunk("dmlh", Le(counted))));
  }
  std::string movi;
  for (int i = 0; i < frames; ++i) movi += Chunk("00db", std::string(101, static_cast<char>(i)));
  std::string body = riff_type + header + List("movi", movi);
  if (index) body += Chunk("idx1", std::string(16 * frames, '\1'));
  return Chunk("RIFF", body);
}

TEST(AviFileFinish, ACutOffRecordingKeepsEveryWholeFrameWithSizesCountsAndIndex) {
  // Provisional sizes for 5 frames, the fifth cut off inside its data.
  std::string whole = Avi("AVI ", 5, 5, false);
  MemoryFile file(whole.substr(0, whole.size() - 40));
  const AviFinishResult result = FinishCutOffAvi(file);
  EXPECT_TRUE(result.is_avi && result.tail_cut && result.index_written && result.headers_updated);
  EXPECT_EQ(result.video_frames, 4);
  const std::size_t movi_end = kMovi + 12 + 4 * 110;
  ASSERT_EQ(file.bytes.size(), movi_end + 8 + 4 * 16);
  EXPECT_EQ(file.U32(4), file.bytes.size() - 8);
  EXPECT_EQ(file.U32(kMovi + 4), movi_end - kMovi - 8);
  EXPECT_EQ(file.bytes.substr(movi_end, 4), "idx1");
  for (std::size_t field : {kAvihFrames, kStrhLength, kDmlhFrames}) EXPECT_EQ(file.U32(field), 4u);
  // Index entries: key frames, offsets from the list's type field, the chunk sizes.
  EXPECT_EQ(file.bytes.substr(movi_end + 8 + 48, 16),
            "00db" + Le(0x10) + Le(4 + 3 * 110) + Le(101));
  EXPECT_EQ(AviHeaderFrameCount(file), 4);
  // Finishing again changes nothing.
  const std::string finished = file.bytes;
  const AviFinishResult again = FinishCutOffAvi(file);
  EXPECT_EQ(std::pair(again.video_frames, again.tail_cut), std::pair(std::int64_t{4}, false));
  EXPECT_EQ(file.bytes, finished);
}

TEST(AviFileFinish, WithoutRoomForTheIndexTheFramesStayReadableAndNoHalfIndexRemains) {
  // Cut inside a chunk header, and also inside the index of an otherwise whole file.
  const std::string whole = Avi("AVI ", 3, 3, true);
  for (std::size_t cut : {kMovi + 12 + 2 * 110 + 5, whole.size() - 10}) {
    MemoryFile file(whole.substr(0, cut), cut);
    const AviFinishResult result = FinishCutOffAvi(file);
    const std::size_t frames = cut < whole.size() - 48 ? 2 : 3;
    EXPECT_EQ(result.video_frames, static_cast<std::int64_t>(frames)) << cut;
    EXPECT_FALSE(result.index_written);
    EXPECT_TRUE(result.headers_updated);
    ASSERT_EQ(file.bytes.size(), kMovi + 12 + frames * 110);
    EXPECT_EQ(file.U32(4), file.bytes.size() - 8);
    EXPECT_EQ(file.U32(kStrhLength), frames);
  }
}

TEST(AviFileFinish, AContinuationSegmentCutOffIsEndedAndCountedWithTheFirst) {
  const std::string first = Avi("AVI ", 3, 3, true), second = Avi("AVIX", 4, 0, false);
  MemoryFile file(first + second.substr(0, second.size() - 30));
  const AviFinishResult result = FinishCutOffAvi(file);
  EXPECT_EQ(result.video_frames, 6);
  EXPECT_TRUE(result.tail_cut && result.headers_updated);
  EXPECT_EQ(file.bytes.size(), first.size() + 24 + 3 * 110);
  EXPECT_EQ(file.U32(first.size() + 4), 16u + 3 * 110);
  EXPECT_EQ(std::tuple(file.U32(kAvihFrames), file.U32(kStrhLength), file.U32(kDmlhFrames)),
            std::tuple(3u, 6u, 6u));
}

TEST(AviFileFinish, WhatIsNoRecordingIsLeftAlone) {
  const std::string avi = Avi("AVI ", 2, 2, true);
  for (const std::string& bytes : {std::string(), std::string("RIFF\xff\xff\xff\xffWAVE"),
                                   avi.substr(0, 60), avi.substr(0, kMovi + 6)}) {
    MemoryFile file(bytes);
    const AviFinishResult result = FinishCutOffAvi(file);
    EXPECT_EQ(result.video_frames, 0);
    EXPECT_EQ(file.bytes, bytes);
  }
  MemoryFile header_only(avi.substr(0, kMovi));
  EXPECT_EQ(AviHeaderFrameCount(header_only), 2);
  MemoryFile short_header(avi.substr(0, 120));
  EXPECT_EQ(AviHeaderFrameCount(short_header), -1);
}

}  // namespace
}  // namespace vesk
