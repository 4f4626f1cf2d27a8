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
  EXPECT_EQ(panels[1]->text().toStdString(), kStatusStart1);
  EXPECT_EQ(panels[0]->width(), 200);
  EXPECT_EQ(ui.statusBar().panelText(1), kStatusStart1);
  // Panel 2 (the translation's fit) sits right of panel 1, as wide as its short text needs.
  for (const char* fit : {"Fits", "L2: too wide"}) {
    ui.statusBar().setPanelText(2, fit);
    EXPECT_EQ(ui.statusBar().panelText(2), fit);
    EXPECT_EQ(panels[2]->text().toStdString(), fit);
    EXPECT_GT(panels[2]->geometry().left(), panels[1]->geometry().right());
    EXPECT_EQ(panels[2]->geometry().right(), status->width() - 1);
    EXPECT_GE(panels[2]->width(), panels[2]->sizeHint().width());
    EXPECT_GE(panels[1]->width(), 20);  // panel 1 keeps some room
  }

  auto* ptrBox = control<QWidget>(FormId::myForm, "ptrBox");
  ASSERT_NE(ptrBox, nullptr);
  EXPECT_FALSE(ui.list(ControlId::ptrBox).visible());
  EXPECT_EQ(ptrBox->width(), 104);
  EXPECT_EQ(ptrBox->geometry().right(), video.width - 1);
}

TEST_F(EditorFixture, StatusTextsAreShownWholeWhenASmallerFontHoldsThem) {
  showAndActivate();
  auto* status = control<QWidget>(FormId::myForm, "StatusBar1");
  const auto panels = status->findChildren<QLabel*>();
  ASSERT_EQ(panels.size(), 3);
  auto whole = [](QLabel* panel) {
    return QFontMetrics(panel->font()).horizontalAdvance(panel->text()) <=
           panel->contentsRect().width() - panel->indent();
  };
  ui.statusBar().setPanelText(0, "Offset: 0A002E | PTR: 002E -> 0A8004");
  ui.statusBar().setPanelText(1, "Line {Kana, Ascii}: 42, 41");
  EXPECT_TRUE(whole(panels[0]));
  EXPECT_TRUE(whole(panels[1]));
  ui.statusBar().setPanelText(0, "Offset");  // a short text keeps the bar's font
  EXPECT_EQ(QFontInfo(panels[0]->font()).pixelSize(), QFontInfo(status->font()).pixelSize());
}

TEST_F(EditorFixture, ClientSizeFollowsTheProgramAndVideoFollowsTheClientArea) {
  Window& main = ui.window(FormId::myForm);
  // Before the window is shown, as during start-up, and after.
  for (bool shown : {false, true}) {
    SCOPED_TRACE(shown ? "shown" : "hidden");
    if (shown) showAndActivate();
    main.setClientHeight(kMainClientH + 256);
    main.setClientWidth(2 * kMainClientW);
    EXPECT_EQ(main.clientSize().width, 640);
    EXPECT_EQ(main.clientSize().height, 531);
    EXPECT_EQ(ui.video().clientSize().width, 640);
    EXPECT_EQ(ui.video().clientSize().height, 512);
    main.setClientHeight(kMainClientH);
    main.setClientWidth(kMainClientW);
    EXPECT_EQ(main.clientSize().height, kMainClientH);
    EXPECT_EQ(ui.video().clientSize().height, 256);
  }
}

QColor Rgb565(uint16_t p) {
  return QColor::fromRgb(QImage(reinterpret_cast<const uchar*>(&p), 1, 1, QImage::Format_RGB16).pixel(0, 0));
}

Bitmap Pattern(int width, int height) {
  Bitmap bitmap{width, height, std::vector<uint16_t>(static_cast<size_t>(width) * height)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      bitmap.scanLine(y)[x] =
          static_cast<uint16_t>(((x * 7) & 0x1F) << 11 | ((y * 5) & 0x3F) << 5 | ((x ^ y) & 0x1F));
  return bitmap;
}

TEST_F(EditorFixture, DrawStretchedShowsTheBitmapAtTwiceItsSizeWhenZoomed) {
  showAndActivate();
  ui.window(FormId::myForm).setClientHeight(kMainClientH + 256);
  ui.window(FormId::myForm).setClientWidth(2 * kMainClientW);
  const Bitmap bitmap = Pattern(320, 256);
  ui.video().drawStretched(bitmap);
  const QImage shown = control<QWidget>(FormId::myForm, "Video")->grab().toImage();
  ASSERT_EQ(shown.size(), QSize(640, 512));
  for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {17, 33}, {160, 128}, {319, 255}, {250, 3}}) {
    SCOPED_TRACE(testing::Message() << x << "," << y);
    const QColor expected = Rgb565(bitmap.scanLine(y)[x]);
    for (auto [dx, dy] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}})
      EXPECT_EQ(shown.pixelColor(2 * x + dx, 2 * y + dy), expected);
  }
}

TEST_F(ToolkitFixture, PaintingThatDrawsAgainDoesNotLoop) {
  // The program draws the bitmap from its paint handler: that must not schedule another paint.
  const Bitmap bitmap = Pattern(320, 256);
  sink.next = nullptr;
  struct DrawOnPaint : RecordingSink {
    qt::QtToolkit* ui = nullptr;
    const Bitmap* bitmap = nullptr;
    void paint(FormId form) override {
      RecordingSink::paint(form);
      ui->video().drawStretched(*bitmap);
    }
  } drawing;
  drawing.ui = &ui;
  drawing.bitmap = &bitmap;
  ui.setEventSink(&drawing);
  ui.showStartWindows();
  QTest::qWait(50);
  const size_t paints = drawing.paints.size();
  EXPECT_GE(paints, 1u);
  QTest::qWait(100);
  EXPECT_EQ(drawing.paints.size(), paints);
  ui.setEventSink(&sink);
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

TEST_F(EditorFixture, ExitClosesThroughTheProgram) {
  showAndActivate();
  ui.action(MenuId::Exit1)->trigger();
  EXPECT_EQ(sink.closes, 1);
  EXPECT_TRUE(program.myForm.closed);
  EXPECT_FALSE(ui.window(FormId::myForm).visible());
}

TEST_F(ToolkitFixture, StartUpFailureClosesBeforeAnyWindowIsShown) {
  sink.next = nullptr;
  Program failing(ui, [](const std::string& what) { return what == "gWRAM"; });
  EXPECT_TRUE(failing.myForm.closed);
  ASSERT_EQ(answers.boxes.size(), 1u);
  EXPECT_EQ(answers.boxes[0].second, "Fatal Error: Could not allocate memory!");
  EXPECT_FALSE(ui.window(FormId::myForm).visible());
  ui.setEventSink(nullptr);
}

TEST_F(ToolkitFixture, ToolWindowsShowHideAndStayOnTop) {
  showAndActivate();
  Window& editor = ui.window(FormId::TxtForm);
  editor.setStayOnTop(true);
  EXPECT_TRUE(editor.stayOnTop());
  EXPECT_TRUE(editor.visible());  // changing the style keeps a shown window shown
  editor.setStayOnTop(false);
  EXPECT_FALSE(editor.stayOnTop());
  EXPECT_TRUE(editor.visible());

  Window& kana = ui.window(FormId::KanaForm);
  kana.setStayOnTop(true);
  EXPECT_FALSE(kana.visible());  // a hidden window stays hidden
  kana.show();
  EXPECT_TRUE(kana.visible());
  kana.close();
  EXPECT_FALSE(kana.visible());
  EXPECT_EQ(sink.closes, 0);

  editor.setPosition(400, 30);
  EXPECT_EQ(editor.bounds().left, 400);
  EXPECT_EQ(editor.bounds().top, 30);
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

TEST_F(ToolkitFixture, GaugeKeepsItsValuesAndShowsAnEmptyRangeAsEmpty) {
  auto* bar = control<QProgressBar>(FormId::InsertForm, "CGauge1");
  ASSERT_NE(bar, nullptr);
  Gauge& gauge = ui.gauge();
  gauge.setMaxValue(39);
  gauge.setMinValue(0);
  EXPECT_EQ(bar->maximum(), 39);
  gauge.setProgress(10);
  EXPECT_EQ(bar->value(), 10);

  // A block without strings: the maximum goes below the minimum.
  gauge.setProgress(0);
  gauge.setMaxValue(-1);
  gauge.setMinValue(0);
  EXPECT_EQ(gauge.maxValue(), -1);
  EXPECT_EQ(gauge.minValue(), 0);
  EXPECT_LT(bar->minimum(), bar->maximum());  // not the busy indicator of an empty range
  EXPECT_EQ(bar->value(), bar->minimum());
}

TEST_F(ToolkitFixture, InsertionWindowStacksGaugeBelowItsList) {
  QWidget* insert = form(FormId::InsertForm);
  auto* bar = control<QProgressBar>(FormId::InsertForm, "CGauge1");
  auto* list = control<QWidget>(FormId::InsertForm, "ListBox1");
  ASSERT_TRUE(bar && list);
  EXPECT_EQ(bar->height(), 15);
  EXPECT_EQ(bar->geometry().bottom(), insert->height() - 1);
  EXPECT_EQ(bar->width(), insert->width());
  EXPECT_LE(list->mapTo(insert, QPoint(0, list->height())).y(), bar->y());
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
  auto* chPic = control<QWidget>(FormId::HexForm, "chPic");
  ASSERT_NE(chPic, nullptr);
  EXPECT_EQ(chPic->geometry(), QRect(256, 4, 128, 128));
}

}  // namespace
}  // namespace ts2::test
