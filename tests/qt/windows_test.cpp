// The seven windows as the editor starts, the main window's layout, drawing and closing.
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>

#include "qt/qt_controls.h"
#include "qt_fixture.h"

namespace ts2::test {
namespace {

using FormIds = std::vector<FormId>;

TEST_F(EditorFixture, StartsWithSevenCaptionedWindowsVisibleAsLaidOut) {
  showAndActivate();
  for (int i = 0; i < static_cast<int>(FormId::Count); ++i) {
    const auto id = static_cast<FormId>(i);
    const FormLayout& layout = LayoutOf(id);
    SCOPED_TRACE(layout.name);
    ASSERT_NE(form(id), nullptr);
    EXPECT_EQ(form(id)->objectName().toStdString(), layout.name);
    EXPECT_EQ(ui.window(id).caption(), layout.caption);
    EXPECT_EQ(ui.window(id).visible(), layout.visibleAtStart);
  }
  EXPECT_TRUE(ui.window(FormId::myForm).active());
  EXPECT_FALSE(ui.window(FormId::TxtForm).active());
  EXPECT_FALSE(program.myForm.closed);
}

TEST_F(EditorFixture, MainWindowHasItsClientAreaVideoAndStatusBar) {
  showAndActivate();
  const Size client = ui.window(FormId::myForm).clientSize();
  EXPECT_EQ(client.width, kMainClientW);
  EXPECT_EQ(client.height, kMainClientH);
  const Size video = ui.video().clientSize();
  EXPECT_EQ(video.width, 320);
  EXPECT_EQ(video.height, 256);
  // The program sized its bitmap after the Video box it found at creation.
  EXPECT_EQ(program.myForm.gBitmap.width, 320);
  EXPECT_EQ(program.myForm.gBitmap.height, 256);

  auto* status = control<QWidget>(FormId::myForm, "StatusBar1");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->height(), kStatusBarH);
  const auto panels = status->findChildren<QLabel*>();
  ASSERT_EQ(panels.size(), 3);
  EXPECT_EQ(panels[0]->text().toStdString(), kStatusStart0);
  EXPECT_EQ(panels[1]->toolTip().toStdString(), kStatusStart1);  // too long for its 50 pixels: cut
  EXPECT_EQ(panels[0]->width(), 200);
  // Long texts are shown whole in a smaller font; a short one keeps the bar's font.
  ui.statusBar().setPanelText(0, "Offset: 0A002E | PTR: 002E -> 0A8004");
  ui.statusBar().setPanelText(1, "Line {Kana, Ascii}: 42, 41");
  EXPECT_TRUE(ShownWhole(panels[0]));
  EXPECT_TRUE(ShownWhole(panels[1]));
  ui.statusBar().setPanelText(0, "Offset");
  EXPECT_EQ(QFontInfo(panels[0]->font()).pixelSize(), QFontInfo(status->font()).pixelSize());
  // Panel 2 (the translation's fit) sits at the right end, as wide as its short text needs.
  ui.statusBar().setPanelText(2, "L2: too wide");
  EXPECT_EQ(panels[2]->text().toStdString(), "L2: too wide");
  EXPECT_GT(panels[2]->geometry().left(), panels[1]->geometry().right());
  EXPECT_EQ(panels[2]->geometry().right(), status->width() - 1);
  EXPECT_GE(panels[2]->width(), panels[2]->sizeHint().width());
}

TEST_F(ToolkitFixture, PaintingThatDrawsAgainDoesNotLoop) {
  // The program draws the bitmap from its paint handler: that must not schedule another paint.
  const Bitmap bitmap{320, 256, std::vector<uint16_t>(320 * 256, 0x1234)};
  sink.onPaint = [&](FormId) { ui.video().drawStretched(bitmap); };
  ui.showStartWindows();
  QTest::qWait(50);
  const size_t paints = sink.paints.size();
  EXPECT_GE(paints, 1u);
  QTest::qWait(100);
  EXPECT_EQ(sink.paints.size(), paints);
}

TEST_F(EditorFixture, ClosingTheMainWindowRunsTheCloseOnce) {
  showAndActivate();
  form(FormId::myForm)->close();  // as the user closes it
  ui.window(FormId::myForm).close();
  EXPECT_EQ(sink.closes, 1);
  EXPECT_TRUE(program.myForm.closed);
  for (int i = 0; i < static_cast<int>(FormId::Count); ++i)
    EXPECT_FALSE(ui.window(static_cast<FormId>(i)).visible());
}

// The program may keep the window open (what it was asked to keep could not be kept): the close
// is refused, every window stays, and a later close runs the program's close again.
TEST_F(ToolkitFixture, AMainWindowThatTheProgramKeepsOpenStays) {
  showAndActivate();
  sink.onClose = [] { return false; };
  EXPECT_FALSE(form(FormId::myForm)->close());  // as the user closes it
  ui.window(FormId::myForm).close();            // as Exit does
  EXPECT_EQ(sink.closes, 2);
  EXPECT_TRUE(form(FormId::myForm)->isVisible());
  EXPECT_TRUE(ui.window(FormId::TxtForm).visible());
  sink.onClose = [] { return true; };
  EXPECT_TRUE(form(FormId::myForm)->close());
  EXPECT_EQ(sink.closes, 3);
  EXPECT_FALSE(form(FormId::myForm)->isVisible());
}

TEST_F(ToolkitFixture, StayOnTopKeepsAWindowShownOrHidden) {
  showAndActivate();
  for (FormId id : FormIds{FormId::TxtForm, FormId::KanaForm}) {
    Window& w = ui.window(id);
    const bool shown = w.visible();
    w.setStayOnTop(true);
    EXPECT_TRUE(w.stayOnTop());
    EXPECT_EQ(w.visible(), shown) << LayoutOf(id).name;
  }
}

TEST_F(ToolkitFixture, DumpAndInsertionWindowsAreCentredWhenShown) {
  showAndActivate();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  for (FormId id : FormIds{FormId::viewKana, FormId::InsertForm}) {
    SCOPED_TRACE(LayoutOf(id).name);
    ui.window(id).show();
    const Rect b = ui.window(id).bounds();
    EXPECT_NEAR(b.left + b.width / 2.0, screen.left() + screen.width() / 2.0, 1);
    EXPECT_NEAR(b.top + b.height / 2.0, screen.top() + screen.height() / 2.0, 1);
  }
}

TEST_F(ToolkitFixture, GaugeShowsAnEmptyRangeAsEmpty) {
  auto* bar = control<QProgressBar>(FormId::InsertForm, "CGauge1");
  ASSERT_NE(bar, nullptr);
  // A block without strings: the maximum goes below the minimum.
  Gauge& gauge = ui.gauge();
  gauge.setProgress(0);
  gauge.setMaxValue(-1);
  gauge.setMinValue(0);
  EXPECT_EQ(gauge.maxValue(), -1);
  EXPECT_LT(bar->minimum(), bar->maximum());  // not the busy indicator of an empty range
  EXPECT_EQ(bar->value(), bar->minimum());
}

TEST_F(ToolkitFixture, EditorAndMemosFillTheirWindows) {
  for (auto [id, name] : {std::pair{FormId::TxtForm, "TDMemo"},
                          {FormId::KanaForm, "kanaEdit"},
                          {FormId::viewKana, "kanaMemo"}}) {
    SCOPED_TRACE(name);
    auto* edit = control<QPlainTextEdit>(id, name);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->geometry(), form(id)->rect());
    ui.window(id).setClientWidth(250);
    EXPECT_EQ(edit->width(), 250);
  }
  EXPECT_TRUE(control<QPlainTextEdit>(FormId::KanaForm, "kanaEdit")->isReadOnly());
  EXPECT_FALSE(control<QPlainTextEdit>(FormId::viewKana, "kanaMemo")->isReadOnly());
}

}  // namespace
}  // namespace ts2::test
