// The editor as a desktop user meets it: sharp zoom at any device pixel ratio, readable status
// panels, files dropped on the window, settings kept in a file, the Help menu.
#include <QAccessible>
#include <QDir>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QUrl>

#include "core/fileutil.h"
#include "qt/qt_controls.h"
#include "qt_fixture.h"
#include "script/autosave.h"

namespace ts2::test {
namespace {

using DemoDesktop = DemoFixture;

// Each bitmap pixel must cover an exact square of factor x ratio device pixels, all of its
// colour. The suite runs this a second time under QT_SCALE_FACTOR=2 (TS2_EXPECT_DPR says so).
TEST_F(DemoDesktop, EveryZoomShowsEachBitmapPixelAsAnExactSquare) {
  ASSERT_TRUE(open());
  const qreal ratio = form(FormId::myForm)->devicePixelRatioF();
  if (const QByteArray expected = qgetenv("TS2_EXPECT_DPR"); !expected.isEmpty()) {
    ASSERT_EQ(ratio, expected.toDouble());
  }
  auto* video = control<QWidget>(FormId::myForm, "Video");
  const QImage source = qt::ToImage(bitmap()).convertToFormat(QImage::Format_RGB32);
  for (MenuId item : {MenuId::Zoominx31, MenuId::DefaultWindowSize1, MenuId::Zoominx21, MenuId::Zoominx41}) {
    const int factor = ZoomFactorOf(item);
    SCOPED_TRACE(factor);
    ui.action(item)->trigger();
    QCoreApplication::processEvents();
    ASSERT_EQ(video->size(), QSize(320 * factor, 256 * factor));
    const QImage shown = video->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int n = qRound(factor * ratio);
    ASSERT_EQ(shown.size(), source.size() * n);
    int wrong = 0;
    for (int y = 0; y < shown.height() && wrong < 5; ++y) {
      const auto* row = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
      const auto* from = reinterpret_cast<const QRgb*>(source.constScanLine(y / n));
      for (int x = 0; x < shown.width() && wrong < 5; ++x)
        if (row[x] != from[x / n]) ADD_FAILURE() << "device pixel " << x << "," << y << (++wrong, "");
    }
  }
}

// The Video box skips the bitmap rows the renderer did not write since they were shown: after
// every kind of change it shows the bitmap as it is.
TEST_F(DemoDesktop, VideoShowsTheBitmapAfterEveryKindOfChange) {
  ASSERT_TRUE(open());
  auto* video = control<qt::PaintWidget>(FormId::myForm, "Video");
  ASSERT_NE(video, nullptr);
  auto* editor = textEditor();
  QWidget* main = form(FormId::myForm);
  const auto type = [&](std::vector<Qt::Key> keys) {
    return [this, editor, keys] {
      focusTextEditor();
      QTextCursor c = editor->textCursor();
      c.setPosition(editor->toPlainText().indexOf(QLatin1String(".ENDS")));
      c.movePosition(QTextCursor::PreviousCharacter);
      editor->setTextCursor(c);
      for (Qt::Key key : keys) QTest::keyClick(editor, key);
    };
  };
  const auto menu = [this](MenuId item) { return [this, item] { ui.action(item)->trigger(); }; };
  const auto key = [this, main](Qt::Key k, Qt::KeyboardModifier m) {
    return [this, main, k, m] {
      activate(FormId::myForm);
      QTest::keyClick(main, k, m);
    };
  };
  const std::pair<const char*, std::function<void()>> steps[] = {
      {"opened", [] {}},
      {"string 1", [this] { clickLine("pList", 1); }},
      {"typed", type({Qt::Key_A, Qt::Key_B})},
      {"erased", type({Qt::Key_Backspace, Qt::Key_Backspace, Qt::Key_Backspace})},
      {"a new line", type({Qt::Key_Return, Qt::Key_X})},
      {"string 3", [this] { clickLine("pList", 3); }},
      {"typed there", type({Qt::Key_Q})},
      {"green", menu(MenuId::Green1)},
      {"solid", menu(MenuId::Solid1)},
      {"typed in green", type({Qt::Key_Z})},
      {"red and gradient",
       [&] {
         menu(MenuId::Red1)();
         menu(MenuId::Gradient1)();
       }},
      {"variable width", menu(MenuId::UseVWFRoutine1)},
      {"codes hidden", menu(MenuId::HideCodes)},
      {"ROM page scrolled", key(Qt::Key_Down, Qt::ShiftModifier)},
      {"translation page scrolled", key(Qt::Key_Down, Qt::ControlModifier)},
      {"typed while scrolled", type({Qt::Key_M})},
      {"zoom 2", menu(MenuId::Zoominx21)},
      {"typed at zoom 2", type({Qt::Key_N})},
      {"default size", menu(MenuId::DefaultWindowSize1)},
      {"reopened", [this] { ASSERT_TRUE(open()); }},
      {"typed after reopening", type({Qt::Key_K})},
      {"string 0", [this] { clickLine("pList", 0); }},
  };
  for (const auto& [what, change] : steps) {
    SCOPED_TRACE(what);
    change();
    QCoreApplication::processEvents();
    ASSERT_EQ(video->image(), qt::ToImage(bitmap()));
  }
}

TEST_F(DemoDesktop, StatusPanelsShowTheirWholeTextOnHover) {
  ASSERT_TRUE(open());
  clickLine("pList", 3);  // its translation has a line too wide for the box
  QWidget* main = form(FormId::myForm);
  ASSERT_EQ(ui.window(FormId::myForm).clientSize().width, kMainClientW);
  for (int i : {0, 1}) EXPECT_EQ(Panel(main, i)->toolTip().toStdString(), ui.statusBar().panelText(i));
  // Shown also while the list that was just clicked is the active window.
  for (int i : {0, 1, 2}) EXPECT_TRUE(Panel(main, i)->testAttribute(Qt::WA_AlwaysShowToolTips));
  EXPECT_GE(Panel(main, 1)->width(), 50);
  EXPECT_EQ(ui.statusBar().panelText(1), "Line {Kana, Ascii}: 0, 0");
  // The fit verdict: short, and readable whole in its panel; the finding in full on hover.
  QLabel* fit = Panel(main, 2);
  EXPECT_EQ(fit->text().left(9), QStringLiteral("L2: wide"));
  EXPECT_TRUE(ShownWhole(fit)) << fit->text().toStdString();
  EXPECT_GE(QFontInfo(fit->font()).pixelSize(), 8);
  EXPECT_TRUE(fit->toolTip().startsWith(QStringLiteral("string 3, line 2 (file line ")))
      << fit->toolTip().toStdString();
  EXPECT_TRUE(fit->toolTip().contains(QStringLiteral("pixels wide")));
  // A text too long for every readable size is cut with an ellipsis, never silently.
  ui.statusBar().setPanelText(1, "Control Codes: Visible | VWF: Inactive");
  EXPECT_TRUE(Panel(main, 1)->text().endsWith(QChar(0x2026)) || ShownWhole(Panel(main, 1)));
  EXPECT_EQ(Panel(main, 1)->toolTip(), QStringLiteral("Control Codes: Visible | VWF: Inactive"));
}

// What a screen reader says of the editor's pictures, lists and panels: each has a name, a
// string's line tells its state and findings, and a panel cut short is read whole.
TEST_F(DemoDesktop, ScreenReadersHearWhatTheEyeSees) {
  ASSERT_TRUE(open());
  const auto spoken = [](QObject* object, QAccessible::Text what) {
    QAccessibleInterface* a = object ? QAccessible::queryAccessibleInterface(object) : nullptr;
    return a ? a->text(what).toStdString() : std::string("(none)");
  };
  const struct {
    FormId form;
    const char* control;
    const char* name;
  } named[] = {
      {FormId::myForm, "Video", "Text boxes"},
      {FormId::myForm, "StatusBar1", "Status"},
      {FormId::cmForm, "bList", "Blocks"},
      {FormId::cmForm, "pList", "Strings"},
      {FormId::TxtForm, "TDMemo", "Translation file"},
      {FormId::KanaForm, "kanaEdit", "Original text"},
      {FormId::viewKana, "kanaMemo", "Kana dump"},
  };
  for (const auto& c : named)
    EXPECT_EQ(spoken(control<QWidget>(c.form, c.control), QAccessible::Name), c.name) << c.control;

  clickLine("pList", 3);  // its translation has a line too wide for the box
  auto* strings = control<QAbstractItemView>(FormId::cmForm, "pList");
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(strings);
  ASSERT_NE(list, nullptr);
  ASSERT_NE(list->tableInterface(), nullptr);
  for (int row : {0, 3}) {
    QAccessibleInterface* line = list->tableInterface()->cellAt(row, 0);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(QAccessible::Description),
              strings->model()->index(row, 0).data(Qt::ToolTipRole).toString());
  }
  EXPECT_EQ(list->tableInterface()->cellAt(0, 0)->text(QAccessible::Description),
            QStringLiteral("Translated"));
  EXPECT_TRUE(list->tableInterface()
                  ->cellAt(3, 0)
                  ->text(QAccessible::Description)
                  .startsWith(QStringLiteral("line 2")));

  QWidget* main = form(FormId::myForm);
  const std::string whole = "Control Codes: Visible | VWF: Inactive | " + std::string(80, 'x');
  ui.statusBar().setPanelText(1, whole);
  ASSERT_NE(Panel(main, 1)->text().toStdString(), whole);  // cut short where it is shown
  EXPECT_EQ(spoken(Panel(main, 1), QAccessible::Name), whole);
  EXPECT_EQ(spoken(Panel(main, 2), QAccessible::Name), ui.statusBar().panelText(2));
}

TEST_F(EditorFixture, FilesDroppedOnTheMainWindowReachTheProgramInOrder) {
  showAndActivate();
  TempDir dir;
  const std::string a = dir.write("b.ips", std::string_view("x")),
                    b = dir.write("a.ips", std::string_view("y")),
                    latin1 = dir.write("caf\xe9.ips", std::string_view("z"));  // a name not UTF-8
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(a)),
                QUrl::fromLocalFile(QString::fromStdString(b)),
                QUrl(QStringLiteral("https://example.org/x.ips")),
                QUrl::fromEncoded("file://" + QByteArray::fromStdString(latin1).toPercentEncoding("/")),
                QUrl::fromEncoded("file://localhost" + QByteArray::fromStdString(a).toPercentEncoding("/"))});
  QWidget* main = form(FormId::myForm);
  QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(main, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(main, &drop);
  EXPECT_TRUE(sink.drops.empty());  // after the drop has ended
  ASSERT_TRUE(QTest::qWaitFor([this] { return !sink.drops.empty(); }));
  EXPECT_EQ(sink.drops[0], (std::vector<std::string>{a, b, latin1, a}));
  // No ROM is open: the program says the patches wait for one.
  ASSERT_FALSE(answers.boxes.empty());
  EXPECT_EQ(answers.boxes.back().second.rfind("Open a ROM before applying patches", 0), 0u);
}

TEST(QtSettingsFile, KeepsValuesBetweenRunsBytesIncluded) {
  App();
  TempDir dir;
  const std::string file = dir.file("config/ts2edit.conf");
  const std::string latin1Path = "/home/caf\xe9/rom.sfc";  // not UTF-8: kept as bytes
  {
    qt::QtToolkit ui;
    EXPECT_EQ(ui.settings().location(), "");
    ui.useSettingsFile(file);
    ui.settings().setValue("recent/1/rom", latin1Path);
    ui.settings().setValue("recent/1/data", "/home/\xc3\xa9t\xc3\xa9/d.txt");
    ui.settings().setValue("window/zoom", "3");
    ui.settings().remove("window/zoom");
    EXPECT_EQ(ui.settings().location(), file);
  }
  qt::QtToolkit next;
  next.useSettingsFile(file);
  EXPECT_EQ(next.settings().value("recent/1/rom"), latin1Path);
  EXPECT_EQ(next.settings().value("recent/1/data"), "/home/\xc3\xa9t\xc3\xa9/d.txt");
  EXPECT_FALSE(next.settings().value("window/zoom"));
  EXPECT_NE(ReadFileText(file).find("d.txt"), std::string::npos);  // a readable text file
}

// Each window comes back where its frame was at the last close, start after start. (Here a window
// is framed as soon as it is shown; scripts/check-window-places.sh checks the same under a window
// manager, which frames it later.)
TEST(QtSettingsFile, WindowsComeBackWhereTheirFramesWere) {
  App();
  TempDir dir;
  const std::string file = dir.file("ts2edit.conf");
  const std::pair<FormId, QPoint> places[] = {
      {FormId::myForm, {60, 40}}, {FormId::TxtForm, {700, 30}}, {FormId::cmForm, {700, 420}}};
  for (int run = 0; run < 3; ++run) {
    SCOPED_TRACE(run);
    qt::QtToolkit ui;
    ScriptedAnswers answers;
    ui.setDialogAnswers(&answers);
    ui.useSettingsFile(file);
    Program program(ui);
    ui.showStartWindows([&program] { program.myForm.RestoreSession(); });
    for (const auto& [id, at] : places) {
      QWidget* window = ui.form(id);
      ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
      if (run == 0) {
        window->move(at);  // the user moves it
      } else {
        EXPECT_EQ(window->frameGeometry().topLeft(), at) << LayoutOf(id).name;
      }
    }
    ui.window(FormId::myForm).close();
    ui.setEventSink(nullptr);
  }
}

TEST_F(EditorFixture, HelpShowsTheShortcutTableAndAbout) {
  showAndActivate();
  ui.action(MenuId::KeyboardShortcuts1)->trigger();
  ASSERT_EQ(answers.tables.size(), 1u);
  EXPECT_EQ(answers.tables[0], KeyboardShortcutRows());
  ui.action(MenuId::About1)->trigger();
  ASSERT_FALSE(answers.boxes.empty());
  EXPECT_EQ(answers.boxes.back().first, qt::DialogAnswers::Box::Information);
  EXPECT_NE(answers.boxes.back().second.find(std::string("Qt ") + qVersion()), std::string::npos);
}

// Typing in the real Text Editor, then a pause: the copy of the unsaved text appears in the
// folder the toolkit names, holding what a save would write; saving removes it.
TEST_F(DemoDesktop, APauseInTypingKeepsACopyUntilTheTextIsSaved) {
  const std::string folder = dir.file("state/ts2edit/autosave");
  ui.useAutosaveFolder(folder);
  ASSERT_TRUE(open());
  const std::string file = program.myForm.gTextPath;
  auto* editor = focusTextEditor();
  QTest::keyClicks(editor, "Salut ");
  ASSERT_TRUE(QTest::qWaitFor([&] { return FindKeptText(folder, file).has_value(); }, 5000));
  EXPECT_EQ(FindKeptText(folder, file)->bytes, EditorTextToFileBytes(ui.richEdit(ControlId::TDMemo).text()));
  ui.action(MenuId::SaveTextFile1)->trigger();
  EXPECT_FALSE(FindKeptText(folder, file));
}

// Go to String through the Qt toolkit's text dialog: the List Data window's row follows.
TEST_F(DemoDesktop, GoToStringShowsThePlaceTyped) {
  ASSERT_TRUE(open());
  answers.texts.push_back("C60000 1");
  ui.action(MenuId::GoTo1)->trigger();
  EXPECT_EQ(program.myForm.gCurBlock, 1);
  EXPECT_EQ(program.myForm.gCurString, 1);
  EXPECT_EQ(ui.list(ControlId::pList).itemIndex(), 1);
  EXPECT_EQ(ui.action(MenuId::GoTo1)->shortcut(), QKeySequence(QStringLiteral("Ctrl+G")));
}

TEST(AutosaveFolder, FollowsTheStateHomeOfTheXdgRules) {
  const QByteArray saved = qgetenv("XDG_STATE_HOME");
  qputenv("XDG_STATE_HOME", "/srv/state");
  EXPECT_EQ(qt::QtToolkit::UserAutosaveFolder(), "/srv/state/ts2edit/autosave");
  qputenv("XDG_STATE_HOME", "relative/ignored");  // the rules ignore a relative path
  EXPECT_EQ(qt::QtToolkit::UserAutosaveFolder(),
            QDir::homePath().toStdString() + "/.local/state/ts2edit/autosave");
  saved.isNull() ? qunsetenv("XDG_STATE_HOME") : qputenv("XDG_STATE_HOME", saved);
}

}  // namespace
}  // namespace ts2::test
