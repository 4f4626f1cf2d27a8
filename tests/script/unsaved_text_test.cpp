// Every way the Text Editor's text can be replaced asks about unsaved edits first, and answering
// Yes puts them in the file they belong to.
#include <gtest/gtest.h>

#include <functional>

#include "core/fileutil.h"
#include "support/loaded_program.h"

namespace ts2 {
namespace {

using test::LoadedProgram;
using Lines = std::vector<std::string>;

constexpr uint32_t kA = 0x1A8000, kB = 0x1A9000;

TEST(UnsavedText, EveryPathThatReplacesTheTextAsksFirst) {
  struct Case {
    const char* path;
    const char* question;
    std::function<void(LoadedProgram&)> run;
  };
  const char kSwitch[] = "Current data not saved. Do you wish to save it?";
  const Case cases[] = {
      {"reselecting the same block", kSwitch, [](LoadedProgram& lp) { lp.select(0); }},
      {"selecting another block", kSwitch, [](LoadedProgram& lp) { lp.select(1); }},
      {"loading a data file", kSwitch,
       [](LoadedProgram& lp) {
         lp.p.ui.script.openAnswers.push_back(Lines{lp.dir.write("data.txt", ".BLOCK 1A9000 0 0 1\n")});
         lp.p.program.menuCommand(MenuId::LoadDataFile);
       }},
      {"opening a ROM", kSwitch,
       [](LoadedProgram& lp) {
         lp.p.ui.script.openAnswers.push_back(Lines{lp.form().gROMPath});
         lp.p.ui.script.openAnswers.push_back(Lines{lp.dir.write("data.txt", ".BLOCK 1A8000 0 0 1\n")});
         lp.p.program.menuCommand(MenuId::OpenBinaryTextData1);
       }},
      {"closing", "TEXT data not saved. Do you wish to save it?",
       [](LoadedProgram& lp) { lp.p.program.menuCommand(MenuId::Exit1); }},
  };
  for (const Case& c : cases) {
    LoadedProgram lp({{kA, 1}, {kB, 1}});
    lp.select(0);
    lp.editor().type("unsaved work\n");
    const std::string edited = lp.editor().text();
    lp.p.ui.script.said.clear();
    lp.p.ui.script.questionAnswers.push_back(true);
    c.run(lp);
    int questions = 0;
    for (const auto& said : lp.p.ui.script.said) {
      if (said.kind != headless::Script::Said::Question) continue;
      ++questions;
      EXPECT_EQ(said.text, c.question) << c.path;
    }
    EXPECT_EQ(questions, 1) << c.path;
    EXPECT_EQ(test::ReadFileText(lp.textFile(kA)), EditorTextToFileBytes(edited)) << c.path;
  }
}

}  // namespace
}  // namespace ts2
