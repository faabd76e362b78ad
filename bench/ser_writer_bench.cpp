// A SER recording's per-frame work on the streaming thread: the luma of a 720x576 YUY2 frame
// gathered and handed to the file, and FrameCount kept current. It allocates nothing.

#include <benchmark/benchmark.h>

#include <vector>

#include "media/ser_writer.h"

namespace vesk {
namespace {

// Takes the bytes as a file would, without the disk.
struct NullOutput final : SerOutput {
  bool WriteAt(std::uint64_t, const void*, std::size_t count) override {
    written += count;
    return true;
  }
  bool Truncate(std::uint64_t) override { return true; }
  std::string LastFailure() const override { return {}; }
  std::uint64_t written = 0;
};

void BM_SerFrame(benchmark::State& state, SerInput input, int width, int height, int bytes) {
  NullOutput output;
  SerHeader header;
  header.width = width;
  header.height = height;
  SerWriter writer;
  writer.Begin(&output, header, input, 0);
  const std::vector<unsigned char> frame(static_cast<std::size_t>(width) * height * bytes, 77);
  std::int64_t utc = 1796604163LL * 1000000000;
  for (auto _ : state) {
    writer.AddFrame(frame.data(), frame.size(), static_cast<std::size_t>(width) * bytes, utc);
    utc += 40000000;
  }
  state.SetItemsProcessed(writer.frames());
  state.SetBytesProcessed(static_cast<std::int64_t>(output.written));
}
BENCHMARK_CAPTURE(BM_SerFrame, MonoFromYuy2_720x576, SerInput::Yuy2, 720, 576, 2);
BENCHMARK_CAPTURE(BM_SerFrame, Bgr_1280x720, SerInput::Bgr24, 1280, 720, 3);

}  // namespace
}  // namespace vesk
