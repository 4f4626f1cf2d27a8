// The data-file loader on a file of 4096 .BLOCK lines and a .TABLE section of 65,536 two-byte
// entries (about 1.3 MB), beside its floor measured in the same run: reading the same file and
// splitting it into lines with the loader's line reader, the part no loader can skip.
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTS2_BUILD_BENCH=ON
//   cmake --build build-bench --target ts2_datafile_bench && build-bench/bench/ts2_datafile_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "config/config.h"
#include "core/fileutil.h"
#include "headless/headless.h"

namespace ts2 {
namespace {

struct Workspace {
  Workspace() {
    char tmpl[] = "/tmp/ts2-datafile-bench-XXXXXX";
    dir = ::mkdtemp(tmpl);
    std::string text = ".FORMAT 18 16 8 1 16 0 1 2 3\r\n";
    for (int i = 0; i < kMaxBlocks; ++i)
      text += Format(".BLOCK $C%05X $C%05X 0 %d\r\n", 0x10000 + i * 0x40, 0x20000 + i * 0x40, i % 200);
    text += ".TABLE\r\n";
    for (uint32_t code = 0; code <= 0xFFFF; ++code)
      text += Format("%04X=%c%c%s\r\n", code, 'A' + code % 26, 'a' + code / 26 % 26, code % 7 ? "" : "\\x0A");
    text += ".ENDTABLE\r\n";
    path = (dir / "data.txt").string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    size = text.size();
  }
  ~Workspace() { std::filesystem::remove_all(dir); }
  std::filesystem::path dir;
  std::string path;
  size_t size = 0;
};

Workspace& Space() {
  static Workspace w;
  return w;
}

void BM_LoadDataFile(benchmark::State& state) {
  Workspace& w = Space();
  headless::HeadlessProgram p;
  for (auto _ : state) p.form().LoadDataFile(w.path);
  if (p.ui.bList.count() != kMaxBlocks || !p.form().gCharTable16[0xFFFF].text)
    state.SkipWithError("the data file was not loaded");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * w.size));
}

void BM_LoadDataFileFloor(benchmark::State& state) {
  Workspace& w = Space();
  for (auto _ : state) {
    std::optional<TextLineReader> lines = TextLineReader::Open(w.path, kDataFileLineBuffer);
    size_t n = 0;
    while (std::optional<std::string> line = lines->next()) n += line->size();
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * w.size));
}

BENCHMARK(BM_LoadDataFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadDataFileFloor)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ts2

BENCHMARK_MAIN();
