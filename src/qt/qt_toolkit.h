// The toolkit on Qt Widgets: the seven windows, the main menu and their controls. The layer is
// thin: user events go to the EventSink (the Program) and the controls show what it sets.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/toolkit.h"

class QAction;
class QMenuBar;
class QSettings;
class QWidget;

namespace ts2::qt {

// Answers given instead of running modal dialogs, for tests and scripted runs.
class DialogAnswers {
 public:
  enum class Box { Message, Question, Stop, Information };
  virtual ~DialogAnswers() = default;
  // The files chosen in an open dialog as it is set up; nullopt cancels.
  virtual std::optional<std::vector<std::string>> openFiles(const FileDialog& dialog) = 0;
  // The file chosen in a save dialog; nullopt cancels.
  virtual std::optional<std::string> saveFile(const FileDialog& dialog) = 0;
  // A message box; for a question, true answers Yes.
  virtual bool box(Box kind, const std::string& text, const std::string& caption) = 0;
  // A question with named buttons: the index chosen, or -1 for a box closed without a choice.
  virtual int choose(const std::string& text, const std::string& caption,
                     const std::vector<std::string>& buttons) = 0;
  // A number asked for (see Toolkit::askNumber); nullopt cancels.
  virtual std::optional<int> number(const std::string& caption, int value, int min, int max) = 0;
  // A line of text asked for (see Toolkit::askText); nullopt cancels.
  virtual std::optional<std::string> text(const std::string& /*caption*/, const std::string& /*value*/) {
    return std::nullopt;
  }
  // A table shown in a dialog of its own.
  virtual void table(const std::string& /*caption*/, const std::vector<std::string>& /*headers*/,
                     const std::vector<std::vector<std::string>>& /*rows*/) {}
};

class QtToolkit final : public Toolkit {
 public:
  QtToolkit();  // a QApplication must exist
  ~QtToolkit() override;
  QtToolkit(const QtToolkit&) = delete;
  QtToolkit& operator=(const QtToolkit&) = delete;

  void setEventSink(EventSink* sink) override;
  void setApplicationTitle(const std::string& title) override;
  Window& window(FormId form) override;
  MenuItem& menuItem(MenuId item) override;
  StatusBar& statusBar() override;
  PaintBox& video() override;
  PaintBox& chPic() override;
  ListBox& list(ControlId id) override;
  RichEdit& richEdit(ControlId id) override;
  Memo& memo(ControlId id) override;
  Gauge& gauge() override;
  bool runOpenDialog(FileDialog& dialog) override;
  bool runSaveDialog(FileDialog& dialog) override;
  void message(const std::string& text) override;
  bool question(const std::string& text, const std::string& caption) override;
  int choose(const std::string& text, const std::string& caption, const std::vector<std::string>& buttons,
             int defaultButton = 0) override;
  void stopMessage(const std::string& text, const std::string& caption) override;
  std::optional<std::string> askText(const std::string& caption, const std::string& prompt,
                                     const std::string& value) override;
  std::optional<int> askNumber(const std::string& caption, const std::string& prompt, int value, int min,
                               int max) override;
  void information(const std::string& text, const std::string& caption) override;
  void showTable(const std::string& caption, const std::vector<std::string>& headers,
                 const std::vector<std::vector<std::string>>& rows) override;
  std::string shiftJisToUtf8(std::string_view bytes) const override;
  Settings& settings() override;
  std::string libraryVersion() const override;
  std::vector<Rect> screens() const override;
  void showToolWindow(ToolWindow window, TScriptForm& script) override;
  std::optional<Rect> toolWindowPlace(ToolWindow window) const override;
  void keepToolWindowPlace(ToolWindow window, const Rect& place) override;
  void runLater(int milliseconds, std::function<void()> task) override;
  // Copies of unsaved typed text go to this folder from now on; before, nowhere. The editor
  // passes the user's folder (UserAutosaveFolder()); tests leave it unset or pass their own.
  void useAutosaveFolder(const std::string& folder) { autosaveFolder_ = folder; }
  std::string autosaveFolder() const override { return autosaveFolder_; }
  std::unique_ptr<Toolkit> hiddenToolkit() const override;
  std::string pngOf(const Bitmap& bitmap) const override;
  static std::string UserAutosaveFolder();  // $XDG_STATE_HOME/ts2edit/autosave
  // The tool windows made so far (null until first shown).
  QWidget* toolWindow(ToolWindow window) const;

  // Keeps the settings in this file from now on (an INI file); before, they live in memory
  // only. The editor passes the user's file (UserSettingsFile()); tests leave it unset.
  void useSettingsFile(const std::string& path);
  static std::string UserSettingsFile();  // $XDG_CONFIG_HOME/ts2edit/ts2edit.conf
  // The same with settings already opened (tests pass a file of their own).
  void setSettings(std::unique_ptr<QSettings> settings);

  // Used instead of the modal dialogs while set (null: the real dialogs).
  void setDialogAnswers(DialogAnswers* answers);
  // Shows the windows laid out as visible at start-up, the main window last and active.
  // `beforeShown` runs first, once the main window's first resize has placed the tool windows
  // beside it: a window not shown yet takes the position it is given as its frame's, where a
  // shown one that the window manager has not framed yet would put its client area there. A
  // window it hides stays hidden.
  void showStartWindows(const std::function<void()>& beforeShown = {});

  EventSink* eventSink() const;
  std::string applicationTitle() const;
  QWidget* form(FormId form) const;
  QAction* action(MenuId item) const;       // the menu's action of an item
  QMenuBar* menuBar() const;                // the first row of the menu bar
  std::vector<QMenuBar*> menuBars() const;  // every row in use, top first

  struct Impl;

 private:
  std::unique_ptr<Impl> d_;
  std::string autosaveFolder_;
};

}  // namespace ts2::qt
