// Next Untranslated String and Next String with Findings: the translator's way through what is
// left to do, string after string and block after block.
#include "core/forms.h"
#include "views/script_form.h"

namespace ts2 {

void TScriptForm::SelectNext(StringState wanted) {
  TmyForm& f = program.myForm;
  Toolkit& ui = program.ui;
  const bool untranslated = wanted == StringState::kUntranslated;
  if (!f.gROM || blocks.empty() || f.gCurBlock < 0) {
    ui.message("Open the ROM and its text block data file first (File > Open ROM File).");
    return;
  }
  // The shown block's states as the Text Editor holds it now, not as of the last pause in typing;
  // the others as their files are now.
  ComputeStates();
  MarkStrings();
  OtherFilesMayHaveChanged();
  const LintOptions options = Options();
  const size_t count = blocks.size(), current = static_cast<size_t>(f.gCurBlock) % count;
  const auto statesOf = [&](size_t b) -> std::vector<StringStatus> {
    if (blocks[b].file == CurrentFile()) return states;
    if (b >= progress.size() || !progress[b]) Count(b, options);
    if (b < kept_.size() && kept_[b]) return kept_[b]->states;
    return std::vector<StringStatus>(blocks[b].strings);  // no file: nothing translated yet
  };
  // After the shown string in its block, then the blocks after it, then around to the shown one.
  // A line of the block list with the shown file is the shown text, looked at in the shown
  // block's turn: going to it would ask about unsaved text that stays where it is.
  for (size_t k = 0; k <= count; ++k) {
    const size_t b = (current + k) % count;
    if (b != current && Shows(blocks[b].file)) continue;
    const std::vector<StringStatus> found = statesOf(b);
    const size_t from = k == 0 ? static_cast<size_t>(f.gCurString) + 1 : 0;
    const size_t to = k == count ? static_cast<size_t>(f.gCurString) + 1 : found.size();
    for (size_t s = from; s < to && s < found.size(); ++s) {
      if (found[s].state != wanted) continue;
      if (b != current && !SelectBlock(static_cast<int>(b))) return;  // the translator kept the block
      ListBox& pList = ui.list(ControlId::pList);
      if (static_cast<int>(s) >= pList.count()) return;
      // The string's section is searched from the start of the text, not behind a selection.
      RichEdit& editor = ui.richEdit(ControlId::TDMemo);
      editor.setSelection(editor.selStart(), 0);
      pList.setItemIndex(static_cast<int>(s));
      program.listClick(ControlId::pList);
      return;
    }
  }
  ui.message(untranslated ? "Every string of every block is translated."
                          : "No translated string of any block has findings.");
}

}  // namespace ts2
