#include "qt/qt_script.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <iterator>

#include "core/fileutil.h"
#include "core/forms.h"
#include "core/utf8.h"
#include "qt/qt_text.h"
#include "views/script_form.h"

namespace ts2::qt {

namespace {

enum Column { kTable, kFile, kStrings, kTranslated, kFindings, kColumns };
constexpr int kBlockRole = Qt::UserRole;       // the block's index, in the first column
constexpr int kMatchRole = Qt::UserRole + 1;   // the match's first character and length
constexpr int kResultRole = Qt::UserRole + 2;  // the result's index

QTableWidgetItem* Number(qint64 n) {
  auto* item = new QTableWidgetItem;
  item->setData(Qt::DisplayRole, n);  // sorted as a number
  item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

// Draws a result's line with the match in black on yellow, whatever the palette; the rest of the
// line in the row's text colour (the selection's when the row is selected), as the other columns.
class MatchDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QPoint match = index.data(kMatchRole).toPoint();
    if (match.y() <= 0) return QStyledItemDelegate::paint(painter, option, index);
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    opt.widget->style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    const QRect r = opt.rect.adjusted(4, 0, -4, 0);
    const QFontMetrics m(opt.font);
    const QRect mark(r.left() + m.horizontalAdvance(text.left(match.x())), r.top() + 1,
                     m.horizontalAdvance(text.mid(match.x(), match.y())), r.height() - 2);
    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : opt.state & QStyle::State_Active   ? QPalette::Active
                                                                            : QPalette::Inactive;
    const QPalette::ColorRole role =
        opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text;
    painter->save();
    painter->setClipRect(opt.rect, Qt::IntersectClip);
    painter->fillRect(mark, QColor(0xFF, 0xE0, 0x60));
    // The same line drawn twice, each clipped to its part: the letters stay where they are.
    const QRegion clip = painter->clipRegion();
    painter->setClipRegion(clip - mark);
    painter->setPen(opt.palette.color(group, role));
    painter->drawText(r, Qt::AlignLeft | Qt::AlignVCenter, text);
    painter->setClipRegion(clip & mark);
    painter->setPen(QColor(0x00, 0x00, 0x00));
    painter->drawText(r, Qt::AlignLeft | Qt::AlignVCenter, text);
    painter->restore();
  }
};

// WCAG's relative luminance of a colour.
double Luminance(const QColor& c) {
  const auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

// The red of a row that asks for attention, readable on the lists' background: a dark red on a
// light palette, a light one on a dark palette.
QColor AttentionColor(const QPalette& palette) {
  const double base = Luminance(palette.color(QPalette::Base));
  const auto contrast = [base](const QColor& c) {
    const double l = Luminance(c);
    return (std::max(l, base) + 0.05) / (std::min(l, base) + 0.05);
  };
  const QColor dark(0xC0, 0x20, 0x20), light(0xFF, 0x80, 0x80);
  return contrast(dark) >= contrast(light) ? dark : light;
}

// Text that matters less (a file not made yet), dimmer than the list's text on any palette and
// still readable: the text colour taken 70% of the way from the background.
QColor DimColor(const QPalette& palette) {
  const QColor text = palette.color(QPalette::Text), base = palette.color(QPalette::Base);
  const auto mix = [](int t, int b) { return (t * 7 + b * 3 + 5) / 10; };
  return QColor(mix(text.red(), base.red()), mix(text.green(), base.green()), mix(text.blue(), base.blue()));
}

// Escape closes a tool window, wherever its focus is (an open menu or list takes it first).
void CloseOnEscape(QWidget* window) {
  new QShortcut(QKeySequence::Cancel, window, window, &QWidget::close, Qt::WidgetWithChildrenShortcut);
}

// Lines joined for one row of a list, the break shown as a return sign.
QString OneRow(const QString& lines) {
  QString row = lines;
  return row.replace(QLatin1Char('\n'), QStringLiteral(" \u21B5 "));
}

// A translation's lines (Windows-1252) as one row.
QString TranslationRow(const std::vector<std::string>& lines) {
  QString text;
  for (const std::string& line : lines)
    text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + FromBytes(line);
  return OneRow(text);
}

}  // namespace

// ---- Script Overview ----

ScriptOverviewWindow::ScriptOverviewWindow(Program& program, QWidget* parent)
    : QWidget(parent, Qt::Tool), program_(program) {
  setWindowTitle(QStringLiteral("Script Overview"));
  const QStringList headers = {QStringLiteral("Pointer table"), QStringLiteral("File"),
                               QStringLiteral("Strings"), QStringLiteral("Translated"),
                               QStringLiteral("With findings")};
  table_ = new QTableWidget(0, kColumns, this);
  table_->setAccessibleName(QStringLiteral("Blocks"));
  table_->setAccessibleDescription(QStringLiteral("Enter or a double-click on a row selects its block."));
  table_->setHorizontalHeaderLabels(headers);
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->horizontalHeader()->setSortIndicator(kTable, Qt::AscendingOrder);
  table_->setSortingEnabled(true);
  totals_ = new QTableWidget(1, kColumns, this);
  totals_->horizontalHeader()->hide();
  totals_->verticalHeader()->hide();
  totals_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  totals_->setSelectionMode(QAbstractItemView::NoSelection);
  totals_->setFocusPolicy(Qt::NoFocus);
  totals_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  totals_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  totals_->setFixedHeight(totals_->verticalHeader()->defaultSectionSize() + 2 * totals_->frameWidth());
  // The totals row keeps the table's column widths.
  connect(table_->horizontalHeader(), &QHeaderView::sectionResized, this,
          [this](int column, int, int width) { totals_->setColumnWidth(column, width); });
  status_ = new QLabel(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(0);
  layout->addWidget(table_);
  layout->addWidget(totals_);
  layout->addSpacing(4);
  layout->addWidget(status_);
  CloseOnEscape(this);

  connect(table_, &QTableWidget::itemActivated, this, [this](QTableWidgetItem* item) {
    const QTableWidgetItem* first = table_->item(item->row(), kTable);
    if (first) program_.ScriptForm().SelectBlock(first->data(kBlockRole).toInt());
  });
  pending_ = new QTimer(this);
  pending_->setSingleShot(true);
  pending_->setInterval(100);
  connect(pending_, &QTimer::timeout, this, [this] { refreshNow(); });
  program_.ScriptForm().onProgress = [this] { refresh(); };
  refreshNow();
  // Every column as wide as its header or its widest cell, and the window as wide as the columns.
  table_->resizeColumnsToContents();
  int width = 0;
  for (int column = 0; column < kColumns; ++column) {
    table_->setColumnWidth(column, table_->columnWidth(column) + 8);
    width += table_->columnWidth(column);
  }
  const QMargins margins = layout->contentsMargins();
  resize(width + table_->verticalScrollBar()->sizeHint().width() + 2 * table_->frameWidth() + margins.left() +
             margins.right(),
         360);
}

void ScriptOverviewWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) refreshNow();  // the grey of files not made yet
}

void ScriptOverviewWindow::refresh() {
  if (!pending_->isActive()) pending_->start();
}

void ScriptOverviewWindow::refreshNow() {
  const TScriptForm& script = program_.ScriptForm();
  const int rows = static_cast<int>(script.blocks.size());
  // The rows are written in block order and sorted again: the selection stays on its block, not
  // on its row number.
  const QTableWidgetItem* selected =
      table_->currentRow() >= 0 ? table_->item(table_->currentRow(), kTable) : nullptr;
  const int selectedBlock = selected ? selected->data(kBlockRole).toInt() : -1;
  const int selectedColumn = table_->currentColumn();
  table_->setSortingEnabled(false);
  table_->setRowCount(rows);
  for (int row = 0; row < rows; ++row) {
    const ScriptBlock& b = script.blocks[static_cast<size_t>(row)];
    const std::optional<BlockProgress>& p = script.progress.size() > static_cast<size_t>(row)
                                                ? script.progress[static_cast<size_t>(row)]
                                                : std::optional<BlockProgress>();
    auto* table = new QTableWidgetItem(QString::fromStdString(Format("%06X", b.table)));
    table->setData(kBlockRole, b.index);
    table_->setItem(row, kTable, table);
    auto* file = new QTableWidgetItem(FromPath(ExtractFileName(b.file)));
    if (p && !p->exists) file->setForeground(DimColor(palette()));
    file->setToolTip(p && !p->exists ? QStringLiteral("No file yet") : FromPath(b.file));
    if (p && !p->exists) file->setData(Qt::AccessibleDescriptionRole, QStringLiteral("No file yet"));
    table_->setItem(row, kFile, file);
    table_->setItem(row, kStrings, Number(b.strings));
    table_->setItem(row, kTranslated, p ? Number(p->translated) : new QTableWidgetItem);
    table_->setItem(row, kFindings, p ? Number(p->withFindings) : new QTableWidgetItem);
  }
  table_->setSortingEnabled(true);
  if (selectedBlock >= 0)
    for (int row = 0; row < rows; ++row)
      if (const QTableWidgetItem* item = table_->item(row, kTable);
          item && item->data(kBlockRole).toInt() == selectedBlock && row != table_->currentRow())
        table_->setCurrentCell(row, std::max(0, selectedColumn));
  const BlockProgress total = script.Total();
  totals_->setItem(0, kTable, new QTableWidgetItem(QStringLiteral("Total")));
  totals_->setItem(
      0, kFile,
      new QTableWidgetItem(QString::fromStdString(Plural(static_cast<size_t>(rows), "block", "blocks"))));
  uint32_t strings = 0;  // each file's strings once, as the other totals count them
  for (const ScriptBlock& b : BlocksByFile(script.blocks)) strings += b.strings;
  totals_->setItem(0, kStrings, Number(strings));
  totals_->setItem(0, kTranslated, Number(total.translated));
  totals_->setItem(0, kFindings, Number(total.withFindings));
  status_->setText(script.counting() ? QStringLiteral("Counting...")
                                     : QString::fromStdString(ProgressText(
                                           {true, strings, total.translated, total.withFindings})));
}

// ---- Find in Script ----

FindInScriptWindow::FindInScriptWindow(Program& program, QWidget* parent)
    : QWidget(parent, Qt::Tool), program_(program) {
  setWindowTitle(QStringLiteral("Find in Script"));
  find_ = new QLineEdit(this);
  replace_ = new QLineEdit(this);
  // Qt keeps the main window's shortcuts working in a tool window, its menus' letters (File, Edit,
  // View, Program, Window, Help) among them: the access keys here keep off those.
  matchCase_ = new QCheckBox(QStringLiteral("Match &case"), this);
  wholeWord_ = new QCheckBox(QStringLiteral("Whole w&ord"), this);
  scope_ = new QComboBox(this);
  scope_->addItems({QStringLiteral("Translations"), QStringLiteral("Original ROM text")});
  // Enter runs it, from either field.
  findButton_ = new QPushButton(QStringLiteral("Find"), this);
  replaceButton_ = new QPushButton(QStringLiteral("&Replace"), this);
  replaceAllButton_ = new QPushButton(QStringLiteral("Replace &All"), this);
  findButton_->setDefault(true);
  results_ = new QTreeWidget(this);
  results_->setAccessibleName(QStringLiteral("Results"));
  results_->setAccessibleDescription(
      QStringLiteral("Enter or a double-click on a result shows it in the Text Editor."));
  results_->setColumnCount(5);
  results_->setHeaderLabels({QStringLiteral("Block"), QStringLiteral("String"), QStringLiteral("Line"),
                             QStringLiteral("Text"), QStringLiteral("Translation")});
  results_->setRootIsDecorated(false);
  results_->setUniformRowHeights(true);
  results_->setItemDelegateForColumn(3, new MatchDelegate(results_));
  status_ = new QLabel(this);

  const auto label = [this](const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text, this);
    l->setBuddy(buddy);
    return l;
  };
  auto* grid = new QGridLayout;
  grid->addWidget(label(QStringLiteral("Fi&nd:"), find_), 0, 0);
  grid->addWidget(find_, 0, 1);
  grid->addWidget(findButton_, 0, 2);
  grid->addWidget(label(QStringLiteral("Replace wi&th:"), replace_), 1, 0);
  grid->addWidget(replace_, 1, 1);
  auto* replaceButtons = new QHBoxLayout;
  replaceButtons->addWidget(replaceButton_);
  replaceButtons->addWidget(replaceAllButton_);
  grid->addLayout(replaceButtons, 1, 2);
  auto* options = new QHBoxLayout;
  options->addWidget(matchCase_);
  options->addWidget(wholeWord_);
  options->addStretch();
  options->addWidget(label(QStringLiteral("&In:"), scope_));
  options->addWidget(scope_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(options);
  layout->addWidget(results_);
  layout->addWidget(status_);
  resize(560, 380);
  // Tab goes as the window reads: row by row, left to right.
  QWidget* const order[] = {find_,      findButton_, replace_, replaceButton_, replaceAllButton_,
                            matchCase_, wholeWord_,  scope_,   results_};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
  CloseOnEscape(this);

  connect(findButton_, &QPushButton::clicked, this, [this] { find(); });
  connect(find_, &QLineEdit::returnPressed, this, [this] { find(); });
  connect(replace_, &QLineEdit::returnPressed, this, [this] { find(); });
  connect(replaceButton_, &QPushButton::clicked, this, [this] { replace(); });
  connect(replaceAllButton_, &QPushButton::clicked, this, [this] { replaceAll(); });
  connect(results_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { activate(item); });
  program_.ScriptForm().onResults = [this] { showResults(); };
  connect(scope_, &QComboBox::currentIndexChanged, this, [this] {
    replace_->setEnabled(!original());
    replaceButton_->setEnabled(!original());
    replaceAllButton_->setEnabled(!original());
  });
}

void FindInScriptWindow::focusFind() {
  find_->setFocus();
  find_->selectAll();
}

bool FindInScriptWindow::original() const {
  return scope_->currentIndex() == 1;
}

std::optional<TScriptForm::Search> FindInScriptWindow::search() {
  TScriptForm::Search search;
  search.options = {.matchCase = matchCase_->isChecked(), .wholeWord = wholeWord_->isChecked()};
  search.original = original();
  // A letter typed or pasted apart from its accent is looked for as the one character.
  const QString text = find_->text().normalized(QString::NormalizationForm_C);
  if (search.original) {
    search.text = SjisText::Encode(text);
  } else {
    // A character the files' code page cannot hold is in no translation.
    if (!Unencodable(text).isEmpty()) {
      results_->clear();
      status_->setText(FromMessage(RefusedCharactersMessage(Unencodable(text))));
      return std::nullopt;
    }
    search.text = ToBytes(text);
  }
  return search;
}

void FindInScriptWindow::find() {
  if (const std::optional<TScriptForm::Search> s = search()) {
    program_.ScriptForm().Find(*s);
    showResults();
  }
}

void FindInScriptWindow::showResults() {
  const TScriptForm& script = program_.ScriptForm();
  ListBox& bList = program_.ui.list(ControlId::bList);
  results_->clear();
  QList<QTreeWidgetItem*> items;
  int blocks = 0, lastBlock = -1;
  for (size_t i = 0; i < script.results.size(); ++i) {
    const TScriptForm::Result& r = script.results[i];
    if (r.block != lastBlock) ++blocks;
    lastBlock = r.block;
    QString line, before;
    int length = 0;
    if (script.lastSearch.original) {
      line = SjisText(r.lineText).text();
      before = SjisText(r.lineText.substr(0, r.column)).text();
      length = static_cast<int>(SjisText(r.lineText.substr(r.column, r.length)).text().size());
    } else {
      line = FromBytes(r.lineText);
      before = FromBytes(r.lineText.substr(0, r.column));
      length = static_cast<int>(r.length);
    }
    auto* item = new QTreeWidgetItem(
        {FromBytes(bList.line(r.block)), QString::number(r.string), QString::number(r.line + 1), line});
    item->setData(0, kResultRole, static_cast<qulonglong>(i));
    item->setData(3, kMatchRole, QPoint(static_cast<int>(before.size()), length));
    if (script.lastSearch.original) item->setText(4, TranslationRow(r.translation));
    items.append(item);
  }
  // An original's match with the string's translation beside it: how a word was translated.
  results_->setColumnHidden(4, !script.lastSearch.original);
  results_->addTopLevelItems(items);
  for (int c = 0; c < 3; ++c) results_->resizeColumnToContents(c);
  status_->setText(script.results.empty()
                       ? QStringLiteral("Not found.")
                       : QString::fromStdString(Plural(script.results.size(), "match", "matches") + " in " +
                                                Plural(static_cast<size_t>(blocks), "block", "blocks") +
                                                "."));
  if (!script.unreadable.empty()) {
    // A file it could not read is not a file without the text: the status names it.
    std::string names;
    for (const std::string& u : script.unreadable) names += (names.empty() ? "" : "; ") + ExtractFileName(u);
    status_->setText(status_->text() + QStringLiteral(" ") +
                     QString::fromStdString(Plural(script.unreadable.size(), "file", "files") +
                                            " could not be read: " + names));
  }
}

void FindInScriptWindow::activate(QTreeWidgetItem* item) {
  if (!item) return;
  TScriptForm& script = program_.ScriptForm();
  const auto index = static_cast<size_t>(item->data(0, kResultRole).toULongLong());
  if (!script.ActivateResult(index)) {
    status_->setText(QStringLiteral("The text has changed there since the search: search again."));
    return;
  }
  // The keys go where the match is selected: an original's is in the Kana Text window, which
  // comes forward; a translation's in the Text Editor, there to type over it.
  if (!script.lastSearch.original) {
    program_.ui.window(FormId::TxtForm).show();
    program_.ui.richEdit(ControlId::TDMemo).setFocus();
  }
}

void FindInScriptWindow::replace() {
  TScriptForm& script = program_.ScriptForm();
  const std::optional<TScriptForm::Search> s = search();
  if (!s) return;
  if (s->text != script.lastSearch.text || s->original != script.lastSearch.original ||
      s->options.matchCase != script.lastSearch.options.matchCase ||
      s->options.wholeWord != script.lastSearch.options.wholeWord)
    script.Find(*s);
  const QString with = replace_->text().normalized(QString::NormalizationForm_C);
  if (!Unencodable(with).isEmpty()) {
    status_->setText(FromMessage(RefusedCharactersMessage(Unencodable(with))));
    return;
  }
  // The selection is no match (yet, or any more): on to the next one, which may be in another block.
  if (!script.Replace(ToBytes(with)) && !script.results.empty()) script.ActivateResult(script.NextResult());
  showResults();
}

void FindInScriptWindow::replaceAll() {
  TScriptForm& script = program_.ScriptForm();
  find();
  const QString with = replace_->text().normalized(QString::NormalizationForm_C);
  if (!Unencodable(with).isEmpty()) {
    status_->setText(FromMessage(RefusedCharactersMessage(Unencodable(with))));
    return;
  }
  script.ReplaceAll(ToBytes(with));
  showResults();
}

// ---- Glossary ----

GlossaryWindow::GlossaryWindow(Program& program, QWidget* parent)
    : QWidget(parent, Qt::Tool), program_(program) {
  setWindowTitle(QStringLiteral("Glossary"));
  summary_ = new QLabel(this);
  summary_->setWordWrap(true);
  terms_ = new QTreeWidget(this);
  terms_->setColumnCount(4);
  terms_->setHeaderLabels({QStringLiteral("Term"), QStringLiteral("Translation"),
                           QStringLiteral("In the translation"), QStringLiteral("Note")});
  terms_->setRootIsDecorated(false);
  terms_->setUniformRowHeights(true);
  terms_->setContextMenuPolicy(Qt::CustomContextMenu);
  terms_->setToolTip(
      QStringLiteral("Double-click a term to put its translation at the Text Editor's caret."));
  terms_->setAccessibleName(QStringLiteral("Terms"));
  terms_->setAccessibleDescription(
      QStringLiteral("Enter or a double-click on a term puts its translation at the Text Editor's caret."));
  term_ = new QLineEdit(this);
  translation_ = new QLineEdit(this);
  note_ = new QLineEdit(this);
  term_->setPlaceholderText(QStringLiteral("as in the original"));
  translation_->setPlaceholderText(QStringLiteral("as the translation writes it"));
  note_->setPlaceholderText(QStringLiteral("optional"));
  add_ = new QPushButton(QStringLiteral("&Add Term"), this);
  addStatus_ = new QLabel(this);
  addStatus_->setWordWrap(true);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("&Term:"), this), 0, 0);
  grid->addWidget(term_, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("T&ranslation:"), this), 1, 0);
  grid->addWidget(translation_, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("&Note:"), this), 2, 0);
  grid->addWidget(note_, 2, 1);
  grid->addWidget(add_, 2, 2);
  for (int row = 0; row < 3; ++row)
    static_cast<QLabel*>(grid->itemAtPosition(row, 0)->widget())
        ->setBuddy(grid->itemAtPosition(row, 1)->widget());
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addWidget(terms_);
  layout->addLayout(grid);
  layout->addWidget(addStatus_);
  resize(520, 320);
  CloseOnEscape(this);

  const auto insert = [this](QTreeWidgetItem* item, size_t alternative) {
    if (!item) return;
    program_.ScriptForm().glossary.InsertTranslation(static_cast<size_t>(terms_->indexOfTopLevelItem(item)),
                                                     alternative);
  };
  connect(terms_, &QTreeWidget::itemActivated, this, [insert](QTreeWidgetItem* item) { insert(item, 0); });
  connect(terms_, &QWidget::customContextMenuRequested, this, [this, insert](const QPoint& at) {
    QTreeWidgetItem* item = terms_->itemAt(at);
    const GlossaryPanel& panel = program_.ScriptForm().glossary;
    const int row = item ? terms_->indexOfTopLevelItem(item) : -1;
    if (row < 0 || static_cast<size_t>(row) >= panel.rows.size()) return;
    const GlossaryTerm& term = panel.glossary().terms()[panel.rows[static_cast<size_t>(row)].term];
    QMenu menu(this);
    for (size_t k = 0; k < term.targets.size(); ++k) {
      const QString target = QString::fromStdString(Cp1252ToUtf8(term.targets[k]));
      connect(menu.addAction(QStringLiteral("Insert \u201C%1\u201D").arg(target)), &QAction::triggered, this,
              [insert, item, k] { insert(item, k); });
    }
    menu.exec(terms_->viewport()->mapToGlobal(at));
  });
  connect(add_, &QPushButton::clicked, this, [this] { addTerm(); });
  for (QLineEdit* edit : {term_, translation_, note_})
    connect(edit, &QLineEdit::returnPressed, this, [this] { addTerm(); });
  GlossaryPanel& panel = program_.ScriptForm().glossary;
  panel.onChange = [this] { refresh(); };
  // Selections in the Kana Text window and the Text Editor go into empty fields, never over typing.
  panel.onSuggest = [this, &panel] {
    if (term_->text().isEmpty()) term_->setText(QString::fromStdString(panel.suggestedTerm));
    if (translation_->text().isEmpty())
      translation_->setText(QString::fromStdString(panel.suggestedTranslation));
  };
  refresh();
}

void GlossaryWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  GlossaryPanel& panel = program_.ScriptForm().glossary;
  panel.shown = true;
  panel.FileMayHaveChanged();
  panel.StringShown();
}

void GlossaryWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  program_.ScriptForm().glossary.shown = false;
}

void GlossaryWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) refresh();  // the red of missing terms
}

void GlossaryWindow::refresh() {
  const GlossaryPanel& panel = program_.ScriptForm().glossary;
  summary_->setText(QString::fromStdString(panel.summary));
  terms_->clear();
  const QColor missing = AttentionColor(palette());
  for (const GlossaryPanel::Row& r : panel.rows) {
    auto* item = new QTreeWidgetItem(terms_);
    item->setText(0, QString::fromStdString(r.source));
    item->setText(1, QString::fromStdString(r.translations));
    switch (r.presence) {
      case GlossaryPanel::Presence::kNotTranslated:
        item->setText(2, QStringLiteral("not translated yet"));
        break;
      case GlossaryPanel::Presence::kPresent: item->setText(2, QStringLiteral("yes")); break;
      case GlossaryPanel::Presence::kMissing:
        item->setText(2, QStringLiteral("missing"));
        for (int column = 0; column < 3; ++column) item->setForeground(column, missing);
        break;
    }
    item->setText(3, QString::fromStdString(r.note));
    item->setToolTip(3, QString::fromStdString(r.note));
  }
  for (int column = 0; column < 3; ++column) terms_->resizeColumnToContents(column);
}

void GlossaryWindow::addTerm() {
  std::string error;
  if (!program_.ScriptForm().glossary.AddTerm(term_->text().toStdString(), translation_->text().toStdString(),
                                              note_->text().toStdString(), error)) {
    addStatus_->setText(QString::fromStdString(error));
    return;
  }
  addStatus_->setText(QStringLiteral("Added \u201C%1\u201D.").arg(term_->text().simplified()));
  term_->clear();
  translation_->clear();
  note_->clear();
  term_->setFocus();
}

// ---- Similar Strings ----

SimilarWindow::SimilarWindow(Program& program, QWidget* parent)
    : QWidget(parent, Qt::Tool), program_(program) {
  setWindowTitle(QStringLiteral("Similar Strings"));
  summary_ = new QLabel(this);
  summary_->setWordWrap(true);
  matches_ = new QTreeWidget(this);
  matches_->setColumnCount(4);
  matches_->setHeaderLabels({QStringLiteral("Like"), QStringLiteral("String"), QStringLiteral("Original"),
                             QStringLiteral("Translation")});
  matches_->setRootIsDecorated(false);
  matches_->setUniformRowHeights(true);
  matches_->setToolTip(
      QStringLiteral("Double-click a row to make its translation the shown string's (Ctrl+Z undoes it)."));
  matches_->setAccessibleName(QStringLiteral("Similar strings"));
  matches_->setAccessibleDescription(QStringLiteral(
      "Enter or a double-click on a row makes its translation the shown string's (Ctrl+Z undoes it)."));
  least_ = new QSpinBox(this);
  least_->setRange(0, 100);
  least_->setSuffix(QStringLiteral("%"));
  least_->setValue(program_.ScriptForm().similar.atLeast);
  auto* leastLabel = new QLabel(QStringLiteral("Originals &at least this alike:"), this);
  leastLabel->setBuddy(least_);
  auto* row = new QHBoxLayout;
  row->addWidget(leastLabel);
  row->addWidget(least_);
  row->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addWidget(matches_);
  layout->addLayout(row);
  resize(640, 300);
  CloseOnEscape(this);

  connect(matches_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    if (item)
      program_.ScriptForm().similar.UseTranslation(static_cast<size_t>(matches_->indexOfTopLevelItem(item)));
  });
  connect(least_, &QSpinBox::valueChanged, this,
          [this](int value) { program_.ScriptForm().similar.SetLeast(value); });
  program_.ScriptForm().similar.onChange = [this] { refresh(); };
  refresh();
}

void SimilarWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  SimilarPanel& panel = program_.ScriptForm().similar;
  panel.shown = true;
  panel.FilesMayHaveChanged();
}

void SimilarWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  program_.ScriptForm().similar.shown = false;
}

void SimilarWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) refresh();  // the red of originals translated otherwise
}

void SimilarWindow::refresh() {
  const SimilarPanel& panel = program_.ScriptForm().similar;
  summary_->setText(QString::fromStdString(panel.summary));
  matches_->clear();
  const QColor otherwise = AttentionColor(palette());
  for (size_t i = 0; i < panel.matches.size(); ++i) {
    const SimilarMatch& m = panel.matches[i];
    auto* item = new QTreeWidgetItem(matches_);
    item->setText(0, QStringLiteral("%1%").arg(m.percent));
    item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    item->setText(1, QString::fromStdString(panel.places[i]));
    const QString original =
        QString::fromStdString(m.original).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QString translation;
    for (const std::string& line : m.translation)
      translation += (translation.isEmpty() ? QString() : QStringLiteral("\n")) +
                     QString::fromStdString(Cp1252ToUtf8(line));
    // The original with the parts that differ from the shown string's marked.
    QString marked;
    size_t at = 0;
    const auto piece = [&m](size_t from, size_t to) {
      return OneRow(QString::fromStdString(m.original.substr(from, to - from))
                        .replace(QStringLiteral("\r\n"), QStringLiteral("\n")))
          .toHtmlEscaped();
    };
    for (const auto& [from, to] : panel.differing[i]) {
      marked +=
          piece(at, from) + QStringLiteral("<span style=\"background-color:#ffe58a;color:#000000\">%1</span>")
                                .arg(piece(from, to));
      at = to;
    }
    marked += piece(at, m.original.size());
    auto* label = new QLabel(marked);
    label->setTextFormat(Qt::RichText);
    label->setToolTip(original);
    item->setData(2, Qt::AccessibleTextRole, original);
    matches_->setItemWidget(item, 2, label);
    item->setText(3, OneRow(translation));
    item->setToolTip(3, translation);
    if (panel.otherwise[i]) {
      // The shown string's own original, translated otherwise there.
      for (int column : {0, 1, 3}) item->setForeground(column, otherwise);
      item->setToolTip(0, QStringLiteral("The same original, translated otherwise than the shown string"));
      item->setData(0, Qt::AccessibleDescriptionRole,
                    QStringLiteral("The same original, translated otherwise than the shown string"));
    }
  }
  for (int column = 0; column < 2; ++column) matches_->resizeColumnToContents(column);
  // The originals are labels, which the column's own measure does not see: as wide as the widest,
  // up to half the window, the translations keeping the rest.
  int widest = 120;
  for (int row = 0; row < matches_->topLevelItemCount(); ++row)
    if (const QWidget* label = matches_->itemWidget(matches_->topLevelItem(row), 2))
      widest = std::max(widest, label->sizeHint().width() + 12);
  matches_->setColumnWidth(2, std::min(widest, std::max(200, width() / 2)));
}

}  // namespace ts2::qt
