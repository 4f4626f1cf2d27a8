// The PATCH command through its real handler (dialog answer, study, temporary file, read back)
// on a 4 MiB image, each case beside its floor: writing the resulting image to a file and
// reading it back, the I/O that no patcher using the temporary file can avoid.
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTS2_BUILD_BENCH=ON
//   cmake --build build-bench --target ts2_ips_bench && build-bench/bench/ts2_ips_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "headless/headless.h"
#include "patch/ips.h"

namespace ts2 {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kImageSize = 4u << 20;
constexpr int kRecords = 20000;

// --- patch fixtures ---

void Put24(Bytes& b, uint32_t v) {
  b.insert(b.end(), {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
}
void Put16(Bytes& b, uint32_t v) {
  b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)});
}

Bytes Magic() {
  return Bytes{'P', 'A', 'T', 'C', 'H'};
}

Bytes RecordsPatch() {
  std::mt19937 rng(1);
  Bytes p = Magic();
  for (int i = 0; i < kRecords; ++i) {
    const uint32_t size = 1 + rng() % 48;
    Put24(p, rng() % (kImageSize - size));
    Put16(p, size);
    for (uint32_t k = 0; k < size; ++k) p.push_back(static_cast<uint8_t>(rng()));
  }
  p.insert(p.end(), {'E', 'O', 'F'});
  return p;
}

Bytes RunsPatch() {
  std::mt19937 rng(2);
  Bytes p = Magic();
  for (int i = 0; i < kRecords; ++i) {
    const uint32_t length = 1 + rng() % 512;
    Put24(p, rng() % (kImageSize - length));
    Put16(p, 0);
    Put16(p, length);
    p.push_back(static_cast<uint8_t>(rng()));
  }
  p.insert(p.end(), {'E', 'O', 'F'});
  return p;
}

// 1 MiB of new data after the end of the image, in the largest records the format allows.
Bytes GrowthPatch() {
  std::mt19937 rng(3);
  Bytes p = Magic();
  for (uint32_t at = kImageSize; at < kImageSize + (1u << 20);) {
    const uint32_t size = std::min<uint32_t>(0xFFFF, kImageSize + (1u << 20) - at);
    Put24(p, at);
    Put16(p, size);
    for (uint32_t k = 0; k < size; ++k) p.push_back(static_cast<uint8_t>(rng()));
    at += size;
  }
  p.insert(p.end(), {'E', 'O', 'F'});
  return p;
}

// --- a working folder and a program holding the image ---

struct Workspace {
  Workspace() {
    char tmpl[] = "/tmp/ts2-ips-bench-XXXXXX";
    dir = ::mkdtemp(tmpl);
    saved = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    image.resize(kImageSize);
    std::mt19937 rng(4);
    for (uint8_t& b : image) b = static_cast<uint8_t>(rng());
  }
  ~Workspace() {
    std::filesystem::current_path(saved);
    std::filesystem::remove_all(dir);
  }
  std::string write(const std::string& name, const Bytes& bytes) {
    const std::string path = (dir / name).string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
  }
  std::filesystem::path dir, saved;
  Bytes image;
};

Workspace& Space() {
  static Workspace w;
  return w;
}

void LoadImage(TmyForm& form, const Bytes& image) {
  form.romAlloc = std::make_unique<uint8_t[]>(image.size());
  std::memcpy(form.romAlloc.get(), image.data(), image.size());
  form.gROMSize = static_cast<uint32_t>(image.size());
  form.gROMHeaderSize = form.gROMSize & 0x200;
  form.gROM = form.romAlloc.get() + form.gROMHeaderSize;
  form.gROMModified = 0;
}

void RunHandler(benchmark::State& state, const Bytes& patch) {
  Workspace& w = Space();
  const std::string path = w.write("bench.ips", patch);
  headless::HeadlessProgram p;
  for (auto _ : state) {
    state.PauseTiming();
    LoadImage(p.form(), w.image);
    p.ui.script.said.clear();
    p.ui.script.dialogsRun.clear();
    p.ui.script.openAnswers.push_back(std::vector<std::string>{path});
    state.ResumeTiming();
    p.form().PATCHRomFile1Click(kNoSender);
  }
  if (p.ui.lastMessage() != "Patching is complete! Remember to SAVE the changes!")
    state.SkipWithError("the patch did not apply");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * p.form().gROMSize);
}

// The floor: the resulting image written to a file and read back into a new buffer.
void RunFloor(benchmark::State& state, size_t size) {
  Workspace& w = Space();
  Bytes image = w.image;
  image.resize(size, 0);
  for (auto _ : state) {
    std::FILE* f = std::fopen("floor.bin", "wb");
    std::fwrite(image.data(), 1, image.size(), f);
    std::fclose(f);
    f = std::fopen("floor.bin", "rb");
    std::unique_ptr<uint8_t[]> back(new uint8_t[size]);
    benchmark::DoNotOptimize(std::fread(back.get(), 1, size, f));
    std::fclose(f);
    std::remove("floor.bin");
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}

void BM_Records(benchmark::State& s) {
  RunHandler(s, RecordsPatch());
}
void BM_RecordsFloor(benchmark::State& s) {
  RunFloor(s, kImageSize);
}
void BM_Runs(benchmark::State& s) {
  RunHandler(s, RunsPatch());
}
void BM_RunsFloor(benchmark::State& s) {
  RunFloor(s, kImageSize);
}
void BM_Growth(benchmark::State& s) {
  RunHandler(s, GrowthPatch());
}
void BM_GrowthFloor(benchmark::State& s) {
  RunFloor(s, kImageSize + (1u << 20));
}

BENCHMARK(BM_Records)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordsFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Runs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunsFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Growth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrowthFloor)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ts2

BENCHMARK_MAIN();
