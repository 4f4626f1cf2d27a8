// Similar Strings over a whole script, as `ts2tool similar` and `ts2tool export --suggest` ask it:
// for every string not translated yet, the translated strings whose original is at least 70%
// alike. The script is made of blocks of 1,000 strings, one in ten not translated; a third of the
// originals are an earlier original with a word changed, as a game says a line again with another
// number or name. Two kinds of originals:
//   words  English-like: 24 short words, lines of up to 30 characters (the hardest case for the
//          quick bounds: every line holds much the same letters)
//   kana   Japanese-like: 400 words of 2 to 4 of 80 kana, lines of 3 to 9 words
//   names  lines said again and again with another name in them ("You got [$0123]!"): 20 such
//          lines, each string its own name, so a string is alike to thousands of others and
//          every name is a character of its own
// Each beside its floor measured in the same iterations: the memory built from the same originals
// and translations, which any answer must read. The `ratio` counter is the search's time over the
// floor's; `us_per_string` the search's time per string asked.
//
//   cmake --build build-bench --target ts2_similar_bench && build-bench/bench/ts2_similar_bench
#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "core/fileutil.h"
#include "core/utf8.h"
#include "views/similar.h"

namespace ts2 {
namespace {

constexpr uint32_t kBlockStrings = 1000;

struct Script {
  std::vector<ScriptBlock> blocks;
  std::vector<std::vector<std::string>> originals;  // UTF-8, by block
  std::vector<std::string> texts;                   // translation files' texts, by block
  size_t asked = 0;                                 // strings not translated
};

std::vector<std::string> Words(bool kana, std::mt19937& random) {
  if (!kana)
    return {"the",  "sword",  "king", "castle", "Mira",   "Tom",  "go",   "east",
            "west", "dragon", "gold", "inn",    "rest",   "road", "old",  "north",
            "find", "take",   "ask",  "beware", "shield", "ring", "door", "key"};
  std::vector<std::string> syllables;
  for (char32_t c = U'あ'; syllables.size() < 80; ++c) syllables.push_back(ToUtf8(std::u32string(1, c)));
  std::vector<std::string> words(400);
  for (std::string& w : words)
    for (size_t k = 2 + random() % 3; k > 0; --k) w += syllables[random() % syllables.size()];
  return words;
}

enum class Kind { words, kana, names };

Script MakeScript(size_t strings, Kind kind) {
  const bool kana = kind == Kind::kana;
  std::mt19937 random(7);
  const std::vector<std::string> words = Words(kana, random);
  // Common words more often than rare ones.
  const auto word = [&] { return words[std::min(random() % words.size(), random() % words.size())]; };
  Script script;
  std::vector<std::vector<std::string>> said;  // each line's words
  for (uint32_t b = 0; b * kBlockStrings < strings; ++b) {
    script.blocks.push_back({static_cast<int>(b), 0x100000 + b * 0x1000, kBlockStrings, ""});
    std::vector<std::string>& originals = script.originals.emplace_back();
    std::string text;
    for (uint32_t s = 0; s < kBlockStrings; ++s) {
      std::vector<std::string> line;
      if (kind == Kind::names) {
        line = {Format("Line %u of the [$%04X] you got.", static_cast<unsigned>(random() % 20),
                       b * kBlockStrings + s)};
      } else if (!said.empty() && random() % 3 == 0) {
        line = said[random() % said.size()];
        line[random() % line.size()] = word();
      } else if (kana) {
        for (size_t k = 3 + random() % 7; k > 0; --k) line.push_back(word());
      } else {
        for (size_t length = 0; length < 24;) length += (line.emplace_back(word())).size() + 1;
      }
      said.push_back(line);
      std::string original;
      for (const std::string& w : line) original += (original.empty() || kana ? "" : " ") + w;
      originals.push_back(original + (kana ? "。" : "."));
      if (s % 10 == 9) {
        ++script.asked;
        continue;
      }
      text += Format(".STRING %u\r\nTr %u %u\r\n.ENDS\r\n\r\n", s, b, s);
    }
    script.texts.push_back(std::move(text));
  }
  return script;
}

TranslationMemory Memory(const Script& script) {
  TranslationMemory memory;
  for (size_t b = 0; b < script.blocks.size(); ++b)
    memory.SetBlock(script.blocks[b], script.originals[b], std::string_view(script.texts[b]));
  return memory;
}

void BM_SimilarScript(benchmark::State& state, Kind kind) {
  const Script script = MakeScript(static_cast<size_t>(state.range(0)), kind);
  using Clock = std::chrono::steady_clock;
  Clock::duration passTime{}, floorTime{};
  size_t found = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const auto f0 = Clock::now();
    const TranslationMemory memory = Memory(script);
    floorTime += Clock::now() - f0;
    state.ResumeTiming();
    const auto p0 = Clock::now();
    found = 0;
    for (const ScriptBlock& b : script.blocks)
      for (uint32_t s = 9; s < b.strings; s += 10) found += memory.Similar(b.index, s, 70, 5).size();
    passTime += Clock::now() - p0;
  }
  const auto ms = [&](Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count() / static_cast<double>(state.iterations());
  };
  state.counters["floor_ms"] = ms(floorTime);
  state.counters["ratio"] = ms(passTime) / ms(floorTime);
  state.counters["us_per_string"] = ms(passTime) * 1000 / static_cast<double>(script.asked);
  state.counters["matches"] = static_cast<double>(found);
  if (found == 0) state.SkipWithError("nothing was found alike");
}

void BM_SimilarScript_words(benchmark::State& state) {
  BM_SimilarScript(state, Kind::words);
}
void BM_SimilarScript_kana(benchmark::State& state) {
  BM_SimilarScript(state, Kind::kana);
}
void BM_SimilarScript_names(benchmark::State& state) {
  BM_SimilarScript(state, Kind::names);
}

BENCHMARK(BM_SimilarScript_words)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SimilarScript_kana)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SimilarScript_names)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace ts2

BENCHMARK_MAIN();
