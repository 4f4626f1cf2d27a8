// Dialogs through the answer hook, and the ts2edit command line.
#include <array>
#include <cstdio>

#include "qt_fixture.h"

namespace ts2::test {
namespace {

TEST_F(ToolkitFixture, FileDialogsReturnTheChosenFilesInOrder) {
  FileDialog open{"Open", "IPS files (*.ips)|*.ips", "/tmp", "", true, {}};
  answers.open.push_back(std::vector<std::string>{"/tmp/b.ips", "/tmp/a.ips"});
  ASSERT_TRUE(ui.runOpenDialog(open));
  EXPECT_EQ(open.files, (std::vector<std::string>{"/tmp/b.ips", "/tmp/a.ips"}));
  EXPECT_EQ(open.fileName, "/tmp/b.ips");
  ASSERT_EQ(answers.dialogs.size(), 1u);
  EXPECT_EQ(answers.dialogs[0].title, "Open");

  open.multiSelect = false;  // one file only, whatever is answered
  answers.open.push_back(std::vector<std::string>{"/tmp/c.ips", "/tmp/d.ips"});
  ASSERT_TRUE(ui.runOpenDialog(open));
  EXPECT_EQ(open.files, std::vector<std::string>{"/tmp/c.ips"});

  answers.open.push_back(std::nullopt);
  EXPECT_FALSE(ui.runOpenDialog(open));
  EXPECT_EQ(open.fileName, "/tmp/c.ips");  // a cancelled dialog changes nothing

  FileDialog save{"Save", "", "", "", false, {}};
  answers.save.push_back(std::string("/tmp/out.bin"));
  ASSERT_TRUE(ui.runSaveDialog(save));
  EXPECT_EQ(save.fileName, "/tmp/out.bin");
  EXPECT_FALSE(ui.runSaveDialog(save));
}

TEST_F(EditorFixture, MessagesCarryTheApplicationTitleAndQuestionsTheirAnswer) {
  EXPECT_EQ(ui.applicationTitle(), kAppTitle);
  ui.message("hello");
  answers.yes = {true, false};
  EXPECT_TRUE(ui.question("Save?", "File Modified..."));
  EXPECT_FALSE(ui.question("Save?", "File Modified..."));
  ui.stopMessage("stop", "Caption");
  ASSERT_EQ(answers.boxes.size(), 4u);
  EXPECT_EQ(answers.boxes[0].first, qt::DialogAnswers::Box::Message);
  EXPECT_EQ(answers.boxes[1].first, qt::DialogAnswers::Box::Question);
  EXPECT_EQ(answers.boxes[3].first, qt::DialogAnswers::Box::Stop);
}

TEST_F(EditorFixture, OpenRomAsksForTheRomWithItsDialog) {
  sink.onCommand = {};
  showAndActivate();
  answers.open.push_back(std::nullopt);  // cancelled
  QTest::keyClick(form(FormId::myForm), Qt::Key_O, Qt::ControlModifier);
  ASSERT_EQ(answers.dialogs.size(), 1u);
  EXPECT_EQ(answers.dialogs[0].title, "Open ROM File");
  EXPECT_EQ(answers.dialogs[0].filter, "SNES ROM | *.s*c; *.fig;");
}

// ---- the executable ----

struct RunResult {
  int status;
  std::string out;
};

RunResult Editor(const std::string& arguments) {
  const std::string command =
      std::string("QT_QPA_PLATFORM=offscreen ") + TS2_EDIT_PATH + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  RunResult run{-1, {}};
  if (!pipe) return run;
  std::array<char, 256> buffer{};
  while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) run.out.append(buffer.data(), n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(EditorCommandLine, VersionHelpAndWrongUse) {
  const RunResult version = Editor("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("ts2edit ") + TS2_VERSION + "\n");

  const RunResult help = Editor("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: ts2edit [ROM [DATAFILE]]"), std::string::npos);

  const RunResult unknown = Editor("--frobnicate");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.out.find("ts2edit: unknown option '--frobnicate'"), std::string::npos);

  const RunResult many = Editor("a.smc b.txt c");
  EXPECT_EQ(many.status, 2);
  EXPECT_NE(many.out.find("too many arguments"), std::string::npos);
}

}  // namespace
}  // namespace ts2::test
