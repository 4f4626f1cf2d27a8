// "A program with a ROM and these blocks": a headless program, started in a temporary working
// directory (so its Dumps folder is private to the test), with a synthetic ROM opened and the
// block tables and bList filled directly, as the data-file loader would leave them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "headless/headless.h"
#include "support/builders.h"

namespace ts2::test {

struct BlockSpec {
  uint32_t offset;      // ROM offset of the pointer table
  uint32_t strings;     // the stored 32-bit count
  uint32_t field2 = 0;  // its bank holds the string texts
};

class LoadedProgram {
 public:
  // Writes `rom` (given a one-glyph font table at 0x130000; with `header`, a copier header in
  // front) to the temporary folder, opens it with no data file and then lists `blocks` in bList
  // ("Block %X" of each offset). Nothing is selected yet; what was said and the dialogs run
  // while opening are forgotten.
  explicit LoadedProgram(const std::vector<BlockSpec>& blocks = {}, RomBuilder rom = RomBuilder(),
                         bool header = false);

  // Replaces the listed blocks (tables and bList).
  void setBlocks(const std::vector<BlockSpec>& blocks);
  // Selects line `index` of bList and clicks it, as the user does in the List Data window.
  void select(int index);
  // The translation file of the block whose pointer table is at `offset`.
  std::string textFile(uint32_t offset) const;

  // The ROM image in memory, copier header included.
  std::vector<uint8_t> image() const;

  TempDir dir;
  ScopedCwd cwd{dir.path()};
  headless::HeadlessProgram p;
  std::vector<uint8_t> romFile;  // the file as written
  std::string romPath;
  TmyForm& form() { return p.form(); }
  headless::HRichEdit& editor() { return p.ui.TDMemo; }
};

}  // namespace ts2::test
