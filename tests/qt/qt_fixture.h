// The editor on the Qt toolkit under the offscreen platform, with scripted dialogs and a record
// of every event the toolkit sends to the program.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/forms.h"
#include "qt/qt_toolkit.h"
#include "support/builders.h"

namespace ts2::test {

// The one QApplication of the test program.
inline QApplication& App() {
  static int argc = 1;
  static char name[] = "ts2_qt_tests";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Never destroyed: Qt's test input devices cannot outlive it at exit.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// Lets queued work (list lines, counting between events) run.
inline void Settle() {
  for (int i = 0; i < 20; ++i) QTest::qWait(10);
}

// What a window shows on the screen once the events waiting have run.
inline QImage Shown(QWidget* window) {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  return window->screen()->grabWindow(window->winId()).toImage();
}

// A panel of the main window's status bar.
inline QLabel* Panel(QWidget* main, int index) {
  return main->findChild<QWidget*>(QStringLiteral("StatusBar1"))->findChildren<QLabel*>()[index];
}

// Whether a label's text fits its room, unshortened.
inline bool ShownWhole(const QLabel* label) {
  return QFontMetrics(label->font()).horizontalAdvance(label->text()) <=
         label->contentsRect().width() - label->indent();
}

// Sets one colour of a widget's palette.
inline void SetColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(role, colour);
  widget->setPalette(palette);
}

// Answers instead of dialogs; records what was asked.
struct ScriptedAnswers : qt::DialogAnswers {
  std::deque<std::optional<std::vector<std::string>>> open;
  std::deque<std::optional<std::string>> save;
  std::deque<bool> yes;
  std::deque<int> choices;  // button index, -1: closed; none queued: -1
  std::deque<std::optional<int>> numbers;
  std::vector<FileDialog> dialogs;
  std::vector<std::pair<DialogAnswers::Box, std::string>> boxes;
  std::vector<std::vector<std::vector<std::string>>> tables;  // the rows of each table shown

  std::optional<std::vector<std::string>> openFiles(const FileDialog& dialog) override {
    dialogs.push_back(dialog);
    return Next(open, {});
  }
  std::optional<std::string> saveFile(const FileDialog& dialog) override {
    dialogs.push_back(dialog);
    return Next(save, {});
  }
  bool box(DialogAnswers::Box kind, const std::string& text, const std::string&) override {
    boxes.emplace_back(kind, text);
    return Next(yes, false);
  }
  int choose(const std::string& text, const std::string&, const std::vector<std::string>&) override {
    boxes.emplace_back(DialogAnswers::Box::Question, text);
    return Next(choices, -1);
  }
  std::optional<int> number(const std::string&, int, int, int) override { return Next(numbers, {}); }
  std::deque<std::optional<std::string>> texts;
  std::optional<std::string> text(const std::string&, const std::string&) override { return Next(texts, {}); }
  void table(const std::string&, const std::vector<std::string>&,
             const std::vector<std::vector<std::string>>& rows) override {
    tables.push_back(rows);
  }
  // The next scripted answer, or `none` when the script has run out.
  template <typename T>
  static T Next(std::deque<T>& answers, T none) {
    if (answers.empty()) return none;
    T answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

// Records the toolkit's events and passes them on (to the program, when there is one).
struct RecordingSink : EventSink {
  EventSink* next = nullptr;
  std::vector<MenuId> commands;
  int closes = 0;
  struct Key {
    FormId form;
    int key;
    ShiftState shift;
  };
  std::vector<Key> keys;  // the keys previewed, without the presses of Shift, Ctrl and Alt themselves
  std::vector<FormId> paints;
  std::vector<ControlId> clicks, changes;
  std::function<void(MenuId)> onCommand;                    // runs instead of the program's command
  std::function<bool(int, ShiftState)> onKey, onEditorKey;  // decide instead of the program
  std::function<void(FormId)> onPaint;                      // runs instead of the program's paint

  void menuCommand(MenuId item) override {
    commands.push_back(item);
    if (onCommand) return onCommand(item);
    if (next) next->menuCommand(item);
  }
  std::function<bool()> onClose;  // decides instead of the program whether the window closes
  bool formClose() override {
    ++closes;
    if (onClose) return onClose();
    return !next || next->formClose();
  }
  bool keyDown(FormId form, int key, ShiftState shift) override {
    if (key != VK_SHIFT && key != VK_CONTROL && key != 0x12) keys.push_back({form, key, shift});
    if (onKey) return onKey(key, shift);
    return next ? next->keyDown(form, key, shift) : true;
  }
  bool editorKeyDown(int key, ShiftState shift) override {
    if (onEditorKey) return onEditorKey(key, shift);
    return next ? next->editorKeyDown(key, shift) : true;
  }
  void formResize(FormId form) override {
    if (next) next->formResize(form);
  }
  void paint(FormId form) override {
    paints.push_back(form);
    if (onPaint) return onPaint(form);
    if (next) next->paint(form);
  }
  void listClick(ControlId list) override {
    clicks.push_back(list);
    if (next) next->listClick(list);
  }
  std::function<void(ControlId)> onChange;  // runs before the program's handler
  void textChanged(ControlId edit) override {
    changes.push_back(edit);
    if (onChange) onChange(edit);
    if (next) next->textChanged(edit);
  }
  void applicationActivated() override {
    if (next) next->applicationActivated();
  }
  std::vector<std::vector<std::string>> drops;
  void filesDropped(const std::vector<std::string>& paths) override {
    drops.push_back(paths);
    if (next) next->filesDropped(paths);
  }
};

// The toolkit alone: events go to the recorder only.
struct ToolkitFixture : ::testing::Test {
  ToolkitFixture() {
    ui.setEventSink(&sink);
    ui.setDialogAnswers(&answers);
  }
  ~ToolkitFixture() override { ui.setEventSink(nullptr); }
  struct AppFirst {
    AppFirst() { App(); }
  } app;  // the application exists before any widget
  qt::QtToolkit ui;
  RecordingSink sink;
  ScriptedAnswers answers;

  QWidget* form(FormId id) const { return ui.form(id); }
  QPlainTextEdit* textEditor() const { return control<QPlainTextEdit>(FormId::TxtForm, "TDMemo"); }
  // The Text Editor, active and with the keys.
  QPlainTextEdit* focusTextEditor() {
    activate(FormId::TxtForm);
    textEditor()->setFocus();
    return textEditor();
  }
  template <typename T>
  T* control(FormId id, const char* name) const {
    return ui.form(id)->findChild<T*>(QLatin1String(name));
  }
  // Shows the windows as the editor does at start and makes the main window active.
  void showAndActivate() {
    ui.showStartWindows();
    activate(FormId::myForm);
  }
  // Clicks a line of a list box (bList or pList) with the mouse.
  void clickLine(const char* list, int row) {
    auto* view = control<QAbstractItemView>(FormId::cmForm, list);
    QCoreApplication::processEvents();  // lines reach the view in batches
    const QRect line = view->visualRect(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, line.center());
  }
  // Shows a window and makes it the active one, as a click on it would.
  void activate(FormId id) {
    QWidget* w = ui.form(id);
    w->show();
    QApplication::setActiveWindow(w);
    ASSERT_TRUE(QTest::qWaitFor([w] { return QApplication::activeWindow() == w; }));
  }
};

// The started editor: the program on the Qt toolkit, with the recorder in between.
struct EditorFixture : ToolkitFixture {
  EditorFixture() {
    sink.next = &program;
    ui.setEventSink(&sink);  // the program set itself as the sink while it started
  }
  ~EditorFixture() override { ui.setEventSink(nullptr); }
  Program program{ui};
};

// The sample set that ts2tool writes, in a folder of its own that is the working directory (so
// its Dumps folder is the editor's), opened by open() as a ROM and data file named on the
// command line are.
struct DemoFixture : EditorFixture {
  DemoFixture() {
    made = std::system(("'" TS2_TOOL_PATH "' demo '" + dir.path().string() + "' >/dev/null").c_str()) == 0;
    showAndActivate();
  }
  TempDir dir;
  ScopedCwd cwd{dir.path()};
  bool made = false;

  bool open() { return made && program.myForm.OpenRomFile(dir.file("demo.sfc"), dir.file("demo.txt")); }
  Bitmap& bitmap() { return program.myForm.gBitmap; }
  // Runs `ts2tool command` on the demo and its Dumps folder; true when it succeeds.
  bool runTool(const std::string& command, const std::string& options) const {
    return std::system(("'" TS2_TOOL_PATH "' " + command + " '" + dir.file("demo.sfc") + "' '" +
                        dir.file("demo.txt") + "' --dumps '" + dir.file("Dumps") + "' " + options)
                           .c_str()) == 0;
  }
  // The raw 5-6-5 pixels that `ts2tool render` writes for the demo with `options`.
  std::vector<uint16_t> rendered(const std::string& options) const {
    const std::string out = dir.file("render.rgb565");
    std::remove(out.c_str());
    if (!runTool("render", options + " -o '" + out + "'")) return {};
    const std::vector<uint8_t> bytes = ReadFileBytes(out);
    std::vector<uint16_t> pixels(bytes.size() / 2);
    for (size_t i = 0; i < pixels.size(); ++i)
      pixels[i] = static_cast<uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return pixels;
  }
};

}  // namespace ts2::test
