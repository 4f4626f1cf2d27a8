// Open ROM on a 4 MiB image whose glyph table at 0x130000 holds 512 compressed glyphs: the whole
// handler (file read, title check, font decode) and the font decode alone, each beside its floor
// measured in the same run: reading the 4 MiB file into a new buffer, and a memcpy of the bytes
// the decode turns into glyphs.
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTS2_BUILD_BENCH=ON
//   cmake --build build-bench --target ts2_openrom_bench && build-bench/bench/ts2_openrom_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "headless/headless.h"
#include "script/compress.h"

namespace ts2 {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kImageSize = 4u << 20;
constexpr int kGlyphs = 512;
constexpr size_t kGlyphBytes = 32;
// The glyph buffer is sized by the first pointer, which points past the 512 pointers: 1024 slots.
constexpr uint32_t kFontBytes = 2 * kGlyphs * kGlyphBytes;

// Glyphs with the runs and repeats of a real font (rows that repeat, blank edges), so that the
// compressed stream mixes literals and back-references.
Bytes Glyphs() {
  std::mt19937 rng(5);
  Bytes glyphs(kGlyphs * kGlyphBytes, 0);
  for (int g = 0; g < kGlyphs; ++g) {
    for (int row = 2; row < 14; ++row) {
      const uint8_t bits =
          (row % 3 == 0) ? glyphs[g * kGlyphBytes + 2 * (row - 1)] : static_cast<uint8_t>(rng());
      glyphs[g * kGlyphBytes + 2 * row] = bits;
      glyphs[g * kGlyphBytes + 2 * row + 1] = static_cast<uint8_t>(bits & 0x3C);
    }
  }
  return glyphs;
}

struct Workspace {
  Workspace() {
    char tmpl[] = "/tmp/ts2-openrom-bench-XXXXXX";
    dir = ::mkdtemp(tmpl);
    saved = std::filesystem::current_path();
    std::filesystem::current_path(dir);

    Bytes image(kImageSize);
    std::mt19937 rng(6);
    for (uint8_t& b : image) b = static_cast<uint8_t>(rng());
    std::memcpy(image.data() + kTitleOffset, kGameTitle, 15);
    const Bytes glyphs = Glyphs();
    const Bytes table = BuildGlyphTable(glyphs, kFontTableOffset);
    std::memcpy(image.data() + kFontTableOffset, table.data(), table.size());
    tableBytes = table.size();
    romPath = (dir / "game.sfc").string();
    std::FILE* f = std::fopen(romPath.c_str(), "wb");
    std::fwrite(image.data(), 1, image.size(), f);
    std::fclose(f);
  }
  ~Workspace() {
    std::filesystem::current_path(saved);
    std::filesystem::remove_all(dir);
  }
  std::filesystem::path dir, saved;
  std::string romPath;
  size_t tableBytes = 0;
};

Workspace& Space() {
  static Workspace w;
  return w;
}

// The whole handler, the data-file step cancelled (nothing to list).
void BM_OpenRom(benchmark::State& state) {
  Workspace& w = Space();
  headless::HeadlessProgram p;
  for (auto _ : state) {
    p.ui.script.openAnswers.push_back(std::vector<std::string>{w.romPath});
    p.ui.script.openAnswers.push_back(std::nullopt);
    p.form().OpenBinaryTextData1Click(kNoSender);
  }
  if (!p.form().gROM || p.form().gFONTSize != kFontBytes) state.SkipWithError("the ROM did not open");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kImageSize));
}

// Floor of the handler: the file read into a new buffer.
void BM_OpenRomFloor(benchmark::State& state) {
  Workspace& w = Space();
  for (auto _ : state) {
    std::FILE* f = std::fopen(w.romPath.c_str(), "rb");
    std::unique_ptr<uint8_t[]> image(new uint8_t[kImageSize]);
    benchmark::DoNotOptimize(std::fread(image.get(), 1, kImageSize, f));
    std::fclose(f);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kImageSize));
}

// The font decode alone, on the loaded image.
void BM_FontDecode(benchmark::State& state) {
  Workspace& w = Space();
  headless::HeadlessProgram p;
  p.ui.script.openAnswers.push_back(std::vector<std::string>{w.romPath});
  p.ui.script.openAnswers.push_back(std::nullopt);
  p.form().OpenBinaryTextData1Click(kNoSender);
  uint32_t size = 0;
  for (auto _ : state) {
    std::unique_ptr<uint8_t[]> font = p.form().DecompressBlockTable(kFontTableOffset, &size);
    benchmark::DoNotOptimize(font.get());
  }
  if (size != kFontBytes) state.SkipWithError("the font was not decoded");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kGlyphs * kGlyphBytes));
  state.counters["table_bytes"] = static_cast<double>(w.tableBytes);
}

// Floor of the decode: reading the compressed table and writing the glyph buffer, as memcpy.
void BM_FontDecodeFloor(benchmark::State& state) {
  Workspace& w = Space();
  const Bytes table(w.tableBytes, 0x11);
  Bytes scratch(w.tableBytes);
  for (auto _ : state) {
    std::unique_ptr<uint8_t[]> font(new uint8_t[kGlyphs * kGlyphBytes]);
    std::memcpy(scratch.data(), table.data(), table.size());
    std::memcpy(font.get(), scratch.data(), kGlyphs * kGlyphBytes);
    benchmark::DoNotOptimize(font.get());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kGlyphs * kGlyphBytes));
}

BENCHMARK(BM_OpenRom)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenRomFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FontDecode)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FontDecodeFloor)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace ts2

BENCHMARK_MAIN();
