#include "support/loaded_program.h"

#include <gtest/gtest.h>

#include "core/fileutil.h"

namespace ts2::test {

LoadedProgram::LoadedProgram(const std::vector<BlockSpec>& blocks, RomBuilder rom, bool header) {
  rom.fontTable({SolidGlyph(0xFF)});
  romFile = rom.file(header);
  romPath = dir.write("game.sfc", romFile);
  if (!form().OpenRomFile(romPath)) ADD_FAILURE() << "the synthetic ROM was not loaded";
  setBlocks(blocks);
  p.ui.script.said.clear();  // tests see only what their own steps say
  p.ui.script.dialogsRun.clear();
}

std::vector<uint8_t> LoadedProgram::image() const {
  const TmyForm& f = p.program.myForm;
  return f.romAlloc ? std::vector<uint8_t>(f.romAlloc.get(), f.romAlloc.get() + f.gROMSize)
                    : std::vector<uint8_t>();
}

void LoadedProgram::setBlocks(const std::vector<BlockSpec>& blocks) {
  TmyForm& f = form();
  p.ui.bList.clear();
  for (size_t i = 0; i < blocks.size() && i < static_cast<size_t>(kMaxBlocks); ++i) {
    f.gBlockOffset[i] = blocks[i].offset;
    f.gBlockStrings[i] = blocks[i].strings;
    f.gBlockField2[i] = blocks[i].field2;
    f.gBlockField3[i] = 0;
    p.ui.bList.add(Format("Block %X", blocks[i].offset));
  }
  p.ui.bList.setHint(Format("%d item(s)", p.ui.bList.count()));
  ++f.scriptGeneration;  // as the data-file loader counts its change of the block tables
}

void LoadedProgram::select(int index) {
  p.ui.bList.setItemIndex(index);
  p.program.listClick(ControlId::bList);
}

std::string LoadedProgram::textFile(uint32_t offset) const {
  return (dir.path() / "Dumps" / Format("%08X.txt", offset)).string();
}

}  // namespace ts2::test
