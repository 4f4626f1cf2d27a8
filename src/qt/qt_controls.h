// The controls behind the toolkit interface: small Qt widgets and the adapters that bind them to
// Control, ListBox, RichEdit, Memo, PaintBox, StatusBar and Gauge.
#pragma once

#include <QAbstractListModel>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/toolkit.h"
#include "qt/qt_row_cache.h"
#include "qt/qt_text.h"

namespace ts2::qt {

// Control operations on any widget.
class WidgetControl : public virtual Control {
 public:
  explicit WidgetControl(QWidget* widget) : widget_(widget) {}
  void setBounds(int left, int top, int width, int height) override;
  Rect bounds() const override;
  Size clientSize() const override;
  void setVisible(bool visible) override;
  bool visible() const override;
  void setHint(const std::string& hint) override;
  std::string hint() const override { return hint_; }
  void setFocus() override;
  bool focused() const override;
  QWidget* widget() const { return widget_; }

 private:
  QWidget* widget_;
  std::string hint_;
};

// ---- paint boxes ----

// Shows a stored image stretched over the whole widget, never smoothed: when the widget holds a
// whole number of device pixels per image pixel (any zoom, any device pixel ratio), each image
// pixel is drawn as an exact square of them. `onPaint` runs first on every paint event; images
// stored while it runs are drawn by that same paint event.
class PaintWidget : public QWidget {
 public:
  PaintWidget(QWidget* parent, std::function<void()> onPaint = {});
  void setImage(QImage image);
  // Shows `bitmap` (5-6-5): only the pixels that differ from the image shown are copied, and only
  // the widget's part under them is repainted. A keystroke changes a few glyphs of one box. Rows of a
  // stamped bitmap (Bitmap::markWritten) that kept the stamp they had when last shown are not
  // even compared.
  void showBitmap(const Bitmap& bitmap);
  const QImage& image() const { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QRect widgetRect(const QRect& pixels) const;  // where these image pixels are drawn
  std::function<void()> onPaint_;
  QImage image_;
  QImage enlarged_;  // image_ with each pixel repeated, rows enlarged as they are repainted
  // Per row of image_, the bitmap row stamp it was copied under (0: not known to be a copy).
  std::vector<uint64_t> shownStamps_;
  bool painting_ = false;
};

// The image with every pixel repeated `factor` times across and down.
QImage RepeatPixels(const QImage& image, int factor);
// The pixels of `image` inside `pixels` into `out` (factor times its size, same format of whole
// bytes), each a factor x factor square.
void RepeatPixels(const QImage& image, int factor, const QRect& pixels, QImage& out);

// A copy of a 5-6-5 bitmap as an RGB16 image (null for an empty or short bitmap).
QImage ToImage(const Bitmap& bitmap);

class QtPaintBox : public PaintBox, public WidgetControl {
 public:
  explicit QtPaintBox(PaintWidget* widget) : WidgetControl(widget), box_(widget) {}
  void drawStretched(const Bitmap& bitmap) override;
  // While held (the program handling an edit), the bitmap drawn last is shown once released,
  // compared with the image row by row once: the display draws both boxes into the Video box's
  // bitmap, one after the other, on every keystroke. That bitmap outlives the hold.
  void setHeld(bool held);

 private:
  PaintWidget* box_;
  bool held_ = false;
  const Bitmap* pending_ = nullptr;
};

// ---- list boxes ----

// The lines of a list box. Added lines reach the view in batches, so that filling a list with
// tens of thousands of lines does not update the view once per line.
class LineModel : public QAbstractListModel {
 public:
  explicit LineModel(QObject* parent) : QAbstractListModel(parent) {}
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  void clear();
  void add(std::string line);
  void publish();  // hands the lines added since the last call to the view
  const std::vector<std::string>& lines() const { return lines_; }
  void setRowHeight(int height) { rowHeight_ = height; }
  // A mark drawn before the line and a tooltip; the caption stays as it is.
  void setMark(int row, ItemMark mark, const std::string& tip);
  // Rows 0 to marks.size() - 1 as setMark would leave them, with one change reported for them all.
  void setMarks(const std::vector<ItemMark>& marks, const std::function<std::string(int)>& tipOf);

 private:
  struct Mark {
    ItemMark mark = ItemMark::kNone;
    std::string tip;
  };
  std::vector<std::string> lines_;
  std::vector<Mark> marks_;  // by row; shorter when the last rows have none
  int shown_ = 0;
  int rowHeight_ = 14;
};

// A list view that reports every user click and every keyboard selection change.
class ListWidget : public QListView {
 public:
  ListWidget(QWidget* parent, std::function<void()> onUserSelect);
  LineModel* lines() const { return model_; }
  RowCacheDelegate* rows() const { return rows_; }
  bool programmatic = false;  // selection changes made by the program are not reported
  // Where a line lies in the viewport: visualRect's answer, kept for the last line asked while
  // the list is laid out, scrolled and sized as then. The edited string's line is asked on every
  // keystroke that changes its mark, and QListView builds a whole item style option to answer.
  QRect lineRect(const QModelIndex& index);
  void doItemsLayout() override;
  // The selected line (-1 for none), as the selection model says; kept until the selection, the
  // current line or the lines change, since the display asks on every keystroke.
  int selectedLine();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles = QList<int>()) override;
  void changeEvent(QEvent* event) override;

 private:
  LineModel* model_;
  RowCacheDelegate* rows_;
  std::function<void()> onUserSelect_;
  int selectedLine_ = kNotKnown;
  // The context of the connections that forget selectedLine_: destroyed before the view's own
  // destruction, which can still emit the model's and the selection model's signals.
  QObject watch_;
  static constexpr int kNotKnown = -2;
  int reports_ = 0;       // selections reported so far
  unsigned layouts_ = 0;  // layouts begun and ended
  struct KeptRect {
    int row = -1;
    unsigned layouts = 0;
    int vertical = 0, horizontal = 0;
    QSize viewport;
    QRect rect;
  } kept_;
};

class QtListBox : public ListBox, public WidgetControl {
 public:
  explicit QtListBox(ListWidget* list) : WidgetControl(list), list_(list) {}
  void clear() override;
  void add(const std::string& line) override;
  int count() const override;
  std::string line(int index) const override;
  void setItemIndex(int index) override;
  int itemIndex() const override;
  bool selected(int index) const override;
  void setItemMark(int index, ItemMark mark, const std::string& tip) override;
  void setItemMarks(const std::vector<ItemMark>& marks,
                    const std::function<std::string(int)>& tipOf) override;

 private:
  ListWidget* list_;
};

// Memo1: a hidden rich edit that only ever holds text, kept in memory.
class MemoryRichEdit : public RichEdit {
 public:
  void setBounds(int left, int top, int width, int height) override { bounds_ = {left, top, width, height}; }
  Rect bounds() const override { return bounds_; }
  Size clientSize() const override { return {bounds_.width, bounds_.height}; }
  void setVisible(bool visible) override { visible_ = visible; }
  bool visible() const override { return visible_; }
  void setHint(const std::string& hint) override { hint_ = hint; }
  std::string hint() const override { return hint_; }
  void setFocus() override {}
  bool focused() const override { return false; }
  std::string text() const override { return text_; }
  void setText(const std::string& text) override;
  int selStart() const override { return selStart_; }
  int selLength() const override { return selLength_; }
  void setSelection(int start, int length) override;
  bool modified() const override { return modified_; }
  void setModified(bool modified) override { modified_ = modified; }
  int firstVisibleLine() const override { return firstVisible_; }
  void scrollLines(int lines) override;
  int textLength() const override { return static_cast<int>(text_.size()); }
  int lineCount() const override { return textops::LineCount(text_); }
  std::string line(int index) const override { return textops::Line(text_, index); }
  int lineFromChar(int position) const override { return textops::LineFromChar(text_, position); }
  int findText(const std::string& what, int from, int length) const override {
    return textops::FindNoCase(text_, what, from, length);
  }

 private:
  std::string text_, hint_;
  Rect bounds_;
  int selStart_ = 0, selLength_ = 0, firstVisible_ = 0;
  bool modified_ = false, visible_ = false;
};

// ---- kana memos ----

// The memo widget of the kana windows. Read-only, it still takes the keys that select and copy
// its text (Ctrl+A, Ctrl+C), before the main menu's shortcuts on the same keys.
class KanaMemoEdit : public QPlainTextEdit {
 public:
  explicit KanaMemoEdit(QWidget* parent) : QPlainTextEdit(parent) {}

 protected:
  bool event(QEvent* event) override;
};

// kanaEdit and kanaMemo: Shift-JIS bytes, word-wrapped to the memo's width. The lines set by
// the program are kept as bytes, so lines read back give exactly those bytes; text the user
// edited is encoded again.
class QtMemo : public Memo, public WidgetControl {
 public:
  explicit QtMemo(QPlainTextEdit* edit);
  void clear() override;
  void setText(const std::string& text) override;
  std::string text() const override;
  void addLine(const std::string& item) override;
  int lineCount() const override;
  std::string line(int index) const override;
  void beginUpdate() override;
  void endUpdate() override;
  void selectText(int line, int column, int length) override;
  std::string selectedText() const override;

 private:
  struct Shown {
    int line, from, count;  // a shown line: characters [from, from + count) of a line
  };
  void appendLines(const std::string& text, bool dropFinalEmpty);
  void syncFromDocument() const;  // after user edits: take the document's text as the lines
  const std::vector<Shown>& wrapped() const;
  int wrapWidth() const;

  QPlainTextEdit* edit_;
  mutable std::vector<SjisText> lines_;
  mutable bool edited_ = false;
  bool programmatic_ = false;
  mutable std::vector<Shown> wrapped_;
  mutable int wrappedWidth_ = -1;
  mutable bool wrapValid_ = false;
  int updateDepth_ = 0;
};

// ---- status bar and gauge ----

// A status bar panel: a label that keeps the pixels of its last few paints and copies them back
// when it is to be painted again exactly as before. While the translator types, the fit panel
// switches between a few texts and panel 1 between a few widths, and QLabel lays out and shapes
// its text anew on every paint. After Qt's own paint of the whole label, its pixels are read back
// from the window's image; a later paint with the same inputs (text, font, size, palette and
// colour group, frame, alignment, style, the bar's fill under it) copies them. Painted the plain
// way whenever the copy could differ: as for the list rows (RowCacheDelegate), another style, a
// scaled painter, a translucent or patterned fill.
class PanelLabel : public QLabel {
 public:
  explicit PanelLabel(QWidget* parent) : QLabel(parent) {}
  void setCaching(bool on) { caching_ = on; }
  int copies() const { return copies_; }  // paints copied from the kept pixels so far

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Key {
    QString text;
    QFont font;
    QPalette palette;
    QBrush under;
    QSize size;
    QMargins margins;
    int group = 0, alignment = 0, indent = 0, margin = 0, frame = 0, lineWidth = 0, midLineWidth = 0;
    int direction = 0, format = 0, image = 0;
    bool enabled = false, wrap = false;
    const QStyle* style = nullptr;
    bool operator==(const Key& other) const;
  };
  struct Entry {
    Key key;
    QImage pixels;
    uint64_t used = 0;
  };
  static constexpr size_t kEntries = 4;
  std::vector<Entry> entries_;
  uint64_t paints_ = 0;
  int copies_ = 0;
  bool caching_ = true;
};

// Three sunken panels: panel 0 of a fixed width, then panel 1 and, to its right, panel 2 (whether
// the translation fits), which share the rest.
class StatusWidget : public QWidget {
 public:
  explicit StatusWidget(QWidget* parent);
  PanelLabel* panel(int index) const { return panels_[index]; }
  void layoutPanels();
  // Shrinks the font of a text too wide for its panel; a text that fits in no readable size is
  // cut with an ellipsis (the tooltip holds it whole).
  void fitText(int panel);
  QString fullText(int panel) const { return full_[panel]; }
  void setFullText(int panel, const QString& text);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // The font and text a panel shows `text` in, `room` pixels wide, the bar's font being `base`:
  // remembered for the last few inputs of each panel, since the fit panel alternates between a few
  // texts while the translator types (each text changing its width and so panel 1's room).
  struct FitChoice {
    QString text;
    int room = -1;
    QFont base;
    QFont font;
    QString shown;
  };
  const FitChoice& fitChoice(int panel, const QString& text, int room);
  int panel2Width(const QString& text);  // the size hint's width of panel 2 showing `text`

  PanelLabel* panels_[3];
  QString full_[3];
  // The font fitText last gave each panel (none after the bar's font changed or panel 2 was
  // measured in another): QWidget::setFont works out the inherited font even when nothing changes.
  std::optional<QFont> given_[3];
  static constexpr size_t kKept = 4;
  FitChoice choices_[3][kKept];
  size_t nextChoice_[3] = {};
  struct HintWidth {
    QString text;
    QFont font;
    int width = -1;
  };
  HintWidth hintWidths_[kKept];
  size_t nextHint_ = 0;
};

class QtStatusBar : public StatusBar {
 public:
  explicit QtStatusBar(StatusWidget* widget) : widget_(widget) {}
  void setPanelText(int panel, const std::string& text) override;
  std::string panelText(int panel) const override;
  void setPanelHint(int panel, const std::string& hint) override;
  std::string panelHint(int panel) const override;
  // While held (the program handling an edit), the panels' tooltips are set once released, and
  // only those that changed: the display sets the fit panel's text and then its tooltip on every
  // keystroke, and each tooltip set is an event to the panel.
  void setHeld(bool held);

 private:
  void showTip(int panel);

  StatusWidget* widget_;
  std::string texts_[3], hints_[3];
  bool held_ = false;
  bool tipStale_[3] = {};
};

class QtGauge : public Gauge, public WidgetControl {
 public:
  explicit QtGauge(QProgressBar* bar);
  void setMaxValue(int value) override;
  void setMinValue(int value) override;
  void setProgress(int value) override;
  int maxValue() const override { return max_; }
  int minValue() const override { return min_; }
  int progress() const override { return progress_; }

 private:
  void show();
  QProgressBar* bar_;
  int max_ = 100, min_ = 0, progress_ = 0;
};

}  // namespace ts2::qt
