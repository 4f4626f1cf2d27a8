// `ts2tool check --spell en_US` as a whole process on a 1.3 MB translation file, against its
// floor in the same iteration: the same `ts2tool check` without --spell (start-up, the ROM and
// the data file, every section linted), so the ratio is what the spelling check adds.
//
// The file has 10,000 sections of four text lines: English words drawn from the installed
// dictionary (about 9,500 distinct ones, as a long script has), tags, codes and numbers the check
// skips, and 40 distinct misspellings spread over 2,000 sections. BM_CheckSpell/40 reports them
// (each asks the dictionary for suggestions once); BM_CheckSpell/0 has them in the project's
// word list (--words), so it measures checking the words alone. The time is the child's CPU time
// (user + system, from wait4), the figure a busy machine moves least.
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTS2_BUILD_BENCH=ON
//   cmake --build build-bench --target ts2_check_spell_bench ts2tool
//   build-bench/bench/ts2_check_spell_bench
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/fileutil.h"
#include "core/state.h"
#include "script/compress.h"
#include "script/textfile.h"

extern char** environ;

namespace ts2 {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kImageSize = 4u << 20;
constexpr int kStrings = 10000;
constexpr uint32_t kPointerTable = 0x100000;
constexpr uint32_t kTextBank = 0x110000;
constexpr char kDictionary[] = "/usr/share/hunspell/en_US.dic";

// Runs `args` with its output to /dev/null: the child's CPU time in milliseconds and its exit
// status (-1 when it did not exit).
std::pair<double, int> Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  double ms = 0;
  int exit = -1;
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    rusage r{};
    if (::wait4(pid, &status, 0, &r) == pid) {
      exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      ms = static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e3 +
           static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e3;
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  return {ms, exit};
}

void WriteFile(const std::filesystem::path& path, const void* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(data, 1, size, f);
  std::fclose(f);
}

// A ROM with a 256-glyph font and one block of 10,000 short strings.
Bytes Image() {
  Bytes image(kImageSize, 0);
  std::memcpy(image.data() + kTitleOffset, kGameTitle, 15);
  std::mt19937 rng(7);
  Bytes glyphs(256 * 32);
  for (uint8_t& b : glyphs) b = static_cast<uint8_t>(rng());
  const Bytes table = BuildGlyphTable(glyphs, kFontTableOffset);
  std::memcpy(image.data() + kFontTableOffset, table.data(), table.size());
  for (int s = 0; s < kStrings; ++s) {
    image[kPointerTable + 2 * s] = 0;  // every string is the same 4 bytes
    image[kPointerTable + 2 * s + 1] = 0;
  }
  image[kTextBank] = 3;
  for (int c = 1; c <= 4; ++c) image[kTextBank + c] = static_cast<uint8_t>(0x40 + c);
  return image;
}

// Every 8th plain lower-case word of the dictionary.
std::vector<std::string> Vocabulary() {
  std::vector<std::string> words;
  std::ifstream dic(kDictionary);
  std::string line;
  for (int n = 0; std::getline(dic, line);) {
    const std::string word = line.substr(0, line.find('/'));
    if (word.size() < 2) continue;
    bool plain = true;
    for (char c : word) plain = plain && c >= 'a' && c <= 'z';
    if (plain && n++ % 8 == 0) words.push_back(word);
  }
  return words;
}

std::vector<std::string> Misspellings(const std::vector<std::string>& vocabulary) {
  std::mt19937 rng(5);
  std::vector<std::string> misspelt;
  for (int i = 0; i < 40; ++i) {
    std::string w = vocabulary[rng() % vocabulary.size()];
    w.insert(w.size() / 2, "qz");
    misspelt.push_back(w);
  }
  return misspelt;
}

std::string TranslationFile(const std::vector<std::string>& vocabulary,
                            const std::vector<std::string>& misspelt) {
  std::mt19937 rng(11);
  const char* extras[] = {"[PLAYER]", "[$4142]", "100", "HP10", "[NEWLINE]"};
  std::string text = "// Do not erase these: \r\n// .STRING #\r\n// .ENDS\r\n\r\n";
  for (int s = 0; s < kStrings; ++s) {
    text += Format(".STRING %d\r\n", s);
    for (int line = 0; line < 4; ++line) {
      std::string l;
      while (l.size() < 21) {
        if (!l.empty()) l += ' ';
        const unsigned pick = rng() % 16;
        l += pick == 0                              ? std::string(extras[rng() % 5])
             : pick == 1 && s % 5 == 0 && line == 0 ? misspelt[rng() % misspelt.size()]
                                                    : vocabulary[rng() % vocabulary.size()];
      }
      text += l + (line == 3 ? ".\r\n" : "\r\n");
    }
    text += ".ENDS\r\n\r\n";
  }
  return text;
}

struct Workspace {
  Workspace() {
    char tmpl[] = "/tmp/ts2-check-spell-bench-XXXXXX";
    dir = ::mkdtemp(tmpl);
    const Bytes image = Image();
    rom = (dir / "game.sfc").string();
    WriteFile(rom, image.data(), image.size());
    const std::string data = Format(".FORMAT 18 16 8 1 16 0 1 2 3\r\n.BLOCK $%06X $%06X 0 %d\r\n",
                                    kPointerTable | 0xC00000, kTextBank | 0xC00000, kStrings);
    dataFile = (dir / "data.txt").string();
    WriteFile(dataFile, data.data(), data.size());
    std::filesystem::create_directory(dir / "Dumps");
    const std::vector<std::string> vocabulary = Vocabulary();
    if (vocabulary.size() < 1000) return;
    const std::vector<std::string> misspelt = Misspellings(vocabulary);
    const std::string translation = TranslationFile(vocabulary, misspelt);
    textBytes = translation.size();
    WriteFile(TranslationFileName((dir / "Dumps").string(), kPointerTable), translation.data(),
              translation.size());
    std::string list;
    for (const std::string& w : misspelt) list += w + "\n";
    WriteFile(dir / "known.txt", list.data(), list.size());
    WriteFile(dir / "none.txt", "", 0);
  }
  ~Workspace() { std::filesystem::remove_all(dir); }
  // Without `words`, no spelling check.
  std::vector<std::string> Command(const char* words) const {
    std::vector<std::string> args{TS2_TOOL_PATH, "check", rom, dataFile, "--dumps", (dir / "Dumps").string()};
    if (words) args.insert(args.end(), {"--spell", "en_US", "--words", (dir / words).string()});
    return args;
  }
  std::filesystem::path dir;
  std::string rom, dataFile;
  size_t textBytes = 0;
};

void BM_CheckSpell(benchmark::State& state) {
  static Workspace w;
  if (w.textBytes == 0) {
    state.SkipWithError("the en_US dictionary (hunspell-en-us) is not installed");
    return;
  }
  double spellMs = 0, plainMs = 0;
  for (auto _ : state) {
    const auto [plain, plainExit] = Run(w.Command(nullptr));
    const auto [spell, spellExit] = Run(w.Command(state.range(0) == 0 ? "known.txt" : "none.txt"));
    // Findings (exit 1) may come from lines the random font makes too wide.
    if (plainExit < 0 || plainExit > 1 || spellExit < 0 || spellExit > 1) {
      state.SkipWithError("ts2tool check failed");
      return;
    }
    state.SetIterationTime(spell / 1e3);
    spellMs += spell;
    plainMs += plain;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["spell_ms"] = spellMs / n;
  state.counters["floor_ms"] = plainMs / n;
  state.counters["ratio"] = spellMs / plainMs;
  state.counters["text_bytes"] = static_cast<double>(w.textBytes);
}

BENCHMARK(BM_CheckSpell)->Arg(0)->Arg(40)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace ts2

BENCHMARK_MAIN();
