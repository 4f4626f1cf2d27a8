// View > Go to String: a string, a block, or a line of a translation file, named as a translator
// types it or pastes it from ts2tool's output and the editor's windows (views/place.h).
#include <algorithm>

#include "core/fileutil.h"
#include "core/forms.h"
#include "script/lists.h"
#include "script/textfile.h"
#include "views/place.h"
#include "views/script_form.h"

namespace ts2 {

namespace {

constexpr char kCaption[] = "Go to String";
constexpr char kPrompt[] =
    "A string of the shown block (12), a block and a string (CA0000 12),\n"
    "or a place as ts2tool prints it (000A0000.txt:25, Block CA0000 string 3):";

// The byte position of 1-based `column` of 1-based `line` in editor text, or std::nullopt past
// its last line; a column past the line's end is its end.
std::optional<int> PositionOf(std::string_view text, int line, int column) {
  size_t start = 0;
  for (int l = 1; l < line; ++l) {
    const size_t nl = text.find('\n', start);
    if (nl == std::string_view::npos) return std::nullopt;
    start = nl + 1;
  }
  const size_t end = std::min(text.size(), text.find('\n', start));
  return static_cast<int>(std::min(end, start + static_cast<size_t>(std::max(1, column) - 1)));
}

}  // namespace

void TScriptForm::GoTo() {
  TmyForm& f = program.myForm;
  Toolkit& ui = program.ui;
  if (!f.gROM || ui.list(ControlId::bList).count() == 0) {
    ui.message("Open a ROM and its text block data file first: there is no string to go to.");
    return;
  }
  const std::optional<std::string> typed = ui.askText(kCaption, kPrompt, lastPlace_);
  if (!typed) return;
  lastPlace_ = *typed;
  const std::optional<PlaceRequest> place = ParsePlace(*typed);
  if (!place) {
    ui.message("\"" + *typed +
               "\" names no place: give a string number (12), a block and a string (CA0000 12), or a "
               "translation file's line (000A0000.txt:25).");
    return;
  }

  const std::vector<ScriptBlock> all = ScriptBlocks(f, f.gDumpDir);
  const ResolvedPlace at =
      ResolvePlace(f, *place, all, f.gCurBlock, [this](const ScriptBlock& b) { return TextOf(b); });
  if (!at.error.empty()) {
    ui.message(at.error);
    return;
  }
  // A place in the shown file is in the shown text, whichever line of the block list named it.
  const BlockEntry entry = *BlockAt(f, at.block);
  if (!Shows(TranslationFileName(f.gDumpDir, entry.offset)) && !SelectBlock(at.block))
    return;  // the translator kept the block shown

  RichEdit& editor = ui.richEdit(ControlId::TDMemo);
  ListBox& pList = ui.list(ControlId::pList);
  if (at.string && static_cast<int>(*at.string) < pList.count()) {
    // The string's section is searched from the start of the text, not behind a selection.
    editor.setSelection(editor.selStart(), 0);
    pList.setItemIndex(static_cast<int>(*at.string));
    program.listClick(ControlId::pList);
  }
  if (at.line) {
    if (const std::optional<int> caret = PositionOf(editor.text(), *at.line, at.column.value_or(1)))
      editor.setSelection(*caret, 0);
  }
}

}  // namespace ts2
