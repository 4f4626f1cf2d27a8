// The main menu against the menu table: structure, captions, shortcuts, states, and which
// command each key runs.
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <map>

#include "qt/qt_controls.h"
#include "qt_fixture.h"

namespace ts2::test {
namespace {

// Every action of the menu bar in menu order: each submenu followed by its items.
std::vector<QAction*> MenuInOrder(QMenuBar* bar) {
  std::vector<QAction*> actions;
  for (QAction* top : bar->actions()) {
    actions.push_back(top);
    if (top->menu())
      for (QAction* item : top->menu()->actions()) actions.push_back(item);
  }
  return actions;
}

// The menu as the editor defines it, row by row: kind (S submenu, C command, - separator),
// caption, shortcut, what differs from an enabled, visible, unchecked item, and radio group.
struct Row {
  char kind;
  const char* name;
  const char* caption;
  const char* shortcut;
  const char* state;
  int group;
};
// clang-format off
const Row kMenuRows[] = {
  {'S', "File1", "&File", "", "", 0},
  {'C', "OpenBinaryTextData1", "&Open ROM File", "Ctrl+O", "", 0},
  {'C', "LoadDataFile", "Load Text Block Data File", "Ctrl+F", "", 0},
  {'-', "N2", "", "", "", 0},
  {'C', "SaveTextFile1", "&Save Text File", "Ctrl+S", "", 0},
  {'C', "SaveRomFile1", "S&ave Rom File", "Ctrl+A", "", 0},
  {'-', "N1", "", "", "", 0},
  {'C', "Exit1", "E&xit", "Alt+X", "", 0},
  {'S', "Edit1", "&Edit", "", "", 0},
  {'C', "Insert1", "&Insert Text File into ROM", "Ctrl+I", "", 0},
  {'C', "PATCHRomFile1", "PATCH Rom File", "Ctrl+P", "", 0},
  {'C', "LoadTableFile1", "Load &Table File", "Ctrl+T", "", 0},
  {'-', "N7", "", "", "", 0},
  {'C', "InsertCOMPRESSIONintoROM1", "Insert &COMPRESSION into ROM", "Ctrl+C", "disabled", 0},
  {'S', "View1", "&View", "", "", 0},
  {'C', "DisplayTextEditor1", "Display &Text Editor", "Ctrl+T", "", 0},
  {'C', "DTT", "&Display Translated Text", "Ctrl+D", "hidden", 0},
  {'C', "ViewHexData1", "Display He&x Data", "Ctrl+X", "", 0},
  {'C', "DisplayKanaTextDump1", "Display Kana Text Dump", "Ctrl+K", "", 0},
  {'C', "DecompresstoFiles1", "Display Block Decompression Offsets", "Ctrl+B", "hidden", 0},
  {'-', "N3", "", "", "", 0},
  {'C', "HideCodes", "&Hide Control Codes", "Ctrl+H", "", 0},
  {'-', "N4", "", "", "", 0},
  {'C', "UseVWFRoutine1", "&Use VWF Routine", "Ctrl+U", "", 0},
  {'S', "Program1", "&Program", "", "", 0},
  {'C', "DumpMemory1", "Du&mp DECOMPRESSED BINARY Data", "Ctrl+M", "disabled", 0},
  {'C', "DumpKanatoafile1", "Dump Ka&na to a file", "Ctrl+N", "disabled", 0},
  {'C', "ViewKanaDump1", "&View Kana Dump", "Ctrl+V", "disabled", 0},
  {'S', "TextboxColor1", "Textbox Color...", "", "", 0},
  {'C', "Blue1", "Blue", "", "checked", 1},
  {'C', "Green1", "Green", "", "", 1},
  {'C', "Red1", "Red", "", "", 1},
  {'-', "N5", "", "", "", 0},
  {'C', "Gradient1", "Gradient", "", "checked", 2},
  {'C', "Solid1", "Solid", "", "", 2},
  {'-', "N6", "", "", "", 0},
  {'C', "TEOnTop", "Text Editor Stay on top", "", "", 0},
  {'S', "Window1", "&Window", "", "", 0},
  {'C', "DefaultWindowSize1", "Default Window Size", "Ctrl+W", "", 0},
  {'C', "Zoominx21", "Zoom in x 2", "", "", 0},
};
// clang-format on

TEST_F(ToolkitFixture, MenuShowsEveryRowWithItsCaptionKeyStateAndGroup) {
  const std::vector<QAction*> actions = MenuInOrder(ui.menuBar());
  ASSERT_EQ(actions.size(), std::size(kMenuRows));
  ASSERT_EQ(MenuTable().size(), std::size(kMenuRows));
  std::map<int, QActionGroup*> groups;
  for (size_t i = 0; i < actions.size(); ++i) {
    const Row& row = kMenuRows[i];
    const MenuId id = static_cast<MenuId>(i);
    QAction* a = actions[i];
    SCOPED_TRACE(row.name);
    const std::string_view state = row.state;
    const bool checked = state == "checked", enabled = state != "disabled", visible = state != "hidden";
    EXPECT_EQ(MenuInfo(id).name, row.name);
    EXPECT_EQ(a, ui.action(id));
    EXPECT_EQ(a->objectName().toStdString(), row.name);
    EXPECT_EQ(a->menu() != nullptr, row.kind == 'S');
    EXPECT_EQ(a->isSeparator(), row.kind == '-');
    if (row.kind != '-') {
      EXPECT_EQ(a->text().section(u'\t', 0, 0).toStdString(), row.caption);
    }
    // Every shortcut is shown, either as the action's key or after a tab in its text.
    const QKeySequence key =
        QKeySequence::fromString(QLatin1String(row.shortcut), QKeySequence::PortableText);
    const QString shown = a->shortcut().isEmpty() ? a->text().section(u'\t', 1) : a->shortcut().toString();
    EXPECT_EQ(shown, key.toString());
    EXPECT_EQ(a->isVisible(), visible);
    if (visible) {
      EXPECT_EQ(a->isEnabled(), enabled);  // Qt disables what it hides
    }
    EXPECT_EQ(a->isChecked(), checked);
    EXPECT_EQ(ui.menuItem(id).checked(), checked);
    EXPECT_EQ(ui.menuItem(id).enabled(), enabled);
    EXPECT_EQ(ui.menuItem(id).visible(), visible);
    // The items of a radio group share one exclusive group; no other item has one.
    if (row.group == 0) {
      EXPECT_EQ(a->actionGroup(), nullptr);
    } else {
      ASSERT_NE(a->actionGroup(), nullptr);
      EXPECT_TRUE(a->actionGroup()->isExclusive());
      EXPECT_TRUE(a->isCheckable());
      QActionGroup*& group = groups[row.group];
      if (!group) group = a->actionGroup();
      EXPECT_EQ(a->actionGroup(), group);
    }
  }
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_NE(groups[1], groups[2]);
}

TEST_F(ToolkitFixture, EveryKeyIsRegisteredOnceAndCtrlTBelongsToLoadTableFile) {
  EXPECT_EQ(ui.action(MenuId::LoadTableFile1)->shortcut(), QKeySequence(QStringLiteral("Ctrl+T")));
  EXPECT_TRUE(ui.action(MenuId::DisplayTextEditor1)->shortcut().isEmpty());
  EXPECT_TRUE(ui.action(MenuId::DisplayTextEditor1)->text().endsWith(QStringLiteral("\tCtrl+T")));
  std::map<QString, int> owners;
  for (QAction* a : form(FormId::myForm)->findChildren<QAction*>())
    if (!a->shortcut().isEmpty()) ++owners[a->shortcut().toString()];
  for (const auto& [key, count] : owners) EXPECT_EQ(count, 1) << key.toStdString();
  // Hidden items keep their keys: Ctrl+D and Ctrl+B are registered although not shown.
  EXPECT_EQ(owners.count(QStringLiteral("Ctrl+D")), 1u);
  EXPECT_EQ(owners.count(QStringLiteral("Ctrl+B")), 1u);
}

struct KeyCase {
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  std::vector<MenuId> commands;  // what the key runs
};

TEST_F(ToolkitFixture, KeysRunTheirCommandsAndDisabledOnesRunNothing) {
  sink.onCommand = [](MenuId) {};  // record only
  showAndActivate();
  const std::vector<KeyCase> cases = {
      {Qt::Key_T, Qt::ControlModifier, {MenuId::LoadTableFile1}},
      {Qt::Key_O, Qt::ControlModifier, {MenuId::OpenBinaryTextData1}},
      {Qt::Key_X, Qt::AltModifier, {MenuId::Exit1}},
      {Qt::Key_D, Qt::ControlModifier, {MenuId::DTT}},                 // hidden
      {Qt::Key_B, Qt::ControlModifier, {MenuId::DecompresstoFiles1}},  // hidden
      {Qt::Key_M, Qt::ControlModifier, {}},                            // disabled
      {Qt::Key_C, Qt::ControlModifier, {}},                            // disabled
      {Qt::Key_V, Qt::ControlModifier, {}},                            // disabled
      {Qt::Key_Q, Qt::ControlModifier, {}},                            // no item
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(QKeySequence(c.key | c.modifiers).toString().toStdString());
    sink.commands.clear();
    QTest::keyClick(form(FormId::myForm), c.key, c.modifiers);
    EXPECT_EQ(sink.commands, c.commands);
  }
  // From a tool window too: the menu's keys work while the Text Editor has the focus.
  activate(FormId::TxtForm);
  sink.commands.clear();
  QTest::keyClick(control<QWidget>(FormId::TxtForm, "TDMemo"), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(sink.commands, std::vector<MenuId>{MenuId::SaveTextFile1});
  // ... except the editor's own editing keys: Ctrl+A selects the text rather than saving the ROM.
  ui.richEdit(ControlId::TDMemo).setText("some text");
  QTest::keyClick(control<QWidget>(FormId::TxtForm, "TDMemo"), Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(sink.commands, std::vector<MenuId>{MenuId::SaveTextFile1});
  EXPECT_EQ(ui.richEdit(ControlId::TDMemo).selLength(), 9);
}

TEST_F(ToolkitFixture, DisabledAndReenabledItemsFollowTheProgram) {
  sink.onCommand = [](MenuId) {};
  showAndActivate();
  ui.menuItem(MenuId::SaveRomFile1).setEnabled(false);
  QTest::keyClick(form(FormId::myForm), Qt::Key_A, Qt::ControlModifier);
  ui.menuItem(MenuId::DTT).setEnabled(false);
  QTest::keyClick(form(FormId::myForm), Qt::Key_D, Qt::ControlModifier);
  EXPECT_TRUE(sink.commands.empty());
  ui.menuItem(MenuId::SaveRomFile1).setEnabled(true);
  ui.menuItem(MenuId::DTT).setEnabled(true);
  QTest::keyClick(form(FormId::myForm), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(form(FormId::myForm), Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(sink.commands, (std::vector<MenuId>{MenuId::SaveRomFile1, MenuId::DTT}));
}

TEST_F(ToolkitFixture, CheckMarksAreLeftToTheCommands) {
  // A command that changes nothing leaves every check as it was, radio items included.
  sink.onCommand = [](MenuId) {};
  ui.menuItem(MenuId::TEOnTop).setChecked(true);
  for (MenuId clicked : {MenuId::Green1, MenuId::Solid1, MenuId::HideCodes, MenuId::TEOnTop, MenuId::Blue1}) {
    ui.action(clicked)->trigger();
    for (MenuId id : {MenuId::Blue1, MenuId::Green1, MenuId::Solid1, MenuId::Gradient1, MenuId::HideCodes}) {
      SCOPED_TRACE(std::string(MenuInfo(clicked).name) + " then " + std::string(MenuInfo(id).name));
      EXPECT_EQ(ui.action(id)->isChecked(), MenuInfo(id).checked);
      EXPECT_EQ(ui.menuItem(id).checked(), MenuInfo(id).checked);
    }
    EXPECT_TRUE(ui.action(MenuId::TEOnTop)->isChecked());
  }
  ui.menuItem(MenuId::TEOnTop).setChecked(false);
  EXPECT_FALSE(ui.action(MenuId::TEOnTop)->isChecked());

  // Commands that flip a check or move a radio group's check are shown once, not undone.
  sink.onCommand = [this](MenuId id) {
    MenuItem& item = ui.menuItem(id);
    if (MenuInfo(id).radioGroup == 0) return item.setChecked(!item.checked());
    for (const MenuEntry& e : MenuTable())
      if (e.radioGroup == MenuInfo(id).radioGroup) ui.menuItem(e.id).setChecked(e.id == id);
  };
  ui.action(MenuId::HideCodes)->trigger();
  ui.action(MenuId::Red1)->trigger();
  ui.action(MenuId::Solid1)->trigger();
  EXPECT_TRUE(ui.action(MenuId::HideCodes)->isChecked());
  EXPECT_TRUE(ui.action(MenuId::Red1)->isChecked());
  EXPECT_FALSE(ui.action(MenuId::Blue1)->isChecked());
  EXPECT_TRUE(ui.action(MenuId::Solid1)->isChecked());
  EXPECT_FALSE(ui.action(MenuId::Gradient1)->isChecked());
  ui.action(MenuId::HideCodes)->trigger();
  EXPECT_FALSE(ui.action(MenuId::HideCodes)->isChecked());
  EXPECT_FALSE(ui.menuItem(MenuId::HideCodes).checked());
}

TEST_F(EditorFixture, MainAndHexWindowsPreviewTheirKeys) {
  sink.onCommand = [](MenuId) {};
  showAndActivate();
  sink.keys.clear();
  QTest::keyClick(form(FormId::myForm), Qt::Key_Up, Qt::ShiftModifier);
  QTest::keyClick(form(FormId::myForm), Qt::Key_A);
  QTest::keyClick(form(FormId::myForm), Qt::Key_5);
  const auto keys = sink.pressed();
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0].form, FormId::myForm);
  EXPECT_EQ(keys[0].key, VK_UP);
  EXPECT_TRUE(keys[0].shift.shift);
  EXPECT_FALSE(keys[0].shift.ctrl);
  EXPECT_EQ(keys[1].key, 'A');
  EXPECT_FALSE(keys[1].shift.shift);
  EXPECT_EQ(keys[2].key, '5');
  // A menu key goes to the menu, not to the preview.
  sink.keys.clear();
  QTest::keyClick(form(FormId::myForm), Qt::Key_T, Qt::ControlModifier);
  EXPECT_TRUE(sink.pressed().empty());
  EXPECT_EQ(sink.commands.back(), MenuId::LoadTableFile1);

  // Keys in the Hex Data window go to its own handler.
  activate(FormId::HexForm);
  sink.keys.clear();
  QTest::keyClick(form(FormId::HexForm), Qt::Key_Right);
  ASSERT_EQ(sink.keys.size(), 1u);
  EXPECT_EQ(sink.keys[0].form, FormId::HexForm);
  EXPECT_EQ(sink.keys[0].key, VK_RIGHT);
}

// Counts the key presses that reach a widget.
struct KeyCounter : QObject {
  int presses = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) ++presses;
    return false;
  }
};

TEST_F(ToolkitFixture, DiscardedKeysGoNoFurther) {
  showAndActivate();
  sink.onKey = [](int, ShiftState shift) { return !shift.shift; };
  KeyCounter counter;
  form(FormId::myForm)->installEventFilter(&counter);
  QTest::keyClick(form(FormId::myForm), Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(counter.presses, 0);
  QTest::keyClick(form(FormId::myForm), Qt::Key_Down);
  EXPECT_EQ(counter.presses, 1);
  EXPECT_EQ(sink.pressed().size(), 2u);  // each key was previewed once
}

// ---- the commands on the demo set ----

using DemoMenu = DemoFixture;

TEST_F(DemoMenu, DisabledKeysDoNothingAndCtrlTLoadsATableFile) {
  ASSERT_TRUE(open());
  activate(FormId::myForm);
  QWidget* main = form(FormId::myForm);
  for (Qt::Key key : {Qt::Key_M, Qt::Key_N, Qt::Key_V, Qt::Key_C})
    QTest::keyClick(main, key, Qt::ControlModifier);
  EXPECT_TRUE(answers.dialogs.empty());
  EXPECT_TRUE(answers.boxes.empty());
  EXPECT_FALSE(ui.window(FormId::viewKana).visible());

  // Ctrl+T is Load Table File's, not Display Text Editor's.
  ui.window(FormId::TxtForm).setVisible(false);
  answers.open.push_back(std::vector<std::string>{dir.file("demo.tbl")});
  QTest::keyClick(main, Qt::Key_T, Qt::ControlModifier);
  ASSERT_EQ(answers.dialogs.size(), 1u);
  EXPECT_EQ(answers.dialogs[0].title, "Open TABLE File");
  EXPECT_EQ(program.myForm.gTablePath, dir.file("demo.tbl"));
  EXPECT_FALSE(ui.window(FormId::TxtForm).visible());
}

TEST_F(DemoMenu, HiddenItemsKeepTheirKeys) {
  ASSERT_TRUE(open());
  activate(FormId::myForm);
  QWidget* main = form(FormId::myForm);
  for (int i = 0; i < 3; ++i) QTest::keyClick(main, Qt::Key_Down, Qt::ShiftModifier);
  ASSERT_EQ(program.myForm.gPages[0].scroll, 48);
  // Ctrl+D shows the selected string as a click in the string list does.
  QTest::keyClick(main, Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(program.myForm.gPages[0].scroll, 0);
  EXPECT_EQ(ui.statusBar().panelText(1), "Line {Kana, Ascii}: 0, 0");
  EXPECT_FALSE(ui.action(MenuId::DTT)->isChecked());
  EXPECT_EQ(bitmap().pixels, rendered(""));
  EXPECT_EQ(form(FormId::cmForm)->focusWidget(), control<QWidget>(FormId::cmForm, "pList"));
  // Ctrl+B shows the List Data window.
  ui.window(FormId::cmForm).setVisible(false);
  QTest::keyClick(main, Qt::Key_B, Qt::ControlModifier);
  EXPECT_TRUE(ui.window(FormId::cmForm).visible());
}

TEST_F(DemoMenu, ZoomDoublesThePictureOnceAndDefaultSizeRestoresIt) {
  ASSERT_TRUE(open());
  Window& main = ui.window(FormId::myForm);
  QWidget* video = control<QWidget>(FormId::myForm, "Video");
  auto placed = [this](FormId kanaBelow) {
    const Rect m = ui.window(FormId::myForm).bounds(), t = ui.window(FormId::TxtForm).bounds();
    const Rect l = ui.window(FormId::cmForm).bounds(), k = ui.window(FormId::KanaForm).bounds();
    EXPECT_EQ(t.left, m.left + m.width + 2);
    EXPECT_EQ(t.top, m.top);
    EXPECT_EQ(l.left, t.left);
    EXPECT_EQ(l.top, t.top + t.height + 2);
    const Rect& above = kanaBelow == FormId::myForm ? m : l;
    EXPECT_EQ(k.left, above.left);
    EXPECT_EQ(k.top, above.top + above.height + 2);
  };

  form(FormId::myForm)->showMaximized();
  ASSERT_TRUE(QTest::qWaitFor([&] { return main.maximized(); }));
  for (int press = 1; press <= 2; ++press) {
    SCOPED_TRACE(press);
    ui.action(MenuId::Zoominx21)->trigger();
    QCoreApplication::processEvents();
    EXPECT_FALSE(main.maximized());
    EXPECT_EQ(main.clientSize().width, 640);
    EXPECT_EQ(main.clientSize().height, 531);
    EXPECT_EQ(video->size(), QSize(640, 512));
    placed(FormId::cmForm);  // after the zoom: Kana Text below List Data
  }
  const QImage shown = video->grab().toImage();
  EXPECT_EQ(shown, qt::ToImage(bitmap()).scaled(640, 512).convertToFormat(shown.format()));

  form(FormId::myForm)->showMaximized();
  ASSERT_TRUE(QTest::qWaitFor([&] { return main.maximized(); }));
  ui.action(MenuId::DefaultWindowSize1)->trigger();
  QCoreApplication::processEvents();
  EXPECT_FALSE(main.maximized());
  EXPECT_EQ(main.clientSize().width, 320);
  EXPECT_EQ(main.clientSize().height, 275);
  EXPECT_EQ(video->size(), QSize(320, 256));
  placed(FormId::myForm);
}

TEST_F(DemoMenu, GreenThenSolidFillsBothBoxInteriors) {
  ASSERT_TRUE(open());
  ui.action(MenuId::Green1)->trigger();
  ui.action(MenuId::Solid1)->trigger();
  EXPECT_TRUE(ui.action(MenuId::Green1)->isChecked());
  EXPECT_FALSE(ui.action(MenuId::Blue1)->isChecked());
  EXPECT_TRUE(ui.action(MenuId::Solid1)->isChecked());
  EXPECT_FALSE(ui.action(MenuId::Gradient1)->isChecked());
  // Inside each box: a corner tile's fill and the page window below the text.
  for (auto [x, y] : {std::pair{12, 12}, {150, 100}, {283, 113}, {12, 140}, {150, 230}, {235, 241}}) {
    SCOPED_TRACE(testing::Message() << x << "," << y);
    EXPECT_EQ(bitmap().scanLine(y)[x], 0x03E0);
  }
  EXPECT_EQ(bitmap().pixels, rendered("--color green --fill solid"));
}

}  // namespace
}  // namespace ts2::test
