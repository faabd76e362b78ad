// SER files: the header's layout, the writer's file at every moment, and the reader on files
// that are cut short, lie about their counts or are no SER file at all.

#include "media/ser_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "media/ser_writer.h"
#include "support/memory_file.h"

namespace vesk {
namespace {

using testing::MemoryFile;

constexpr std::int64_t kStart = 1796601600LL * 1000000000;  // 2026-12-07T00:00:00Z
constexpr std::int64_t kFrameNs = 40000000;

SerHeader SmallHeader() {
  SerHeader header;
  header.width = 4;
  header.height = 2;
  header.observer = "station1";
  header.instrument = "VESK Simulated Analog Camera";
  return header;
}

// Writes frames of a 4x2 YUY2 picture whose luma is the frame's number; gives their times.
std::vector<std::int64_t> WriteFrames(SerWriter& writer, int count) {
  std::vector<std::int64_t> times;
  for (int n = 0; n < count; ++n) {
    unsigned char yuy2[16];
    for (int i = 0; i < 16; ++i) yuy2[i] = i % 2 == 0 ? static_cast<unsigned char>(n) : 128;
    times.push_back(kStart + n * kFrameNs);
    writer.AddFrame(yuy2, sizeof yuy2, 8, times.back());
  }
  return times;
}

TEST(SerFile, HeaderFieldsSitAtTheirOffsetsAndTimesAreDotNetTicks) {
  SerHeader header = SmallHeader();
  header.colour_id = kSerRgb;
  header.frame_count = 250;
  header.observer = std::string(50, 'o');  // cut to its 40 bytes
  header.date_time = 1;
  header.date_time_utc = SerTicksFromUnixNs(kStart);
  const auto bytes = BuildSerHeader(header);
  const std::string text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  EXPECT_EQ(text.substr(0, 14), "LUCAM-RECORDER");
  // ColorID, width, height, PixelDepthPerPlane and FrameCount, little-endian.
  for (auto [at, value] : {std::pair{18, 100}, {26, 4}, {30, 2}, {34, 8}, {38, 250}}) {
    EXPECT_EQ(bytes[at], value) << at;
  }
  EXPECT_EQ(text.substr(42, 40), std::string(40, 'o'));
  EXPECT_EQ(text.substr(82, 29), std::string("VESK Simulated Analog Camera\0", 29));
  EXPECT_EQ(SerTicksFromUnixNs(0), 621355968000000000LL);
  EXPECT_EQ(header.date_time_utc, 639321984000000000LL);
  EXPECT_EQ(UnixNsFromSerTicks(header.date_time_utc), kStart);
  SerHeader back;
  ASSERT_TRUE(ParseSerHeader(bytes.data(), bytes.size(), &back));
  EXPECT_EQ(back.observer, std::string(40, 'o'));
  EXPECT_EQ(back.instrument, header.instrument);
  EXPECT_EQ(back.frame_count, 250);
}

TEST(SerFile, WriterEndsWithTheTimeOfEveryFrame) {
  MemoryFile file;
  SerWriter writer;
  ASSERT_TRUE(writer.Begin(&file, SmallHeader(), SerInput::Yuy2, 3600LL * 1000000000));
  // What a killed station leaves is read by the recording tests, after a real kill.
  std::vector<std::int64_t> times = WriteFrames(writer, 30);
  times.push_back(kStart + 30 * kFrameNs);  // one time more than frames: left out
  const SerEnd end = writer.Finish(times);
  EXPECT_TRUE(end.trailer_written);
  SerFileInfo info;
  ASSERT_EQ(ReadSerFile(file, &info), SerReadStatus::Ok);
  EXPECT_EQ(std::pair(info.frames, info.header.colour_id), std::pair(std::int64_t{30}, kSerMono));
  EXPECT_EQ(file.bytes.size(), 178u + 30 * 8 + 30 * 8);
  EXPECT_EQ(static_cast<unsigned char>(file.bytes[178 + 29 * 8]), 29);  // luma of frame 29
  ASSERT_EQ(info.trailer, SerTrailer::Whole);
  EXPECT_EQ(info.times.front(), SerTicksFromUnixNs(kStart));
  EXPECT_EQ(info.times.back(), SerTicksFromUnixNs(kStart + 29 * kFrameNs));
  EXPECT_EQ(info.header.date_time - info.header.date_time_utc, 36000000000LL);
  EXPECT_EQ(file.reads_past_end, 0);
}

TEST(SerFile, BadFilesGiveAReasonAndNothingIsReadPastTheirEnd) {
  // 16 MB of garbage.
  MemoryFile garbage;
  garbage.bytes.resize(16 << 20);
  std::mt19937 random(7);
  for (char& c : garbage.bytes) c = static_cast<char>(random());
  SerFileInfo info;
  EXPECT_EQ(ReadSerFile(garbage, &info), SerReadStatus::NotSer);
  EXPECT_EQ(SerReadProblemText(SerReadStatus::NotSer), "not a SER file (no LUCAM-RECORDER header)");
  // The FileID, then garbage.
  std::memcpy(garbage.bytes.data(), "LUCAM-RECORDER", 14);
  std::memcpy(garbage.bytes.data() + 18, "\x07\x00\x00\x00", 4);  // no such colour
  EXPECT_EQ(ReadSerFile(garbage, &info), SerReadStatus::BadHeader);

  // A FrameCount far larger than the file: the frames there, no trailer looked for.
  MemoryFile file;
  SerWriter writer;
  writer.Begin(&file, SmallHeader(), SerInput::Yuy2, 0);
  const std::vector<std::int64_t> five = WriteFrames(writer, 5);
  writer.Finish(five);
  MemoryFile lying = file;
  lying.bytes.replace(38, 4, "\xff\xff\xff\x7f");
  ASSERT_EQ(ReadSerFile(lying, &info), SerReadStatus::Ok);
  EXPECT_EQ(info.frames, 10);  // the trailer's 40 bytes read as five more frames of 8
  EXPECT_EQ(info.trailer, SerTrailer::None);
  // A trailer cut short.
  MemoryFile cut = file;
  cut.bytes.resize(cut.bytes.size() - 12);
  ASSERT_EQ(ReadSerFile(cut, &info), SerReadStatus::Ok);
  EXPECT_EQ(std::pair(info.frames, info.trailer), std::pair(std::int64_t{5}, SerTrailer::CutShort));
  EXPECT_TRUE(info.times.empty());
  EXPECT_EQ(garbage.reads_past_end + lying.reads_past_end + cut.reads_past_end, 0);

  // Repaired: the count set to the whole frames and the trailer rebuilt from the times.
  const SerFinishResult repaired = FinishSerFile(cut, &five);
  EXPECT_TRUE(repaired.trailer_written);
  ASSERT_EQ(ReadSerFile(cut, &info), SerReadStatus::Ok);
  EXPECT_EQ(info.trailer, SerTrailer::Whole);
  EXPECT_EQ(cut.bytes, file.bytes);
}

}  // namespace
}  // namespace vesk
