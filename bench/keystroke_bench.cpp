// One keystroke in the Text Editor: the work TDMemoChange does (find the current string's
// section in the whole text, copy it, encode it, draw both boxes) on the headless toolkit, with
// a translation file of 10,000 sections (about 1 MB) and the caret in the last section, the one
// the search reaches last. Beside it, in the same run, its floor: one case-sensitive pass of the
// section header over the same text, the least any redraw that finds the section must read.
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTS2_BUILD_BENCH=ON
//   cmake --build build-bench --target ts2_keystroke_bench && build-bench/bench/ts2_keystroke_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/fileutil.h"
#include "headless/headless.h"
#include "script/compress.h"
#include "script/textfile.h"

namespace ts2 {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kImageSize = 4u << 20;
constexpr int kStrings = 10000;
constexpr uint32_t kPointerTable = 0x100000;  // the block's string pointers
constexpr uint32_t kTextBank = 0x110000;      // and its strings
constexpr int kDistinctStrings = 2000;        // a bank holds this many strings of 24 bytes

void WriteFile(const std::string& path, const void* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(data, 1, size, f);
  std::fclose(f);
}

// A ROM with a 256-glyph font and one block of 10,000 strings of 24 one-byte characters.
Bytes Image() {
  Bytes image(kImageSize, 0);
  std::memcpy(image.data() + kTitleOffset, kGameTitle, 15);
  std::mt19937 rng(7);
  Bytes glyphs(256 * 32);
  for (uint8_t& b : glyphs) b = static_cast<uint8_t>(rng());
  const Bytes table = BuildGlyphTable(glyphs, kFontTableOffset);
  std::memcpy(image.data() + kFontTableOffset, table.data(), table.size());
  for (int s = 0; s < kStrings; ++s) {
    const uint32_t pointer = static_cast<uint32_t>(s % kDistinctStrings) * 25;
    image[kPointerTable + 2 * s] = static_cast<uint8_t>(pointer);
    image[kPointerTable + 2 * s + 1] = static_cast<uint8_t>(pointer >> 8);
  }
  for (int s = 0; s < kDistinctStrings; ++s) {
    uint8_t* str = image.data() + kTextBank + s * 25;
    str[0] = 23;  // 24 one-byte characters
    for (int c = 1; c <= 24; ++c) str[c] = static_cast<uint8_t>(rng());
  }
  return image;
}

// 10,000 sections of two lines of about 40 characters each: about 1 MB with CR LF line ends.
std::string TranslationFile() {
  std::string text = "// Do not erase these: \r\n// .STRING #\r\n// .ENDS\r\n\r\n\r\n";
  for (int s = 0; s < kStrings; ++s) {
    text += Format(".STRING %d\r\n", s);
    text += Format("The hero [PLAYER] reads line %05d of the\r\n", s);
    text += "translation, [$4142] and more words here.\r\n.ENDS\r\n\r\n\r\n\r\n";
  }
  return text;
}

struct Workspace {
  Workspace() {
    char tmpl[] = "/tmp/ts2-keystroke-bench-XXXXXX";
    dir = ::mkdtemp(tmpl);
    saved = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    const Bytes image = Image();
    romPath = (dir / "game.sfc").string();
    WriteFile(romPath, image.data(), image.size());
    const std::string data = Format(".FORMAT 18 16 8 1 16 0 1 2 3\r\n.BLOCK $%06X $%06X 0 %d\r\n",
                                    kPointerTable | 0xC00000, kTextBank | 0xC00000, kStrings);
    dataPath = (dir / "data.txt").string();
    WriteFile(dataPath, data.data(), data.size());
    std::filesystem::create_directory(dir / "Dumps");
    translation = TranslationFile();
    WriteFile(TranslationFileName((dir / "Dumps").string(), kPointerTable), translation.data(),
              translation.size());
  }
  ~Workspace() {
    std::filesystem::current_path(saved);
    std::filesystem::remove_all(dir);
  }
  std::filesystem::path dir, saved;
  std::string romPath, dataPath, translation;
};

Workspace& Space() {
  static Workspace w;
  return w;
}

void BM_Keystroke(benchmark::State& state) {
  Workspace& w = Space();
  headless::HeadlessProgram p;
  p.ui.script.openAnswers.push_back(std::vector<std::string>{w.romPath});
  p.ui.script.openAnswers.push_back(std::vector<std::string>{w.dataPath});
  p.form().OpenBinaryTextData1Click(kNoSender);
  if (p.ui.TDMemo.textLength() < 1000000) {
    state.SkipWithError("the translation file was not loaded");
    return;
  }
  p.ui.pList.setItemIndex(kStrings - 1);
  p.program.listClick(ControlId::pList);
  // The caret at the end of the last section's first text line; keys come from the editor.
  p.ui.win(FormId::TxtForm).setActive(true);
  const std::string text = p.ui.TDMemo.text();
  const size_t header = text.rfind(Format(".STRING %d", kStrings - 1));
  p.ui.TDMemo.setSelection(static_cast<int>(text.find('\n', text.find('\n', header) + 1)), 0);

  for (auto _ : state) p.ui.TDMemo.type("x");  // raises the change event: TDMemoChange

  if (p.form().gCurString != kStrings - 1 || p.form().gSectionLine < 0 ||
      p.ui.statusBar().panelText(0).find("PTR") == std::string::npos)
    state.SkipWithError("the keystroke did not redraw the last string");
  state.counters["text_bytes"] = static_cast<double>(p.ui.TDMemo.textLength());
}

void BM_KeystrokeFloor(benchmark::State& state) {
  const std::string text = FileBytesToEditorText(Space().translation);
  const std::string header = Format(".STRING %d", kStrings - 1);
  for (auto _ : state) benchmark::DoNotOptimize(text.find(header));
}

BENCHMARK(BM_Keystroke)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeystrokeFloor)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ts2

BENCHMARK_MAIN();
