// The whole-script passes on a script of 200 blocks of 2,000 strings (200 translation files of
// about 200 KB, 40 MB in all), each beside its floor measured in the same iterations: reading the
// same files whole, which no pass over them can skip. The `ratio` counter is the pass's time over
// the floor's.
//   BM_BlockStates   the states of one block's 2,000 strings, from its file (goal: one 60 Hz frame)
//   BM_ScriptStates  the progress of all 200 blocks (goal: 0.5 s)
//   BM_FindInScript  a word found, ignoring case, in all 200 files (goal: 0.3 s)
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTS2_BUILD_BENCH=ON
//   cmake --build build-bench --target ts2_script_bench && build-bench/bench/ts2_script_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/fileutil.h"
#include "views/script.h"
#include "views/states.h"

namespace ts2 {
namespace {

constexpr int kBlocks = 200;
constexpr uint32_t kStrings = 2000;

// Section k of a block, 100 bytes with the blank line after it: two lines of text, every 50th
// too wide for the box, every 10th not translated yet, one in 100 naming the dragon.
std::string Section(int block, uint32_t k) {
  constexpr size_t kSectionBytes = 100;
  std::string s = Format(".STRING %u\r\n", k);
  if (k % 10 == 9) {
    s += "\r\n\r\n";
  } else {
    s += k % 100 == 7 ? "Beware the Dragon, friend!\r\n"
                      : Format("Block %d, line %u, inn.\r\n", block, k);
    s += k % 50 == 3 ? "A line too long for the translation box, it wraps\r\n" : "Rest here, traveller.\r\n";
  }
  s += ".ENDS\r\n";
  // Blanks between sections, as translators leave them.
  return s + std::string(s.size() + 2 < kSectionBytes ? kSectionBytes - 2 - s.size() : 0, ' ') + "\r\n";
}

struct Workspace {
  Workspace() {
    char tmpl[] = "/tmp/ts2-script-bench-XXXXXX";
    dir = ::mkdtemp(tmpl);
    for (int b = 0; b < kBlocks; ++b) {
      std::string text = "// Do not erase these: \r\n// .STRING #\r\n// .ENDS\r\n\r\n\r\n";
      for (uint32_t k = 0; k < kStrings; ++k) text += Section(b, k);
      const uint32_t table = 0x100000 + static_cast<uint32_t>(b) * 0x1000;
      blocks.push_back({b, table, kStrings, (dir / Format("%08X.txt", table)).string()});
      WriteFileAtomic(blocks.back().file, text.data(), text.size());
      bytes += text.size();
    }
  }
  ~Workspace() { std::filesystem::remove_all(dir); }
  std::filesystem::path dir;
  std::vector<ScriptBlock> blocks;
  size_t bytes = 0;
};

Workspace& Space() {
  static Workspace w;
  return w;
}

size_t ReadAll(const std::vector<ScriptBlock>& blocks) {
  size_t n = 0;
  for (const ScriptBlock& b : blocks) n += ReadWholeFile(b.file)->size();
  return n;
}

// Runs `pass` in the timed part of each iteration and the floor (reading the same files) in a
// paused part, and reports the floor and the ratio.
template <typename Pass>
void WithFloor(benchmark::State& state, const std::vector<ScriptBlock>& blocks, Pass pass) {
  using Clock = std::chrono::steady_clock;
  Clock::duration passTime{}, floorTime{};
  for (auto _ : state) {
    state.PauseTiming();
    const auto f0 = Clock::now();
    benchmark::DoNotOptimize(ReadAll(blocks));
    floorTime += Clock::now() - f0;
    state.ResumeTiming();
    const auto p0 = Clock::now();
    pass();
    passTime += Clock::now() - p0;
  }
  const auto ms = [&](Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count() / static_cast<double>(state.iterations());
  };
  state.counters["floor_ms"] = ms(floorTime);
  state.counters["ratio"] = ms(passTime) / ms(floorTime);
}

void BM_BlockStates(benchmark::State& state) {
  const std::vector<ScriptBlock> one{Space().blocks.front()};
  BlockProgress p;
  WithFloor(state, one, [&] { p = ProgressOnDisk(one[0].file, kStrings, {}); });
  if (p.translated + p.withFindings != kStrings - kStrings / 10 || p.withFindings != kStrings / 50)
    state.SkipWithError("unexpected counts");
}

void BM_ScriptStates(benchmark::State& state) {
  const std::vector<ScriptBlock>& all = Space().blocks;
  WithFloor(state, all, [&] {
    BlockProgress total;
    for (const ScriptBlock& b : all) total += ProgressOnDisk(b.file, b.strings, {});
    benchmark::DoNotOptimize(total.translated);
  });
  state.counters["MB"] = static_cast<double>(Space().bytes) / 1e6;
}

void BM_FindInScript(benchmark::State& state) {
  const std::vector<ScriptBlock>& all = Space().blocks;
  const TextFinder finder("dragon", {});
  size_t found = 0;
  WithFloor(state, all, [&] { found = FindInTranslations(all, finder).size(); });
  if (found != static_cast<size_t>(kBlocks) * kStrings / 100) state.SkipWithError("unexpected matches");
  state.counters["MB"] = static_cast<double>(Space().bytes) / 1e6;
}

BENCHMARK(BM_BlockStates)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScriptStates)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindInScript)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ts2

BENCHMARK_MAIN();
