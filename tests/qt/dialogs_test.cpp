// Dialogs through the answer hook, and the ts2edit command line.
#include <QSettings>
#include <cstdio>
#include <memory>

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

#include "qt_fixture.h"

namespace ts2::test {
namespace {

TEST_F(ToolkitFixture, FileDialogsReturnTheChosenFilesInOrder) {
  FileDialog open{"Open", "IPS files (*.ips)|*.ips", "/tmp", "", true, {}};
  answers.open.push_back(std::vector<std::string>{"/tmp/b.ips", "/tmp/a.ips"});
  ASSERT_TRUE(ui.runOpenDialog(open));
  EXPECT_EQ(open.files, (std::vector<std::string>{"/tmp/b.ips", "/tmp/a.ips"}));
  EXPECT_EQ(open.fileName, "/tmp/b.ips");

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
}

TEST_F(EditorFixture, MessagesAndQuestionsGoThroughTheirBoxes) {
  EXPECT_EQ(ui.applicationTitle(), kAppTitle);
  ui.message("hello");
  answers.yes = {true, false};
  EXPECT_TRUE(ui.question("Save?", "File Modified..."));
  EXPECT_FALSE(ui.question("Save?", "File Modified..."));
  ui.stopMessage("stop", "Caption");
  using Box = qt::DialogAnswers::Box;
  const std::vector<std::pair<Box, std::string>> shown = {
      {Box::Message, "hello"}, {Box::Question, "Save?"}, {Box::Question, "Save?"}, {Box::Stop, "stop"}};
  EXPECT_EQ(answers.boxes, shown);
}

// A question with named buttons answers with the index of the button clicked, -1 when closed.
TEST_F(ToolkitFixture, ChoiceBoxAnswersWithTheButtonClicked) {
  ui.setDialogAnswers(nullptr);  // the real box
  for (int click : {1, 0, -1}) {
    SCOPED_TRACE(click);
    QTimer::singleShot(0, [click] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      ASSERT_EQ(box->buttons().size(), 4);  // and the hidden one that Escape presses
      if (click < 0) {
        QTest::keyClick(box, Qt::Key_Escape);
      } else {
        const QString name = click == 0 ? QStringLiteral("Overwrite") : QStringLiteral("Reload");
        for (QAbstractButton* b : box->buttons())
          if (b->text() == name) b->click();
      }
    });
    EXPECT_EQ(ui.choose("Changed on disk.", "File Changed...", {"Overwrite", "Reload", "Cancel"}), click);
  }
  // Enter and Space press the default button, which need not be the first.
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
    QTimer::singleShot(0, [key] {
      QWidget* box = QApplication::activeModalWidget();
      ASSERT_NE(box, nullptr);
      QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, key);
      if (box->isVisible()) QTest::keyClick(box, Qt::Key_Escape);  // the key pressed nothing
    });
    EXPECT_EQ(ui.choose("Unsaved text.", "c", {"Restore", "Keep as a Copy", "Discard"}, 1), 1) << key;
  }
  ui.setDialogAnswers(&answers);
  answers.choices = {2};
  EXPECT_EQ(ui.choose("Again?", "c", {"a", "b", "c"}), 2);
  EXPECT_EQ(ui.choose("Again?", "c", {"a", "b", "c"}), -1);  // no answer queued: closed
}

// A Yes/No box is answered Yes or No, as the platform's is: Escape and its close button, which
// Qt's box takes for No, do nothing (to "Save the changes?", No throws the text away).
TEST_F(ToolkitFixture, YesNoBoxIsAnsweredOnlyByItsButtons) {
  ui.setDialogAnswers(nullptr);  // the real box
  for (const QMessageBox::StandardButton answer : {QMessageBox::Yes, QMessageBox::No}) {
    bool stayed = false;
    QTimer::singleShot(0, [&stayed, answer] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      QTest::keyClick(box, Qt::Key_Escape);
      box->close();
      QApplication::processEvents();
      stayed = box->isVisible() && QApplication::activeModalWidget() == box;
      box->button(answer)->click();
    });
    EXPECT_EQ(ui.question("Save the changes?", "File Modified..."), answer == QMessageBox::Yes);
    EXPECT_TRUE(stayed);
  }
  ui.setDialogAnswers(&answers);
}

// ---- the executable ----

TEST(PlayerWidthSetting, RememberedFromOneRunToTheNextInTheSettingsGiven) {
  App();
  TempDir dir;
  const QString file = QString::fromStdString(dir.file("ts2edit.conf"));
  ScriptedAnswers answers;
  answers.numbers = {5};
  for (int run = 0; run < 2; ++run) {
    qt::QtToolkit ui;
    ui.setSettings(std::make_unique<QSettings>(file, QSettings::IniFormat));
    ui.setDialogAnswers(&answers);
    Program program(ui);
    if (run == 0) {
      EXPECT_EQ(program.myForm.gPlayerWidth, kDefaultPlayerWidth);
      program.myForm.RunMenuCommand(MenuId::PlayerNameWidth1);
    }
    EXPECT_EQ(program.myForm.gPlayerWidth, 5) << "run " << run;
    ui.setEventSink(nullptr);
  }
  // Without settings given, nothing is kept past the toolkit.
  qt::QtToolkit ui;
  Program program(ui);
  EXPECT_EQ(program.myForm.gPlayerWidth, kDefaultPlayerWidth);
  ui.setEventSink(nullptr);
}

TEST(EditorCommandLine, VersionHelpAndWrongUse) {
  const struct {
    const char* args;
    int status;
    std::string output;  // found in stdout and stderr together
  } cases[] = {
      {"--version", 0, std::string("ts2edit ") + TS2_VERSION + "\n"},
      {"--help", 0, "usage: ts2edit [--spell LANG] [ROM [DATAFILE]]"},
      {"--spell", 2, "ts2edit: --spell needs a language"},
      {"--frobnicate", 2, "ts2edit: unknown option '--frobnicate'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const std::string command =
        std::string("QT_QPA_PLATFORM=offscreen ") + TS2_EDIT_PATH + " " + c.args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[256];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    const int status = pclose(pipe);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.status);
    EXPECT_NE(out.find(c.output), std::string::npos) << out;
  }
}

}  // namespace
}  // namespace ts2::test
