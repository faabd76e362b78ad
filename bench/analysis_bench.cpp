// Per-frame cost of the live analysis against memcpy of the same frame, measured in the
// same run: copy plus highlight, accumulate, and the dark-level histogram. After the runs
// a table gives each as a ratio to memcpy, beside its target.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "analysis/pixels/character_sets.h"
#include "analysis/pixels/dark_histogram.h"
#include "analysis/pixels/frame_copy.h"
#include "analysis/pixels/live_analysis.h"
#include "analysis/pixels/pixel_words.h"
#include "analysis/pixels/stream_format.h"
#include "base/clock.h"
#include "base/message_log.h"

namespace vesk {
namespace {

class StillClock final : public Clock {
 public:
  FileTime UtcNow() const override { return 0; }
  FileTime LocalNow() const override { return 0; }
};

struct FrameCase {
  const char* name;
  SubtypeCode subtype;
  std::int32_t width;
  std::int32_t height;
};

// What the filter sees: GStreamer hands over frames first row first.
constexpr FrameCase kCases[] = {
    {"YUY2 720x576", SubtypeCode::YUY2, 720, -576},
    {"ARGB32 1280x720", SubtypeCode::ARGB32, 1280, -720},
};

// A star field: dark noise with a sprinkling of bright and saturated pixels. Made once
// per size, so a short run spends its time measuring.
const std::vector<std::uint8_t>& StarField(std::size_t bytes) {
  static std::map<std::size_t, std::vector<std::uint8_t>> fields;
  auto [it, added] = fields.try_emplace(bytes);
  if (added) {
    std::vector<std::uint8_t>& frame = it->second;
    frame.resize(bytes);
    std::minstd_rand random(42);
    for (auto& b : frame) {
      const std::uint32_t r = static_cast<std::uint32_t>(random());
      // Noise from 18 to 45 around a background of about 30; one pixel byte in 300 bright.
      b = static_cast<std::uint8_t>(r % 300 == 0 ? 250 : 18 + (r >> 8) % 28);
    }
  }
  return it->second;
}

StreamFormat FormatOf(const FrameCase& c) {
  return MakeStreamFormat(c.subtype, BitCountOf(c.subtype), c.width, c.height);
}

void Memcpy(benchmark::State& state, FrameCase c) {
  const std::size_t bytes = FrameBytes(FormatOf(c));
  const std::vector<std::uint8_t>& input = StarField(bytes);
  std::vector<std::uint8_t> output(bytes);
  for (auto _ : state) {
    std::memcpy(output.data(), input.data(), bytes);
    benchmark::DoNotOptimize(output.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void CopyHighlight(benchmark::State& state, FrameCase c) {
  StillClock clock;
  MessageLog log(clock);
  LiveAnalysis analysis(log);
  const StreamFormat format = FormatOf(c);
  analysis.SetStreamFormat(format);
  RecognitionSets sets;
  sets.interlaced.resize(2);
  AnalysisSettings settings;
  settings.saturation_value = 200;
  analysis.PrepareStreaming(0, 25, settings, sets);
  const std::size_t bytes = FrameBytes(format);
  const std::vector<std::uint8_t>& input = StarField(bytes);
  std::vector<std::uint8_t> output(bytes);
  std::size_t length = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        analysis.TransformFrame(input.data(), bytes, output.data(), bytes, &length));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void Accumulate(benchmark::State& state, FrameCase c) {
  const StreamFormat format = FormatOf(c);
  const std::size_t bytes = FrameBytes(format);
  const std::vector<std::uint8_t>& input = StarField(bytes);
  std::vector<std::uint8_t> sum(bytes + 32, 0);
  const DarkLevels levels{28, 28, 28, 28};
  for (auto _ : state) {
    CopyFrame(format, sum.data(), sum.size(), input.data(), bytes, CopyMode::Accumulate, levels);
    benchmark::DoNotOptimize(sum.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void DarkHistogram(benchmark::State& state, FrameCase c) {
  const StreamFormat format = FormatOf(c);
  const std::size_t bytes = FrameBytes(format);
  const std::vector<std::uint8_t>& input = StarField(bytes);
  DarkHistograms histograms;
  DarkLevels levels;
  for (auto _ : state) {
    EstimateDarkLevels(format, input.data(), bytes, &histograms, &levels);
    benchmark::DoNotOptimize(levels);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

struct Measured {
  const char* operation;
  double target;  // 0: no target
};

constexpr Measured kMeasured[] = {
    {"copy+highlight", 1.5},
    {"accumulate", 2.5},
    {"dark histogram", 0.0},
};

// Keeps the CPU time per frame of every run for the ratio table: with repetitions, the
// fastest one, which is least disturbed by other work on the machine.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const double time = run.GetAdjustedCPUTime();
      auto [it, added] = nanoseconds_.emplace(run.run_name.function_name, time);
      if (!added && time < it->second) it->second = time;
    }
  }

  void PrintRatios() const {
    std::printf("\n%-16s %-15s %12s %12s %8s %8s\n", "frame", "operation", "ns/frame", "memcpy ns",
                "ratio", "target");
    for (const FrameCase& c : kCases) {
      const auto base = nanoseconds_.find(std::string(c.name) + "/memcpy");
      if (base == nanoseconds_.end() || base->second <= 0) continue;
      for (const Measured& m : kMeasured) {
        const auto it = nanoseconds_.find(std::string(c.name) + "/" + m.operation);
        if (it == nanoseconds_.end()) continue;
        const double ratio = it->second / base->second;
        char target[32] = "-";
        if (m.target > 0) {
          std::snprintf(target, sizeof target, "%.1f %s", m.target,
                        ratio <= m.target ? "met" : "MISSED");
        }
        std::printf("%-16s %-15s %12.0f %12.0f %8.2f %s\n", c.name, m.operation, it->second,
                    base->second, ratio, target);
      }
    }
  }

 private:
  std::map<std::string, double> nanoseconds_;
};

void RegisterAll() {
  for (const FrameCase& c : kCases) {
    const std::string prefix = std::string(c.name) + "/";
    benchmark::RegisterBenchmark((prefix + "memcpy").c_str(), Memcpy, c);
    benchmark::RegisterBenchmark((prefix + "copy+highlight").c_str(), CopyHighlight, c);
    benchmark::RegisterBenchmark((prefix + "accumulate").c_str(), Accumulate, c);
    benchmark::RegisterBenchmark((prefix + "dark histogram").c_str(), DarkHistogram, c);
  }
}

}  // namespace
}  // namespace vesk

int main(int argc, char** argv) {
  // --baseline_loops: measure the loops every processor runs, without the AVX2 build.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--baseline_loops") == 0) {
      vesk::pixel_words::EnableWideLoops(false);
      std::printf("Baseline loops (AVX2 builds off)\n");
      for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
      --argc;
      break;
    }
  }
  vesk::RegisterAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  vesk::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
