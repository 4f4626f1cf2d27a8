// ts2tool as a whole process, start-up included, each run paired with its floor in the same
// iteration:
//   BM_Info           `ts2tool info ROM` on a 4 MiB ROM, against `ts2_floor read ROM` (a cat-like
//                     read of the same file into a 128 KiB buffer)
//   BM_Patch/<case>   `ts2tool patch ROM P.ips -o OUT` on a 4 MiB ROM, against `ts2_floor copy`
//                     of the same output (read, then written as ts2tool writes: temporary file,
//                     flushed to disk, renamed, folder flushed), for five patches, each on a ROM
//                     without and with a 512-byte copier header; and against the same copy
//                     having read the patch first (`ratio_read_patch`), the I/O of any patcher
// TS2_TOOL=PATH measures another ts2tool (an older build, say) against the same floors;
// TS2_FLOOR=PATH another floor (one linked as that ts2tool is).
// The time is the child's CPU time (user + system, from wait4), the figure a busy machine moves
// least; the counters give both programs' milliseconds, their ratio, and their page faults and
// peak memory (KiB, median of three runs apart from the timed ones, each started through
// `ts2_floor peak`: a child of the benchmark itself would report the benchmark's own peak).
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTS2_BUILD_BENCH=ON
//   cmake --build build-bench --target ts2_process_bench ts2_floor ts2tool
//   build-bench/bench/ts2_process_bench
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/state.h"

extern char** environ;

namespace ts2 {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kImageSize = 4u << 20;

struct Usage {
  double cpuMs = 0;
  double wallMs = 0;  // from the spawn to the child's end, as a shell's `time` says
  long faults = 0;
  int status = -1;
};

// Runs `args` with its output to /dev/null; what the child used.
Usage Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  Usage u;
  pid_t pid = 0;
  timespec start{}, end{};
  ::clock_gettime(CLOCK_MONOTONIC, &start);
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    rusage r{};
    if (::wait4(pid, &status, 0, &r) == pid) {
      ::clock_gettime(CLOCK_MONOTONIC, &end);
      u.wallMs = static_cast<double>(end.tv_sec - start.tv_sec) * 1e3 +
                 static_cast<double>(end.tv_nsec - start.tv_nsec) / 1e6;
      u.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      u.cpuMs = static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e3 +
                static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e3;
      u.faults = r.ru_minflt + r.ru_majflt;
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  return u;
}

// --- patches (offsets count from the file's first byte) ---

void Put24(Bytes& b, uint32_t v) {
  b.insert(b.end(), {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
}
void Put16(Bytes& b, uint32_t v) {
  b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)});
}
void Record(Bytes& p, uint32_t at, uint32_t size, std::mt19937& rng) {
  Put24(p, at);
  Put16(p, size);
  for (uint32_t k = 0; k < size; ++k) p.push_back(static_cast<uint8_t>(rng()));
}
void Run(Bytes& p, uint32_t at, uint32_t length, uint8_t fill) {
  Put24(p, at);
  Put16(p, 0);
  Put16(p, length);
  p.push_back(fill);
}
Bytes Patch(const std::string& kind) {
  std::mt19937 rng(static_cast<uint32_t>(kind.size()));
  Bytes p{'P', 'A', 'T', 'C', 'H'};
  if (kind == "small") {  // 20,000 records of 1-48 bytes
    for (int i = 0; i < 20000; ++i) {
      const uint32_t size = 1 + rng() % 48;
      Record(p, rng() % (kImageSize - size), size, rng);
    }
  } else if (kind == "large") {  // 1 MiB in records of 64 KiB - 1
    for (uint32_t done = 0; done < (1u << 20);) {
      const uint32_t size = std::min<uint32_t>(0xFFFF, (1u << 20) - done);
      Record(p, rng() % (kImageSize - size), size, rng);
      done += size;
    }
  } else if (kind == "runs") {  // 20,000 run records of 1-512 bytes
    for (int i = 0; i < 20000; ++i) {
      const uint32_t length = 1 + rng() % 512;
      Run(p, rng() % (kImageSize - length), length, static_cast<uint8_t>(rng()));
    }
  } else if (kind == "growth") {  // 1 MiB past the end
    for (uint32_t at = kImageSize; at < kImageSize + (1u << 20);) {
      const uint32_t size = std::min<uint32_t>(0xFFFF, kImageSize + (1u << 20) - at);
      Record(p, at, size, rng);
      at += size;
    }
  } else {  // "mixed": 5,000 records and runs, overlapping each other within 64 KiB
    for (int i = 0; i < 5000; ++i) {
      const uint32_t at = 0x200000 + rng() % 0x10000;
      if (rng() % 2) {
        Record(p, at, 1 + rng() % 256, rng);
      } else {
        Run(p, at, 1 + rng() % 1024, static_cast<uint8_t>(rng()));
      }
    }
  }
  p.insert(p.end(), {'E', 'O', 'F'});
  return p;
}

struct Workspace {
  Workspace() {
    char tmpl[] = "/tmp/ts2-process-bench-XXXXXX";
    dir = ::mkdtemp(tmpl);
    std::mt19937 rng(4);
    Bytes image(kImageSize);
    for (uint8_t& b : image) b = static_cast<uint8_t>(rng());
    std::memcpy(image.data() + kTitleOffset, kGameTitle, 15);
    write("game.sfc", image);
    Bytes headered(512, 0);
    headered.insert(headered.end(), image.begin(), image.end());
    write("game-headered.sfc", headered);
  }
  ~Workspace() { std::filesystem::remove_all(dir); }
  std::string file(const std::string& name) const { return (dir / name).string(); }
  std::string write(const std::string& name, const Bytes& bytes) {
    std::FILE* f = std::fopen(file(name).c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return file(name);
  }
  std::filesystem::path dir;
};

Workspace& Space() {
  static Workspace w;
  return w;
}

std::string Tool() {
  const char* other = std::getenv("TS2_TOOL");
  return other && *other ? other : TS2_TOOL_PATH;
}

std::string Floor() {
  const char* other = std::getenv("TS2_FLOOR");
  return other && *other ? other : TS2_FLOOR_PATH;
}

// The peak resident set (KiB) of a run of `args`, through `ts2_floor peak`; -1 when it failed.
long PeakKb(const std::vector<std::string>& args, const std::string& scratch) {
  std::vector<std::string> run = {Floor(), "peak", scratch};
  run.insert(run.end(), args.begin(), args.end());
  std::filesystem::remove(scratch);
  if (Run(run).status != 0) return -1;
  std::FILE* in = std::fopen(scratch.c_str(), "r");
  long kb = -1;
  if (in) {
    if (std::fscanf(in, "%ld", &kb) != 1) kb = -1;
    std::fclose(in);
  }
  return kb;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Runs the program and its floor (and the second floor, when given) alternately; the benchmark's
// time is the program's CPU time. The wall-time counters are medians over the iterations (the
// ratios: of each run against the floor's run right after it, which met the same disk); wall
// time includes waiting for the disk's flush and moves more than CPU time on a shared machine.
void Paired(benchmark::State& state, const std::vector<std::string>& program,
            const std::vector<std::string>& floor, const std::vector<std::string>& readingFloor = {}) {
  double ms = 0, floorMs = 0, readingMs = 0;
  std::vector<double> wall, floorWall, pairRatio, readingRatio;
  Usage last, lastFloor;
  for (auto _ : state) {
    last = Run(program);
    lastFloor = Run(floor);
    Usage reading;
    reading.status = 0;
    if (!readingFloor.empty()) reading = Run(readingFloor);
    if (last.status != 0 || lastFloor.status != 0 || reading.status != 0) {
      state.SkipWithError("a run failed");
      return;
    }
    state.SetIterationTime(last.cpuMs / 1e3);
    ms += last.cpuMs;
    floorMs += lastFloor.cpuMs;
    readingMs += reading.cpuMs;
    wall.push_back(last.wallMs);
    floorWall.push_back(lastFloor.wallMs);
    pairRatio.push_back(last.wallMs / lastFloor.wallMs);
    if (!readingFloor.empty()) readingRatio.push_back(last.wallMs / reading.wallMs);
  }
  if (!readingFloor.empty()) {
    state.counters["ratio_read_patch"] = ms / readingMs;
    state.counters["wall_ratio_read_patch"] = Median(readingRatio);
  }
  state.counters["wall_ms"] = Median(wall);
  state.counters["floor_wall_ms"] = Median(floorWall);
  state.counters["wall_ratio"] = Median(pairRatio);
  const auto n = static_cast<double>(state.iterations());
  state.counters["ms"] = ms / n;
  state.counters["floor_ms"] = floorMs / n;
  state.counters["ratio"] = ms / floorMs;
  std::vector<double> peak, floorPeak;
  const std::string scratch = Space().file("peak.txt");
  for (int i = 0; i < 3; ++i) {
    peak.push_back(static_cast<double>(PeakKb(program, scratch)));
    floorPeak.push_back(static_cast<double>(PeakKb(floor, scratch)));
  }
  state.counters["rss_kb"] = Median(peak);
  state.counters["floor_rss_kb"] = Median(floorPeak);
  state.counters["rss_ratio"] = Median(peak) / Median(floorPeak);
  state.counters["faults"] = static_cast<double>(last.faults);
  state.counters["floor_faults"] = static_cast<double>(lastFloor.faults);
}

void BM_Info(benchmark::State& state) {
  Workspace& w = Space();
  Paired(state, {Tool(), "info", w.file("game.sfc")}, {Floor(), "read", w.file("game.sfc")});
}

void BM_Patch(benchmark::State& state, const std::string& kind, bool headered) {
  Workspace& w = Space();
  const std::string rom = w.file(headered ? "game-headered.sfc" : "game.sfc");
  const std::string patch = w.write(kind + ".ips", Patch(kind));
  const std::string out = w.file("out.sfc"), reference = w.file("reference.sfc");
  // The floor writes the same bytes: those of the output, made once beforehand.
  if (Run({Tool(), "patch", rom, patch, "-o", reference}).status != 0) {
    state.SkipWithError("ts2tool patch failed");
    return;
  }
  Paired(state, {Tool(), "patch", rom, patch, "-o", out}, {Floor(), "copy", reference, out},
         {Floor(), "copy", reference, out, patch});
}

BENCHMARK(BM_Info)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);
#define TS2_PATCH_CASE(kind)                                \
  BENCHMARK_CAPTURE(BM_Patch, kind, #kind, false)           \
      ->UseManualTime()                                     \
      ->Unit(benchmark::kMillisecond)                       \
      ->Iterations(40);                                     \
  BENCHMARK_CAPTURE(BM_Patch, kind##_headered, #kind, true) \
      ->UseManualTime()                                     \
      ->Unit(benchmark::kMillisecond)                       \
      ->Iterations(40)
TS2_PATCH_CASE(small);
TS2_PATCH_CASE(large);
TS2_PATCH_CASE(runs);
TS2_PATCH_CASE(growth);
TS2_PATCH_CASE(mixed);

}  // namespace
}  // namespace ts2

BENCHMARK_MAIN();
