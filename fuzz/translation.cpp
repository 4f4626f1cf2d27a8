// Translation text: the section search the display runs on the editor's text (from any start
// position, for any string number), the copy of the section found, its encoding into game bytes
// (into buffers of any size, and through the handler into gTransText) and the drawing of the
// encoded translation, the check of the section against the translation box, and Wrap Long
// Lines on it.
//
// Input: 2 bytes string number, 2 bytes start position, 1 byte output capacity (0: the
// translation buffer's size), 1 byte view options, then the editor text.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

#include "display/encode.h"
#include "display/fit.h"
#include "display/lint.h"
#include "display/wrap.h"
#include "harness.h"
#include "script/textfile.h"

namespace {

// Draws gTransText as the display does after encoding a section.
void DrawTranslation(ts2::TmyForm& form, uint8_t options) {
  if (!form.gROM) {
    form.romAlloc = std::make_unique<uint8_t[]>(1);
    form.gROMSize = 1;
    form.gROM = form.romAlloc.get();
  }
  form.gDataLoaded = 1;
  form.gLineWidth = 0x120;
  form.gPages[1].scroll = static_cast<uint16_t>(options << 4);
  form.SetChecked(ts2::MenuId::UseVWFRoutine1, options & 1);
  form.SetChecked(ts2::MenuId::DTT, true);
  form.RenderString(16, 8);
  form.SetChecked(ts2::MenuId::DTT, false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ts2::fuzz::InputReader in(data, size);
  const int32_t n = static_cast<int16_t>(in.u16());
  const int from = static_cast<int16_t>(in.u16());
  const uint8_t capacity = in.u8();
  const uint8_t options = in.u8();
  const std::span<const uint8_t> rest = in.rest();
  const std::string_view text(reinterpret_cast<const char*>(rest.data()), rest.size());

  const auto section = ts2::FindSection(text, n, from);
  if (!section) return 0;
  ts2::fuzz::Check(section->match >= 0 && static_cast<size_t>(section->match) < text.size());
  ts2::fuzz::Check(section->headerLine <= section->endLine);

  const std::vector<std::string> lines = ts2::SectionAt(text, section->headerLine);
  const std::vector<uint8_t> bytes =
      ts2::EncodeSectionLines(lines, capacity ? capacity : ts2::kTransTextSize);
  ts2::fuzz::Check(bytes.size() <= (capacity ? capacity : ts2::kTransTextSize));
  ts2::fuzz::Check(!bytes.empty() && bytes.back() == ts2::kCodeEnd);

  // Name widths from 0 on, past the longest the options allow.
  const ts2::LintOptions lint{.variableWidth = (options & 1) != 0, .playerWidth = options >> 1};
  const std::vector<ts2::LintFinding> findings = ts2::LintSection(lines, lint);
  for (const ts2::LintFinding& f : findings)
    ts2::fuzz::Check(f.line >= 0 && static_cast<size_t>(f.line) < lines.size() && f.column >= 0);
  const ts2::FitVerdict verdict = ts2::MakeFitVerdict(findings, n, section->headerLine + 1);
  ts2::fuzz::Check(!verdict.brief.empty() && !verdict.full.empty());

  // Wrap Long Lines: afterwards only the lines it gave up on are too wide, one more line a break.
  const ts2::Wrapped wrapped = ts2::WrapLongLines(lines, lint);
  ts2::fuzz::Check(wrapped.lines.size() == lines.size() + static_cast<size_t>(wrapped.breaks));
  for (const ts2::LintFinding& f : ts2::LintSection(wrapped.lines, lint))
    if (f.kind == ts2::LintKind::kTooWide)
      ts2::fuzz::Check(std::count(wrapped.unbreakable.begin(), wrapped.unbreakable.end(), f.line) == 1);

  // The handler's way: the section through Memo1 into gTransText, then drawn.
  ts2::TmyForm& form = ts2::fuzz::ReusedProgram().form();
  form.ui.richEdit(ts2::ControlId::Memo1).setText(ts2::JoinEditorLines(lines));
  std::memset(form.gTransText.get(), 0xAA, ts2::kTransTextSize);
  form.EncodeSection();
  if (!capacity) ts2::fuzz::Check(std::memcmp(form.gTransText.get(), bytes.data(), bytes.size()) == 0);
  DrawTranslation(form, options);
  return 0;
}
