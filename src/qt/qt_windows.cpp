// The seven windows: their widgets, layouts and window operations.
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QMimeData>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "core/forms.h"
#include "qt/qt_forms.h"

namespace ts2::qt {

// ---- FormWidget ----

FormWidget::FormWidget(QtToolkit::Impl& toolkit, FormId id, QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags), toolkit_(toolkit), id_(id) {
  setObjectName(QLatin1String(LayoutOf(id).name));
  setWindowTitle(FromBytes(LayoutOf(id).caption));
}

void FormWidget::resizeEvent(QResizeEvent*) {
  if (layout) layout();
  if (toolkit_.sink && !toolkit_.mainClosed) toolkit_.sink->formResize(id_);
}

void FormWidget::sendPendingResize() {
  if (isVisible() || !testAttribute(Qt::WA_PendingResizeEvent)) return;
  setAttribute(Qt::WA_PendingResizeEvent, false);
  QResizeEvent event(size(), QSize());
  QCoreApplication::sendEvent(this, &event);
}

void FormWidget::closeEvent(QCloseEvent* event) {
  if (id_ == FormId::myForm && !toolkit_.closeMain()) return event->ignore();
  event->accept();
}

namespace {

// The local files among dragged data, in the order given.
std::vector<std::string> LocalFiles(const QMimeData* data) {
  std::vector<std::string> files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    // The name's bytes as the URL gives them: a name that is not UTF-8 comes percent-encoded,
    // and would be lost to replacement characters as text. "localhost" is this machine.
    files.push_back(
        url.host().isEmpty() || url.host().compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0
            ? QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString()
            : ToPath(url.toLocalFile()));
  }
  return files;
}

}  // namespace

void FormWidget::dragEnterEvent(QDragEnterEvent* event) {
  if (!LocalFiles(event->mimeData()).empty()) event->acceptProposedAction();
}

void FormWidget::dropEvent(QDropEvent* event) {
  std::vector<std::string> files = LocalFiles(event->mimeData());
  if (files.empty()) return;
  event->acceptProposedAction();
  // The drop ends first: the program may run dialogs, which must not hold the dragging program.
  QTimer::singleShot(0, this, [this, files = std::move(files)] {
    if (toolkit_.sink && !toolkit_.mainClosed) toolkit_.sink->filesDropped(files);
  });
}

void FormWidget::paintEvent(QPaintEvent*) {
  if (!paintsThroughSink || painting_ || !toolkit_.sink || toolkit_.mainClosed) return;
  painting_ = true;
  toolkit_.sink->paint(id_);
  painting_ = false;
}

// ---- QtWindow ----

QtWindow::QtWindow(QtToolkit::Impl& toolkit, FormWidget* widget, bool centred)
    : toolkit_(toolkit), widget_(widget), centred_(centred) {}

void QtWindow::centre() {
  QScreen* screen = widget_->screen() ? widget_->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QSize outer = widget_->frameGeometry().size();
  widget_->move(area.x() + (area.width() - outer.width()) / 2,
                area.y() + (area.height() - outer.height()) / 2);
}

void QtWindow::show() {
  const bool centre = centred_ && !widget_->isVisible();
  if (centre) this->centre();
  widget_->show();
  if (centre) this->centre();  // again with the frame the window has now
  widget_->raise();
  widget_->activateWindow();
}

void QtWindow::setVisible(bool visible) {
  const bool centre = visible && centred_ && !widget_->isVisible();
  if (centre) this->centre();
  widget_->setVisible(visible);
  if (centre) this->centre();
}

bool QtWindow::visible() const {
  return widget_->isVisible();
}

bool QtWindow::active() const {
  return QApplication::activeWindow() == widget_;
}

void QtWindow::setCaption(const std::string& caption) {
  if (caption_ && *caption_ == caption) return;  // the display sets the same one on every keystroke
  // UTF-8 first, as the menus and messages: the title names the data file as the system does.
  widget_->setWindowTitle(FromMessage(caption));
  caption_ = caption;
}

std::string QtWindow::caption() const {
  return caption_ ? *caption_ : ToBytes(widget_->windowTitle());
}

Rect QtWindow::bounds() const {
  const QRect r = widget_->frameGeometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

void QtWindow::setPosition(int left, int top) {
  widget_->move(left, top);
}

Size QtWindow::clientSize() const {
  const int width = widget_->width(), height = widget_->height();
  if (isMain()) return {width, std::max(0, height - toolkit_.menuBarHeight(width))};
  return {width, height};
}

void QtWindow::resizeClient(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  // The main window's client area lies below the menu bar, whose height depends on the width.
  const int outerHeight = isMain() ? height + toolkit_.menuBarHeight(width) : height;
  if (widget_->size() == QSize(width, outerHeight)) return;
  widget_->resize(width, outerHeight);
  widget_->sendPendingResize();
}

void QtWindow::setClientWidth(int width) {
  resizeClient(width, clientSize().height);
}

void QtWindow::setClientHeight(int height) {
  resizeClient(clientSize().width, height);
}

bool QtWindow::maximized() const {
  return widget_->isMaximized();
}

void QtWindow::setNormalState() {
  const Qt::WindowStates state = widget_->windowState();
  if (state & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
    widget_->setWindowState(state & ~(Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
}

void QtWindow::setStayOnTop(bool onTop) {
  if (stayOnTop() == onTop) return;
  const bool wasVisible = widget_->isVisible();
  widget_->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);  // hides the window
  if (wasVisible) widget_->show();
}

bool QtWindow::stayOnTop() const {
  return widget_->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void QtWindow::close() {
  if (isMain()) {
    toolkit_.closeMain();
  } else {
    widget_->hide();
  }
}

// ---- key preview ----

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !toolkit_.sink || toolkit_.mainClosed) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget) return false;
  // A key travels from the focused control up to its window; it is previewed once, on arrival.
  if (QWidget* focus = QApplication::focusWidget()) {
    if (widget != focus) return false;
  } else if (!widget->isWindow()) {
    return false;
  }
  const QWidget* window = widget->window();
  const FormId form = window == toolkit_.form(FormId::myForm)    ? FormId::myForm
                      : window == toolkit_.form(FormId::HexForm) ? FormId::HexForm
                                                                 : FormId::Count;
  if (form == FormId::Count) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  const bool pass = toolkit_.sink->keyDown(form, VirtualKeyOf(key->key()), ShiftOf(key->modifiers()));
  return form == FormId::myForm && !pass;  // a discarded key goes no further
}

// ---- building the windows ----

QtToolkit::Impl::Impl() {
  buildMainWindow();
  buildMenu();
  buildToolWindows();
  layoutMain();
  keys = std::make_unique<KeyPreview>(*this);
  qApp->installEventFilter(keys.get());
  // Coming back from another program: files it changed meanwhile are asked about.
  QObject::connect(qApp, &QGuiApplication::applicationStateChanged, form(FormId::myForm),
                   [this](Qt::ApplicationState state) {
                     if (state == Qt::ApplicationActive && sink && !mainClosed) sink->applicationActivated();
                   });
}

QtToolkit::Impl::~Impl() {
  sink = nullptr;
  if (keys) qApp->removeEventFilter(keys.get());
  delete forms[static_cast<size_t>(FormId::myForm)];  // owns the other windows
}

FormWidget* QtToolkit::Impl::makeForm(FormId id, Qt::WindowFlags flags, QSize frame) {
  const FormLayout& layout = LayoutOf(id);
  QWidget* parent = id == FormId::myForm ? nullptr : form(FormId::myForm);
  auto* widget = new FormWidget(*this, id, parent, flags);
  forms[static_cast<size_t>(id)] = widget;
  widget->move(layout.left, layout.top);
  widget->resize(std::max(1, layout.width - frame.width()), std::max(1, layout.height - frame.height()));
  const bool centred = id == FormId::InsertForm || id == FormId::viewKana;
  windows[static_cast<size_t>(id)] = std::make_unique<QtWindow>(*this, widget, centred);
  return widget;
}

void QtToolkit::Impl::layoutMain() {
  FormWidget* main = form(FormId::myForm);
  const int width = main->width();
  const int bar = menuBarHeight(width);
  int rowTop = 0;
  for (QMenuBar* row : menuRows) {
    const bool used = !row->actions().isEmpty();
    row->setVisible(used);
    if (!used) continue;
    const int rowHeight = row->sizeHint().height();
    row->setGeometry(0, rowTop, width, rowHeight);
    rowTop += rowHeight;
  }
  mainClient->setGeometry(0, bar, width, std::max(0, main->height() - bar));
  const int clientW = mainClient->width(), clientH = mainClient->height();
  const int top = std::max(0, clientH - kStatusBarH);
  statusWidget->setGeometry(0, top, clientW, clientH - top);
  ptrBoxWidget->setGeometry(std::max(0, clientW - kPtrBoxWidth), 0, kPtrBoxWidth, top);
  const int listW = ptrBoxWidget->isHidden() ? 0 : kPtrBoxWidth;
  videoWidget->setGeometry(0, 0, std::max(0, clientW - listW), top);
}

void QtToolkit::Impl::buildMainWindow() {
  const FormLayout& layout = LayoutOf(FormId::myForm);
  auto* main = new FormWidget(*this, FormId::myForm, nullptr, Qt::Window);
  forms[static_cast<size_t>(FormId::myForm)] = main;
  main->setFocusPolicy(Qt::StrongFocus);
  main->setAcceptDrops(true);
  main->move(layout.left, layout.top);

  mainClient = new QWidget(main);
  mainClient->setObjectName(QStringLiteral("Client"));
  QPalette black = mainClient->palette();
  black.setColor(QPalette::Window, Qt::black);
  mainClient->setPalette(black);
  mainClient->setAutoFillBackground(true);

  videoWidget = new PaintWidget(mainClient, [this] {
    if (sink && !mainClosed) sink->paint(FormId::myForm);
  });
  videoWidget->setObjectName(QStringLiteral("Video"));
  // Names for screen readers, which have nothing else to go by on pictures and unlabelled lists.
  videoWidget->setAccessibleName(QStringLiteral("Text boxes"));
  videoWidget->setAccessibleDescription(
      QStringLiteral("The string as the game draws it, and below it its translation (their texts are in "
                     "Kana Text and the Text Editor)"));
  statusWidget = new StatusWidget(mainClient);
  statusWidget->setObjectName(QStringLiteral("StatusBar1"));
  statusWidget->setAccessibleName(QStringLiteral("Status"));
  QPalette normal = statusWidget->palette();  // the status bar keeps the usual colours
  normal.setColor(QPalette::Window, QApplication::palette().color(QPalette::Window));
  normal.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::WindowText));
  statusWidget->setPalette(normal);
  ptrBoxWidget = new ListWidget(mainClient, {});
  ptrBoxWidget->setObjectName(QStringLiteral("ptrBox"));
  ptrBoxWidget->hide();

  video = std::make_unique<QtPaintBox>(videoWidget);
  status = std::make_unique<QtStatusBar>(statusWidget);
  status->setPanelText(0, kStatusStart0);
  status->setPanelText(1, kStatusStart1);
  ptrBox = std::make_unique<QtListBox>(ptrBoxWidget);

  main->layout = [this] { layoutMain(); };
  windows[static_cast<size_t>(FormId::myForm)] = std::make_unique<QtWindow>(*this, main, false);
}

void QtToolkit::Impl::buildToolWindows() {
  FormWidget* main = form(FormId::myForm);
  main->resize(kMainClientW, kMainClientH + menuBarHeight(kMainClientW));
  const QSize toolFrame(kToolFrameW, kToolFrameH);

  // Text Editor: TDMemo fills it.
  FormWidget* txt = makeForm(FormId::TxtForm, Qt::Tool, toolFrame);
  auto* editor = new TextEditor(
      txt,
      [this](QKeyEvent* key) {
        return !sink || mainClosed ||
               sink->editorKeyDown(VirtualKeyOf(key->key()), ShiftOf(key->modifiers()));
      },
      [this] {
        if (!TDMemo->takeChange()) return;  // the text is as it was
        TDMemo->userEdited();
        if (!sink || mainClosed) return;
        // The selections, check marks, Video bitmap and tooltips the program's handler sets are shown once
        // it is done.
        for (auto& item : menu) item->setHeld(true);
        video->setHeld(true);
        status->setHeld(true);
        TDMemo->holdSelection([this] { sink->textChanged(ControlId::TDMemo); });
        status->setHeld(false);
        video->setHeld(false);
        for (auto& item : menu) item->setHeld(false);
      },
      [this](const QString& characters) { showMessage(RefusedCharactersMessage(characters)); });
  editor->setObjectName(QStringLiteral("TDMemo"));
  editor->setAccessibleName(QStringLiteral("Translation file"));
  editor->setFont(FixedPitchFont(13));
  editor->setLineWrapMode(QPlainTextEdit::NoWrap);
  editor->setWordWrapMode(QTextOption::NoWrap);
  TDMemo = std::make_unique<QtRichEdit>(editor);
  txt->layout = [txt, editor] { editor->setGeometry(txt->rect()); };

  // List Data: the program lays out the two lists.
  FormWidget* cm = makeForm(FormId::cmForm, Qt::Tool, toolFrame);
  auto makeList = [this](QWidget* parent, const char* name, ControlId id, const QString& spoken) {
    auto* list = new ListWidget(parent, [this, id] {
      if (sink && !mainClosed) sink->listClick(id);
    });
    list->setObjectName(QLatin1String(name));
    list->setAccessibleName(spoken);
    list->setFont(FixedPitchFont(12));
    list->lines()->setRowHeight(14);
    return list;
  };
  bList = std::make_unique<QtListBox>(makeList(cm, "bList", ControlId::bList, QStringLiteral("Blocks")));
  pList = std::make_unique<QtListBox>(makeList(cm, "pList", ControlId::pList, QStringLiteral("Strings")));

  // Kana Text and Current Kana Dump: one word-wrapping memo each, filling the window.
  auto makeKanaMemo = [](FormWidget* window, const char* name, bool readOnly) {
    auto* memo = new KanaMemoEdit(window);
    memo->setObjectName(QLatin1String(name));
    memo->setAccessibleName(readOnly ? QStringLiteral("Original text") : QStringLiteral("Kana dump"));
    memo->setFont(KanaFont());
    memo->setReadOnly(readOnly);
    // The original text shown in Kana Text is the translator's to select and copy, with the
    // mouse or the keyboard.
    if (readOnly) memo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    window->layout = [window, memo] { memo->setGeometry(window->rect()); };
    return memo;
  };
  FormWidget* kana = makeForm(FormId::KanaForm, Qt::Tool, toolFrame);
  kanaEdit = std::make_unique<QtMemo>(makeKanaMemo(kana, "kanaEdit", true));
  FormWidget* dump = makeForm(FormId::viewKana, Qt::Window, QSize(kFrameW, kFrameH));
  kanaMemo = std::make_unique<QtMemo>(makeKanaMemo(dump, "kanaMemo", false));

  // Hex Data: a fixed black tool window with the paint box chPic.
  FormWidget* hex =
      makeForm(FormId::HexForm,
               Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint,
               toolFrame);
  hex->setFixedSize(hex->size());
  hex->setFocusPolicy(Qt::StrongFocus);  // the window itself takes the arrow keys
  QPalette black = hex->palette();
  black.setColor(QPalette::Window, Qt::black);
  hex->setPalette(black);
  hex->setAutoFillBackground(true);
  hex->paintsThroughSink = true;
  auto* pic = new PaintWidget(hex);
  pic->setObjectName(QStringLiteral("chPic"));
  pic->setGeometry(256, 4, 128, 128);
  chPic = std::make_unique<QtPaintBox>(pic);

  // Insertion progress: the gauge along the bottom, the list in a sunken panel above it.
  FormWidget* insert = makeForm(FormId::InsertForm, Qt::Tool, toolFrame);
  insert->setFont(FixedPitchFont(12));
  auto* panel = new QFrame(insert);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* list = new ListWidget(panel, {});
  list->setObjectName(QStringLiteral("ListBox1"));
  list->lines()->setRowHeight(15);
  auto* bar = new QProgressBar(insert);
  bar->setObjectName(QStringLiteral("CGauge1"));
  bar->setAlignment(Qt::AlignCenter);
  QPalette blueText = bar->palette();
  blueText.setColor(QPalette::Text, Qt::blue);
  blueText.setColor(QPalette::WindowText, Qt::blue);
  bar->setPalette(blueText);
  constexpr int kGaugeHeight = 15;
  insert->layout = [insert, panel, list, bar] {
    const int top = std::max(0, insert->height() - kGaugeHeight);
    bar->setGeometry(0, top, insert->width(), insert->height() - top);
    panel->setGeometry(0, 0, insert->width(), top);
    list->setGeometry(panel->contentsRect());
  };
  ListBox1 = std::make_unique<QtListBox>(list);
  gauge = std::make_unique<QtGauge>(bar);

  for (FormWidget* w : forms)
    if (w && w->layout) w->layout();
}

bool QtToolkit::Impl::closeMain() {
  if (closing) return true;
  closing = true;
  if (sink && !sink->formClose()) {
    closing = false;
    return false;
  }
  mainClosed = true;
  for (FormWidget* w : forms) w->hide();
  QCoreApplication::quit();
  return true;
}

QWidget* QtToolkit::Impl::dialogParent() const {
  QWidget* active = QApplication::activeWindow();
  return active ? active : form(FormId::myForm);
}

}  // namespace ts2::qt
