// The Qt menu built from the menu table: structure, captions, shortcuts, states, and which
// command each key runs.
#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <map>

#include "qt/qt_controls.h"
#include "qt_fixture.h"

namespace ts2::test {
namespace {

// Every action of the menu bar's rows in menu order: each submenu followed by its items.
void AddInOrder(const QList<QAction*>& from, std::vector<QAction*>& actions) {
  for (QAction* action : from) {
    actions.push_back(action);
    if (action->menu()) AddInOrder(action->menu()->actions(), actions);
  }
}
std::vector<QAction*> MenuInOrder(const std::vector<QMenuBar*>& rows) {
  std::vector<QAction*> actions;
  for (QMenuBar* row : rows) AddInOrder(row->actions(), actions);
  return actions;
}

TEST_F(ToolkitFixture, MenuShowsEveryEntryWithItsCaptionKeyStateAndGroup) {
  const std::vector<QAction*> actions = MenuInOrder(ui.menuBars());
  ASSERT_EQ(actions.size(), MenuTable().size());
  std::map<int, QActionGroup*> groups;  // radio group -> its exclusive Qt group
  for (size_t i = 0; i < actions.size(); ++i) {
    const MenuEntry& e = MenuTable()[i];
    QAction* a = actions[i];
    SCOPED_TRACE(std::string(e.name));
    EXPECT_EQ(a, ui.action(e.id));
    EXPECT_EQ(a->menu() != nullptr, e.kind == MenuKind::Submenu);
    EXPECT_EQ(a->isSeparator(), e.kind == MenuKind::Separator);
    if (e.kind != MenuKind::Separator) {
      EXPECT_EQ(a->text().section(u'\t', 0, 0).toStdString(), e.caption);
    }
    // Every shortcut is shown, either as the action's key or after a tab in its text.
    const QString shown = a->shortcut().isEmpty() ? a->text().section(u'\t', 1) : a->shortcut().toString();
    EXPECT_EQ(shown, QKeySequence::fromString(QString::fromLatin1(e.shortcut.data(), e.shortcut.size()),
                                              QKeySequence::PortableText)
                         .toString());
    EXPECT_EQ(a->isVisible(), e.visible);
    EXPECT_EQ(a->isEnabled() || !e.visible, e.enabled);  // Qt disables what it hides
    EXPECT_EQ(ui.menuItem(e.id).enabled(), e.enabled);
    EXPECT_EQ(a->isChecked(), e.checked);
    // The items of a radio group share one exclusive group; no other item has one.
    EXPECT_EQ(a->actionGroup() != nullptr, e.radioGroup != 0);
    if (e.radioGroup != 0 && a->actionGroup()) {
      EXPECT_TRUE(a->actionGroup()->isExclusive());
      EXPECT_EQ(groups.emplace(e.radioGroup, a->actionGroup()).first->second, a->actionGroup());
    }
  }
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_NE(groups.begin()->second, groups.rbegin()->second);
}

// At the described width every top-level menu shows on a row of its own bar, none behind an
// overflow button; the client area keeps its size and the window grows by the extra rows.
TEST_F(ToolkitFixture, MenuBarWrapsOntoMoreRowsRatherThanHidingMenus) {
  showAndActivate();
  QWidget* main = form(FormId::myForm);
  struct Case {
    int width;
    size_t rows;
  };
  for (const Case& c : {Case{kMainClientW, 2}, Case{1200, 1}, Case{kMainClientW, 2}}) {
    SCOPED_TRACE(c.width);
    ui.window(FormId::myForm).setClientWidth(c.width);
    QCoreApplication::processEvents();
    const std::vector<QMenuBar*> rows = ui.menuBars();
    EXPECT_EQ(rows.size(), c.rows);
    int top = 0;
    std::vector<QAction*> shown;
    for (QMenuBar* row : rows) {
      EXPECT_TRUE(row->isVisible());
      EXPECT_EQ(row->geometry(), QRect(0, top, c.width, row->sizeHint().height()));
      top += row->height();
      for (QAction* menu : row->actions()) {
        EXPECT_TRUE(row->rect().contains(row->actionGeometry(menu))) << menu->text().toStdString();
        shown.push_back(menu);
      }
      // No overflow button: Qt's extension is a child tool button, shown only when menus are hidden.
      for (QWidget* child : row->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->inherits("QToolButton")) {
          EXPECT_FALSE(child->isVisible());
        }
    }
    size_t topLevel = 0;
    for (const MenuEntry& e : MenuTable())
      topLevel += e.kind == MenuKind::Submenu && e.parent == MenuId::Count;
    EXPECT_EQ(shown.size(), topLevel);
    EXPECT_EQ(ui.window(FormId::myForm).clientSize().height, kMainClientH);
    EXPECT_EQ(main->height(), kMainClientH + top);
    EXPECT_EQ(control<QWidget>(FormId::myForm, "Video")->size(), QSize(c.width, 256));
  }
}

// With the menus on two rows, Right and Left in an open menu go round all of them, row to row, as
// they go round one menu bar.
TEST_F(ToolkitFixture, ArrowsInAnOpenMenuGoOnToTheOtherRow) {
  showAndActivate();
  ui.window(FormId::myForm).setClientWidth(kMainClientW);
  QCoreApplication::processEvents();
  const std::vector<QMenuBar*> rows = ui.menuBars();
  ASSERT_EQ(rows.size(), 2u);
  std::vector<QAction*> order;
  for (QMenuBar* row : rows)
    for (QAction* menu : row->actions()) order.push_back(menu);
  const auto open = [] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); };
  rows[0]->setActiveAction(order.front());
  ASSERT_TRUE(QTest::qWaitFor([&] { return open() == order.front()->menu(); }));
  for (size_t step = 1; step <= order.size(); ++step) {  // round once, back to the first
    QAction* next = order[step % order.size()];
    QTest::keyClick(open(), Qt::Key_Right);
    EXPECT_TRUE(QTest::qWaitFor([&] { return open() == next->menu(); })) << next->text().toStdString();
  }
  for (size_t step = order.size(); step-- > 0;) {  // and back the other way
    QTest::keyClick(open(), Qt::Key_Left);
    EXPECT_TRUE(QTest::qWaitFor([&] { return open() == order[step]->menu(); }))
        << order[step]->text().toStdString();
  }
  if (open()) open()->close();
}

TEST_F(ToolkitFixture, RecentFileItemsShowTheCaptionsTheProgramSets) {
  MenuItem& item = ui.menuItem(MenuId::RecentFile1);
  EXPECT_FALSE(ui.action(MenuId::RecentFile1)->isVisible());
  item.setCaption("&1 a&&b.sfc + d.txt");
  item.setVisible(true);
  EXPECT_TRUE(ui.action(MenuId::RecentFile1)->isVisible());
  EXPECT_EQ(ui.action(MenuId::RecentFile1)->text(), QStringLiteral("&1 a&&b.sfc + d.txt"));
  EXPECT_EQ(ui.action(MenuId::RecentFile1)->parent(), ui.action(MenuId::RecentFiles1)->menu());
  EXPECT_EQ(item.caption(), "&1 a&&b.sfc + d.txt");
  // A tab in a file's name is part of the name, not the start of a shortcut to keep.
  item.setCaption("&1 a\tb.sfc + d.txt");
  item.setCaption("&1 c.sfc + d.txt");
  EXPECT_EQ(ui.action(MenuId::RecentFile1)->text(), QStringLiteral("&1 c.sfc + d.txt"));

  // The title bar names the data file as the menu does: UTF-8, else Windows-1252.
  for (const auto& [caption, shown] :
       {std::pair<std::string, QString>{"Script Editor - [ donn\xc3\xa9"
                                        "es.txt ]",
                                        QStringLiteral("Script Editor - [ donn\u00e9es.txt ]")},
        {"Script Editor - [ caf\xe9.txt ]", QStringLiteral("Script Editor - [ caf\u00e9.txt ]")}}) {
    ui.window(FormId::myForm).setCaption(caption);
    EXPECT_EQ(form(FormId::myForm)->windowTitle(), shown);
    EXPECT_EQ(ui.window(FormId::myForm).caption(), caption);
  }
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
      {Qt::Key_N, Qt::ControlModifier, {}},                            // disabled
      {Qt::Key_V, Qt::ControlModifier, {}},                            // disabled
      {Qt::Key_Q, Qt::ControlModifier, {}},                            // no item
      {Qt::Key_F1, Qt::NoModifier, {MenuId::KeyboardShortcuts1}},
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

  // Items the program disables run nothing until it enables them again.
  activate(FormId::myForm);
  sink.commands.clear();
  for (bool enabled : {false, true}) {
    ui.menuItem(MenuId::SaveRomFile1).setEnabled(enabled);
    QTest::keyClick(form(FormId::myForm), Qt::Key_A, Qt::ControlModifier);
  }
  EXPECT_EQ(sink.commands, std::vector<MenuId>{MenuId::SaveRomFile1});
}

TEST_F(ToolkitFixture, CheckMarksAreLeftToTheCommands) {
  // A command that changes nothing leaves every check as it was, radio items included.
  sink.onCommand = [](MenuId) {};
  for (MenuId clicked : {MenuId::Green1, MenuId::Solid1, MenuId::HideCodes}) {
    ui.action(clicked)->trigger();
    for (MenuId id : {MenuId::Blue1, MenuId::Green1, MenuId::Solid1, MenuId::Gradient1, MenuId::HideCodes})
      EXPECT_EQ(ui.action(id)->isChecked(), MenuInfo(id).checked) << MenuInfo(id).name;
  }
  // A radio group's check moved by the program is shown once, not undone.
  sink.onCommand = [this](MenuId id) {
    for (const MenuEntry& e : MenuTable())
      if (e.radioGroup == MenuInfo(id).radioGroup) ui.menuItem(e.id).setChecked(e.id == id);
  };
  ui.action(MenuId::Red1)->trigger();
  EXPECT_TRUE(ui.action(MenuId::Red1)->isChecked());
  EXPECT_FALSE(ui.action(MenuId::Blue1)->isChecked());
}

// Check marks set while the program handles an edit are read back at once and shown on the
// actions once it is done: as set plainly, and an action whose check ends as it was is never
// changed (its menu hears nothing).
TEST_F(ToolkitFixture, CheckMarksSetWhileAnEditIsHandledAreShownWhenItIsDone) {
  showAndActivate();
  auto* edit = focusTextEditor();
  using Sets = std::vector<std::pair<MenuId, bool>>;
  const std::vector<Sets> handlers = {
      {{MenuId::DTT, true}, {MenuId::DTT, false}},  // as the display draws the translation
      {{MenuId::DTT, true}},
      {{MenuId::Solid1, true}, {MenuId::HideCodes, false}, {MenuId::HideCodes, true}},
      {{MenuId::Red1, true}, {MenuId::Blue1, false}},  // a radio group's check moved
  };
  for (const Sets& sets : handlers) {
    const auto run = [&](std::vector<bool>& read) {
      for (auto [id, checked] : sets) {
        ui.menuItem(id).setChecked(checked);
        read.push_back(ui.menuItem(id).checked());
      }
    };
    const auto shown = [&] {
      std::vector<std::pair<bool, bool>> actions;
      for (const MenuEntry& e : MenuTable())
        actions.emplace_back(ui.action(e.id)->isCheckable(), ui.action(e.id)->isChecked());
      return actions;
    };
    const auto reset = [&] {
      for (const MenuEntry& e : MenuTable()) ui.menuItem(e.id).setChecked(e.checked);
    };
    reset();
    std::vector<bool> plainRead;
    run(plainRead);
    const auto plainShown = shown();
    reset();
    const auto before = shown();
    std::vector<bool> heldRead;
    int changes = 0;
    std::vector<QMetaObject::Connection> counting;
    for (const MenuEntry& e : MenuTable())
      counting.push_back(QObject::connect(ui.action(e.id), &QAction::changed, [&] { ++changes; }));
    sink.onChange = [&](ControlId) { run(heldRead); };
    QTest::keyClick(edit, Qt::Key_X);
    sink.onChange = nullptr;
    for (const auto& c : counting) QObject::disconnect(c);
    EXPECT_EQ(heldRead, plainRead);
    EXPECT_EQ(shown(), plainShown);
    EXPECT_EQ(changes == 0, shown() == before);
  }
}

// Tooltips set while the program handles an edit are shown once it is done, as set plainly; a
// panel's tooltip changes at most once per edit, and not at all when it ends as it was.
TEST_F(ToolkitFixture, PanelTooltipsSetWhileAnEditIsHandledAreShownWhenItIsDone) {
  showAndActivate();
  auto* edit = focusTextEditor();
  const QList<QLabel*> panels =
      form(FormId::myForm)->findChild<QWidget*>(QStringLiteral("StatusBar1"))->findChildren<QLabel*>();
  ASSERT_EQ(panels.size(), 3);
  struct Set {
    int panel;
    bool hint;  // setPanelHint, else setPanelText
    std::string text;
  };
  using Sets = std::vector<Set>;
  const std::vector<Sets> handlers = {
      {{2, false, "L1: too wide"}, {2, true, "line 1 is 300 pixels wide"}},  // as the fit panel is set
      {{2, false, "fits"}, {2, true, ""}},
      {{2, false, "same"}, {2, true, "a"}, {2, true, ""}},  // ends on the text itself
      {{0, false, "String: 3"}, {1, true, "hint"}, {2, false, "x"}},
      {},
  };
  StatusBar& status = ui.statusBar();
  const auto run = [&](const Sets& sets) {
    for (const Set& set : sets)
      set.hint ? status.setPanelHint(set.panel, set.text) : status.setPanelText(set.panel, set.text);
  };
  const auto tips = [&] {
    std::vector<QString> shown;
    for (QLabel* label : panels) shown.push_back(label->toolTip());
    return shown;
  };
  const auto reset = [&] {
    for (int panel = 0; panel < 3; ++panel) {
      status.setPanelText(panel, "start " + std::to_string(panel));
      status.setPanelHint(panel, "");
    }
  };
  struct TipCounter : QObject {
    int changes[3] = {};
    QList<QLabel*> labels;
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (event->type() == QEvent::ToolTipChange) ++changes[labels.indexOf(watched)];
      return false;
    }
  };
  for (const Sets& sets : handlers) {
    reset();
    run(sets);
    const auto plainShown = tips();
    reset();
    const auto before = tips();
    TipCounter counter;
    counter.labels = panels;
    for (QLabel* label : panels) label->installEventFilter(&counter);
    sink.onChange = [&](ControlId) { run(sets); };
    QTest::keyClick(edit, Qt::Key_X);
    sink.onChange = nullptr;
    for (QLabel* label : panels) label->removeEventFilter(&counter);
    EXPECT_EQ(tips(), plainShown);
    for (int panel = 0; panel < 3; ++panel)
      EXPECT_EQ(counter.changes[panel], tips()[panel] == before[panel] ? 0 : 1) << "panel " << panel;
  }
}

// Counts the key presses that reach a widget.
struct KeyCounter : QObject {
  int presses = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) ++presses;
    return false;
  }
};

TEST_F(ToolkitFixture, MainAndHexWindowsPreviewTheirKeysAndDiscardedOnesGoNoFurther) {
  sink.onCommand = [](MenuId) {};
  sink.onKey = [](int, ShiftState shift) { return !shift.shift; };  // the program discards Shift keys
  showAndActivate();
  KeyCounter counter;
  form(FormId::myForm)->installEventFilter(&counter);
  QTest::keyClick(form(FormId::myForm), Qt::Key_Up, Qt::ShiftModifier);
  QTest::keyClick(form(FormId::myForm), Qt::Key_5);
  EXPECT_EQ(counter.presses, 1);                                          // the Up never reached the window
  QTest::keyClick(form(FormId::myForm), Qt::Key_T, Qt::ControlModifier);  // a menu key goes to the menu only
  activate(FormId::HexForm);
  QTest::keyClick(form(FormId::HexForm), Qt::Key_Right);
  const auto keys = sink.keys;
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0].form, FormId::myForm);
  EXPECT_EQ(keys[0].key, VK_UP);
  EXPECT_TRUE(keys[0].shift.shift && !keys[0].shift.ctrl);
  EXPECT_EQ(keys[1].key, '5');
  EXPECT_EQ(keys[2].form, FormId::HexForm);
  EXPECT_EQ(keys[2].key, VK_RIGHT);
  EXPECT_EQ(sink.commands, std::vector<MenuId>{MenuId::LoadTableFile1});
}

// ---- the commands on the demo set ----

using DemoMenu = DemoFixture;

TEST_F(DemoMenu, CtrlTLoadsATableFile) {
  ASSERT_TRUE(open());
  activate(FormId::myForm);
  // Ctrl+T is Load Table File's, not Display Text Editor's.
  ui.window(FormId::TxtForm).setVisible(false);
  answers.open.push_back(std::vector<std::string>{dir.file("demo.tbl")});
  QTest::keyClick(form(FormId::myForm), Qt::Key_T, Qt::ControlModifier);
  ASSERT_EQ(answers.dialogs.size(), 1u);
  EXPECT_EQ(answers.dialogs[0].title, "Open TABLE File");
  EXPECT_EQ(program.myForm.gTablePath, dir.file("demo.tbl"));
  EXPECT_FALSE(ui.window(FormId::TxtForm).visible());
}

TEST_F(DemoMenu, ZoomDoublesThePictureOnceAndDefaultSizeRestoresIt) {
  ASSERT_TRUE(open());
  Window& main = ui.window(FormId::myForm);
  QWidget* video = control<QWidget>(FormId::myForm, "Video");
  // The Text Editor right of the main window; Kana Text below List Data after a zoom (no
  // sender), below the main window after Default Window Size.
  auto placed = [this](FormId kanaBelow) {
    const Rect m = ui.window(FormId::myForm).bounds(), above = ui.window(kanaBelow).bounds();
    EXPECT_EQ(ui.window(FormId::TxtForm).bounds().left, m.left + m.width + 2);
    EXPECT_EQ(ui.window(FormId::KanaForm).bounds().top, above.top + above.height + 2);
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
    placed(FormId::cmForm);
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
  EXPECT_EQ(bitmap().pixels, rendered("--color green --fill solid"));
}

}  // namespace
}  // namespace ts2::test
