// The toolkit's entry points: controls by name, start-up showing and the modal dialogs.
#include "qt/qt_toolkit.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "core/forms.h"
#include "headless/headless.h"
#include "qt/qt_forms.h"
#include "qt/qt_place.h"
#include "qt/qt_png.h"
#include "qt/qt_text.h"
#include "script/autosave.h"
#include "views/script_form.h"

namespace ts2::qt {

QtToolkit::QtToolkit() : d_(std::make_unique<Impl>()) {}

QtToolkit::~QtToolkit() = default;

void QtToolkit::setEventSink(EventSink* sink) {
  d_->sink = sink;
}

EventSink* QtToolkit::eventSink() const {
  return d_->sink;
}

void QtToolkit::setApplicationTitle(const std::string& title) {
  // Kept for the message boxes' caption; Qt's display name would be appended to every title.
  d_->appTitle = title;
}

std::string QtToolkit::applicationTitle() const {
  return d_->appTitle;
}

Window& QtToolkit::window(FormId form) {
  return *d_->windows[static_cast<size_t>(form)];
}

MenuItem& QtToolkit::menuItem(MenuId item) {
  return *d_->menu[static_cast<size_t>(item)];
}

StatusBar& QtToolkit::statusBar() {
  return *d_->status;
}

PaintBox& QtToolkit::video() {
  return *d_->video;
}

PaintBox& QtToolkit::chPic() {
  return *d_->chPic;
}

ListBox& QtToolkit::list(ControlId id) {
  switch (id) {
    case ControlId::pList: return *d_->pList;
    case ControlId::ptrBox: return *d_->ptrBox;
    case ControlId::ListBox1: return *d_->ListBox1;
    default: return *d_->bList;
  }
}

RichEdit& QtToolkit::richEdit(ControlId id) {
  if (id == ControlId::Memo1) return d_->Memo1;
  return *d_->TDMemo;
}

Memo& QtToolkit::memo(ControlId id) {
  return id == ControlId::kanaMemo ? *d_->kanaMemo : *d_->kanaEdit;
}

Gauge& QtToolkit::gauge() {
  return *d_->gauge;
}

void QtToolkit::setDialogAnswers(DialogAnswers* answers) {
  d_->answers = answers;
}

void QtToolkit::showStartWindows(const std::function<void()>& beforeShown) {
  d_->form(FormId::myForm)->sendPendingResize();
  if (beforeShown) beforeShown();
  for (size_t i = 1; i < kFormCount; ++i) {
    const auto id = static_cast<FormId>(i);
    FormWidget* form = d_->form(id);
    const bool hiddenBefore = form->isHidden() && form->testAttribute(Qt::WA_WState_ExplicitShowHide);
    if (LayoutOf(id).visibleAtStart && !hiddenBefore) form->show();
  }
  window(FormId::myForm).show();
}

QWidget* QtToolkit::form(FormId form) const {
  return d_->form(form);
}

QAction* QtToolkit::action(MenuId item) const {
  return d_->menu[static_cast<size_t>(item)]->action();
}

QMenuBar* QtToolkit::menuBar() const {
  return d_->menuBar;
}

std::vector<QMenuBar*> QtToolkit::menuBars() const {
  std::vector<QMenuBar*> rows;
  for (QMenuBar* row : d_->menuRows)
    if (!row->actions().isEmpty()) rows.push_back(row);
  return rows;
}

// ---- settings ----

std::optional<std::string> QtSettings::value(const std::string& key) const {
  if (!file_) {
    auto it = memory_.find(key);
    return it == memory_.end() ? std::nullopt : std::optional<std::string>(it->second);
  }
  const QVariant v = file_->value(QString::fromStdString(key));
  if (!v.isValid()) return std::nullopt;
  const QByteArray bytes = v.typeId() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
  return bytes.toStdString();
}

void QtSettings::setValue(const std::string& key, const std::string& value) {
  if (!file_) {
    memory_[key] = value;
    return;
  }
  const QByteArray bytes = QByteArray::fromStdString(value);
  const QString text = QString::fromUtf8(bytes);
  // Text that is not UTF-8 (a path in another encoding) is kept as bytes, unchanged.
  file_->setValue(QString::fromStdString(key), text.toUtf8() == bytes ? QVariant(text) : QVariant(bytes));
  file_->sync();
}

void QtSettings::remove(const std::string& key) {
  if (!file_) {
    memory_.erase(key);
    return;
  }
  file_->remove(QString::fromStdString(key));
  file_->sync();
}

void QtSettings::reload() {
  if (file_) file_->sync();  // also reads the file again when it changed on disk
}

std::string QtSettings::location() const {
  return file_ ? ToPath(file_->fileName()) : std::string();
}

Settings& QtToolkit::settings() {
  return d_->settings;
}

void QtToolkit::useSettingsFile(const std::string& path) {
  setSettings(std::make_unique<QSettings>(FromPath(path), QSettings::IniFormat));
}

std::string QtToolkit::UserSettingsFile() {
  return ToPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                QStringLiteral("/ts2edit/ts2edit.conf"));
}

std::string QtToolkit::UserAutosaveFolder() {
  return ts2::UserAutosaveFolder();
}

std::string QtToolkit::libraryVersion() const {
  return std::string("Qt ") + qVersion();
}

std::vector<Rect> QtToolkit::screens() const {
  std::vector<Rect> areas;
  for (QScreen* screen : QGuiApplication::screens()) {
    const QRect r = screen->availableGeometry();
    areas.push_back({r.x(), r.y(), r.width(), r.height()});
  }
  return areas;
}

// ---- dialogs ----

namespace {

bool Accept(FileDialog& dialog, std::optional<std::vector<std::string>> chosen) {
  if (!chosen || chosen->empty()) return false;
  if (!dialog.multiSelect) chosen->resize(1);
  dialog.files = std::move(*chosen);
  dialog.fileName = dialog.files.front();
  return true;
}

// Makes `window` active again with the keys in `widget`, when that is still one of its controls.
void GiveKeysBack(QWidget* window, QWidget* widget) {
  window->activateWindow();
  if (widget && widget->isVisible() && widget->window() == window) widget->setFocus(Qt::OtherFocusReason);
}

// Gives the keys back, once a modal box or dialog closes, to the window and widget that had them
// (the Text Editor while typing): the window system gives them to the box's parent, the main
// window, where the keys typed next would do nothing.
class FocusKept {
 public:
  // `main`: the main window, where the window system puts the keys when a box closes.
  explicit FocusKept(const QWidget* main) {
    // A box right after another (a question, then what came of it): the window system has not
    // given the keys back to where the first box found them yet, and has them in the main window
    // or nowhere, so they go back there. A window the command made active keeps them.
    constexpr qint64 kOnTheirWayMs = 1000;
    const QWidget* active = QApplication::activeWindow();
    if (givenBackTo_ && givenBackTo_->isVisible() && active != givenBackTo_ && (!active || active == main) &&
        givenBackAt_.isValid() && givenBackAt_.elapsed() < kOnTheirWayMs) {
      window_ = givenBackTo_;
      widget_ = givenBackWidget_;
    } else {
      window_ = QApplication::activeWindow();
      widget_ = QApplication::focusWidget();
    }
  }
  ~FocusKept() {
    if (!window_ || !window_->isVisible()) return;
    GiveKeysBack(window_, widget_);
    givenBackTo_ = window_;
    givenBackWidget_ = widget_;
    givenBackAt_.start();
  }
  FocusKept(const FocusKept&) = delete;
  FocusKept& operator=(const FocusKept&) = delete;

 private:
  QPointer<QWidget> window_, widget_;
  static inline QPointer<QWidget> givenBackTo_, givenBackWidget_;
  static inline QElapsedTimer givenBackAt_;
};

// Gives the keys back to the window (and widget) a tool window was opened from when it closes
// (Escape, its close button), as a box's FocusKept does: the window system would give them to the
// main window.
class FocusReturn : public QObject {
 public:
  explicit FocusReturn(QWidget* tool) : QObject(tool), tool_(tool) { tool->installEventFilter(this); }
  void openedFrom(QWidget* window, QWidget* widget) {
    window_ = window;
    widget_ = widget;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != tool_) return false;
    // Only when it has the keys as it closes: one the translator left for another window (or
    // program) before closing it leaves them there.
    if (event->type() == QEvent::Close) closingWithKeys_ = QApplication::activeWindow() == tool_;
    if (event->type() != QEvent::Hide || !std::exchange(closingWithKeys_, false) || !window_ ||
        !window_->isVisible())
      return false;
    GiveKeysBack(window_, widget_);
    return false;
  }

 private:
  QWidget* tool_;
  QPointer<QWidget> window_, widget_;
  bool closingWithKeys_ = false;
};

// Runs a file dialog set up as the program describes it; the chosen files in order, or nullopt.
std::optional<std::vector<std::string>> RunFileDialog(QWidget* parent, const FileDialog& d, bool save) {
  QFileDialog dialog(parent, FromBytes(d.title));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save            ? QFileDialog::AnyFile
                     : d.multiSelect ? QFileDialog::ExistingFiles
                                     : QFileDialog::ExistingFile);
  if (!d.filter.empty()) dialog.setNameFilters(NameFilters(d.filter).split(QStringLiteral(";;")));
  if (!d.initialDir.empty()) dialog.setDirectory(FromPath(d.initialDir));
  if (!d.fileName.empty()) dialog.selectFile(FromPath(d.fileName));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  std::vector<std::string> files;
  for (const QString& file : dialog.selectedFiles()) files.push_back(ToPath(file));
  return files;
}

// A Yes/No box as the platform's is: answered with Yes or No only. Its close button and Escape do
// nothing, where Qt's would answer No, which to "Save the changes?" means throwing the text away.
class YesNoBox : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->matches(QKeySequence::Cancel)) return event->accept();
    QMessageBox::keyPressEvent(event);
  }
  void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

}  // namespace

bool QtToolkit::runOpenDialog(FileDialog& dialog) {
  if (d_->answers) return Accept(dialog, d_->answers->openFiles(dialog));
  if (!Accept(dialog, RunFileDialog(d_->dialogParent(), dialog, false))) return false;
  // A confirmed open dialog makes the chosen file's folder the working directory, as the file
  // dialogs of the editor's original platform do: the Dumps folder and the patcher's temporary
  // file then sit beside the ROM the translator works on, not wherever the editor was started.
  QDir::setCurrent(QFileInfo(FromPath(dialog.files.front())).absolutePath());
  return true;
}

bool QtToolkit::runSaveDialog(FileDialog& dialog) {
  std::optional<std::vector<std::string>> chosen;
  if (d_->answers) {
    if (auto file = d_->answers->saveFile(dialog)) chosen = std::vector<std::string>{*file};
  } else {
    chosen = RunFileDialog(d_->dialogParent(), dialog, true);
  }
  return Accept(dialog, std::move(chosen));
}

void QtToolkit::message(const std::string& text) {
  d_->showMessage(text);
}

void QtToolkit::Impl::showMessage(const std::string& text) {
  if (answers) {
    answers->box(DialogAnswers::Box::Message, text, appTitle);
    return;
  }
  const FocusKept focus(form(FormId::myForm));
  QMessageBox box(QMessageBox::NoIcon, FromBytes(appTitle), FromMessage(text), QMessageBox::Ok,
                  dialogParent());
  box.exec();
}

std::unique_ptr<Toolkit> QtToolkit::hiddenToolkit() const {
  return std::make_unique<headless::HeadlessToolkit>();
}

std::string QtToolkit::pngOf(const Bitmap& bitmap) const {
  return PngBytes(BitmapImage(bitmap));
}

std::string QtToolkit::shiftJisToUtf8(std::string_view bytes) const {
  // Line by line: the Kana Text window's reading shows a line break inside a line as a blank.
  std::string out;
  size_t start = 0;
  for (;;) {
    const size_t end = std::min(bytes.find('\n', start), bytes.size());
    out += SjisText(bytes.substr(start, end - start)).text().toUtf8().toStdString();
    if (end == bytes.size()) break;
    out += '\n';
    start = end + 1;
  }
  return out;
}

bool QtToolkit::question(const std::string& text, const std::string& caption) {
  if (d_->answers) return d_->answers->box(DialogAnswers::Box::Question, text, caption);
  const FocusKept focus(d_->form(FormId::myForm));
  YesNoBox box(QMessageBox::Question, FromBytes(caption), FromMessage(text),
               QMessageBox::Yes | QMessageBox::No, d_->dialogParent());
  box.setWindowFlag(Qt::WindowCloseButtonHint, false);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

int QtToolkit::choose(const std::string& text, const std::string& caption,
                      const std::vector<std::string>& buttons, int defaultButton) {
  if (d_->answers) return d_->answers->choose(text, caption, buttons);
  const FocusKept focus(d_->form(FormId::myForm));
  QMessageBox box(QMessageBox::Question, FromBytes(caption), FromMessage(text), QMessageBox::NoButton,
                  d_->dialogParent());
  std::vector<QPushButton*> shown;
  for (const std::string& name : buttons)
    shown.push_back(box.addButton(FromMessage(name), QMessageBox::ActionRole));
  // The default button also takes the focus, so Space presses it as Enter does.
  if (defaultButton >= 0 && static_cast<size_t>(defaultButton) < shown.size())
    box.setDefaultButton(shown[static_cast<size_t>(defaultButton)]);
  // Escape and the window's close button press this one, which is never shown.
  QPushButton* closed = box.addButton(QMessageBox::Cancel);
  closed->hide();
  box.setEscapeButton(closed);
  box.exec();
  const auto it = std::find(shown.begin(), shown.end(), box.clickedButton());
  return it == shown.end() ? -1 : static_cast<int>(it - shown.begin());
}

void QtToolkit::information(const std::string& text, const std::string& caption) {
  if (d_->answers) {
    d_->answers->box(DialogAnswers::Box::Information, text, caption);
    return;
  }
  const FocusKept focus(d_->form(FormId::myForm));
  QMessageBox box(QMessageBox::Information, FromBytes(caption), FromMessage(text), QMessageBox::Ok,
                  d_->dialogParent());
  box.setTextInteractionFlags(Qt::TextSelectableByMouse);  // the settings path can be copied
  box.exec();
}

void QtToolkit::showTable(const std::string& caption, const std::vector<std::string>& headers,
                          const std::vector<std::vector<std::string>>& rows) {
  if (d_->answers) {
    d_->answers->table(caption, headers, rows);
    return;
  }
  const FocusKept focus(d_->form(FormId::myForm));
  QDialog dialog(d_->dialogParent());
  dialog.setWindowTitle(FromBytes(caption));
  auto* table = new QTableWidget(static_cast<int>(rows.size()), static_cast<int>(headers.size()), &dialog);
  QStringList labels;
  for (const std::string& h : headers) labels << FromMessage(h);
  table->setHorizontalHeaderLabels(labels);
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size() && c < headers.size(); ++c)
      table->setItem(static_cast<int>(r), static_cast<int>(c), new QTableWidgetItem(FromMessage(rows[r][c])));
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->verticalHeader()->hide();
  table->resizeColumnsToContents();
  table->horizontalHeader()->setStretchLastSection(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(table);
  layout->addWidget(buttons);
  int width = table->verticalScrollBar()->sizeHint().width() + 2 * table->frameWidth() + 24;
  for (int c = 0; c < table->columnCount(); ++c) width += table->columnWidth(c);
  dialog.resize(std::min(width, 900), 480);
  dialog.exec();
}

void QtToolkit::stopMessage(const std::string& text, const std::string& caption) {
  if (d_->answers) {
    d_->answers->box(DialogAnswers::Box::Stop, text, caption);
    return;
  }
  const FocusKept focus(d_->form(FormId::myForm));
  QMessageBox box(QMessageBox::Critical, FromBytes(caption), FromMessage(text), QMessageBox::Ok,
                  d_->dialogParent());
  box.exec();
}

std::optional<std::string> QtToolkit::askText(const std::string& caption, const std::string& prompt,
                                              const std::string& value) {
  if (d_->answers) return d_->answers->text(caption, value);
  const FocusKept focus(d_->form(FormId::myForm));
  bool ok = false;
  const QString answer = QInputDialog::getText(d_->dialogParent(), FromBytes(caption), FromBytes(prompt),
                                               QLineEdit::Normal, QString::fromStdString(value), &ok);
  if (!ok) return std::nullopt;
  return answer.toStdString();
}

std::optional<int> QtToolkit::askNumber(const std::string& caption, const std::string& prompt, int value,
                                        int min, int max) {
  if (d_->answers) return d_->answers->number(caption, value, min, max);
  const FocusKept focus(d_->form(FormId::myForm));
  bool ok = false;
  const int answer = QInputDialog::getInt(d_->dialogParent(), FromBytes(caption), FromBytes(prompt), value,
                                          min, max, 1, &ok);
  if (!ok) return std::nullopt;
  return answer;
}

void QtToolkit::setSettings(std::unique_ptr<QSettings> settings) {
  d_->settings.useFile(std::move(settings));
}

}  // namespace ts2::qt

namespace ts2::qt {

namespace {

// A new tool window's first place, where none of the editor's windows are (the Text Editor and
// List Data are right of the main window, the Kana Text window below it) or where it hides least
// of them; on a small screen it is made smaller to fit.
void PlaceBesideMain(QWidget* tool, const QWidget* main, const std::vector<const QWidget*>& tools,
                     const std::vector<const QWidget*>& windows) {
  const QScreen* screen = main->screen();
  const QRect m = main->frameGeometry();
  const auto frames = [tool](const std::vector<const QWidget*>& widgets) {
    std::vector<QRect> shown;
    for (const QWidget* w : widgets)
      if (w && w != tool && w->isVisible()) shown.push_back(w->frameGeometry());
    return shown;
  };
  // The frame is not known before the first show: the title bar and borders are estimated.
  const QSize frame(8, 30);
  const QRect place = ToolWindowPlace(tool->size() + frame, m, frames(tools), frames(windows),
                                      screen ? screen->availableGeometry() : m);
  if (place.size() != tool->size() + frame) tool->resize(place.size() - frame);
  tool->move(place.topLeft());
}

}  // namespace

void QtToolkit::showToolWindow(ToolWindow window, TScriptForm& script) {
  if (d_->mainClosed) return;
  Program* program = &script.program;
  QWidget* main = d_->form(FormId::myForm);
  QWidget* shown = nullptr;
  bool created = false;
  if (window == ToolWindow::ScriptOverview) {
    if ((created = !d_->overview)) d_->overview = new ScriptOverviewWindow(*program, main);
    d_->overview->refreshNow();
    shown = d_->overview;
  } else if (window == ToolWindow::FindInScript) {
    if ((created = !d_->findInScript)) d_->findInScript = new FindInScriptWindow(*program, main);
    d_->findInScript->focusFind();
    shown = d_->findInScript;
  } else if (window == ToolWindow::Glossary) {
    if ((created = !d_->glossary)) d_->glossary = new GlossaryWindow(*program, main);
    shown = d_->glossary;
  } else {
    if ((created = !d_->similar)) d_->similar = new SimilarWindow(*program, main);
    shown = d_->similar;
  }
  // Placed once; where the translator moves it afterwards, it stays while the editor runs.
  const std::optional<Rect>& kept = d_->keptPlaces[static_cast<size_t>(window)];
  if (created && kept) {
    shown->resize(kept->width, kept->height);
    shown->move(kept->left, kept->top);
  } else if (created) {
    PlaceBesideMain(shown, main, {d_->overview, d_->findInScript, d_->glossary, d_->similar},
                    {d_->form(FormId::TxtForm), d_->form(FormId::cmForm), d_->form(FormId::KanaForm),
                     d_->form(FormId::HexForm)});
  }
  // Closed, it gives the keys back to where they were when it was opened (not from itself).
  QObject*& made = d_->focusReturns[static_cast<size_t>(window)];
  if (!made) made = new FocusReturn(shown);
  auto* focusReturn = static_cast<FocusReturn*>(made);
  if (QWidget* from = QApplication::activeWindow(); from && from != shown)
    focusReturn->openedFrom(from, QApplication::focusWidget());
  shown->show();
  shown->raise();
  shown->activateWindow();
}

std::optional<Rect> QtToolkit::toolWindowPlace(ToolWindow window) const {
  const QWidget* w = toolWindow(window);
  if (!w) return std::nullopt;
  return Rect{w->frameGeometry().left(), w->frameGeometry().top(), w->width(), w->height()};
}

void QtToolkit::keepToolWindowPlace(ToolWindow window, const Rect& place) {
  d_->keptPlaces[static_cast<size_t>(window)] = place;
}

QWidget* QtToolkit::toolWindow(ToolWindow window) const {
  if (window == ToolWindow::ScriptOverview) return d_->overview;
  if (window == ToolWindow::FindInScript) return d_->findInScript;
  if (window == ToolWindow::Glossary) return d_->glossary;
  return d_->similar;
}

void QtToolkit::runLater(int milliseconds, std::function<void()> task) {
  // Bound to the main window: a task still waiting when it goes is dropped with it.
  QTimer::singleShot(milliseconds, d_->form(FormId::myForm), [this, task = std::move(task)] {
    if (d_->sink && !d_->mainClosed) task();
  });
}

}  // namespace ts2::qt
