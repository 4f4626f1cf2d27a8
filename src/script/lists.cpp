// The List Data window: blocks in bList, the current block's strings in pList, and where a
// block's strings lie in the ROM image.
#include "script/lists.h"

#include <algorithm>

#include "core/bytes.h"
#include "core/fileutil.h"
#include "core/forms.h"
#include "script/autosave.h"
#include "views/script_form.h"

namespace ts2 {

std::optional<BlockEntry> BlockAt(const Ts2Main& m, int32_t block) {
  if (block < 0 || block >= kMaxBlocks || !m.gBlockOffset || !m.gBlockStrings || !m.gBlockField2)
    return std::nullopt;
  const auto i = static_cast<size_t>(block);
  return BlockEntry{m.gBlockOffset[i], m.gBlockField2[i], static_cast<uint16_t>(m.gBlockStrings[i])};
}

std::optional<uint16_t> ReadStringPointer(std::span<const uint8_t> rom, const BlockEntry& b, uint32_t s) {
  return Read16LE(rom, uint64_t{b.offset} + 2 * uint64_t{s});
}

std::optional<uint16_t> ReadStringPointer(const Ts2Main& m, int32_t block, uint32_t s) {
  const std::optional<BlockEntry> b = BlockAt(m, block);
  if (!b) return std::nullopt;
  return ReadStringPointer(m.RomData(), *b, s);
}

void TmyForm::bListClick(TObject /*Sender*/) {
  if (!gWRAM || !gROM) return;
  ListBox& bList = ui.list(ControlId::bList);
  ListBox& pList = ui.list(ControlId::pList);
  RichEdit& editor = ui.richEdit(ControlId::TDMemo);
  // Lines past the block tables have no entry to make current.
  const int lines = std::min(bList.count(), kMaxBlocks);
  for (int i = 0; i < lines; ++i) {
    if (!bList.selected(i)) continue;
    const BlockEntry block = *BlockAt(*this, i);
    const int shownBlock = gCurBlock, shownString = pList.itemIndex();
    const uint32_t shownOffset = gCurBlockOffset;
    const uint16_t shownStrings = gCurStringCount;
    const bool blockShown = pList.count() > 0 || !gTextPath.empty();
    auto fillStrings = [&] {
      pList.clear();
      for (int j = 0; j < gCurStringCount; ++j) pList.add(Format("String# %-5d", j));
    };
    gCurBlockOffset = block.offset;
    gCurStringCount = block.strings;
    gCurBlock = i;
    fillStrings();

    const bool switched = SwitchTextFile();
    if (switched) {
      pList.setItemIndex(pList.count() > 0 ? 0 : -1);
    } else {
      // The editor keeps the previous block's text, so that block stays the one shown: its
      // strings, its selection, and the marks worked out against that text.
      gCurBlockOffset = shownOffset;
      gCurStringCount = shownStrings;
      gCurBlock = shownBlock;
      fillStrings();
      bList.setItemIndex(blockShown ? shownBlock : -1);
      pList.setItemIndex(shownString < pList.count() ? shownString : -1);
    }
    pList.setHint(Format("%d item(s)", pList.count()));
    pListClick(kNoSender);
    if (ui.window(FormId::cmForm).visible()) bList.setFocus();
    // When the previous file's unsaved text could not be saved, the editor still holds it and it
    // stays marked as modified, so that nothing later drops it without asking.
    if (switched) editor.setModified(false);
    program.autosave().Settle();
    program.ScriptForm().BlockShown();
    if (!switched) return;  // the previous block is selected again: it is not one to switch to
    // Text an earlier run typed into this file and never saved, once the file is what is shown.
    program.autosave().OfferLater();
  }
}

void TcmForm::bListClick(TObject Sender) {
  program.myForm.bListClick(Sender);
}

void TcmForm::pListClick(TObject Sender) {
  program.myForm.pListClick(Sender);
}

void TcmForm::FormResize() {
  Toolkit& ui = program.ui;
  const Size client = ui.window(FormId::cmForm).clientSize();
  // Two equal columns; with an odd width the rightmost pixel column stays empty.
  const int width = std::max(0, client.width) / 2;
  const int height = std::max(0, client.height);
  ui.list(ControlId::bList).setBounds(0, 0, width, height);
  ui.list(ControlId::pList).setBounds(width, 0, width, height);
}

}  // namespace ts2
