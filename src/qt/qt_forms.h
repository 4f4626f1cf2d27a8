// Inside the Qt toolkit: the window widgets, the Window and MenuItem adapters, and the state
// the toolkit keeps (QtToolkit::Impl). Only src/qt includes this header.
#pragma once

#include <QAction>
#include <QMenuBar>
#include <QSettings>
#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "qt/qt_controls.h"
#include "qt/qt_script.h"
#include "qt/qt_text_editor.h"
#include "qt/qt_toolkit.h"

namespace ts2::qt {

inline constexpr size_t kFormCount = static_cast<size_t>(FormId::Count);

// The frame a window manager typically adds around a window's client area; the layouts give
// outer sizes, and the client area is made this much smaller before the window is framed.
inline constexpr int kToolFrameW = 8, kToolFrameH = 26;
inline constexpr int kFrameW = 16, kFrameH = 39;
inline constexpr int kPtrBoxWidth = 104;

// A top-level window of the editor. Resizes, paints and the main window's close go to the
// toolkit, which passes them on to the program.
class FormWidget : public QWidget {
 public:
  FormWidget(QtToolkit::Impl& toolkit, FormId id, QWidget* parent, Qt::WindowFlags flags);
  FormId id() const { return id_; }
  // Qt tells a hidden window of a new size only when it is shown; this tells it now, as a shown
  // window is told, so that what the resize places is placed before the window is shown.
  void sendPendingResize();
  std::function<void()> layout;  // places the controls in the client area
  bool paintsThroughSink = false;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  // Files dragged onto the main window: every local file is taken, whatever its kind; the
  // program says what it cannot use.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  QtToolkit::Impl& toolkit_;
  FormId id_;
  bool painting_ = false;
};

class QtWindow : public Window {
 public:
  QtWindow(QtToolkit::Impl& toolkit, FormWidget* widget, bool centred);
  void show() override;
  void setVisible(bool visible) override;
  bool visible() const override;
  bool active() const override;
  void setCaption(const std::string& caption) override;
  std::string caption() const override;
  Rect bounds() const override;
  void setPosition(int left, int top) override;
  Size clientSize() const override;
  void setClientWidth(int width) override;
  void setClientHeight(int height) override;
  bool maximized() const override;
  void setNormalState() override;
  void setStayOnTop(bool onTop) override;
  bool stayOnTop() const override;
  void close() override;

 private:
  bool isMain() const { return widget_->id() == FormId::myForm; }
  void resizeClient(int width, int height);
  void centre();  // on the screen, by the outer bounds
  QtToolkit::Impl& toolkit_;
  FormWidget* widget_;
  std::optional<std::string> caption_;  // the last one set (only setCaption sets the title)
  bool centred_;
};

// A menu item's state. The adapter holds the truth and the actions show it: Qt's own toggling
// of checkable actions is undone before the command runs, because the commands set the checks.
class QtMenuItem : public MenuItem {
 public:
  explicit QtMenuItem(const MenuEntry& entry);
  // `keys` carries the shortcut of an item that is hidden or shares its shortcut (may be null).
  void bind(QAction* action, QAction* keys);
  void setEnabled(bool enabled) override;
  bool enabled() const override { return enabled_; }
  void setChecked(bool checked) override;
  bool checked() const override { return checked_; }
  bool visible() const override { return visible_; }
  void setVisible(bool visible) override;
  void setCaption(const std::string& caption) override;
  std::string caption() const override { return caption_; }
  void sync();  // shows the state on the actions
  QAction* action() const { return action_; }
  // While held (the program handling an edit), changes stay in the adapter, which answers for
  // them; the state is shown once when released. The display checks and unchecks Display
  // Translated Text around drawing the translation on every keystroke: its action and menu
  // never see that.
  void setHeld(bool held);

 private:
  bool held_ = false, pending_ = false;
  bool checked_, enabled_, visible_, radio_;
  std::string caption_;
  QAction* action_ = nullptr;
  QAction* keys_ = nullptr;
};

// Sees every key pressed in the main window and the Hex Data window before their controls do.
class KeyPreview : public QObject {
 public:
  explicit KeyPreview(QtToolkit::Impl& toolkit) : toolkit_(toolkit) {}
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QtToolkit::Impl& toolkit_;
};

// The settings in a QSettings file once one is chosen (QtToolkit::useSettingsFile), in memory
// before. Values are byte strings: UTF-8 ones are stored as text, others as bytes.
class QtSettings : public Settings {
 public:
  std::optional<std::string> value(const std::string& key) const override;
  void setValue(const std::string& key, const std::string& value) override;
  void remove(const std::string& key) override;
  void reload() override;
  std::string location() const override;
  void useFile(std::unique_ptr<QSettings> file) { file_ = std::move(file); }

 private:
  std::unique_ptr<QSettings> file_;
  std::map<std::string, std::string> memory_;
};

struct QtToolkit::Impl {
  Impl();
  ~Impl();

  EventSink* sink = nullptr;
  DialogAnswers* answers = nullptr;
  std::string appTitle;
  bool closing = false;     // the main window's close has begun
  bool mainClosed = false;  // ... and has ended: events no longer reach the program

  std::array<FormWidget*, kFormCount> forms{};
  std::array<std::unique_ptr<QtWindow>, kFormCount> windows;
  QMenuBar* menuBar = nullptr;      // the menu bar's first row
  std::vector<QMenuBar*> menuRows;  // every row, menuBar first; rows left empty are hidden
  std::vector<QAction*> topMenus;   // the top-level menus in menu order
  int arrangedWidth = -1;
  QWidget* mainClient = nullptr;
  PaintWidget* videoWidget = nullptr;
  StatusWidget* statusWidget = nullptr;
  ListWidget* ptrBoxWidget = nullptr;
  std::vector<std::unique_ptr<QtMenuItem>> menu;

  std::unique_ptr<QtStatusBar> status;
  std::unique_ptr<QtPaintBox> video, chPic;
  std::unique_ptr<QtListBox> bList, pList, ptrBox, ListBox1;
  std::unique_ptr<QtRichEdit> TDMemo;
  MemoryRichEdit Memo1;
  std::unique_ptr<QtMemo> kanaEdit, kanaMemo;
  std::unique_ptr<QtGauge> gauge;
  std::unique_ptr<KeyPreview> keys;
  QtSettings settings;
  ScriptOverviewWindow* overview = nullptr;  // made when first shown, owned by the main window
  FindInScriptWindow* findInScript = nullptr;
  GlossaryWindow* glossary = nullptr;
  SimilarWindow* similar = nullptr;
  // For each tool window, where the keys go back to when it closes (made with it, owned by it).
  std::array<QObject*, 4> focusReturns{};
  std::optional<Rect> keptPlaces[4];  // where each opens first, from the last run (by ToolWindow)

  FormWidget* form(FormId id) const { return forms[static_cast<size_t>(id)]; }
  // The height of the menu bar at `width`: the top-level menus wrap onto further rows rather
  // than hiding behind an overflow button. Arranges the rows for that width.
  int menuBarHeight(int width);
  void layoutMain();
  // Runs the program's close once, hides every window and ends the loop; false when the program
  // keeps the window open.
  bool closeMain();
  void menuTriggered(MenuId item);
  QWidget* dialogParent() const;
  void showMessage(const std::string& text);  // the toolkit's message box (or its scripted answer)

 private:
  void buildMainWindow();
  void buildToolWindows();
  void buildMenu();
  FormWidget* makeForm(FormId id, Qt::WindowFlags flags, QSize frame);
};

}  // namespace ts2::qt
