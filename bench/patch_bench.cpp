// Creating the patch a translator ships: ts2tool diff's work (both files read, the patch made,
// the patch written through WriteFileAtomic) for IPS and BPS on five 4 MiB pairs, each beside its
// floor in the same run: the same two files read and a file of the patch's size written with
// plain stdio. At the end a table gives each pair's patch sizes against the size goals and each
// time against its floor and against the time goals.
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTS2_BUILD_BENCH=ON
//   cmake --build build-bench --target ts2_patch_bench && build-bench/bench/ts2_patch_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/fileutil.h"
#include "core/romfile.h"
#include "patch/bps.h"
#include "patch/ips.h"

namespace ts2 {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kImageSize = 4u << 20;

// --- the five pairs, made the same way on every run ---

Bytes RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(size);
  for (uint8_t& x : b) x = static_cast<uint8_t>(rng());
  return b;
}

// Text as a translation puts it in: words of a small vocabulary, so that words repeat.
class TextMaker {
 public:
  explicit TextMaker(uint32_t seed) : rng_(seed) {
    std::uniform_int_distribution<int> len(2, 9), letter('a', 'z');
    for (int i = 0; i < 400; ++i) {
      std::string w;
      for (int k = len(rng_); k > 0; --k) w += static_cast<char>(letter(rng_));
      words_.push_back(w);
    }
  }
  Bytes text(size_t size) {
    std::string t;
    while (t.size() < size) {
      if (!t.empty()) t += ' ';
      t += words_[rng_() % words_.size()];
    }
    return Bytes(t.begin(), t.begin() + static_cast<std::ptrdiff_t>(size));
  }
  std::mt19937& rng() { return rng_; }

 private:
  std::mt19937 rng_;
  std::vector<std::string> words_;
};

// 3,000 strings of 10 to 100 bytes replaced by new text at scattered offsets.
void TextEdits(Bytes& image, uint32_t seed, size_t from, size_t to, int count) {
  TextMaker text(seed);
  for (int i = 0; i < count; ++i) {
    const size_t length = 10 + text.rng()() % 91;
    const size_t at = from + text.rng()() % (to - from - length);
    const Bytes t = text.text(length);
    std::copy(t.begin(), t.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
  }
}

struct Pair {
  const char* name;
  Bytes original, modified;
  size_t ipsGoal, bpsGoal;  // sizes a mature standalone patcher reaches (IPS as is, BPS times 1.05)
};

std::vector<Pair> MakePairs() {
  const Bytes base = RandomBytes(kImageSize, 1);
  std::vector<Pair> pairs;

  Bytes edited = base;
  TextEdits(edited, 2, 0, kImageSize, 3000);
  pairs.push_back({"text_edits", base, edited, 179862, 168050});

  Bytes filled = base;
  std::mt19937 rng(3);
  for (int i = 0; i < 2000; ++i) {
    const size_t length = 1 + rng() % 16;
    const size_t at = rng() % (kImageSize - length);
    std::fill_n(filled.begin() + static_cast<std::ptrdiff_t>(at), length, static_cast<uint8_t>(rng()));
  }
  pairs.push_back({"fills", base, filled, 15615, 15158});

  Bytes grown = edited;
  const Bytes growth = RandomBytes(512u << 10, 4);
  grown.insert(grown.end(), growth.begin(), growth.end());
  pairs.push_back({"text_edits_growth", base, grown, 704195, 692546});

  Bytes marker = base;
  const Bytes more = RandomBytes(1u << 20, 5);
  marker.insert(marker.end(), more.begin(), more.end());
  TextEdits(marker, 6, ips::kEofMarker - 0x400, ips::kEofMarker + 0x400, 40);
  marker[ips::kEofMarker] ^= 0xFF;
  pairs.push_back({"eof_marker_5mib", base, marker, 1048669, 1048609});

  Bytes moved = base;
  constexpr size_t kBlock = 0x10000, kFrom = 0x180000;
  std::copy_n(base.begin() + kFrom, kBlock, moved.begin() + kFrom + 3);
  pairs.push_back({"moved_block", base, moved, 65554, 40});
  return pairs;
}

// --- files in a scratch folder ---

struct Workspace {
  Workspace() : pairs(MakePairs()) {
    char tmpl[] = "/tmp/ts2-patch-bench-XXXXXX";
    dir = ::mkdtemp(tmpl);
    for (const Pair& p : pairs) {
      write(std::string(p.name) + ".orig", p.original);
      write(std::string(p.name) + ".mod", p.modified);
    }
  }
  ~Workspace() { std::filesystem::remove_all(dir); }
  std::string path(const std::string& name) const { return (dir / name).string(); }
  void write(const std::string& name, const Bytes& bytes) const {
    std::FILE* f = std::fopen(path(name).c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  std::filesystem::path dir;
  std::vector<Pair> pairs;
};

Workspace& Space() {
  static Workspace w;
  return w;
}

enum class Kind { Ips, Bps, Floor };

struct Sizes {
  size_t ips = 0, bps = 0;
  bool ipsRoundTrip = false, bpsRoundTrip = false;
};
std::map<std::string, Sizes>& SizesByPair() {
  static std::map<std::string, Sizes> sizes;
  return sizes;
}

// What ts2tool diff does between reading the arguments and exiting.
Bytes Diff(const Workspace& w, const Pair& p, Kind kind) {
  RomFile original, modified;
  ReadRomFile(w.path(std::string(p.name) + ".orig"), {}, original);
  ReadRomFile(w.path(std::string(p.name) + ".mod"), {}, modified);
  Bytes patch;
  if (kind == Kind::Bps) {
    patch = bps::CreatePatch(original.gameData(), modified.gameData());
  } else {
    patch = ips::CreatePatch({original.bytes.get(), original.size}, {modified.bytes.get(), modified.size})
                .value();
  }
  WriteFileAtomic(w.path(std::string(p.name) + (kind == Kind::Bps ? ".bps" : ".ips")), patch.data(),
                  patch.size());
  return patch;
}

// The floor: both files read into new buffers and a file of the patch's size written, plain stdio.
void Floor(const Workspace& w, const Pair& p, size_t patchSize) {
  for (const char* ext : {".orig", ".mod"}) {
    std::FILE* f = std::fopen(w.path(std::string(p.name) + ext).c_str(), "rb");
    Bytes b(ext[1] == 'o' ? p.original.size() : p.modified.size());
    benchmark::DoNotOptimize(std::fread(b.data(), 1, b.size(), f));
    std::fclose(f);
  }
  const Bytes out(patchSize, 0x5A);
  std::FILE* f = std::fopen(w.path(std::string(p.name) + ".floor").c_str(), "wb");
  std::fwrite(out.data(), 1, out.size(), f);
  std::fclose(f);
  benchmark::ClobberMemory();
}

bool RoundTrips(const Pair& p, Kind kind, const Bytes& patch) {
  Bytes image = p.original;
  if (kind == Kind::Ips) return ips::ApplyPatch(patch, image) == ips::Error::None && image == p.modified;
  Bytes target;
  return bps::Apply(bps::StudyPatch(patch), patch, p.original, target) == bps::Error::None &&
         target == p.modified;
}

void Run(benchmark::State& state, size_t pair, Kind kind) {
  const Workspace& w = Space();
  const Pair& p = w.pairs[pair];
  Sizes& sizes = SizesByPair()[p.name];
  if (kind == Kind::Floor) {
    for (auto _ : state) Floor(w, p, sizes.ips);
    return;
  }
  Bytes patch;
  for (auto _ : state) patch = Diff(w, p, kind);
  const bool ok = RoundTrips(p, kind, patch);
  if (kind == Kind::Ips) {
    sizes.ips = patch.size();
    sizes.ipsRoundTrip = ok;
  } else {
    sizes.bps = patch.size();
    sizes.bpsRoundTrip = ok;
  }
  state.counters["patch_bytes"] = static_cast<double>(patch.size());
  if (!ok) state.SkipWithError("the patch does not give the modified image back");
}

// Keeps each benchmark's CPU time (the median when repeated) for the closing table.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration || r.aggregate_name == "median")
        cpuMs[r.run_name.function_name] = r.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> cpuMs;
};

}  // namespace
}  // namespace ts2

int main(int argc, char** argv) {
  using namespace ts2;
  benchmark::Initialize(&argc, argv);
  const std::vector<Pair>& pairs = Space().pairs;
  for (size_t i = 0; i < pairs.size(); ++i) {
    const std::string name = pairs[i].name;
    // The IPS run comes first: the floor writes a file of the IPS patch's size.
    benchmark::RegisterBenchmark(("BM_Ips/" + name).c_str(), Run, i, Kind::Ips)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_Floor/" + name).c_str(), Run, i, Kind::Floor)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BM_Bps/" + name).c_str(), Run, i, Kind::Bps)
        ->Unit(benchmark::kMillisecond);
  }
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\n%-18s %10s %10s %10s %10s | %9s %9s %9s %7s %7s\n", "pair", "IPS bytes", "goal", "BPS bytes",
              "goal", "IPS ms", "BPS ms", "floor ms", "IPS/fl", "BPS/fl");
  for (const Pair& p : pairs) {
    const Sizes& s = SizesByPair()[p.name];
    const double ips = reporter.cpuMs["BM_Ips/" + std::string(p.name)];
    const double bps = reporter.cpuMs["BM_Bps/" + std::string(p.name)];
    const double floor = reporter.cpuMs["BM_Floor/" + std::string(p.name)];
    const size_t bpsGoal = p.bpsGoal * 105 / 100;
    std::printf("%-18s %10zu %9zu%s %10zu %9zu%s | %9.1f %9.1f %9.2f %6.0fx %6.0fx%s\n", p.name, s.ips,
                p.ipsGoal, s.ips <= p.ipsGoal ? " " : "!", s.bps, bpsGoal, s.bps <= bpsGoal ? " " : "!", ips,
                bps, floor, floor > 0 ? ips / floor : 0, floor > 0 ? bps / floor : 0,
                s.ipsRoundTrip && s.bpsRoundTrip ? "" : "  ROUND TRIP FAILED");
  }
  std::printf(
      "Goals: IPS creation <= 150 ms and BPS creation <= 1000 ms for each pair; '!' marks a size over "
      "its goal.\n");
  benchmark::Shutdown();
  return 0;
}
