// The windowing operations the editor needs, as small abstract interfaces.
//
// The forms (TmyForm, TcmForm, ...) hold their controls through these interfaces only. src/qt
// implements them with Qt widgets; src/headless implements them in memory for tests and ts2tool.
// Every text crossing this boundary is a byte string: the toolkit decides how bytes are shown
// (Latin-1 for the editors and lists, Shift-JIS for the kana memos).
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/menu.h"
#include "core/utf8.h"

namespace ts2 {

class TScriptForm;  // views/script_form.h

// A handler's sender, as the event system passes it: null for "no sender", the value 1 for
// "the Text Editor's text changed", otherwise the address of the control that raised the event.
using TObject = const void*;
inline const TObject kNoSender = nullptr;
inline const TObject kSenderTextChanged = reinterpret_cast<TObject>(std::uintptr_t{1});

enum class FormId { myForm, TxtForm, HexForm, KanaForm, cmForm, InsertForm, viewKana, Count };

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
};

struct Size {
  int width = 0, height = 0;
};

// Virtual key codes, as the keyboard handlers receive them.
enum VirtualKey : int {
  VK_BACK = 0x08,
  VK_RETURN = 0x0D,
  VK_SHIFT = 0x10,
  VK_CONTROL = 0x11,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28,
  VK_DELETE = 0x2E,
};

// Modifier keys held while a key is pressed.
struct ShiftState {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
};

class Control {
 public:
  virtual ~Control() = default;
  virtual void setBounds(int left, int top, int width, int height) = 0;
  virtual Rect bounds() const = 0;
  virtual Size clientSize() const = 0;
  virtual void setVisible(bool visible) = 0;
  virtual bool visible() const = 0;
  virtual void setHint(const std::string& hint) = 0;
  virtual std::string hint() const = 0;
  virtual void setFocus() = 0;
  virtual bool focused() const = 0;
};

class Window {
 public:
  virtual ~Window() = default;
  virtual void show() = 0;  // show and bring to the front
  virtual void setVisible(bool visible) = 0;
  virtual bool visible() const = 0;
  virtual bool active() const = 0;
  virtual void setCaption(const std::string& caption) = 0;
  virtual std::string caption() const = 0;
  virtual Rect bounds() const = 0;  // outer bounds in screen pixels
  virtual void setPosition(int left, int top) = 0;
  virtual Size clientSize() const = 0;
  virtual void setClientWidth(int width) = 0;
  virtual void setClientHeight(int height) = 0;
  virtual bool maximized() const = 0;
  virtual void setNormalState() = 0;
  virtual void setStayOnTop(bool onTop) = 0;
  virtual bool stayOnTop() const = 0;
  virtual void close() = 0;
};

class MenuItem {
 public:
  virtual ~MenuItem() = default;
  virtual void setEnabled(bool enabled) = 0;
  virtual bool enabled() const = 0;
  virtual void setChecked(bool checked) = 0;  // radio items: the core unchecks the group's others
  virtual bool checked() const = 0;
  virtual bool visible() const = 0;
  virtual void setVisible(bool visible) = 0;
  // The items the program names itself (File > Recent Files): "&" marks the mnemonic.
  virtual void setCaption(const std::string& caption) = 0;
  virtual std::string caption() const = 0;
};

// How far a list line's string or block is, shown beside its caption (which stays as it is).
enum class ItemMark : uint8_t {
  kNone,
  kUntranslated,  // nothing translated yet
  kTranslated,    // translated, nothing found by the check
  kFindings,      // the check finds something
  // While spelling is on, unknown words are shown apart from the check's findings:
  kMisspelled,          // translated, nothing found by the check, but unknown words
  kFindingsMisspelled,  // the check finds something, and unknown words besides
};

class ListBox : public virtual Control {
 public:
  virtual void clear() = 0;
  virtual void add(const std::string& line) = 0;
  virtual int count() const = 0;
  virtual std::string line(int index) const = 0;
  virtual void setItemIndex(int index) = 0;  // -1 selects nothing
  virtual int itemIndex() const = 0;
  virtual bool selected(int index) const = 0;
  // Shows `mark` beside line `index` and `tip` when the pointer rests on it; a list that shows
  // no marks ignores it.
  virtual void setItemMark(int /*index*/, ItemMark /*mark*/, const std::string& /*tip*/) {}
  // Lines 0 to marks.size() - 1 marked at once, as setItemMark one line after the other would
  // (line i's tip is tipOf(i)); a list of thousands of lines shows them in one repaint.
  virtual void setItemMarks(const std::vector<ItemMark>& marks,
                            const std::function<std::string(int)>& tipOf) {
    for (size_t i = 0; i < marks.size(); ++i)
      setItemMark(static_cast<int>(i), marks[i], tipOf(static_cast<int>(i)));
  }
};

// The rich-edit control (TDMemo, Memo1). Its text is a byte string whose lines are separated by
// a single '\n'; character positions are byte offsets into it.
// Line and search operations on editor text (lines separated by '\n').
namespace textops {
int LineCount(std::string_view text);
std::string Line(std::string_view text, int index);
int LineFromChar(std::string_view text, int position);
int FindNoCase(std::string_view text, std::string_view what, int from, int length);
}  // namespace textops

class RichEdit : public virtual Control {
 public:
  virtual std::string text() const = 0;
  virtual void setText(const std::string& text) = 0;  // replaces all, caret to 0, not modified
  virtual int selStart() const = 0;
  virtual int selLength() const = 0;
  virtual void setSelection(int start, int length) = 0;
  virtual bool modified() const = 0;
  virtual void setModified(bool modified) = 0;
  virtual int firstVisibleLine() const = 0;
  virtual void scrollLines(int lines) = 0;  // vertical scroll by a number of lines

  // Derived operations, computed from text(): the reference answers. Implementations override
  // them with ones that do not read the whole text (the display asks on every keystroke).
  virtual int textLength() const;
  virtual int lineCount() const;
  virtual std::string line(int index) const;
  virtual void addLine(const std::string& line);
  virtual void clear();
  virtual int lineFromChar(int position) const;
  // Case-insensitive search of `what` in [from, from + length); the match's position or -1.
  virtual int findText(const std::string& what, int from, int length) const;
  // The lines from line `first` on, up to and including the first for which `isLast` is true, or
  // to the end of the text; none when `first` is negative or the text has fewer lines.
  virtual std::vector<std::string> linesUntil(int first,
                                              const std::function<bool(std::string_view)>& isLast) const;

  // Replaces each range (start, length; in increasing order, not overlapping) with `with` as one
  // edit of the user's: one step to undo, the text marked modified and the change reported.
  struct Range {
    int start = 0, length = 0;
  };
  virtual void replaceRanges(const std::vector<Range>& ranges, const std::string& with);
};

// A plain memo (kanaEdit, kanaMemo): lines as shown, after the control's word wrap.
class Memo : public virtual Control {
 public:
  virtual void clear() = 0;
  virtual void setText(const std::string& text) = 0;
  virtual std::string text() const = 0;
  virtual void addLine(const std::string& item) = 0;  // CR LF pairs inside split it into lines
  virtual int lineCount() const = 0;
  virtual std::string line(int index) const = 0;
  virtual void beginUpdate() = 0;
  virtual void endUpdate() = 0;
  // The text the user selected, as UTF-8 (empty without a selection).
  virtual std::string selectedText() const { return {}; }
  // Selects `length` bytes from byte `column` of line `line` of the text as it was set (lines
  // separated by CR LF, before the word wrap) and scrolls them into view.
  virtual void selectText(int line, int column, int length) = 0;
};

class StatusBar {
 public:
  virtual ~StatusBar() = default;
  virtual void setPanelText(int panel, const std::string& text) = 0;
  virtual std::string panelText(int panel) const = 0;
  // What shows when the pointer rests on a panel: its whole text, unless a hint set after the
  // text says more (the fit panel's full finding). Each setPanelText clears the hint.
  virtual void setPanelHint(int panel, const std::string& hint) = 0;
  virtual std::string panelHint(int panel) const = 0;
};

// What the editor keeps from one run to the next (tool windows, zoom, recent files): strings
// under keys such as "windows/TxtForm". The toolkit decides where they live.
class Settings {
 public:
  virtual ~Settings() = default;
  virtual std::optional<std::string> value(const std::string& key) const = 0;
  virtual void setValue(const std::string& key, const std::string& value) = 0;
  virtual void remove(const std::string& key) = 0;
  // Takes in what another program (a second editor) wrote to the store since it was last read.
  virtual void reload() {}
  // Where the values are kept, as a user would look for them (a file), or empty for nowhere.
  virtual std::string location() const = 0;
};

// A 16-bit RGB 5-6-5 off-screen bitmap, read and written through its scan lines.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<uint16_t> pixels;

  uint16_t* scanLine(int y) { return pixels.data() + static_cast<size_t>(y) * width; }
  const uint16_t* scanLine(int y) const { return pixels.data() + static_cast<size_t>(y) * width; }

  // Which rows were written, for a viewer that keeps a copy of the pixels. A writer that calls
  // markWritten for the rows it wrote gives them a stamp no row ever had before; a row whose stamp
  // is the one a viewer saw when it copied the row still holds what was copied. Until the first
  // mark, and once the pixels are replaced, no row is stamped: every row counts as written.
  // Whoever writes a stamped bitmap's pixels marks the rows.
  std::vector<uint64_t> rowStamps{};
  const uint16_t* stampedPixels{};

  bool rowsStamped() const {
    return stampedPixels != nullptr && stampedPixels == pixels.data() &&
           rowStamps.size() == static_cast<size_t>(std::max(height, 0)) &&
           pixels.size() >= static_cast<size_t>(std::max(width, 0)) * rowStamps.size();
  }
  // Rows first to last (clamped to the bitmap) written; returns their new stamp.
  uint64_t markWritten(int first, int last) {
    if (!rowsStamped()) {
      rowStamps.assign(static_cast<size_t>(std::max(height, 0)), NextStamp());
      stampedPixels = pixels.data();
    }
    const uint64_t stamp = NextStamp();
    for (int y = std::max(first, 0); y <= last && y < height; ++y) rowStamps[static_cast<size_t>(y)] = stamp;
    return stamp;
  }
  // Whether rows first to last all still carry `stamp`.
  bool rowsHold(int first, int last, uint64_t stamp) const {
    if (!rowsStamped() || first < 0 || last >= height || stamp == 0) return false;
    for (int y = first; y <= last; ++y)
      if (rowStamps[static_cast<size_t>(y)] != stamp) return false;
    return true;
  }

 private:
  static uint64_t NextStamp() {
    static std::atomic<uint64_t> next{0};
    return ++next;
  }
};

class PaintBox : public virtual Control {
 public:
  // Draw the bitmap stretched over the whole client rectangle.
  virtual void drawStretched(const Bitmap& bitmap) = 0;
};

class Gauge : public virtual Control {
 public:
  virtual void setMaxValue(int value) = 0;
  virtual void setMinValue(int value) = 0;
  virtual void setProgress(int value) = 0;
  virtual int maxValue() const = 0;
  virtual int minValue() const = 0;
  virtual int progress() const = 0;
};

// The state of a file dialog that the core keeps between runs (Open1 is shared by several
// commands and keeps what the last one set).
struct FileDialog {
  std::string title;
  std::string filter;
  std::string initialDir;
  std::string fileName;
  bool multiSelect = false;
  std::vector<std::string> files;  // after a confirmed run: every chosen file in order
};

// Tool windows added beside the system's seven; the toolkit makes them when first shown.
enum class ToolWindow { ScriptOverview, FindInScript, Glossary, SimilarStrings };

enum class ControlId {
  Video,
  ptrBox,
  bList,
  pList,
  TDMemo,
  Memo1,
  kanaEdit,
  kanaMemo,
  ListBox1,
  CGauge1,
  chPic,
};

// What the toolkit reports to the program: every user event goes through here to the handlers.
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual void menuCommand(MenuId item) = 0;  // only for enabled items
  // The main window is closing; false when it stays open (the program refused: what could not be
  // saved could not be kept either). Runs once when it closes.
  virtual bool formClose() = 0;
  // A key pressed while a window (or one of its controls) has the focus. The main window
  // previews its keys; a false return discards the key before the focused control sees it.
  virtual bool keyDown(FormId form, int key, ShiftState shift) = 0;
  // A key that reached the Text Editor's TDMemo; false discards it.
  virtual bool editorKeyDown(int key, ShiftState shift) = 0;
  virtual void formResize(FormId form) = 0;
  virtual void paint(FormId form) = 0;
  virtual void listClick(ControlId list) = 0;
  virtual void textChanged(ControlId edit) = 0;  // the user changed TDMemo's text
  // The user came back to the editor from another program.
  virtual void applicationActivated() {}
  // Files dropped on the main window, in the order the desktop gave them.
  virtual void filesDropped(const std::vector<std::string>& /*paths*/) {}
};

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  virtual void setEventSink(EventSink* sink) = 0;

  virtual void setApplicationTitle(const std::string& title) = 0;
  virtual Window& window(FormId form) = 0;
  virtual MenuItem& menuItem(MenuId item) = 0;
  virtual StatusBar& statusBar() = 0;
  virtual PaintBox& video() = 0;
  virtual PaintBox& chPic() = 0;
  virtual ListBox& list(ControlId id) = 0;       // bList, pList, ptrBox, ListBox1
  virtual RichEdit& richEdit(ControlId id) = 0;  // TDMemo, Memo1
  virtual Memo& memo(ControlId id) = 0;          // kanaEdit, kanaMemo
  virtual Gauge& gauge() = 0;                    // CGauge1

  // Modal dialogs. A confirmed file dialog fills dialog.files (and fileName with the first).
  virtual bool runOpenDialog(FileDialog& dialog) = 0;
  virtual bool runSaveDialog(FileDialog& dialog) = 0;
  virtual void message(const std::string& text) = 0;
  // A Yes/No question with a question icon; true for Yes.
  virtual bool question(const std::string& text, const std::string& caption) = 0;
  // A question with a question icon and one button per entry of `buttons`, the one at
  // `defaultButton` the default (Enter and Space press it). Returns the index of the button
  // chosen, or -1 when the box was closed without a choice (Escape, the window's close button),
  // which callers take as Cancel.
  virtual int choose(const std::string& text, const std::string& caption,
                     const std::vector<std::string>& buttons, int defaultButton = 0) = 0;
  // A message with a caption, an OK button and a stop icon.
  virtual void stopMessage(const std::string& text, const std::string& caption) = 0;
  // A whole number asked for in a small dialog with a caption: `prompt` above a field that
  // starts at `value` and takes min to max. std::nullopt when cancelled.
  virtual std::optional<int> askNumber(const std::string& caption, const std::string& prompt, int value,
                                       int min, int max) = 0;
  // A line of text asked for in a small dialog with a caption: `prompt` above a field that starts
  // with `value` (UTF-8). std::nullopt when cancelled.
  virtual std::optional<std::string> askText(const std::string& /*caption*/, const std::string& /*prompt*/,
                                             const std::string& /*value*/) {
    return std::nullopt;
  }
  // A message with a caption, an OK button and an information icon.
  virtual void information(const std::string& text, const std::string& caption) = 0;
  // A table of text in a dialog of its own: a header per column, then the rows.
  virtual void showTable(const std::string& caption, const std::vector<std::string>& headers,
                         const std::vector<std::vector<std::string>>& rows) = 0;

  // Shift-JIS bytes (the character table's texts) as UTF-8, for files other programs read. This
  // one keeps ASCII and gives U+FFFD for every other character; a toolkit with a Shift-JIS
  // converter reads them all.
  virtual std::string shiftJisToUtf8(std::string_view bytes) const { return AsciiToUtf8(bytes); }

  virtual Settings& settings() = 0;
  // The windowing library behind the toolkit, with its version ("Qt 6.4.2").
  virtual std::string libraryVersion() const = 0;
  // The usable area of each screen, in screen pixels.
  virtual std::vector<Rect> screens() const = 0;

  // Shows a tool window of the whole-script views and brings it to the front.
  virtual void showToolWindow(ToolWindow /*window*/, TScriptForm& /*script*/) {}
  // Where a tool window is: its frame's left and top, and its client size; std::nullopt while it
  // has not been shown in this run.
  virtual std::optional<Rect> toolWindowPlace(ToolWindow /*window*/) const { return std::nullopt; }
  // Where a tool window opens when it is first shown, instead of the toolkit's own first place.
  virtual void keepToolWindowPlace(ToolWindow /*window*/, const Rect& /*place*/) {}
  // Runs `task` once on the user-interface thread after `milliseconds` (0: when the events
  // waiting now have been handled). A toolkit without an event loop keeps it until asked.
  virtual void runLater(int milliseconds, std::function<void()> task) = 0;
  // The folder where copies of unsaved typed text are kept (script/autosave.h), or empty for
  // nowhere: no copies are written or offered.
  virtual std::string autosaveFolder() const { return {}; }
  // A toolkit with no windows at all, for a program of its own that draws apart from the editor
  // (a proof sheet's pictures); null when there is none.
  virtual std::unique_ptr<Toolkit> hiddenToolkit() const { return nullptr; }
  // The bitmap as PNG bytes; empty when this toolkit cannot write images.
  virtual std::string pngOf(const Bitmap& /*bitmap*/) const { return {}; }

  // Settings the editor remembers from one run to the next, by key; std::nullopt for a key never
  // set (or when the toolkit remembers nothing).
  std::optional<std::string> setting(const std::string& key) { return settings().value(key); }
  void setSetting(const std::string& key, const std::string& value) { settings().setValue(key, value); }
};

}  // namespace ts2
