// The whole-script windows on Qt, on the demo set: List Data's marks and tooltips, the Script
// Overview's rows and totals, Find in Script's results and Replace as an edit to undo.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTableWidget>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QTreeWidget>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

#include "core/fileutil.h"
#include "qt/qt_place.h"
#include "qt/qt_script.h"
#include "qt/qt_text.h"
#include "qt_fixture.h"
#include "script/textfile.h"
#include "views/script_form.h"
#include "views/similar.h"

namespace ts2::test {
namespace {

struct ScriptWindows : DemoFixture {
  // Opens the demo and lets the lists fill.
  bool opened() {
    if (!open()) return false;
    Settle();
    return true;
  }
  QAbstractItemView* list(const char* name) { return control<QAbstractItemView>(FormId::cmForm, name); }
  // Opens a tool window from the menu, as the active window.
  QWidget* openActive(MenuId command, ToolWindow window) {
    program.myForm.RunMenuCommand(command);
    QWidget* w = ui.toolWindow(window);
    if (!w) return nullptr;
    QApplication::setActiveWindow(w);
    return QTest::qWaitFor([w] { return QApplication::activeWindow() == w; }) ? w : nullptr;
  }
  QPlainTextEdit* editor() { return textEditor(); }
  QPlainTextEdit* kana() { return control<QPlainTextEdit>(FormId::KanaForm, "kanaEdit"); }
  // Opens a tool window from the menu (not made active).
  template <typename T>
  T* tool(MenuId command, ToolWindow window) {
    program.myForm.RunMenuCommand(command);
    return static_cast<T*>(ui.toolWindow(window));
  }
  // Selects the first `text` in `edit` (the caret before it when `length` is 0).
  static void select(QPlainTextEdit* edit, const QString& text, int length) {
    QTextCursor cursor = edit->textCursor();
    const int at = static_cast<int>(edit->toPlainText().indexOf(text));
    ASSERT_GE(at, 0) << text.toStdString();
    cursor.setPosition(at);
    cursor.setPosition(at + length, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
  }
};

struct Tool {
  MenuId command;
  ToolWindow window;
};
constexpr Tool kToolWindows[] = {{MenuId::ScriptOverview1, ToolWindow::ScriptOverview},
                                 {MenuId::FindInScript1, ToolWindow::FindInScript},
                                 {MenuId::Glossary1, ToolWindow::Glossary},
                                 {MenuId::SimilarStrings1, ToolWindow::SimilarStrings}};

// The texts of a row's first `columns` columns.
QStringList Row(const QTreeWidgetItem* row, int columns) {
  QStringList texts;
  for (int column = 0; column < columns; ++column) texts << row->text(column);
  return texts;
}

// WCAG's contrast ratio of two colours: 4.5 and more reads as text.
double Contrast(const QColor& a, const QColor& b) {
  const auto luminance = [](const QColor& c) {
    const auto linear = [](double v) {
      return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST_F(ScriptWindows, ListsShowStatesBesideUnchangedCaptions) {
  ASSERT_TRUE(opened());
  const QAbstractItemModel* strings = list("pList")->model();
  ASSERT_EQ(strings->rowCount(), 6);
  EXPECT_EQ(strings->index(3, 0).data(Qt::DisplayRole).toString(), QStringLiteral("String# 3    "));
  EXPECT_EQ(strings->index(3, 0).data(Qt::ToolTipRole).toString(),
            QStringLiteral("line 2, column 28: line is 240 pixels wide, the box wraps at 216"));
  EXPECT_EQ(strings->index(0, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("Translated"));
  EXPECT_FALSE(strings->index(0, 0).data(Qt::DecorationRole).isNull());
  const QAbstractItemModel* blocks = list("bList")->model();
  EXPECT_EQ(blocks->index(0, 0).data(Qt::ToolTipRole).toString(),
            QStringLiteral("5 of 6 translated, 1 with findings"));
  EXPECT_EQ(blocks->index(2, 0).data(Qt::ToolTipRole).toString(),
            QStringLiteral("0 of 3 translated, 0 with findings (no file yet)"));
}

// The editor's windows as they first open: the main window at the screen's left, the Text
// Editor and List Data beside it; a tool window 560 by 420 with its frame.
TEST(ToolWindowPlace, TheFirstFreePlaceElseWhereItHidesLeast) {
  const QRect main(10, 21, 292, 290), text(306, 20, 290, 272), lists(306, 296, 290, 82);
  const QSize tool(560, 420);
  const auto at = [&](int x, int y) { return QRect(QPoint(x, y), tool); };
  const auto screen = [](int width, int height) { return QRect(0, 0, width, height); };
  const QRect wide = screen(1600, 900);
  const std::vector<QRect> both = {text, lists};
  const QRect left(0, 0, 200, 420), right(210, 0, 790, 420);  // a main and a tool window
  const struct {
    const char* name;
    QRect screen, main;
    std::vector<QRect> tools, windows;
    QRect expected;
  } cases[] = {
      {"room left of the main window", wide, main.translated(600, 0), {}, {}, at(46, 21)},
      {"else right of everything shown", wide, main, {}, both, at(600, 21)},
      {"a second tool window below the first", wide, main, {at(600, 21)}, both, at(600, 445)},
      {"else below List Data", screen(1100, 900), main, {}, both, at(306, 382)},
      {"else at the edge, in line with the main window", screen(1000, 800), main, {}, both, at(10, 380)},
      {"nothing free: hiding least, off the main window", screen(1000, 600), main, {}, both, at(440, 180)},
      {"nothing free: over a tool window, not the main", screen(1000, 420), left, {right}, {}, at(204, 0)},
      {"a screen smaller than the window: the screen", screen(400, 300), main, {}, {text}, screen(400, 300)},
      {"a second screen at the right", {1600, 0, 1280, 1024}, {1700, 50, 292, 290}, {}, {}, at(1996, 50)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QRect at = qt::ToolWindowPlace(tool, c.main, c.tools, c.windows, c.screen);
    EXPECT_EQ(std::tuple(at.x(), at.y(), at.width(), at.height()),
              std::tuple(c.expected.x(), c.expected.y(), c.expected.width(), c.expected.height()));
  }
}

TEST_F(ScriptWindows, OverviewRowsTotalsAndActivation) {
  ASSERT_TRUE(opened());
  // Room on the main window's left, with the Text Editor and List Data out of the way below it.
  form(FormId::myForm)->move(600, 20);
  form(FormId::TxtForm)->move(600, 340);
  form(FormId::cmForm)->move(600, 650);
  auto* overview = tool<qt::ScriptOverviewWindow>(MenuId::ScriptOverview1, ToolWindow::ScriptOverview);
  ASSERT_NE(overview, nullptr);
  EXPECT_TRUE(overview->isVisible());
  overview->refreshNow();
  QTableWidget* table = overview->table();
  ASSERT_EQ(table->rowCount(), 3);
  // Every header fits its column; the window opens where none of the system's windows are
  // placed: left of the main window when there is room.
  for (int column = 0; column < table->columnCount(); ++column)
    EXPECT_GE(table->columnWidth(column), table->horizontalHeader()->sectionSizeHint(column)) << column;
  EXPECT_NE(overview->pos(), form(FormId::myForm)->pos());
  EXPECT_LT(overview->frameGeometry().right(), form(FormId::myForm)->frameGeometry().left());
  // Find in Script, opened next, leaves the Overview's caption in sight.
  program.myForm.RunMenuCommand(MenuId::FindInScript1);
  const QWidget* find = ui.toolWindow(ToolWindow::FindInScript);
  ASSERT_NE(find, nullptr);
  EXPECT_FALSE(QRect(overview->frameGeometry().topLeft(), QSize(overview->frameGeometry().width(), 28))
                   .contains(find->frameGeometry().topLeft()));
  EXPECT_TRUE(form(FormId::myForm)->screen()->availableGeometry().contains(find->frameGeometry().topLeft()));
  // Sorted by the pointer table until another column is chosen.
  EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("060000"));
  EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("00060000.txt"));
  EXPECT_EQ(table->item(1, 3)->text(), QStringLiteral("5"));
  EXPECT_EQ(overview->totals()->item(0, 2)->text(), QStringLiteral("13"));
  EXPECT_EQ(overview->totals()->item(0, 3)->text(), QStringLiteral("5"));
  EXPECT_EQ(overview->totals()->item(0, 4)->text(), QStringLiteral("1"));
  // Sorted by strings, then the block of 3 strings activated.
  table->sortItems(2);
  EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("0A8000"));
  emit table->itemActivated(table->item(0, 2));
  EXPECT_EQ(program.myForm.gCurBlock, 2);
  // Counted again (a save), the rows are written anew: the selection stays on its block.
  table->sortItems(0);
  table->setCurrentCell(0, 1);
  ASSERT_EQ(table->item(0, 0)->text(), QStringLiteral("060000"));
  overview->refreshNow();
  ASSERT_GE(table->currentRow(), 0);
  EXPECT_EQ(table->item(table->currentRow(), 0)->text(), QStringLiteral("060000"));
  EXPECT_EQ(table->currentColumn(), 1);
}

// The rows shown are the results a row activates, whoever searched last; results of a block list
// that is gone are dropped and open nothing.
TEST_F(ScriptWindows, FindRowsFollowTheResultsAndTheScript) {
  dir.write("Dumps/00060000.txt", ".STRING 0\r\nVoici Xyz.\r\n.ENDS\r\n");
  dir.write("Dumps/000A8000.txt", ".STRING 0\r\nMyra est la.\r\n.ENDS\r\n");
  ASSERT_TRUE(opened());
  auto* find = tool<qt::FindInScriptWindow>(MenuId::FindInScript1, ToolWindow::FindInScript);
  ASSERT_NE(find, nullptr);
  find->findEdit()->setText(QStringLiteral("Xyz"));
  find->replaceEdit()->setText(QStringLiteral("Myra"));
  answers.yes = {true};
  find->replaceAll();
  find->findEdit()->setText(QStringLiteral("Myra"));
  find->find();
  ASSERT_EQ(find->results()->topLevelItemCount(), 2);
  // Undoing the Replace All searches again: one match is left, and the window shows it.
  answers.yes = {true};
  program.myForm.RunMenuCommand(MenuId::UndoOtherFiles1);
  Settle();
  ASSERT_EQ(program.ScriptForm().results.size(), 1u);
  ASSERT_EQ(find->results()->topLevelItemCount(), 1);
  QTreeWidgetItem* row = find->results()->topLevelItem(0);
  EXPECT_EQ(row->text(3), QStringLiteral("Myra est la."));
  emit find->results()->itemActivated(row, 0);
  EXPECT_EQ(program.ui.list(ControlId::bList).line(program.myForm.gCurBlock), row->text(0).toStdString());
  EXPECT_EQ(editor()->textCursor().selectedText(), QStringLiteral("Myra"));

  // A result whose place in the block list now holds another file opens nothing.
  const int shown = program.myForm.gCurBlock;
  TScriptForm::Result stale = program.ScriptForm().results[0];
  stale.block = shown == 0 ? 1 : 0;
  program.ScriptForm().results.push_back(stale);
  EXPECT_FALSE(program.ScriptForm().ActivateResult(1));
  EXPECT_EQ(program.myForm.gCurBlock, shown);

  // Another data file with the blocks in another order: the rows go with the list they named.
  std::string data = ReadFileText(dir.file("demo.txt"));
  const std::string b = ".BLOCK $C60000 $C60000 $C60000 4\r\n", c = ".BLOCK $CA8000 $CC0000 $CC0000 3\r\n";
  const size_t at = data.find(b);
  ASSERT_NE(at, std::string::npos);
  ASSERT_EQ(data.compare(at + b.size(), c.size(), c), 0);
  data.replace(at, b.size() + c.size(), c + b);
  dir.write("other.txt", data);
  const auto files = [&] {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.file("Dumps"))) ++n;
    return n;
  };
  const size_t before = files();
  program.myForm.LoadDataFile(dir.file("other.txt"));
  Settle();
  EXPECT_TRUE(program.ScriptForm().results.empty());
  EXPECT_EQ(find->results()->topLevelItemCount(), 0);
  EXPECT_EQ(files(), before);
}

// This screen has no room left of the main window, right of the Text Editor nor below List Data:
// each tool window, opened in turn, goes where it hides least, which here leaves the main window
// and the Text Editor in sight.
TEST_F(ScriptWindows, ToolWindowsOpenOnTheScreenOffTheStringShown) {
  ASSERT_TRUE(opened());
  const QRect screen = form(FormId::myForm)->screen()->availableGeometry();
  const QRect main = form(FormId::myForm)->frameGeometry(), text = form(FormId::TxtForm)->frameGeometry();
  for (const Tool& w : kToolWindows) {
    program.myForm.RunMenuCommand(w.command);
    const QWidget* tool = ui.toolWindow(w.window);
    ASSERT_NE(tool, nullptr);
    SCOPED_TRACE(tool->windowTitle().toStdString());
    EXPECT_TRUE(screen.contains(tool->frameGeometry()));
    EXPECT_FALSE(tool->frameGeometry().intersects(main));
    EXPECT_FALSE(tool->frameGeometry().intersects(text));
  }
}

// Escape closes a tool window wherever its focus is, and only from within it.
TEST_F(ScriptWindows, EscapeClosesEachToolWindowFromAnyOfItsControls) {
  ASSERT_TRUE(opened());
  for (const Tool& w : kToolWindows) {
    QWidget* tool = openActive(w.command, w.window);
    ASSERT_NE(tool, nullptr);
    SCOPED_TRACE(tool->windowTitle().toStdString());
    activate(FormId::TxtForm);
    QTest::keyClick(editor(), Qt::Key_Escape);
    EXPECT_TRUE(tool->isVisible());
    int controls = 0;
    for (QWidget* control : tool->findChildren<QWidget*>()) {
      if (!(control->focusPolicy() & Qt::TabFocus) || !control->isVisibleTo(tool) || !control->isEnabled())
        continue;
      SCOPED_TRACE(control->metaObject()->className());
      ++controls;
      openActive(w.command, w.window);
      control->setFocus();
      ASSERT_NE(QApplication::focusWidget(), nullptr);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
      EXPECT_FALSE(tool->isVisible());
    }
    EXPECT_GT(controls, 0);
  }
}

// Closed with Escape, a tool window gives the keys back to where they were when it was opened, and
// so does a message box: the keys typed next reach the Text Editor, not the main window. A screen
// reader names each tool window's list and says what Enter does there.
TEST_F(ScriptWindows, KeysGoBackWhereTheyWereAndEachListHasAName) {
  ASSERT_TRUE(opened());
  const char* names[] = {"Blocks", "Results", "Terms", "Similar strings"};
  for (size_t i = 0; i < std::size(kToolWindows); ++i) {
    const Tool& w = kToolWindows[i];
    focusTextEditor();
    QWidget* tool = openActive(w.command, w.window);
    ASSERT_NE(tool, nullptr);
    SCOPED_TRACE(tool->windowTitle().toStdString());
    auto* list = tool->findChild<QAbstractItemView*>();
    ASSERT_NE(list, nullptr);
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(list);
    EXPECT_EQ(spoken->text(QAccessible::Name).toStdString(), names[i]);
    EXPECT_TRUE(spoken->text(QAccessible::Description).startsWith(QStringLiteral("Enter or a double-click")));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(tool->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::focusWidget() == editor(); }));
  }
  // Block 2 has no file yet: the overview says so in words, not only in a dim colour.
  const auto* overview =
      static_cast<QTableWidget*>(ui.toolWindow(ToolWindow::ScriptOverview)->findChild<QAbstractItemView*>());
  bool noFile = false;
  for (int row = 0; row < overview->rowCount(); ++row)
    noFile = noFile || overview->item(row, 1)->data(Qt::AccessibleDescriptionRole).toString() ==
                           QStringLiteral("No file yet");
  EXPECT_TRUE(noFile);

  focusTextEditor();
  ui.setDialogAnswers(nullptr);  // real boxes, answered as the translator answers them
  QTimer enter;
  QObject::connect(&enter, &QTimer::timeout, [] {
    if (QWidget* box = QApplication::activeModalWidget()) QTest::keyClick(box, Qt::Key_Return);
  });
  enter.start(10);
  if (ui.question("Save?", "Text")) ui.message("Saved.");  // a box right after another
  enter.stop();
  ui.setDialogAnswers(&answers);
  EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::focusWidget() == editor(); }));
}

// Every field is reached with Alt and its label's letter. No two controls of a window share a
// letter, nor take one of the main window's menus (which Qt keeps working in its tool windows),
// nor Alt+X, which quits the editor from any window.
TEST_F(ScriptWindows, AccessKeysReachEachFieldAndClashWithNone) {
  ASSERT_TRUE(opened());
  auto* find =
      static_cast<qt::FindInScriptWindow*>(openActive(MenuId::FindInScript1, ToolWindow::FindInScript));
  auto* glossary = static_cast<qt::GlossaryWindow*>(openActive(MenuId::Glossary1, ToolWindow::Glossary));
  auto* similar =
      static_cast<qt::SimilarWindow*>(openActive(MenuId::SimilarStrings1, ToolWindow::SimilarStrings));
  ASSERT_TRUE(find && glossary && similar);
  const struct {
    QWidget* window;
    Qt::Key key;
    QWidget* field;
  } cases[] = {
      {find, Qt::Key_N, find->findEdit()},
      {find, Qt::Key_T, find->replaceEdit()},
      {find, Qt::Key_I, find->scope()},
      {glossary, Qt::Key_T, glossary->termEdit()},
      {glossary, Qt::Key_R, glossary->translationEdit()},
      {glossary, Qt::Key_N, glossary->noteEdit()},
      {similar, Qt::Key_A, similar->least()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.window->windowTitle().toStdString() + " Alt+" +
                 QKeySequence(c.key).toString().toStdString());
    QApplication::setActiveWindow(c.window);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == c.window; }));
    QTest::keyClick(c.window, c.key, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), c.field);
  }
  for (QWidget* window :
       {static_cast<QWidget*>(find), static_cast<QWidget*>(glossary), static_cast<QWidget*>(similar)}) {
    SCOPED_TRACE(window->windowTitle().toStdString());
    std::map<QString, QString> keys = {{QStringLiteral("Alt+X"), QStringLiteral("E&xit")}};  // key: caption
    for (const QMenuBar* bar : form(FormId::myForm)->findChildren<QMenuBar*>())
      for (const QAction* menu : bar->actions())
        keys.emplace(QKeySequence::mnemonic(menu->text()).toString(), menu->text());
    for (QWidget* control : window->findChildren<QWidget*>()) {
      const auto* label = qobject_cast<QLabel*>(control);
      const auto* button = qobject_cast<QAbstractButton*>(control);
      const QString key = QKeySequence::mnemonic(label    ? label->text()
                                                 : button ? button->text()
                                                          : QString())
                              .toString();
      if (key.isEmpty()) continue;
      if (label) {
        EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
      }
      const QString caption = label ? label->text() : button->text();
      EXPECT_TRUE(keys.emplace(key, caption).second)
          << caption.toStdString() << " and " << keys[key].toStdString() << ": " << key.toStdString();
    }
  }
}

// Enter in either field finds; Tab goes through the window as it reads, row by row.
TEST_F(ScriptWindows, FindInScriptRunsFromEitherFieldAndTabsAsItReads) {
  ASSERT_TRUE(opened());
  auto* find =
      static_cast<qt::FindInScriptWindow*>(openActive(MenuId::FindInScript1, ToolWindow::FindInScript));
  ASSERT_NE(find, nullptr);
  for (QLineEdit* field : {find->findEdit(), find->replaceEdit()}) {
    find->findEdit()->setText(field == find->findEdit() ? QStringLiteral("Épée") : QStringLiteral("à"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(find->results()->topLevelItemCount(), field == find->findEdit() ? 1 : 4);
  }
  const std::vector<QWidget*> order = {
      find->findButton(), find->replaceEdit(), find->replaceButton(), find->replaceAllButton(),
      find->matchCase(),  find->wholeWord(),   find->scope(),         find->results(),
      find->findEdit()};
  find->findEdit()->setFocus();
  std::vector<QWidget*> visited;
  for (size_t i = 0; i < order.size(); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited.push_back(QApplication::focusWidget());
  }
  EXPECT_EQ(visited, order);
}

// Activating a row takes the keys where its text is selected or put: a translation's match, a
// glossary term or a similar string's translation to the Text Editor, there to type; an original's
// match to the Kana Text window. Moving in a list leaves them there.
TEST_F(ScriptWindows, ActivatingARowTakesTheKeysWhereItsTextIs) {
  ASSERT_TRUE(made);
  dir.write("Dumps/glossary.csv", "Mira,Myra\n");
  ASSERT_TRUE(opened());
  enum Keys { kList, kTextEditor, kKanaText };
  const struct {
    const char* name;
    Tool tool;
    const char* search;  // in Find in Script's translations, or its originals
    bool original;
    Qt::Key key;  // pressed on the first row
    Keys keys;
    QString selected;  // there
  } cases[] = {
      {"a translation's match, Enter", kToolWindows[1], "à", false, Qt::Key_Return, kTextEditor, "à"},
      {"moving down the results", kToolWindows[1], "à", false, Qt::Key_Down, kList, ""},
      {"an original's match, Enter", kToolWindows[1], "mira", true, Qt::Key_Return, kKanaText, "Mira"},
      {"a glossary term, Enter", kToolWindows[2], "", false, Qt::Key_Return, kTextEditor, ""},
      {"a similar string, Enter", kToolWindows[3], "", false, Qt::Key_Return, kTextEditor, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.original && !qt::SjisText::Available()) continue;  // no Shift-JIS codec here
    clickLine("pList", 2);  // "Ask Mira or Tom." / "Demande à Mira ou à Tom."
    QWidget* tool = openActive(c.tool.command, c.tool.window);
    ASSERT_NE(tool, nullptr);
    QTreeWidget* rows = tool->findChild<QTreeWidget*>();
    if (auto* find = dynamic_cast<qt::FindInScriptWindow*>(tool); find) {
      find->scope()->setCurrentIndex(c.original ? 1 : 0);
      find->findEdit()->setText(QString::fromUtf8(c.search));
      find->find();
    } else if (auto* similar = dynamic_cast<qt::SimilarWindow*>(tool); similar) {
      similar->least()->setValue(0);
    } else {
      select(editor(), QStringLiteral("Mira ou"), 0);
    }
    ASSERT_GT(rows->topLevelItemCount(), 0);
    rows->setCurrentItem(rows->topLevelItem(0));
    rows->setFocus();
    QTest::keyClick(rows, c.key);
    Settle();
    QPlainTextEdit* text = c.keys == kKanaText ? kana() : editor();
    QWidget* keys = c.keys == kList ? static_cast<QWidget*>(rows) : text;
    EXPECT_EQ(QApplication::activeWindow(), keys->window());
    EXPECT_EQ(QApplication::focusWidget(), keys);
    if (!c.selected.isEmpty()) {
      EXPECT_EQ(text->textCursor().selectedText(), c.selected);
    }
  }
}

// A result's match is black on its yellow whatever the palette; the rest of the line is in the
// row's text colour, the selection's in a selected row, as in the other columns.
TEST_F(ScriptWindows, AResultsMatchReadsOnAnyPalette) {
  ASSERT_TRUE(opened());
  auto* find = tool<qt::FindInScriptWindow>(MenuId::FindInScript1, ToolWindow::FindInScript);
  ASSERT_NE(find, nullptr);
  find->findEdit()->setText(QStringLiteral("Épée"));
  find->find();
  QTreeWidget* results = find->results();
  ASSERT_EQ(results->topLevelItemCount(), 1);
  QTreeWidgetItem* row = results->topLevelItem(0);
  const QColor yellow(0xFF, 0xE0, 0x60), selection(0x00, 0x00, 0xC0), selected(0x00, 0xFF, 0x00);
  const auto near = [](const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) < 90;
  };
  const struct {
    const char* name;
    QColor base, text;
    bool select;
  } cases[] = {
      {"a dark palette", QColor(0x20, 0x20, 0x20), QColor(0xE0, 0xE0, 0xE0), false},
      {"a selected row", Qt::white, QColor(0xFF, 0x00, 0x00), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetColour(find, QPalette::Base, c.base);
    SetColour(find, QPalette::Text, c.text);
    SetColour(find, QPalette::Highlight, selection);
    SetColour(find, QPalette::HighlightedText, selected);
    results->clearSelection();
    row->setSelected(c.select);
    const QImage shown = results->viewport()->grab().toImage();
    const QRect line = results->visualItemRect(row);
    const QRect cell(results->header()->sectionViewportPosition(3), line.top(),
                     results->header()->sectionSize(3), line.height());
    QRect mark;  // the yellow
    for (int y = cell.top(); y <= cell.bottom(); ++y)
      for (int x = cell.left(); x <= cell.right(); ++x)
        if (shown.pixelColor(x, y) == yellow) mark |= QRect(x, y, 1, 1);
    int black = 0, own = 0, other = 0;  // in the mark; out of it, in the row's colour, in the other
    for (int y = cell.top(); y <= cell.bottom(); ++y)
      for (int x = cell.left(); x <= cell.right(); ++x) {
        const QColor pixel = shown.pixelColor(x, y);
        black += mark.contains(x, y) && pixel.lightness() < 100;
        own += !mark.contains(x, y) && near(pixel, c.select ? selected : c.text);
        other += !mark.contains(x, y) && near(pixel, c.select ? c.text : selected);
      }
    EXPECT_GT(black, 10);
    EXPECT_GT(own, 10);
    EXPECT_EQ(other, 0);
  }
}

// The red of a missing glossary term, and the Script Overview's dimmer name of a file not made
// yet, read on light and dark lists alike.
TEST_F(ScriptWindows, MarkedNamesReadOnAnyPalette) {
  ASSERT_TRUE(made);
  dir.write("Dumps/glossary.csv", "Mira,Myra\n");
  ASSERT_TRUE(opened());
  auto* glossary = tool<qt::GlossaryWindow>(MenuId::Glossary1, ToolWindow::Glossary);
  auto* overview = tool<qt::ScriptOverviewWindow>(MenuId::ScriptOverview1, ToolWindow::ScriptOverview);
  ASSERT_TRUE(glossary && overview);
  clickLine("pList", 2);
  ASSERT_EQ(glossary->terms()->topLevelItemCount(), 1);
  ASSERT_EQ(glossary->terms()->topLevelItem(0)->text(2), QStringLiteral("missing"));
  overview->refreshNow();
  const auto notMade = [&]() -> QTableWidgetItem* {  // found again: a new palette may write the rows anew
    for (int row = 0; row < overview->table()->rowCount(); ++row)
      if (QTableWidgetItem* file = overview->table()->item(row, 1);
          file->toolTip() == QStringLiteral("No file yet"))
        return file;
    return nullptr;
  };
  ASSERT_NE(notMade(), nullptr);
  const struct {
    QColor base, text;
  } palettes[] = {{Qt::white, Qt::black},
                  {QColor(0xF0, 0xF0, 0xF0), QColor(0x20, 0x20, 0x20)},
                  {QColor(0x35, 0x35, 0x35), QColor(0xE0, 0xE0, 0xE0)},
                  {QColor(0x1E, 0x1E, 0x1E), QColor(0xE0, 0xE0, 0xE0)},
                  {QColor(0x2B, 0x2B, 0x40), QColor(0xE0, 0xE0, 0xE0)},
                  {Qt::black, Qt::white}};
  for (const auto& c : palettes) {
    SCOPED_TRACE(c.base.name().toStdString());
    for (QWidget* window : {static_cast<QWidget*>(glossary), static_cast<QWidget*>(overview)}) {
      SetColour(window, QPalette::Base, c.base);
      SetColour(window, QPalette::Text, c.text);
    }
    EXPECT_GE(Contrast(glossary->terms()->topLevelItem(0)->foreground(2).color(), c.base), 4.5);
    const QColor dim = notMade()->foreground().color();
    EXPECT_GE(Contrast(dim, c.base), 4.5);
    EXPECT_LT(Contrast(dim, c.base), Contrast(c.text, c.base));
  }
}

// A place kept from the last run is where the window opens; where the translator then moves it is
// what the next run keeps.
TEST_F(ScriptWindows, AKeptPlaceIsWhereTheWindowOpens) {
  ASSERT_TRUE(opened());
  ui.keepToolWindowPlace(ToolWindow::FindInScript, {150, 60, 600, 420});
  EXPECT_FALSE(ui.toolWindowPlace(ToolWindow::FindInScript));
  program.myForm.RunMenuCommand(MenuId::FindInScript1);
  QWidget* find = ui.toolWindow(ToolWindow::FindInScript);
  ASSERT_NE(find, nullptr);
  EXPECT_EQ(find->frameGeometry().topLeft(), QPoint(150, 60));
  EXPECT_EQ(find->size(), QSize(600, 420));
  find->move(200, 70);
  const std::optional<Rect> at = ui.toolWindowPlace(ToolWindow::FindInScript);
  ASSERT_TRUE(at);
  EXPECT_EQ(std::tuple(at->left, at->top, at->width, at->height), std::tuple(200, 70, 600, 420));
  EXPECT_FALSE(ui.toolWindowPlace(ToolWindow::ScriptOverview));  // never opened
}

TEST_F(ScriptWindows, FindJumpsToTheMatchAndReplaceIsUndoable) {
  ASSERT_TRUE(opened());
  auto* find = tool<qt::FindInScriptWindow>(MenuId::FindInScript1, ToolWindow::FindInScript);
  ASSERT_NE(find, nullptr);
  find->findEdit()->setText(QStringLiteral("ÉPÉE"));
  find->find();
  ASSERT_EQ(find->results()->topLevelItemCount(), 1);
  EXPECT_EQ(find->status()->text().toStdString(), "1 match in 1 block.");
  QTreeWidgetItem* item = find->results()->topLevelItem(0);
  EXPECT_EQ(item->text(3), QStringLiteral("Prends l'Épée et pars."));
  emit find->results()->itemActivated(item, 0);
  QPlainTextEdit* editor = this->editor();
  EXPECT_EQ(editor->textCursor().selectedText(), QStringLiteral("Épée"));
  EXPECT_EQ(program.myForm.gCurString, 1);

  find->replaceEdit()->setText(QStringLiteral("ÉPÉE"));
  find->replace();
  EXPECT_NE(editor->toPlainText().indexOf(QStringLiteral("Prends l'ÉPÉE et pars.")), -1);
  EXPECT_TRUE(program.ui.richEdit(ControlId::TDMemo).modified());
  editor->undo();
  EXPECT_NE(editor->toPlainText().indexOf(QStringLiteral("Prends l'Épée et pars.")), -1);

  find->findEdit()->setText(QStringLiteral("à"));
  find->find();
  EXPECT_EQ(find->status()->text().toStdString(), "4 matches in 1 block.");
  EXPECT_TRUE(find->results()->isColumnHidden(4));  // a translation's match needs none beside it
  find->findEdit()->setText(QStringLiteral("zzz"));
  find->find();
  EXPECT_EQ(find->status()->text().toStdString(), "Not found.");
  // A file that is there but cannot be read is named: not found there is not known.
  const std::string unreadable = TranslationFileName(program.myForm.gDumpDir, program.myForm.gBlockOffset[1]);
  std::filesystem::create_directory(unreadable);
  find->find();
  EXPECT_EQ(find->status()->text().toStdString(),
            "Not found. 1 file could not be read: " + ExtractFileName(unreadable) + ": Is a directory");
  std::filesystem::remove(unreadable);

  // The original strings through the table; replacing is for translations only.
  find->scope()->setCurrentIndex(1);
  EXPECT_FALSE(find->replaceAllButton()->isEnabled());
  find->findEdit()->setText(QStringLiteral("sword"));
  find->find();
  ASSERT_EQ(find->results()->topLevelItemCount(), 1);
  EXPECT_EQ(find->results()->topLevelItem(0)->text(3), QStringLiteral("Take the SWORD and go."));
  // Beside it, how the string is translated (as the Text Editor holds it).
  EXPECT_FALSE(find->results()->isColumnHidden(4));
  EXPECT_EQ(find->results()->topLevelItem(0)->text(4), QStringLiteral("Prends l'Épée et pars."));
  // Activating it selects its string and the match in the Kana Text window, shown for it.
  program.ui.window(FormId::KanaForm).setVisible(false);
  emit find->results()->itemActivated(find->results()->topLevelItem(0), 0);
  EXPECT_EQ(program.myForm.gCurString, static_cast<int>(program.ScriptForm().results[0].string));
  EXPECT_TRUE(program.ui.window(FormId::KanaForm).visible());
  EXPECT_EQ(kana()->textCursor().selectedText(), QStringLiteral("SWORD"));
}

// A patch that changes an original changes which glossary terms stand in it: every block's count
// follows, not only the shown one's.
TEST_F(ScriptWindows, GlossaryFindingsFollowAPatchOfTheOriginals) {
  ASSERT_TRUE(made);
  dir.write("Dumps/glossary.csv", "sword,lame\n");  // "Take the SWORD and go." / "Prends l'épée et pars."
  ASSERT_TRUE(open());
  clickLine("bList", 1);
  Settle();
  ASSERT_TRUE(program.ScriptForm().progress[0]);
  ASSERT_EQ(program.ScriptForm().progress[0]->withFindings, 2u);  // string 3's name, and "lame"
  // SWORD becomes XWORD in the ROM (file offset 0xB002A).
  std::string ips = "PATCH";
  ips += std::string("\x0B\x00\x2A\x00\x01", 5) + "X" + "EOF";
  const std::string patch = dir.write("xword.ips", ips);
  program.myForm.RunPatches({patch});
  Settle();
  ASSERT_TRUE(program.ScriptForm().progress[0]);
  EXPECT_EQ(program.ScriptForm().progress[0]->withFindings, 1u);
}

TEST_F(ScriptWindows, GlossaryShowsTheStringsTermsAndPutsOneAtTheCaret) {
  ASSERT_TRUE(made);
  dir.write("Dumps/glossary.csv", "Mira,Myra,the healer\nMira,Mirabelle\nTom,Tom\n");
  ASSERT_TRUE(opened());
  auto* glossary = tool<qt::GlossaryWindow>(MenuId::Glossary1, ToolWindow::Glossary);
  ASSERT_NE(glossary, nullptr);
  EXPECT_TRUE(glossary->isVisible());
  clickLine("pList", 2);  // "Ask Mira or Tom." / "Demande à Mira ou à Tom."
  QTreeWidget* terms = glossary->terms();
  ASSERT_EQ(terms->topLevelItemCount(), 2);
  EXPECT_EQ(Row(terms->topLevelItem(0), 4),
            QStringList({"Mira", "Myra / Mirabelle", "missing", "the healer"}));
  EXPECT_EQ(terms->topLevelItem(1)->text(2), QStringLiteral("yes"));
  EXPECT_EQ(glossary->summary()->text(), QStringLiteral("String 2: 2 terms, 1 missing."));

  // Activated: the first translation replaces the Text Editor's selection, one step to undo.
  QPlainTextEdit* editor = this->editor();
  const int at = static_cast<int>(editor->toPlainText().indexOf(QStringLiteral("Mira ou")));
  select(editor, QStringLiteral("Mira ou"), 4);
  emit terms->itemActivated(terms->topLevelItem(0), 0);
  EXPECT_NE(editor->toPlainText().indexOf(QStringLiteral("Myra ou")), -1);
  EXPECT_EQ(editor->textCursor().position(), at + 4);
  EXPECT_EQ(terms->topLevelItem(0)->text(2), QStringLiteral("yes"));
  editor->undo();
  EXPECT_NE(editor->toPlainText().indexOf(QStringLiteral("Mira ou")), -1);
  EXPECT_EQ(terms->topLevelItem(0)->text(2), QStringLiteral("missing"));

  // A term added from the window's fields is in the file and, standing in this string, in the list.
  glossary->termEdit()->setText(QStringLiteral("Ask"));
  glossary->translationEdit()->setText(QStringLiteral("Demande"));
  glossary->addTerm();
  EXPECT_EQ(ReadFileText(dir.file("Dumps/glossary.csv")),
            "Mira,Myra,the healer\nMira,Mirabelle\nTom,Tom\nAsk,Demande\n");
  EXPECT_EQ(glossary->addStatus()->text(), QStringLiteral("Added “Ask”."));
  EXPECT_TRUE(glossary->termEdit()->text().isEmpty());
  ASSERT_EQ(terms->topLevelItemCount(), 3);
  EXPECT_EQ(terms->topLevelItem(0)->text(0), QStringLiteral("Ask"));
  glossary->addTerm();
  EXPECT_EQ(glossary->addStatus()->text(), QStringLiteral("the term is empty"));

  // Hidden, it follows nothing; shown again, it catches up.
  glossary->hide();
  clickLine("pList", 1);
  EXPECT_EQ(glossary->summary()->text(), QStringLiteral("String 2: 3 terms, 1 missing."));
  program.myForm.RunMenuCommand(MenuId::Glossary1);
  EXPECT_EQ(glossary->summary()->text(), QStringLiteral("String 1: no glossary terms."));

  // Selections in the Kana Text window and the Text Editor go into the empty fields.
  clickLine("pList", 2);
  form(FormId::KanaForm)->show();
  select(kana(), QStringLiteral("Mira"), 4);
  select(editor, QStringLiteral("à Mira"), 6);
  glossary->translationEdit()->setText(QStringLiteral("typed"));
  program.myForm.RunMenuCommand(MenuId::Glossary1);
  EXPECT_EQ(glossary->termEdit()->text(), QStringLiteral("Mira"));
  EXPECT_EQ(glossary->translationEdit()->text(), QStringLiteral("typed"));  // never over typing
  glossary->translationEdit()->clear();
  program.myForm.RunMenuCommand(MenuId::Glossary1);
  EXPECT_EQ(glossary->translationEdit()->text(), QStringLiteral("à Mira"));
}

TEST_F(ScriptWindows, SimilarStringsOffersLikeOriginalsAndMakesOneTheStringsTranslation) {
  ASSERT_TRUE(made);
  ASSERT_TRUE(opened());
  clickLine("pList", 1);  // "Take the SWORD and go."
  auto* similar = tool<qt::SimilarWindow>(MenuId::SimilarStrings1, ToolWindow::SimilarStrings);
  ASSERT_NE(similar, nullptr);
  EXPECT_TRUE(similar->isVisible());
  EXPECT_EQ(similar->matches()->topLevelItemCount(), 0);
  EXPECT_EQ(similar->summary()->text(),
            QStringLiteral("String 1: no translated string has an original 70% like it or more."));

  similar->least()->setValue(25);  // "Beware the DRAGON!" is 27% like it
  QTreeWidget* matches = similar->matches();
  ASSERT_EQ(matches->topLevelItemCount(), 1);
  EXPECT_EQ(Row(matches->topLevelItem(0), 2), QStringList({"27%", "Block CA0000 string 5"}));
  // The original, what differs from "Take the SWORD and go." marked.
  auto* original = qobject_cast<QLabel*>(matches->itemWidget(matches->topLevelItem(0), 2));
  ASSERT_NE(original, nullptr);
  EXPECT_EQ(QTextDocumentFragment::fromHtml(original->text()).toPlainText(),
            QStringLiteral("Beware the DRAGON!"));
  const QString mark = QStringLiteral("<span style=\"background-color:#ffe58a;color:#000000\">%1</span>");
  EXPECT_EQ(original->text(), mark.arg(QStringLiteral("Bew")) + QStringLiteral("a") +
                                  mark.arg(QStringLiteral("r")) + QStringLiteral("e the D") +
                                  mark.arg(QStringLiteral("RAGON!")));
  EXPECT_EQ(original->toolTip(), QStringLiteral("Beware the DRAGON!"));
  EXPECT_EQ(matches->topLevelItem(0)->text(3), QStringLiteral("Attention au DRAGON !"));

  // Activated: the string's body becomes the match's translation, one step to undo.
  QPlainTextEdit* editor = this->editor();
  emit matches->itemActivated(matches->topLevelItem(0), 0);
  EXPECT_NE(editor->toPlainText().indexOf(QStringLiteral(".STRING 1\nAttention au DRAGON !\n.ENDS")), -1);
  editor->undo();
  EXPECT_NE(editor->toPlainText().indexOf(QStringLiteral(".STRING 1\nPrends")), -1);

  // Hidden, it follows nothing; shown again, it catches up.
  similar->hide();
  clickLine("pList", 5);
  EXPECT_EQ(matches->topLevelItem(0)->text(1), QStringLiteral("Block CA0000 string 5"));
  program.myForm.RunMenuCommand(MenuId::SimilarStrings1);
  EXPECT_NE(matches->topLevelItemCount() > 0 ? matches->topLevelItem(0)->text(1) : QString(),
            QStringLiteral("Block CA0000 string 5"));
}

// Both faces write the same PO file: the original text's Shift-JIS converted by Qt here and by
// the system's converter in ts2tool.
TEST_F(ScriptWindows, ExportPoWritesWhatTheToolWrites) {
  if (!qt::SjisText::Available()) GTEST_SKIP() << "Qt has no Shift-JIS codec here";
  ASSERT_TRUE(opened());
  answers.save.push_back(dir.file("editor.po"));
  program.myForm.RunMenuCommand(MenuId::ExportPo1);
  ASSERT_TRUE(runTool("export", "-o '" + dir.file("tool.po") + "'"));
  const std::string po = ReadFileText(dir.file("editor.po"));
  EXPECT_EQ(po, ReadFileText(dir.file("tool.po")));
  EXPECT_NE(po.find("msgid \"Gold: 100 \xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\""), std::string::npos) << po;
}

// Originals with line breaks through the editor's Shift-JIS reading (which shows a CR inside a
// line as a blank) read as ts2tool reads them: Similar Strings compares them so, and the proof
// sheet shows them so.
TEST_F(ScriptWindows, OriginalsWithLineBreaksReadAsTheToolReadsThem) {
  if (!qt::SjisText::Available()) GTEST_SKIP() << "Qt has no Shift-JIS codec here";
  ASSERT_TRUE(made);
  // Block CA0100: two strings of 16-bit codes (K = 7), "あ", a line break, "いう" and "いえ".
  std::fstream rom(dir.file("demo.sfc"), std::ios::in | std::ios::out | std::ios::binary);
  rom.seekp(0xA0100);
  rom.write("\x00\x80\x10\x80", 4);
  rom.seekp(0xB8000);
  rom.write("\xE3\x80\x00\x00\xFD\x81\x00\x82\x00", 9);
  rom.seekp(0xB8010);
  rom.write("\xE3\x80\x00\x00\xFD\x81\x00\x83\x00", 9);
  rom.close();
  dir.write("demo.txt", ReadFileText(dir.file("demo.txt")) + ".BLOCK $CA0100 $CB0000 $CB0000 2\r\n");
  ASSERT_TRUE(opened());
  const std::vector<ScriptBlock> blocks = ScriptBlocks(program.myForm, program.myForm.gDumpDir);
  ASSERT_EQ(blocks.size(), 4u);
  const auto toUtf8 = [this](std::string_view sjis) { return ui.shiftJisToUtf8(sjis); };
  EXPECT_EQ(OriginalsOf(program.myForm, blocks[3], toUtf8),
            (std::vector<std::string>{"\xE3\x81\x82\n\xE3\x81\x84\xE3\x81\x86",
                                      "\xE3\x81\x82\n\xE3\x81\x84\xE3\x81\x88"}));

  clickLine("bList", 3);
  answers.choices.push_back(0);  // the shown block
  answers.save.push_back(dir.file("sheet"));
  program.myForm.RunMenuCommand(MenuId::ExportProof1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(dir.file("sheet.html")); }, 20000));
  const std::string html = ReadFileText(dir.file("sheet.html"));
  EXPECT_NE(html.find("<pre>\n\xE3\x81\x82\n\xE3\x81\x84\xE3\x81\x86</pre>"), std::string::npos) << html;
  EXPECT_NE(html.find("<pre>\n\xE3\x81\x82\n\xE3\x81\x84\xE3\x81\x88</pre>"), std::string::npos);
}

// The PNG pictures of a proof sheet, by string id, as a real PNG reader reads them.
std::map<std::string, QImage> ProofPictures(const std::string& html) {
  std::map<std::string, QImage> pictures;
  const std::regex picture("id=\"([^\"]+)\">\n<h3>[^\n]*\n<img src=\"data:image/png;base64,([^\"]+)\"");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), picture); it != std::sregex_iterator(); ++it)
    pictures[(*it)[1]] = QImage::fromData(QByteArray::fromBase64(QByteArray::fromStdString((*it)[2])), "PNG");
  return pictures;
}

// Export Proof Sheet: the shown block as the Text Editor holds it, drawn as ts2tool draws it,
// while the editor keeps its selection and its unsaved text; the page passes HTML Tidy.
TEST_F(ScriptWindows, ProofSheetDrawsTheShownBlockAsTheToolDoes) {
  ASSERT_TRUE(opened());
  clickLine("pList", 2);
  // Unsaved: string 0 retranslated, string 5's section gone (its box would still hold the last
  // translation drawn: the picture is the original's box alone).
  QPlainTextEdit* editor = this->editor();
  QString text = editor->toPlainText();
  text.replace(QStringLiteral("Bienvenue"), QStringLiteral("Salut"));
  const qsizetype five = text.indexOf(QStringLiteral(".STRING 5"));
  ASSERT_GE(five, 0);
  text.remove(five, text.indexOf(QStringLiteral(".ENDS"), five) + 5 - five);
  editor->setPlainText(text);
  clickLine("pList", 2);
  const std::string shown = ui.richEdit(ControlId::TDMemo).text();

  answers.choices.push_back(0);  // the shown block
  answers.save.push_back(dir.file("sheet"));
  program.myForm.RunMenuCommand(MenuId::ExportProof1);
  // Drawn a slice at a time between events, then written.
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(dir.file("sheet.html")); }, 20000));
  const std::string html = ReadFileText(dir.file("sheet.html"));
  ASSERT_FALSE(html.empty());
  ASSERT_FALSE(answers.boxes.empty());
  EXPECT_NE(answers.boxes.back().second.find("\"sheet.html\" shows the 6 strings of Block CA0000"),
            std::string::npos)
      << answers.boxes.back().second;
  EXPECT_NE(html.find("<pre>\nSalut \xC3\xA0 Tormel Saragon!</pre>"), std::string::npos);
  EXPECT_EQ(html.find("Bienvenue"), std::string::npos);
  // The editor as it was: its string, its text, unsaved.
  EXPECT_EQ(program.myForm.gCurString, 2);
  EXPECT_EQ(ui.richEdit(ControlId::TDMemo).text(), shown);
  EXPECT_TRUE(ui.richEdit(ControlId::TDMemo).modified());
  EXPECT_NE(ReadFileText(dir.file("Dumps/000A0000.txt")).find("Bienvenue"), std::string::npos);

  std::map<std::string, QImage> pictures = ProofPictures(html);
  ASSERT_EQ(pictures.size(), 6u);
  for (const auto& [id, image] : pictures)
    EXPECT_EQ(image.size(), id == "CA0000-5" ? QSize(320, 128) : QSize(320, 256)) << id;
  // Drawn as ts2tool draws the saved file: the same pixels where the texts agree.
  ASSERT_TRUE(runTool("proof", "--block 0 -o '" + dir.file("tool.html") + "' >/dev/null"));
  std::map<std::string, QImage> drawn = ProofPictures(ReadFileText(dir.file("tool.html")));
  EXPECT_TRUE(pictures["CA0000-1"] == drawn["CA0000-1"]);
  EXPECT_TRUE(pictures["CA0000-4"] == drawn["CA0000-4"]);
  EXPECT_FALSE(pictures["CA0000-0"] == drawn["CA0000-0"]);

  // HTML Tidy (which scripts/setup.sh installs) finds neither errors nor warnings.
  ASSERT_EQ(std::system("command -v tidy >/dev/null"), 0) << "tidy is not installed (Debian package tidy)";
  EXPECT_EQ(std::system(("tidy -q -errors '" + dir.file("sheet.html") + "'").c_str()), 0);
}

}  // namespace
}  // namespace ts2::test
