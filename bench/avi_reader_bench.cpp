// Opening a long recording to its complete information report, and finding the frames of a
// recording without an index. The files are sparse: a real header and index (or real chunk
// headers) over frames of zeros that take no disk space.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/linux/posix_avi_file.h"
#include "playback/avi_reader.h"
#include "playback/playback_file_info.h"

namespace {

constexpr std::uint32_t kPalFrameBytes = 720 * 576 * 2;  // YUY2
constexpr std::uint32_t kMjpgFrameBytes = 40000;          // a PAL frame as MJPG

std::string Le(std::uint32_t value) { return std::string(reinterpret_cast<char*>(&value), 4); }

// One RIFF of frames of the given size (its RIFF size is left at the provisional maximum),
// with an idx1 index when indexed. With an index only the first frame's header is written:
// the reader checks that one and the bounds of the rest.
std::string MakeRecording(std::uint32_t frames, std::uint32_t kFrameBytes, bool indexed) {
  const std::string path = std::filesystem::temp_directory_path() /
                           ("vesk-bench-" + std::to_string(getpid()) + (indexed ? "i" : "n") + ".avi");
  std::string strh(56, '\0'), strf(40, '\0'), avih(56, '\0');
  std::memcpy(strh.data(), "vidsYUY2", 8);
  std::memcpy(strh.data() + 20, (Le(1) + Le(25) + Le(0) + Le(frames)).data(), 16);
  std::memcpy(avih.data() + 32, (Le(720) + Le(576)).data(), 8);
  auto chunk = [](const std::string& id, const std::string& data) {
    return id + Le(static_cast<std::uint32_t>(data.size())) + data;
  };
  const std::string strl = chunk("LIST", "strl" + chunk("strh", strh) + chunk("strf", strf));
  const std::string hdrl = chunk("LIST", "hdrl" + chunk("avih", avih) + strl);
  const std::uint64_t movi_bytes = 4 + std::uint64_t{frames} * (8 + kFrameBytes);
  std::string head = "RIFF" + Le(0xffffffff) + "AVI " + hdrl + "LIST" +
                     Le(static_cast<std::uint32_t>(movi_bytes)) + "movi";
  std::ofstream out(path, std::ios::binary);
  out << head;
  const std::uint64_t movi_data = head.size() - 4;
  const std::string frame_header = "00db" + Le(kFrameBytes);
  for (std::uint32_t i = 0; i < (indexed ? 1 : frames); ++i) {
    out.seekp(static_cast<std::streamoff>(head.size() + std::uint64_t{i} * (8 + kFrameBytes)));
    out << frame_header;
  }
  out.seekp(static_cast<std::streamoff>(movi_data + movi_bytes));
  if (indexed) {
    std::string index = "idx1" + Le(16 * frames);
    for (std::uint32_t i = 0; i < frames; ++i) {
      index += "00db" + Le(0x10) + Le(static_cast<std::uint32_t>(4 + std::uint64_t{i} * (8 + kFrameBytes))) +
               Le(kFrameBytes);
    }
    out << index;
  } else {
    out << std::string(8, '\0');  // the end of the last frame
  }
  return path;
}

// An hour at 25 frames a second.
void OpenHourLongRecording(benchmark::State& state) {
  const std::string path = MakeRecording(90000, kMjpgFrameBytes, true);
  for (auto _ : state) {
    vesk::PosixAviFile file(path, false);
    vesk::AviFileInfo info;
    vesk::ReadAviFile(file, &info);
    const vesk::PlaybackFileInfo texts = vesk::DescribeAviFile(path, info);
    if (info.frames.size() != 90000 || info.index_rebuilt) state.SkipWithError("not read");
    benchmark::DoNotOptimize(texts);
  }
  std::remove(path.c_str());
}
BENCHMARK(OpenHourLongRecording)->Unit(benchmark::kMillisecond);

// 2,600 PAL frames: 2.1 GB of chunks walked without an index.
void RebuildIndexOfTwoGigabytes(benchmark::State& state) {
  const std::string path = MakeRecording(2600, kPalFrameBytes, false);
  for (auto _ : state) {
    vesk::PosixAviFile file(path, false);
    vesk::AviFileInfo info;
    vesk::ReadAviFile(file, &info);
    if (info.frames.size() != 2600 || !info.index_rebuilt) state.SkipWithError("not walked");
  }
  std::remove(path.c_str());
}
BENCHMARK(RebuildIndexOfTwoGigabytes)->Unit(benchmark::kMillisecond);

}  // namespace
