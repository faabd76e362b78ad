// Reading the time inserter's stamp of one field: cutting its line at the learnt cells and
// matching every digit. At 50 fields a second it must stay under 0.5 ms a field. And the
// streaming thread's whole share of it: the frame's luma handed to the live reader, which
// copies it into a buffer of its own.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "analysis/inserter/inserter_layout.h"
#include "analysis/inserter/live_inserter.h"
#include "analysis/inserter/stamp_cells.h"
#include "platform/gst/star_field_painter.h"

namespace vesk {
namespace {

constexpr int kWidth = 720, kHeight = 576;

void PaintFrame(simcam::StarFieldPainter& painter, std::int64_t frame, std::uint8_t* luma) {
  for (int i = 0; i < 2; ++i) {
    const std::int64_t ms = 18000000 + 40 * frame + 20 * i;
    painter.PaintField({static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                        static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000),
                        static_cast<std::uint64_t>(2 * frame + i)},
                       {}, i, luma, kWidth);
  }
}

void BM_ReadOneField(benchmark::State& state) {
  simcam::StarFieldPainter painter;
  painter.Configure(kWidth, kHeight, 7, true);
  std::vector<std::uint8_t> luma(kWidth * kHeight);
  const inserter::LumaView frame{luma.data(), kWidth, kHeight, kWidth};
  std::vector<std::vector<std::uint8_t>> first;
  std::vector<inserter::LumaView> fields;
  for (int f = 0; f < 8; ++f) {
    PaintFrame(painter, f, luma.data());
    first.push_back(luma);
  }
  for (const auto& copy : first) fields.push_back(inserter::LumaView{copy.data(), kWidth, kHeight, kWidth}.Field(0));
  const inserter::StampBand band = inserter::FindStampBand(fields);
  std::vector<inserter::CutLine> lines(150);
  for (int f = 0; f < 150; ++f) {
    PaintFrame(painter, f, luma.data());
    inserter::CutStampLine(frame.Field(0), band, &lines[f]);
  }
  std::string why;
  const std::optional<inserter::LearntInserter> learnt = inserter::LearnInserter(lines, band, &why);
  if (!learnt) {
    state.SkipWithError(why.c_str());
    return;
  }
  PaintFrame(painter, 200, luma.data());
  inserter::CutLine line;
  std::int64_t read = 0;
  for (auto _ : state) {
    inserter::CutStampLineAt(frame.Field(0), learnt->band, learnt->centres2, learnt->cell_width,
                             &line);
    read += inserter::ReadStampLine(line, *learnt).read ? 1 : 0;
  }
  state.SetItemsProcessed(read);
}
BENCHMARK(BM_ReadOneField);

// A PAL frame of YUY2, as an analog grabber gives it, taken by the live reader on the
// streaming thread while a buffer is free, as at the camera's rate: the copy is all of it.
void BM_TakeLiveFrame(benchmark::State& state) {
  std::vector<std::uint8_t> yuy2(static_cast<std::size_t>(kWidth) * kHeight * 2, 128);
  LiveFrame frame;
  frame.layout = LumaLayout::kYuy2;
  frame.pixels = yuy2.data();
  frame.bytes = yuy2.size();
  frame.stride = 2 * kWidth;
  frame.width = kWidth;
  frame.height = kHeight;
  frame.frame_interval_ns = 40000000;
  inserter::LiveInserter live;
  live.BeginRun();
  std::vector<std::uint8_t> latest;
  int width = 0, height = 0;
  for (auto _ : state) {
    live.TakeLiveFrame(frame);
    state.PauseTiming();
    ++frame.sequence;
    while (live.busy()) std::this_thread::yield();
    live.LatestFrame(&latest, &width, &height);  // asked for, so every frame is copied
    state.ResumeTiming();
  }
  state.counters["unread"] = static_cast<double>(live.frames_unread());
}
BENCHMARK(BM_TakeLiveFrame);

void BM_CopyLuma(benchmark::State& state) {
  std::vector<std::uint8_t> yuy2(static_cast<std::size_t>(kWidth) * kHeight * 2, 128);
  std::vector<std::uint8_t> luma(static_cast<std::size_t>(kWidth) * kHeight);
  const LiveFrame frame{LumaLayout::kYuy2, yuy2.data(), yuy2.size(), 2 * kWidth, kWidth, kHeight};
  for (auto _ : state) {
    benchmark::DoNotOptimize(inserter::CopyLuma(frame, luma.data()));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CopyLuma);

}  // namespace
}  // namespace vesk
