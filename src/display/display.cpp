// Showing the selected string: the ROM string in the upper box, the translator's section for it
// in the lower box, the offsets in the status bar; and the Text Editor's handlers that keep the
// display current while the translator types.
//
// pListClick's sender says who asks:
//   kNoSender           a block was selected, or the Text Editor was resized;
//   kSenderTextChanged  the Text Editor's text changed: the editor keeps its scroll position;
//   a control           the user clicked the string list or ran Display Translated Text: the
//                       section is scrolled to the top of the editor and pList gets the focus.
#include <string>

#include "core/bytes.h"
#include "core/fileutil.h"
#include "core/forms.h"
#include "display/decode.h"
#include "display/encode.h"
#include "display/fit.h"
#include "display/lint.h"
#include "display/spelling.h"
#include "script/autosave.h"
#include "views/script_form.h"

namespace ts2 {

namespace {

constexpr int kLineRows = 16;  // one step of a page's scroll

// The Hex Data window follows the shown string: its bytes from the header on. The address is
// found here rather than taken from the render, which draws nothing (and reads no pointer) on the
// first display after a data file without a format.
void ShowStringBytes(TmyForm& f) {
  if (!f.gBlockOffset || !f.gBlockField2 || f.gCurBlock < 0 || f.gCurBlock >= kMaxBlocks) return;
  const auto block = static_cast<size_t>(f.gCurBlock);
  // A pointer outside the image reads as 0, as it does for the status bar.
  const uint16_t pointer = Read16LE(f.RomData(), uint64_t{f.gBlockOffset[block]} +
                                                     2 * uint64_t{static_cast<uint32_t>(f.gCurString)})
                               .value_or(0);
  f.program.HexForm.ShowBytesAt((f.gBlockField2[block] & kBankBits) + pointer);
}

}  // namespace

void TmyForm::pListClick(TObject Sender) {
  if (!gWRAM || !gROM) return;
  ListBox& pList = ui.list(ControlId::pList);
  // The first selected line: a list box selects one line at most, so it is the item index (asking
  // every line before it would cost a question per string on every keystroke).
  int selected = pList.itemIndex();
  if (selected >= 0 && !pList.selected(selected)) selected = -1;
  if (selected < 0) return;

  // Typing in the editor keeps the boxes where the translator scrolled them.
  if (!ui.window(FormId::TxtForm).active()) gPages[0].scroll = gPages[1].scroll = 0;

  SetChecked(MenuId::DTT, false);
  gCurString = selected;
  RenderString(gGlyphH, gGlyphW);
  ShowStringBytes(*this);

  const std::string number = std::to_string(selected);  // as %d writes it
  gFindText = ".STRING " + number;
  ui.window(FormId::KanaForm).setCaption("Kana Text: String #" + number);
  program.KanaForm.ShowOriginal();
  Find1Find(Sender == kSenderTextChanged ? 1 : 0);

  if (gSectionLine != -1) {
    RichEdit& editor = ui.richEdit(ControlId::TDMemo);
    // The section's lines only: the editor never hands over its whole text here.
    ui.richEdit(ControlId::Memo1).setText(JoinEditorLines(editor.linesUntil(gSectionLine, IsClosingLine)));
    EncodeSection();
    SetChecked(MenuId::DTT, true);
    RenderString(16, 8);
    SetChecked(MenuId::DTT, false);
  }
  ShowTranslationFit();

  const bool hasBlock = gBlockOffset && gCurBlock >= 0 && gCurBlock < kMaxBlocks;
  const uint32_t table = hasBlock ? gBlockOffset[static_cast<size_t>(gCurBlock)] : 0;
  StatusBar& status = ui.statusBar();
  // "Offset: %06X | PTR: %04X -> %06X", written without a format pass on every keystroke.
  std::string offsets = "Offset: ";
  AppendHex(offsets, (table & 0xFF0000) | gStringPtr, 6);
  offsets += " | PTR: ";
  AppendHex(offsets, gStringPtr, 4);
  offsets += " -> ";
  AppendHex(offsets, table + 2 * static_cast<uint32_t>(gCurString), 6);
  status.setPanelText(0, offsets);
  status.setPanelText(1, "Line {Kana, Ascii}: " + std::to_string(gPages[0].scroll / kLineRows) + ", " +
                             std::to_string(gPages[1].scroll / kLineRows));

  if (Sender != kNoSender && Sender != kSenderTextChanged && ui.window(FormId::cmForm).visible())
    pList.setFocus();
  program.ScriptForm().glossary.StringShown();
  program.ScriptForm().similar.StringShown();
}

// Checks the section in Memo1, which holds the shown string's section whenever one was found:
// a short verdict in the panel, every finding in its tooltip.
void TmyForm::ShowTranslationFit() {
  StatusBar& status = ui.statusBar();
  if (gSectionLine == -1) {
    status.setPanelText(kStatusFitPanel, "No translation");
    status.setPanelHint(kStatusFitPanel, "The translation file has no section for this string.");
    return;
  }
  const LintOptions options{.variableWidth = Checked(MenuId::UseVWFRoutine1), .playerWidth = gPlayerWidth};
  const FitVerdict verdict =
      MakeFitVerdict(LintSection(SplitEditorLines(ui.richEdit(ControlId::Memo1).text()), options), gCurString,
                     gSectionLine + 1);
  // Unknown words are counted apart: a misspelling is not an overflow.
  const std::string unknown = spelling
                                  ? UnknownWordsNote(spelling.get(), ui.richEdit(ControlId::Memo1).text(),
                                                     typingEnd.line - gSectionLine, typingEnd.column)
                                  : std::string();
  status.setPanelText(kStatusFitPanel, verdict.brief + unknown);
  status.setPanelHint(kStatusFitPanel,
                      unknown.empty() ? verdict.full : verdict.full + "\n" + unknown.substr(3));
}

void TmyForm::Find1Find(int mode) {
  RichEdit& editor = ui.richEdit(ControlId::TDMemo);
  // A selection made by the user moves the search behind it; a match Find in Script selected to
  // show it does not.
  const bool behind = editor.selLength() != 0 && !program.ScriptForm().SelectionIsShownMatch();
  gFindFrom = behind ? editor.selStart() + editor.selLength() : 0;
  gFindLen = editor.textLength() - gFindFrom;
  gFindPos = editor.findText(gFindText, gFindFrom, gFindLen);
  if (gFindPos < 0) {
    gFindPos = -1;
    gSectionLine = -1;
    return;
  }
  editor.setSelection(gFindPos, 0);
  gTopLine = editor.firstVisibleLine();
  gSectionLine = editor.lineFromChar(gFindPos);
  if (mode != 1) editor.scrollLines(gSectionLine - gTopLine);
}

void TTxtForm::TDMemoChange() {
  RichEdit& editor = program.ui.richEdit(ControlId::TDMemo);
  const int start = editor.selStart(), length = editor.selLength();
  program.myForm.pListClick(kSenderTextChanged);
  editor.setSelection(start, length);
  program.ScriptForm().TextChanged();
  program.autosave().TextChanged();
}

void TTxtForm::FormResize() {
  RichEdit& editor = program.ui.richEdit(ControlId::TDMemo);
  const int start = editor.selStart(), length = editor.selLength();
  program.myForm.pListClick(kNoSender);
  editor.setSelection(start, length);
}

bool TTxtForm::TDMemoKeyDown(int key, ShiftState shift) {
  return !(shift.shift && key == VK_DELETE);  // Shift+Delete would cut the text: not here
}

}  // namespace ts2
