// The in-memory toolkit: list boxes as vectors, the editor as a string, scripted dialogs and
// recorded messages. Tests and ts2tool build a Program on it and run the handlers directly.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/editor_text.h"
#include "core/forms.h"
#include "core/toolkit.h"

namespace ts2::headless {

class HControl : public virtual Control {
 public:
  void setBounds(int left, int top, int width, int height) override { bounds_ = {left, top, width, height}; }
  Rect bounds() const override { return bounds_; }
  Size clientSize() const override { return {bounds_.width, bounds_.height}; }
  void setVisible(bool visible) override { visible_ = visible; }
  bool visible() const override { return visible_; }
  void setHint(const std::string& hint) override { hint_ = hint; }
  std::string hint() const override { return hint_; }
  void setFocus() override { ++focusCount; }
  bool focused() const override { return focusCount > 0; }

  int focusCount = 0;  // how often the control was given the keyboard focus

 protected:
  Rect bounds_;
  bool visible_ = true;
  std::string hint_;
};

class HeadlessToolkit;

// Outer frame of a headless window: the client area plus these borders (caption, menu).
inline constexpr int kFrameW = 16;
inline constexpr int kToolFrameH = 39;
inline constexpr int kMainFrameH = 59;

class HWindow : public Window {
 public:
  HWindow(FormId id, HeadlessToolkit* toolkit);
  void show() override {
    visible_ = true;
    ++showCount;
  }
  void setVisible(bool visible) override { visible_ = visible; }
  bool visible() const override { return visible_; }
  bool active() const override { return active_; }
  void setCaption(const std::string& caption) override { caption_ = caption; }
  std::string caption() const override { return caption_; }
  Rect bounds() const override { return bounds_; }
  void setPosition(int left, int top) override {
    bounds_.left = left;
    bounds_.top = top;
  }
  Size clientSize() const override { return client_; }
  void setClientWidth(int width) override;
  void setClientHeight(int height) override;
  bool maximized() const override { return maximized_; }
  void setNormalState() override { maximized_ = false; }
  void setStayOnTop(bool onTop) override { onTop_ = onTop; }
  bool stayOnTop() const override { return onTop_; }
  void close() override;

  // Test controls.
  void setActive(bool active) { active_ = active; }
  void setMaximized(bool maximized) { maximized_ = maximized; }
  int showCount = 0;
  bool closed = false;

 private:
  void updateOuter();
  FormId id_;
  HeadlessToolkit* toolkit_;
  std::string caption_;
  Rect bounds_;
  Size client_;
  bool visible_ = false, active_ = false, maximized_ = false, onTop_ = false;
};

class HMenuItem : public MenuItem {
 public:
  explicit HMenuItem(const MenuEntry& entry)
      : checked_(entry.checked), enabled_(entry.enabled), visible_(entry.visible), caption_(entry.caption) {}
  void setEnabled(bool enabled) override { enabled_ = enabled; }
  bool enabled() const override { return enabled_; }
  void setChecked(bool checked) override { checked_ = checked; }
  bool checked() const override { return checked_; }
  bool visible() const override { return visible_; }
  void setVisible(bool visible) override { visible_ = visible; }
  void setCaption(const std::string& caption) override { caption_ = caption; }
  std::string caption() const override { return caption_; }

 private:
  bool checked_, enabled_, visible_;
  std::string caption_;
};

class HListBox : public ListBox, public HControl {
 public:
  void clear() override {
    lines.clear();
    marks.clear();
    index_ = -1;
  }
  void add(const std::string& line) override { lines.push_back(line); }
  int count() const override { return static_cast<int>(lines.size()); }
  std::string line(int index) const override {
    return index >= 0 && index < count() ? lines[static_cast<size_t>(index)] : std::string();
  }
  void setItemIndex(int index) override { index_ = index >= 0 && index < count() ? index : -1; }
  int itemIndex() const override { return index_; }
  bool selected(int index) const override { return index >= 0 && index == index_; }
  void setItemMark(int index, ItemMark mark, const std::string& tip) override;

  std::vector<std::string> lines;
  struct Mark {
    ItemMark mark = ItemMark::kNone;
    std::string tip;
  };
  std::map<int, Mark> marks;  // by line; cleared with the lines

 private:
  int index_ = -1;
};

// TDMemo and Memo1: the text kept as the Qt editor keeps it, edit by edit (EditorText), so the
// display's questions cost what they cost in the editor.
class HRichEdit : public RichEdit, public HControl {
 public:
  std::string text() const override { return text_.str(); }
  void setText(const std::string& text) override;
  int selStart() const override { return selStart_; }
  int selLength() const override { return selLength_; }
  void setSelection(int start, int length) override;
  bool modified() const override { return modified_; }
  void setModified(bool modified) override { modified_ = modified; }
  int firstVisibleLine() const override { return firstVisible_; }
  void scrollLines(int lines) override;
  int textLength() const override { return text_.size(); }
  int lineCount() const override { return text_.lineCount(); }
  std::string line(int index) const override { return text_.line(index); }
  int lineFromChar(int position) const override { return text_.lineFromChar(position); }
  int findText(const std::string& what, int from, int length) const override {
    return text_.find(what, from, length);
  }
  std::vector<std::string> linesUntil(int first,
                                      const std::function<bool(std::string_view)>& isLast) const override {
    return text_.linesUntil(first, isLast);
  }

  // Simulates the user typing: replaces the selection with `typed`, leaves the caret after it,
  // sets the modified flag and reports the change as the real control would.
  void type(const std::string& typed);
  // As one edit of the user's: the caret after the last replacement, the change reported once.
  void replaceRanges(const std::vector<Range>& ranges, const std::string& with) override;
  int undoSteps = 0;  // edits the user could undo one by one (type and replaceRanges)
  EventSink* sink = nullptr;
  ControlId id = ControlId::TDMemo;

 private:
  EditorText text_;
  int selStart_ = 0, selLength_ = 0, firstVisible_ = 0;
  bool modified_ = false;
};

class HMemo : public Memo, public HControl {
 public:
  void clear() override { lines.clear(); }
  void setText(const std::string& text) override;
  std::string text() const override;
  void addLine(const std::string& item) override;
  int lineCount() const override { return static_cast<int>(lines.size()); }
  std::string line(int index) const override {
    return index >= 0 && index < lineCount() ? lines[static_cast<size_t>(index)] : std::string();
  }
  void beginUpdate() override { ++updateDepth; }
  void endUpdate() override { --updateDepth; }
  void selectText(int line, int column, int length) override { selection = {line, column, length}; }

  std::vector<std::string> lines;
  struct Selection {
    int line = -1, column = 0, length = 0;
    bool operator==(const Selection&) const = default;
  } selection;
  int updateDepth = 0;
  int setTextCount = 0;
};

class HStatusBar : public StatusBar {
 public:
  void setPanelText(int panel, const std::string& text) override {
    panels[panel] = text;
    hints.erase(panel);
  }
  std::string panelText(int panel) const override {
    auto it = panels.find(panel);
    return it == panels.end() ? std::string() : it->second;
  }
  void setPanelHint(int panel, const std::string& hint) override { hints[panel] = hint; }
  std::string panelHint(int panel) const override {
    auto it = hints.find(panel);
    return it == hints.end() || it->second.empty() ? panelText(panel) : it->second;
  }
  std::map<int, std::string> panels, hints;
};

// Settings kept in memory for the life of the toolkit.
class HSettings : public Settings {
 public:
  std::optional<std::string> value(const std::string& key) const override {
    auto it = values.find(key);
    return it == values.end() ? std::nullopt : std::optional<std::string>(it->second);
  }
  void setValue(const std::string& key, const std::string& value) override { values[key] = value; }
  void remove(const std::string& key) override { values.erase(key); }
  std::string location() const override { return {}; }
  std::map<std::string, std::string> values;
};

class HPaintBox : public PaintBox, public HControl {
 public:
  void drawStretched(const Bitmap& bitmap) override {
    shown = bitmap;
    ++drawCount;
  }
  Bitmap shown;  // the last bitmap drawn
  int drawCount = 0;
};

class HGauge : public Gauge, public HControl {
 public:
  void setMaxValue(int value) override { max_ = value; }
  void setMinValue(int value) override { min_ = value; }
  void setProgress(int value) override {
    progress_ = value;
    shown.push_back({min_, max_, value});
  }
  int maxValue() const override { return max_; }
  int minValue() const override { return min_; }
  int progress() const override { return progress_; }
  struct Shown {
    int min, max, progress;
    bool operator==(const Shown&) const = default;
  };
  std::vector<Shown> shown;  // each progress set, with the range it was shown in

 private:
  int max_ = 100, min_ = 0, progress_ = 0;
};

// What a test or a command-line run answers to the dialogs, and what the program said.
struct Script {
  std::deque<std::optional<std::vector<std::string>>> openAnswers;  // nullopt: cancel
  std::deque<std::optional<std::string>> saveAnswers;               // nullopt: cancel
  std::deque<bool> questionAnswers;                                 // true: Yes
  std::deque<std::optional<int>> numberAnswers;                     // nullopt: cancel
  std::deque<std::optional<std::string>> textAnswers;               // nullopt: cancel
  std::vector<std::string> textsOffered;                            // each text field's start
  bool defaultQuestionAnswer = false;                               // when none is queued
  std::deque<int> choiceAnswers;     // button index, -1: closed, kEnter: the default; none queued: -1
  static constexpr int kEnter = -2;  // a key that presses the default button
  // A confirmed open dialog makes the chosen file's folder the working directory, as the desktop
  // toolkit's does (off: the tests' working directory stays where they put it).
  bool openDialogSetsDirectory = false;

  struct Said {
    enum Kind { Message, Question, Stop, Choice, Information } kind;
    std::string text;
    std::string caption;
  };
  std::vector<Said> said;
  std::vector<FileDialog> dialogsRun;  // each dialog as it was set up when run
  struct NumberAsked {
    std::string caption;
    int value, min, max;
  };
  std::vector<NumberAsked> numbersAsked;
  struct Table {
    std::string caption;
    std::vector<std::string> headers;
    std::vector<std::vector<std::string>> rows;
  };
  std::vector<Table> tables;  // each table shown
};

class HeadlessToolkit : public Toolkit {
 public:
  HeadlessToolkit();

  void setApplicationTitle(const std::string& title) override { appTitle = title; }
  void setEventSink(EventSink* sink) override;
  Window& window(FormId form) override { return windows_[static_cast<size_t>(form)]; }
  MenuItem& menuItem(MenuId item) override { return menu_[static_cast<size_t>(item)]; }
  StatusBar& statusBar() override { return status; }
  PaintBox& video() override { return videoBox; }
  PaintBox& chPic() override { return chPicBox; }
  ListBox& list(ControlId id) override;
  RichEdit& richEdit(ControlId id) override { return id == ControlId::Memo1 ? Memo1 : TDMemo; }
  Memo& memo(ControlId id) override { return id == ControlId::kanaMemo ? kanaMemo : kanaEdit; }
  Gauge& gauge() override { return CGauge1; }
  bool runOpenDialog(FileDialog& dialog) override;
  bool runSaveDialog(FileDialog& dialog) override;
  void message(const std::string& text) override;
  bool question(const std::string& text, const std::string& caption) override;
  int choose(const std::string& text, const std::string& caption, const std::vector<std::string>& buttons,
             int defaultButton = 0) override;
  void stopMessage(const std::string& text, const std::string& caption) override;
  // The next scripted number (cancel when none is queued); what was asked is recorded.
  std::optional<int> askNumber(const std::string& caption, const std::string& prompt, int value, int min,
                               int max) override;
  // The next scripted text (cancel when none is queued); what was asked is recorded.
  std::optional<std::string> askText(const std::string& caption, const std::string& prompt,
                                     const std::string& value) override;
  void information(const std::string& text, const std::string& caption) override;
  void showTable(const std::string& caption, const std::vector<std::string>& headers,
                 const std::vector<std::vector<std::string>>& rows) override;
  Settings& settings() override { return settingsStore; }
  std::string libraryVersion() const override { return "no windowing library (headless)"; }
  std::vector<Rect> screens() const override { return screenAreas; }
  // A tool window, once shown, is where it was kept, or at a place of its own.
  void showToolWindow(ToolWindow window, TScriptForm&) override {
    toolWindowsShown.push_back(window);
    if (!toolPlaces.count(window))
      toolPlaces[window] = keptToolPlaces.count(window) ? keptToolPlaces[window] : Rect{0, 0, 400, 300};
  }
  std::optional<Rect> toolWindowPlace(ToolWindow window) const override {
    const auto at = toolPlaces.find(window);
    return at == toolPlaces.end() ? std::nullopt : std::optional<Rect>(at->second);
  }
  void keepToolWindowPlace(ToolWindow window, const Rect& place) override { keptToolPlaces[window] = place; }
  std::map<ToolWindow, Rect> toolPlaces, keptToolPlaces;
  // Kept until runLaterTasks runs them, as an event loop would.
  void runLater(int milliseconds, std::function<void()> task) override;
  // Runs the tasks waiting, and those they leave in turn, up to `rounds` rounds; returns how many ran.
  int runLaterTasks(int rounds = 1000);
  std::string autosaveFolder() const override { return autosaveDir; }
  std::unique_ptr<Toolkit> hiddenToolkit() const override { return std::make_unique<HeadlessToolkit>(); }
  // Pictures as files: none, unless a test stands in for the desktop toolkit's PNG writer.
  std::string pngOf(const Bitmap& bitmap) const override { return png ? png(bitmap) : std::string(); }
  std::function<std::string(const Bitmap&)> png;
  std::string autosaveDir;  // empty: nowhere
  std::vector<ToolWindow> toolWindowsShown;

  HWindow& win(FormId form) { return windows_[static_cast<size_t>(form)]; }
  EventSink* sink() const { return sink_; }
  // Every text shown in a message box or question, in order.
  std::vector<std::string> messages() const;
  std::string lastMessage() const;

  std::string appTitle;
  Script script;
  HStatusBar status;
  HPaintBox videoBox, chPicBox;
  HListBox bList, pList, ptrBox, ListBox1;
  HRichEdit TDMemo, Memo1;
  HMemo kanaEdit, kanaMemo;
  HGauge CGauge1;
  HSettings settingsStore;
  std::vector<Rect> screenAreas{{0, 0, 1920, 1080}};

 private:
  EventSink* sink_ = nullptr;
  std::vector<HWindow> windows_;
  std::vector<HMenuItem> menu_;
  std::vector<std::function<void()>> later_;
};

// A program on the headless toolkit, started as the editor starts.
struct HeadlessProgram {
  HeadlessToolkit ui;
  Program program{ui};
  TmyForm& form() { return program.myForm; }
};

}  // namespace ts2::headless
