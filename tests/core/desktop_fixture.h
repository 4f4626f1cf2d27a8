// A headless editor in a private working folder with a good ROM, a data file and an IPS patch
// on disk, for the ways a desktop user opens files: the recent list, drops, the command line.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "headless/headless.h"
#include "support/builders.h"
#include "support/ips_builder.h"

namespace ts2::test {

using Lines = std::vector<std::string>;

inline std::vector<uint8_t> GoodRomFile() {
  return RomBuilder().fontTable({SolidGlyph(0xFF), SolidGlyph(0x81, 0x7E)}).file();
}

struct DesktopFixture : testing::Test {
  TempDir dir;
  ScopedCwd cwd{dir.path()};
  headless::HeadlessProgram p;
  TmyForm& f = p.form();
  headless::Script& script = p.ui.script;
  std::string rom = dir.write("game.sfc", GoodRomFile());
  std::string data = dir.write("data.txt", std::string_view(".BLOCK 1A8000 0 0 1\n"));

  // Opens `romPath` with `dataPath` through the dialogs, as the menu does.
  void openWithDialogs(const std::string& romPath, const std::string& dataPath) {
    script.openAnswers.push_back(Lines{romPath});
    script.openAnswers.push_back(Lines{dataPath});
    f.RunMenuCommand(MenuId::OpenBinaryTextData1);
  }
  // Marks the loaded image as patched and unsaved.
  void modifyRom() {
    f.gROM[0x100] ^= 0xFF;
    f.gROMModified = 1;
  }
  std::vector<headless::Script::Said::Kind> kinds() const {
    std::vector<headless::Script::Said::Kind> out;
    for (const auto& s : script.said) out.push_back(s.kind);
    return out;
  }
  void forget() {
    script.said.clear();
    script.dialogsRun.clear();
  }
};

}  // namespace ts2::test
