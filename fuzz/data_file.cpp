// The text block data file loader with its colour and character table sections: the input is
// the data file, read by the real loader. (With no ROM loaded the block selection at its end
// does nothing; the string decoding target covers what follows.)
//
// One program serves every input: before each, what the loader reads or changes is put back as
// a new program has it (starting a program per input costs twenty times the load itself).
#include <algorithm>
#include <array>

#include "core/menu.h"
#include "harness.h"

namespace {

constexpr std::array kToolWindows{ts2::FormId::TxtForm, ts2::FormId::HexForm, ts2::FormId::KanaForm};
std::array<bool, kToolWindows.size()> gNewWindowVisible{};

// Not instrumented for coverage: the loop over the 65,536 entries would be most of each run.
__attribute__((no_sanitize("coverage"))) void ResetWhatTheLoaderUses(ts2::headless::HeadlessProgram& p) {
  ts2::TmyForm& f = p.form();
  f.gDataLoaded = 0;
  for (const ts2::MenuEntry& e : ts2::MenuTable()) f.SetChecked(e.id, e.checked);
  for (size_t i = 0; i < kToolWindows.size(); ++i) p.ui.win(kToolWindows[i]).setVisible(gNewWindowVisible[i]);
  f.gFontAddress = 0;
  f.gLineWidth = 0;
  f.gGlyphH = f.gGlyphW = f.gWidthScale = 0;
  f.gFormatReserved = {};
  for (auto* table : {&f.gBlockOffset, &f.gBlockStrings, &f.gBlockField2, &f.gBlockField3})
    std::fill_n(table->get(), ts2::kMaxBlocks, 0u);
  // As the program's start leaves them: colour 0x0F, nothing else. Most entries are untouched.
  for (auto [table, count] : {std::pair{&f.gCharTable16, 0x10000}, {&f.gCharTable, 0x100}}) {
    for (size_t c = 0; c < static_cast<size_t>(count); ++c) {
      const ts2::CharEntry& e = table->at(c);
      if (e.text.has_value() || e.length != 0 || e.colour != 0x0F || e.nullFlag != 0)
        (*table)[c] = ts2::CharEntry{0, 0x0F, 0, std::nullopt};
    }
  }
}

// What a load leaves behind that anything after it reads.
bool SameLoad(ts2::headless::HeadlessProgram& a, ts2::headless::HeadlessProgram& b) {
  ts2::TmyForm &x = a.form(), &y = b.form();
  auto sameEntries = [](const ts2::CharTable& p, const ts2::CharTable& q, size_t n) {
    for (size_t c = 0; c < n; ++c) {
      const ts2::CharEntry &e = p.at(c), &g = q.at(c);
      if (e.length != g.length || e.colour != g.colour || e.nullFlag != g.nullFlag || e.text != g.text)
        return false;
    }
    return true;
  };
  for (const ts2::MenuEntry& e : ts2::MenuTable())
    if (x.Checked(e.id) != y.Checked(e.id)) return false;
  for (ts2::FormId w : kToolWindows)
    if (a.ui.win(w).visible() != b.ui.win(w).visible()) return false;
  for (auto table : {&ts2::Ts2Main::gBlockOffset, &ts2::Ts2Main::gBlockStrings, &ts2::Ts2Main::gBlockField2,
                     &ts2::Ts2Main::gBlockField3})
    if (!std::equal((x.*table).get(), (x.*table).get() + ts2::kMaxBlocks, (y.*table).get())) return false;
  return a.ui.bList.lines == b.ui.bList.lines && a.ui.messages() == b.ui.messages() &&
         x.gDataLoaded == y.gDataLoaded && x.gFontAddress == y.gFontAddress && x.gLineWidth == y.gLineWidth &&
         x.gGlyphH == y.gGlyphH && x.gGlyphW == y.gGlyphW && x.gWidthScale == y.gWidthScale &&
         x.gFormatReserved == y.gFormatReserved && sameEntries(x.gCharTable, y.gCharTable, 0x100) &&
         sameEntries(x.gCharTable16, y.gCharTable16, 0x10000);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ts2::fuzz::MakeScratchFolder();
  ts2::headless::HeadlessProgram& p = ts2::fuzz::ReusedProgram();
  for (size_t i = 0; i < kToolWindows.size(); ++i) gNewWindowVisible[i] = p.ui.win(kToolWindows[i]).visible();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = ts2::fuzz::WriteScratchFile("data.txt", ts2::fuzz::AsSpan(data, size));
  ts2::fuzz::InScratchFolder cwd;
  ts2::headless::HeadlessProgram& p = ts2::fuzz::ReusedProgram();
  ResetWhatTheLoaderUses(p);
  p.form().LoadDataFile(path);
  ts2::fuzz::Check(p.ui.bList.count() <= ts2::kMaxBlocks);
  // Now and then the same input on a new program, to show the reset leaves nothing behind.
  static unsigned count = 0;
  if (++count % 64 == 0) {
    ts2::headless::HeadlessProgram fresh;
    fresh.form().LoadDataFile(path);
    ts2::fuzz::Check(SameLoad(p, fresh));
  }
  return 0;
}
