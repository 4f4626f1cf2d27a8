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
#include <string>
#include <vector>

#include "qt/qt_controls.h"
#include "qt/qt_script.h"
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
  std::function<void()> layout;  // places the controls in the client area
  bool paintsThroughSink = false;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

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
  void sync();  // shows the state on the actions
  QAction* action() const { return action_; }

 private:
  bool checked_, enabled_, visible_, radio_;
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

struct QtToolkit::Impl {
  Impl();
  ~Impl();

  EventSink* sink = nullptr;
  DialogAnswers* answers = nullptr;
  std::unique_ptr<QSettings> settings;                 // none: remembered for this run only
  std::map<std::string, std::string> sessionSettings;  // ... here
  std::string appTitle;
  bool closing = false;     // the main window's close has begun
  bool mainClosed = false;  // ... and has ended: events no longer reach the program

  std::array<FormWidget*, kFormCount> forms{};
  std::array<std::unique_ptr<QtWindow>, kFormCount> windows;
  QMenuBar* menuBar = nullptr;
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
  ScriptOverviewWindow* overview = nullptr;  // made when first shown, owned by the main window
  FindInScriptWindow* findInScript = nullptr;

  FormWidget* form(FormId id) const { return forms[static_cast<size_t>(id)]; }
  int menuBarHeight(int width) const;
  void layoutMain();
  void closeMain();  // runs the program's close once, hides every window and ends the loop
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
