// The bookkeeping of every recorded frame's time: the streaming thread's hand-over (which
// may neither wait nor allocate) and the writer's row of the frame-time record. At 25 frames a
// second both together must stay far below 1 % of one core (400 us a frame).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "media/frame_stamps.h"
#include "recording/frame_time_record.h"

namespace vesk {
namespace {

constexpr std::int64_t kStart = 1796604163LL * 1000000000;
constexpr std::int64_t kFrame = 40000000;

struct CountingSink final : FrameStampSink {
  void TakeFrames(const FrameStamp*, std::size_t count) override { taken += count; }
  std::size_t taken = 0;
};

void BM_StreamingThreadHandOver(benchmark::State& state) {
  auto queue = std::make_unique<FrameStampQueue>();
  CountingSink sink;
  std::int64_t sequence = 0;
  for (auto _ : state) {
    // A second's frames, then the drain that follows them.
    for (int i = 0; i < 25; ++i, ++sequence) queue->Push({sequence, kStart + sequence * kFrame, 0});
    queue->Drain(sink);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(sink.taken));
}
BENCHMARK(BM_StreamingThreadHandOver);

void BM_FrameTimeRecordRows(benchmark::State& state) {
  char folder[] = "/tmp/vesk-bench-XXXXXX";
  if (mkdtemp(folder) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string path = std::string(folder) + "/clip.frames.csv";
  FrameTimeRecord record;
  std::string reason;
  if (!record.Create(path, &reason)) {
    state.SkipWithError(reason.c_str());
    return;
  }
  FrameStamp second[25];
  std::int64_t sequence = 0;
  for (auto _ : state) {
    for (FrameStamp& stamp : second) {
      stamp = {sequence, kStart + sequence * kFrame, 0};
      ++sequence;
    }
    record.TakeFrames(second, 25);
  }
  state.SetItemsProcessed(sequence);
  record.Close();
  std::remove(path.c_str());
  rmdir(folder);
}
BENCHMARK(BM_FrameTimeRecordRows);

}  // namespace
}  // namespace vesk
