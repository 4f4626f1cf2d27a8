// The main menu against the menu table: structure, captions, shortcuts, states, and which
// command each key runs.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <map>

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

TEST_F(ToolkitFixture, MenuFollowsTheTable) {
  const std::vector<QAction*> actions = MenuInOrder(ui.menuBar());
  const auto table = MenuTable();
  ASSERT_EQ(actions.size(), table.size());
  for (size_t i = 0; i < table.size(); ++i) {
    const MenuEntry& e = table[i];
    QAction* a = actions[i];
    SCOPED_TRACE(std::string(e.name));
    EXPECT_EQ(a, ui.action(e.id));
    EXPECT_EQ(a->objectName().toStdString(), e.name);
    EXPECT_EQ(a->menu() != nullptr, e.kind == MenuKind::Submenu);
    EXPECT_EQ(a->isSeparator(), e.kind == MenuKind::Separator);
    if (e.kind != MenuKind::Separator) {
      EXPECT_EQ(a->text().section(u'\t', 0, 0).toStdString(), e.caption);
    }
    EXPECT_EQ(a->isVisible(), e.visible);
    if (e.visible) {
      EXPECT_EQ(a->isEnabled(), e.enabled);  // Qt disables what it hides
    }
    EXPECT_EQ(a->isChecked(), e.checked);
    EXPECT_EQ(ui.menuItem(e.id).checked(), e.checked);
    EXPECT_EQ(ui.menuItem(e.id).enabled(), e.enabled);
    EXPECT_EQ(ui.menuItem(e.id).visible(), e.visible);
    // Every shortcut is shown, either as the action's key or after a tab in its text.
    const QKeySequence key =
        QKeySequence::fromString(QString::fromLatin1(e.shortcut), QKeySequence::PortableText);
    const QString shown = a->shortcut().isEmpty() ? a->text().section(u'\t', 1) : a->shortcut().toString();
    EXPECT_EQ(shown, key.toString());
  }
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

}  // namespace
}  // namespace ts2::test
