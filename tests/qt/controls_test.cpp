// List boxes, kana memos, paint boxes and the conversions between the toolkit's bytes and Qt.
#include <QIcon>
#include <QListView>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <cmath>
#include <random>

#include "qt/qt_controls.h"

#include "qt/qt_text.h"
#include "qt_fixture.h"

namespace ts2::test {
namespace {

// Makes a widget's font `points` larger.
void GrowFont(QWidget* w, int points) {
  QFont font = w->font();
  font.setPointSize(font.pointSize() + points);
  w->setFont(font);
}

// A 320 by 256 bitmap of random pixels.
Bitmap RandomBitmap(std::mt19937& rng) {
  Bitmap bitmap{320, 256, std::vector<uint16_t>(320 * 256)};
  for (uint16_t& p : bitmap.pixels) p = static_cast<uint16_t>(rng());
  return bitmap;
}

// Shows a window and makes it the active one.
bool Activate(QWidget* w) {
  w->show();
  QApplication::setActiveWindow(w);
  return QTest::qWaitFor([w] { return QApplication::activeWindow() == w; });
}

// ---- list boxes ----

struct ListTest : ToolkitFixture {
  ListTest() {
    showAndActivate();
    for (int i = 0; i < 6; ++i) pList().add("String# " + std::to_string(i));
  }
  ListBox& pList() { return ui.list(ControlId::pList); }
  QListView* view() { return control<QListView>(FormId::cmForm, "pList"); }
  void click(int row) { clickLine("pList", row); }
};

TEST_F(ListTest, ProgramSelectionIsSilentAndUserSelectionIsReported) {
  pList().setItemIndex(2);
  EXPECT_TRUE(pList().selected(2));
  pList().setItemIndex(99);  // no such line: nothing selected
  EXPECT_EQ(pList().itemIndex(), -1);
  pList().setItemIndex(3);
  pList().clear();
  EXPECT_EQ(pList().itemIndex(), -1);
  EXPECT_TRUE(sink.clicks.empty());

  for (int i = 0; i < 6; ++i) pList().add("String# " + std::to_string(i));
  click(4);
  EXPECT_EQ(pList().itemIndex(), 4);
  click(4);  // the current line again: still a click
  EXPECT_EQ(sink.clicks, std::vector<ControlId>(2, ControlId::pList));
  view()->setFocus();
  QTest::keyClick(view(), Qt::Key_Down);
  EXPECT_EQ(pList().itemIndex(), 5);
  QTest::keyClick(view(), Qt::Key_Down);  // at the end: nothing changes, nothing is reported
  EXPECT_EQ(sink.clicks.size(), 3u);
}

// The selected line, read from the current line where it is selected and from the selection's
// ranges otherwise, and kept until they change, is the first of the selected rows, through the program's
// selections, the user's clicks and keys (Ctrl+Space unselects the current line), the current line moved
// alone, and lines added and cleared.
TEST_F(ListTest, ItemIndexIsTheFirstSelectedRow) {
  std::mt19937 rng(9);
  const auto firstRow = [&] {
    const QModelIndexList rows = view()->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
  };
  for (int step = 0; step < 200; ++step) {
    const int count = pList().count();
    switch (rng() % 8) {
      case 0: pList().setItemIndex(static_cast<int>(rng() % (count + 2)) - 1); break;
      case 1:
        if (count > 0) click(static_cast<int>(rng() % count));
        break;
      case 2:
        view()->setFocus();
        QTest::keyClick(view(), rng() % 2 ? Qt::Key_Down : Qt::Key_Up);
        break;
      case 3: pList().add("String# " + std::to_string(count)); break;
      case 4:
        if (rng() % 4 == 0) pList().clear();
        break;
      case 5:  // Ctrl+Space: the current line unselected, or selected again
        view()->setFocus();
        QTest::keyClick(view(), Qt::Key_Space, Qt::ControlModifier);
        break;
      case 6:  // the current line moved without selecting it
        if (count > 0)
          view()->selectionModel()->setCurrentIndex(
              view()->model()->index(static_cast<int>(rng() % count), 0), QItemSelectionModel::NoUpdate);
        break;
      default: view()->selectionModel()->clearSelection(); break;
    }
    ASSERT_EQ(pList().itemIndex(), firstRow()) << step;
    for (int row = -1; row <= pList().count(); ++row)
      ASSERT_EQ(pList().selected(row), view()->selectionModel()->isRowSelected(row, {}))
          << step << " " << row;
  }
}

// A new mark repaints its line where it lies, without the list being laid out again: after each
// change the window shows what a repaint of the whole list shows, and the tooltip is the new one.
TEST_F(ListTest, MarkChangesShowWhatAWholeRepaintShows) {
  const auto shown = [&] { return Shown(view()->window()); };
  pList().setItemIndex(2);
  struct Step {
    int row;
    ItemMark mark;
    const char* tip;
  };
  const Step steps[] = {
      {1, ItemMark::kFindings, "line 1, column 30: too wide"},
      {1, ItemMark::kFindings, "line 1, column 31: too wide"},  // the tooltip alone
      {1, ItemMark::kTranslated, "Translated"},
      {2, ItemMark::kUntranslated, "Not translated"},  // the selected line
      {5, ItemMark::kFindings, "line 2, column 1: unknown tag"},
      {1, ItemMark::kNone, ""},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << "row " << step.row << " " << step.tip);
    pList().setItemMark(step.row, step.mark, step.tip);
    const QImage partial = shown();
    view()->viewport()->update();
    EXPECT_EQ(partial, shown());
    if (step.mark != ItemMark::kNone) {
      EXPECT_EQ(view()->model()->index(step.row, 0).data(Qt::ToolTipRole).toString(), QString(step.tip));
    }
  }
}

// The kept place of a line is where the list view puts it, whatever moved the lines since it was
// kept: scrolling, sizes, fonts, spacing, lines added, removed or replaced, the view hidden. Each
// step first asks for a line (so that it is kept), changes the list, and then asks again.
TEST(ListLineRectTest, KeptPlaceIsWhereTheViewPutsTheLine) {
  App();
  QWidget window;
  window.resize(260, 220);
  auto* list = new qt::ListWidget(&window, {});
  list->setGeometry(5, 5, 200, 150);
  qt::QtListBox box(list);
  const auto fill = [&](int lines, const std::string& stem) {
    box.clear();
    for (int i = 0; i < lines; ++i)
      box.add(stem + std::to_string(i) + std::string(static_cast<size_t>(i % 7) * 3, 'w'));
    QCoreApplication::processEvents();
  };
  fill(40, "String# ");
  window.show();
  QCoreApplication::processEvents();
  std::mt19937 rng(11);
  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"scrolled down", [&] { list->verticalScrollBar()->setValue(static_cast<int>(rng() % 30)); }},
      {"scrolled across", [&] { list->horizontalScrollBar()->setValue(static_cast<int>(rng() % 60)); }},
      {"resized",
       [&] { list->resize(80 + static_cast<int>(rng() % 200), 40 + static_cast<int>(rng() % 160)); }},
      {"font",
       [&] {
         QFont font = list->font();
         font.setPointSize(7 + static_cast<int>(rng() % 8));
         list->setFont(font);
       }},
      {"spacing", [&] { list->setSpacing(static_cast<int>(rng() % 3)); }},
      {"per pixel", [&] { list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel); }},
      {"per item", [&] { list->setVerticalScrollMode(QAbstractItemView::ScrollPerItem); }},
      {"lines added", [&] { box.add("Added " + std::to_string(rng() % 100)); }},
      {"lines replaced",
       [&] { fill(5 + static_cast<int>(rng() % 60), rng() % 2 ? "S " : "A much longer caption "); }},
      {"a mark", [&] { box.setItemMark(static_cast<int>(rng() % 5), ItemMark::kFindings, "too wide"); }},
      {"selected", [&] { box.setItemIndex(static_cast<int>(rng() % 5)); }},
      {"hidden and shown",
       [&] {
         list->hide();
         list->show();
       }},
  };
  for (int step = 0; step < 300; ++step) {
    const auto& [what, change] = changes[rng() % changes.size()];
    const int rows = list->model()->rowCount();
    const QModelIndex line = list->model()->index(static_cast<int>(rng() % static_cast<unsigned>(rows)), 0);
    const int row = line.row();
    list->lineRect(line);
    change();
    if (rng() % 2) QCoreApplication::processEvents();
    if (row >= list->model()->rowCount()) continue;
    const QModelIndex again = list->model()->index(row, 0);
    const QRect kept = list->lineRect(again);
    ASSERT_EQ(kept, list->visualRect(again)) << step << " " << what << " row " << row;
    ASSERT_EQ(list->lineRect(again), kept) << step << " " << what;
  }
}

// Marking every line at once leaves each line as marking it alone does, and the window shows what
// a repaint of the whole list shows; a tip alone (or nothing) changed repaints nothing wrong.
TEST_F(ListTest, AllMarksAtOnceShowWhatOneByOneShows) {
  const auto shown = [&] { return Shown(view()->window()); };
  pList().setItemIndex(3);
  using M = ItemMark;
  const std::vector<std::vector<M>> rounds = {
      {M::kTranslated, M::kFindings, M::kUntranslated, M::kMisspelled, M::kFindingsMisspelled, M::kNone},
      {M::kTranslated, M::kFindings, M::kUntranslated, M::kMisspelled, M::kFindingsMisspelled, M::kNone},
      {M::kNone, M::kFindings, M::kTranslated},  // the first three only: the rest keep theirs
      {M::kUntranslated, M::kUntranslated, M::kUntranslated, M::kUntranslated, M::kUntranslated,
       M::kUntranslated, M::kUntranslated},  // one more than there are lines
  };
  std::vector<std::pair<M, std::string>> expected(6, {M::kNone, ""});
  for (size_t round = 0; round < rounds.size(); ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    const auto tipOf = [&](int i) { return "tip " + std::to_string(round % 2) + " of " + std::to_string(i); };
    pList().setItemMarks(rounds[round], tipOf);
    for (size_t i = 0; i < rounds[round].size() && i < expected.size(); ++i)
      expected[i] = {rounds[round][i], tipOf(static_cast<int>(i))};
    const QImage partial = shown();
    view()->viewport()->update();
    EXPECT_EQ(partial, shown());
    // The same marks set one by one on a model of the same lines give the same data.
    qt::LineModel one(view());
    for (int i = 0; i < 6; ++i) one.add("String# " + std::to_string(i));
    one.publish();
    for (int i = 0; i < 6; ++i) one.setMark(i, expected[i].first, expected[i].second);
    for (int i = 0; i < 6; ++i)
      for (int role : {Qt::DecorationRole, Qt::ToolTipRole, Qt::ForegroundRole}) {
        const QVariant got = view()->model()->index(i, 0).data(role), want = one.index(i).data(role);
        EXPECT_EQ(got.isValid(), want.isValid()) << "row " << i << " role " << role;
        if (role == Qt::DecorationRole) {
          EXPECT_EQ(got.value<QIcon>().cacheKey(), want.value<QIcon>().cacheKey()) << "row " << i;
        } else {
          EXPECT_EQ(got, want) << "row " << i << " role " << role;
        }
      }
  }
}

// A row copied from the kept pixels shows what Qt's own paint of it shows: after each kind of
// change, the window as the change left it, a whole repaint (rows kept before the change and
// rows kept by it) and a second one (every row copied) equal a repaint with nothing copied.
TEST(RowCacheTest, CopiedRowsShowWhatQtPaints) {
  App();
  QWidget window, other;
  window.resize(220, 170);
  other.resize(50, 50);
  auto* list = new qt::ListWidget(&window, {});
  list->setGeometry(5, 5, 200, 150);
  qt::QtListBox box(list);
  const auto fill = [&](const std::string& stem) {
    box.clear();
    for (const char* tail : {"0", "1", "1", "", "a caption far too long to fit in the list", "5", "6"})
      box.add(stem + tail);
    QCoreApplication::processEvents();
  };
  fill("String# ");
  ASSERT_TRUE(Activate(&window));
  using M = ItemMark;
  const auto mark = [&](std::vector<M> marks) {
    box.setItemMarks(marks, [](int i) { return std::to_string(i); });
  };
  struct Step {
    const char* what;
    std::function<void()> change;
  };
  const Step steps[] = {
      {"marks and a selection",
       [&] {
         mark({M::kTranslated, M::kNone, M::kNone, M::kUntranslated, M::kFindings, M::kMisspelled,
               M::kFindingsMisspelled});
         box.setItemIndex(1);
       }},
      {"the selected row's mark", [&] { box.setItemMark(1, M::kFindings, "too wide"); }},
      {"and back", [&] { box.setItemMark(1, M::kNone, ""); }},
      {"another row selected", [&] { box.setItemIndex(4); }},
      {"the list focused", [&] { list->setFocus(); }},
      {"the window inactive", [&] { ASSERT_TRUE(Activate(&other)); }},
      {"the window active again", [&] { ASSERT_TRUE(Activate(&window)); }},
      {"other texts, same marks",
       [&] {
         fill("Other # ");
         mark({M::kTranslated, M::kNone, M::kNone, M::kUntranslated});
         box.setItemIndex(0);
       }},
      {"narrower", [&] { list->resize(120, 150); }},
      {"wider", [&] { list->resize(210, 150); }},
      {"another highlight", [&] { SetColour(list, QPalette::Highlight, QColor(0x80, 0x20, 0x60)); }},
      {"another base", [&] { SetColour(list, QPalette::Base, QColor(0xF0, 0xF0, 0xD0)); }},
      {"a larger font", [&] { GrowFont(list, 3); }},
      {"scrolled", [&] { list->horizontalScrollBar()->setValue(list->horizontalScrollBar()->maximum()); }},
      {"disabled", [&] { list->setEnabled(false); }},
  };
  qt::RowCacheDelegate* rows = list->rows();
  const auto shown = [&] { return Shown(&window); };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.change();
    const QImage left = shown();
    list->viewport()->repaint();
    const QImage whole = shown();
    const int copies = rows->copies();
    list->viewport()->repaint();
    const QImage copied = shown();
    if (window.devicePixelRatio() == 1.0) {  // scaled, every row is painted by Qt
      EXPECT_GT(rows->copies(), copies);
    }
    rows->setCaching(false);
    list->viewport()->repaint();
    const QImage plain = shown();
    rows->setCaching(true);
    EXPECT_TRUE(left == plain);
    EXPECT_TRUE(whole == plain);
    EXPECT_TRUE(copied == plain);
  }
}

// ---- kana memos ----

// "あいう" and "カナ" in Shift-JIS.
const std::string kHiragana = "\x82\xA0\x82\xA2\x82\xA4";
const std::string kKatakana = "\x83\x4A\x83\x69";

TEST_F(ToolkitFixture, KanaMemoGivesBackTheBytesThatWereSet) {
  ASSERT_TRUE(qt::SjisText::Available());
  Memo& kana = ui.memo(ControlId::kanaEdit);
  const std::string first = "[Key]" + kHiragana + " \xB1\xB2";  // half-width kana too
  kana.setText(first + "\r\n" + kKatakana + "\r\n");
  kana.addLine(".STRING 1\r\n\r\nx");
  EXPECT_EQ(kana.lineCount(), 5);
  EXPECT_EQ(kana.line(0), first);
  EXPECT_EQ(kana.line(1), kKatakana);
  EXPECT_EQ(kana.line(3), "");
  EXPECT_EQ(kana.text(), first + "\r\n" + kKatakana + "\r\n.STRING 1\r\n\r\nx\r\n");
  const QString shown = control<QPlainTextEdit>(FormId::KanaForm, "kanaEdit")->toPlainText();
  EXPECT_TRUE(shown.contains(QString::fromUtf8("あいう")) && shown.contains(QString::fromUtf8("カナ")));

  // Long lines wrap, and each piece keeps its bytes; a wider memo shows fewer lines.
  std::string line;
  for (int i = 0; i < 40; ++i) line += kHiragana + "ab ";
  line += "\x82";  // a lead byte without its second byte ends the line
  kana.setText(line);
  ASSERT_GT(kana.lineCount(), 1);
  std::string joined;
  for (int i = 0; i < kana.lineCount(); ++i) joined += kana.line(i);
  EXPECT_EQ(joined, line);
  const int narrow = kana.lineCount();
  ui.window(FormId::KanaForm).setClientWidth(800);
  EXPECT_LT(kana.lineCount(), narrow);

  // What the user types in the dump viewer is read back in Shift-JIS.
  Memo& dump = ui.memo(ControlId::kanaMemo);
  control<QPlainTextEdit>(FormId::viewKana, "kanaMemo")->setPlainText(QString::fromUtf8("あ\nb"));
  EXPECT_EQ(dump.text(), "\x82\xA0\r\nb\r\n");
}

// ---- paint boxes ----

// A paint box copies only the rows that changed and repaints only their part of the widget: the
// image it holds is always the bitmap, and any part painted alone looks as when painted whole.
TEST(PaintBoxTest, ChangedRowsAndPartialPaintsShowWhatAWholePaintShows) {
  App();
  std::mt19937 rng(3);
  Bitmap bitmap = RandomBitmap(rng);
  for (const QSize size : {QSize(320, 256), QSize(640, 512), QSize(960, 768), QSize(500, 390)}) {
    SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
    qt::PaintWidget box(nullptr);
    box.resize(size);
    box.showBitmap(bitmap);
    for (int y : {0, 17, 18, 100, 255}) {  // one row, two neighbours, the first and the last
      for (int x = 0; x < 320; x += 7) bitmap.scanLine(y)[x] ^= 0x1234;
      box.showBitmap(bitmap);
      ASSERT_EQ(box.image(), qt::ToImage(bitmap));
    }
    for (const QRect changed : {QRect(0, 0, 1, 1), QRect(319, 40, 1, 9), QRect(150, 250, 9, 6)}) {
      for (int y = changed.top(); y <= changed.bottom(); ++y)
        for (int x = changed.left(); x <= changed.right(); ++x) bitmap.scanLine(y)[x] ^= 0x0841;
      box.showBitmap(bitmap);
      ASSERT_EQ(box.image(), qt::ToImage(bitmap));
    }
    const QImage whole = box.grab().toImage();
    if (size.width() % 320 == 0) {  // whole steps: every pixel a square
      EXPECT_EQ(whole, qt::ToImage(bitmap).scaled(size).convertToFormat(whole.format()));
    }
    for (const QRect part :
         {QRect(0, 0, size.width(), 1), QRect(5, 35, 40, 3), QRect(0, size.height() - 3, 9, 3)}) {
      QImage painted(size, whole.format());
      painted.fill(Qt::magenta);
      box.render(&painted, part.topLeft(), QRegion(part));  // drawn where it lies
      EXPECT_EQ(painted.copy(part), whole.copy(part)) << part.x() << "," << part.y();
    }
  }
}

// What a changed bitmap repaints covers every pixel that changed, and no more than the rectangle
// around them: a glyph typed repaints a glyph's place, not the box's rows.
TEST(PaintBoxTest, RepaintCoversTheChangedPixelsOnly) {
  App();
  struct PaintLog : QObject {
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(event)->region();
      return false;
    }
  };
  std::mt19937 rng(9);
  Bitmap bitmap = RandomBitmap(rng);
  for (const QSize size : {QSize(320, 256), QSize(640, 512), QSize(500, 390)}) {
    SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
    qt::PaintWidget box(nullptr);
    box.resize(size);
    box.showBitmap(bitmap);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    PaintLog log;
    box.installEventFilter(&log);
    for (int step = 0; step < 40; ++step) {
      const int x = static_cast<int>(rng() % 320), y = static_cast<int>(rng() % 256);
      const QRect changed = QRect(x, y, 1 + static_cast<int>(rng() % 12), 1 + static_cast<int>(rng() % 16)) &
                            QRect(0, 0, 320, 256);
      for (int cy = changed.top(); cy <= changed.bottom(); ++cy)
        for (int cx = changed.left(); cx <= changed.right(); ++cx)
          bitmap.scanLine(cy)[cx] = static_cast<uint16_t>(bitmap.scanLine(cy)[cx] + 1 + rng() % 100);
      log.painted = QRegion();
      box.showBitmap(bitmap);
      QCoreApplication::processEvents();
      const double sx = size.width() / 320.0, sy = size.height() / 256.0;
      const QRect under(static_cast<int>(changed.left() * sx), static_cast<int>(changed.top() * sy),
                        static_cast<int>(std::ceil(changed.width() * sx)),
                        static_cast<int>(std::ceil(changed.height() * sy)));
      EXPECT_TRUE(log.painted.contains(under & box.rect())) << step;
      EXPECT_LE(log.painted.boundingRect().width(), under.width() + 2) << step;
      EXPECT_LE(log.painted.boundingRect().height(), under.height() + 2) << step;
    }
  }
}

// ---- status bar ----

// The bar keeps the panels' measured fits by their texts, widths and its font: after each text,
// kept or not, and after the bar's font changes, every panel shows what a bar that measures that
// state afresh shows.
TEST(StatusBarTest, KeptFitsShowWhatAFreshMeasurementShows) {
  App();
  const std::vector<std::string> fits = {"L2: too wide", "Fits", "",
                                         "L1: too wide; L3: 4 lines, 3 fit; line 4 lost", "No translation"};
  const std::vector<std::string> offsets = {"Offset", "Offset: 0A002E | PTR: 002E -> 0A8004 and a long tail"};
  const auto state = [](const qt::StatusWidget& bar) {
    std::string panels;
    for (int i = 0; i < 3; ++i) {
      const QLabel* p = bar.panel(i);
      const QRect g = p->geometry();
      panels += QString("[%1|%2|%3,%4 %5x%6]")
                    .arg(p->text(), p->font().toString())
                    .arg(g.x())
                    .arg(g.y())
                    .arg(g.width())
                    .arg(g.height())
                    .toStdString();
    }
    return panels;
  };
  for (const int width : {640, 330, 260}) {
    qt::StatusWidget kept(nullptr);
    qt::QtStatusBar keptBar(&kept);
    kept.resize(width, 19);
    std::mt19937 rng(5);
    QFont font = kept.font();
    for (int step = 0; step < 90; ++step) {
      if (step == 30 || step == 60) {  // texts shown in one font are measured again in the next
        font.setPointSize(font.pointSize() + (step == 30 ? 3 : -2));
        kept.setFont(font);
      }
      const std::string fit = fits[rng() % fits.size()], offset = offsets[rng() % offsets.size()];
      const std::string line = "Line {Kana, Ascii}: " + std::to_string(rng() % 200) + ", 0";
      keptBar.setPanelText(2, fit);
      keptBar.setPanelText(0, offset);
      keptBar.setPanelText(1, line);
      qt::StatusWidget fresh(nullptr);
      qt::QtStatusBar freshBar(&fresh);
      fresh.setFont(font);
      fresh.resize(width, 19);
      freshBar.setPanelText(2, "x");  // an empty label measures apart until its first text
      freshBar.setPanelText(0, offset);
      freshBar.setPanelText(1, line);
      freshBar.setPanelText(2, fit);
      ASSERT_EQ(state(kept), state(fresh)) << width << " " << step;
    }
  }
}

// A panel copied from the kept pixels shows what Qt's own paint of it shows: after each change
// (the fit panel's texts while typing, sizes, the window inactive, palette, font, disabled), the
// window as the change left it and a whole repaint with every panel copied equal a repaint with
// nothing copied.
TEST(PanelCacheTest, CopiedPanelsShowWhatQtPaints) {
  App();
  QWidget window, other;
  window.resize(560, 40);
  other.resize(50, 50);
  auto* bar = new qt::StatusWidget(&window);
  bar->setGeometry(0, 10, 560, 19);
  qt::QtStatusBar status(bar);
  ASSERT_TRUE(Activate(&window));
  const auto type = [&](const std::string& fit) {
    status.setPanelText(0, "Offset: 0A0012 | PTR: 0012 -> 0A0002");
    status.setPanelText(1, "Line {Kana, Ascii}: 0, 0");
    status.setPanelText(2, fit);
  };
  struct Step {
    const char* what;
    std::function<void()> change;
  };
  const Step steps[] = {
      {"the first texts", [&] { type("Fits"); }},
      {"a line too wide", [&] { type("L1: too wide"); }},
      {"fits again", [&] { type("Fits"); }},
      {"too wide again", [&] { type("L1: too wide"); }},
      {"another string's offsets, same width",
       [&] { status.setPanelText(0, "Offset: 0B0034 | PTR: 0034 -> 0B0004"); }},
      {"a text that does not fit its panel", [&] { type(std::string(120, 'W')); }},
      {"the window inactive", [&] { ASSERT_TRUE(Activate(&other)); }},
      {"the window active again", [&] { ASSERT_TRUE(Activate(&window)); }},
      {"narrower", [&] { bar->resize(420, 19); }},
      {"another text colour", [&] { SetColour(&window, QPalette::WindowText, QColor(0x80, 0x20, 0x60)); }},
      {"another bar colour", [&] { SetColour(&window, QPalette::Window, QColor(0xE0, 0xF0, 0xD0)); }},
      {"a larger font", [&] { GrowFont(bar, 2); }},
      {"disabled", [&] { bar->setEnabled(false); }},
      {"typing while disabled", [&] { type("Fits"); }},
  };
  const auto shown = [&] { return Shown(&window); };
  const auto repaint = [&] {
    for (int i = 0; i < 3; ++i) bar->panel(i)->repaint();
    return shown();
  };
  const auto copies = [&] {
    return bar->panel(0)->copies() + bar->panel(1)->copies() + bar->panel(2)->copies();
  };
  const auto caching = [&](bool on) {
    for (int i = 0; i < 3; ++i) bar->panel(i)->setCaching(on);
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.change();
    const QImage left = shown();
    const QImage whole = repaint();  // the panels not painted since the change are kept now
    const int before = copies();
    const QImage copied = repaint();
    if (window.devicePixelRatio() == 1.0) {  // scaled, every panel is painted by Qt
      EXPECT_EQ(copies(), before + 3);
    }
    caching(false);
    const QImage plain = repaint();
    caching(true);
    EXPECT_EQ(left, plain);
    EXPECT_EQ(whole, plain);
    EXPECT_EQ(copied, plain);
  }
}

// Held, the paint box shows only the bitmap drawn last, when released: what drawing each
// plainly shows at the end.
TEST(PaintBoxTest, HeldBoxShowsTheLastBitmapWhenReleased) {
  App();
  std::mt19937 rng(4);
  Bitmap bitmap = RandomBitmap(rng);
  qt::PaintWidget plainWidget(nullptr), heldWidget(nullptr);
  qt::QtPaintBox plain(&plainWidget), held(&heldWidget);
  plain.drawStretched(bitmap);
  held.drawStretched(bitmap);
  for (int draws : {0, 1, 2, 3}) {
    SCOPED_TRACE(draws);
    held.setHeld(true);
    for (int d = 0; d < draws; ++d) {
      for (int y = static_cast<int>(rng() % 256), n = 0; n < 8; ++n)
        bitmap.scanLine((y + n) % 256)[rng() % 320] ^= 0x0841;
      plain.drawStretched(bitmap);
      held.drawStretched(bitmap);
    }
    EXPECT_EQ(heldWidget.image() == plainWidget.image(), draws == 0);  // nothing shown while held
    held.setHeld(false);
    EXPECT_EQ(heldWidget.image(), plainWidget.image());
    EXPECT_EQ(heldWidget.image(), qt::ToImage(bitmap));
  }
}

// A stamped bitmap's rows that kept their stamp are not compared: through random writes (each
// marked, as writers do), replaced pixels, another size and an image set from elsewhere, the box
// shows what a box comparing every row shows.
TEST(PaintBoxTest, StampedRowsShowWhatAFullComparisonShows) {
  App();
  std::mt19937 rng(7);
  Bitmap bitmap{320, 256, std::vector<uint16_t>(320 * 256)};
  qt::PaintWidget stamped(nullptr), plain(nullptr);
  const auto show = [&] {
    stamped.showBitmap(bitmap);
    Bitmap unstamped{bitmap.width, bitmap.height, bitmap.pixels};
    plain.showBitmap(unstamped);
  };
  bitmap.markWritten(0, 255);
  show();
  for (int step = 0; step < 300; ++step) {
    SCOPED_TRACE(step);
    const int kind = static_cast<int>(rng() % 20);
    if (kind == 0) {  // new pixels: no row is stamped until the next mark
      bitmap.pixels = std::vector<uint16_t>(bitmap.pixels.size(), static_cast<uint16_t>(rng()));
    } else if (kind == 1) {  // another size
      bitmap.height = rng() % 2 ? 256 : 200;
      bitmap.pixels.assign(static_cast<size_t>(bitmap.width) * bitmap.height, static_cast<uint16_t>(rng()));
      bitmap.markWritten(0, bitmap.height - 1);
    } else if (kind == 2) {  // an image set by other code
      QImage other(bitmap.width, bitmap.height, QImage::Format_RGB16);
      other.fill(static_cast<uint>(rng() & 0xFFFF));
      stamped.setImage(other);
      plain.setImage(other);
    } else {  // a few rows written, their pixels maybe unchanged
      const int first = static_cast<int>(rng() % static_cast<unsigned>(bitmap.height));
      const int last = std::min(bitmap.height - 1, first + static_cast<int>(rng() % 40));
      for (int y = first; y <= last; ++y)
        if (rng() % 2) bitmap.scanLine(y)[rng() % 320] ^= static_cast<uint16_t>(rng() | 1);
      bitmap.markWritten(first, last);
    }
    if (rng() % 3) show();
    ASSERT_EQ(stamped.image(), plain.image());
  }
  show();
  EXPECT_EQ(stamped.image(), qt::ToImage(bitmap));
}

// ---- conversions ----

TEST(QtTextTest, Windows1252CarriesEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(qt::ToBytes(qt::FromBytes(all)), all);
  EXPECT_EQ(qt::FromBytes("\x80\x85\x8C\x9C\x92\x81\xE9"), QString::fromUtf8("€…Œœ’\u0081é"));
  EXPECT_EQ(qt::Unencodable(QString::fromUtf8("à œ ć € ł ć \u0080 😀")),
            QString::fromUtf8("ć ł \u0080 😀").remove(u' '));
}

TEST(QtTextTest, FiltersBecomeQtNameFilters) {
  const std::pair<std::string, std::string> cases[] = {
      {"SNES ROM | *.s*c; *.fig;", "SNES ROM (*.s*c *.fig)"},
      {"IPS files (*.ips)|*.ips", "IPS files (*.ips)"},
      {"Table|*.tbl|All files|*.*", "Table (*.tbl);;All files (*.*)"},
      {"Text", "Text (*)"},
      {"|*.bin", "*.bin (*.bin)"},
  };
  for (const auto& [filter, expected] : cases)
    EXPECT_EQ(qt::NameFilters(filter).toStdString(), expected) << filter;
}

}  // namespace
}  // namespace ts2::test
