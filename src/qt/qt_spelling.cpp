#include "qt/qt_spelling.h"

#include <QAction>
#include <QActionGroup>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QUrl>

#include <algorithm>

#include "core/forms.h"
#include "core/utf8.h"
#include "qt/qt_text.h"
#include "qt/qt_text_editor.h"
#include "qt/qt_toolkit.h"
#include "spell/hunspell_speller.h"
#include "views/script_form.h"

namespace ts2::qt {

namespace {

constexpr int kMaxSuggestions = 7;
constexpr int kLookBack = 4096;  // lines searched above a line for the section it is in
const QColor kUnderline(220, 0, 0);

// The layer the underlines are drawn on: the size of the editor's viewport and above it, with
// every mouse event going through to the editor.
class UnderlineLayer : public QWidget {
 public:
  UnderlineLayer(QtSpelling& spelling, QWidget* parent) : QWidget(parent), spelling_(spelling) {
    setObjectName(QStringLiteral("SpellingUnderlines"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    spelling_.paintUnderlines(painter, event->rect());
  }

 private:
  QtSpelling& spelling_;
};

// Where the language picked for a data file is kept: one key per file, its path encoded so that
// no '/' makes groups of it.
std::string SettingsKey(const std::string& dataFile) {
  return "spelling/" + QUrl::toPercentEncoding(FromPath(dataFile)).toStdString();
}

// Whether a line decides what the lines below it are: a header, a closing line, or a line that
// may end what the encoder writes of a section.
bool IsMarker(std::string_view line) {
  const LineRole role = RoleOfLine(line, true);
  return role == LineRole::kHeader || role == LineRole::kEnd || SectionWalk::MayStopEncoding(line);
}

// The walk over the lines as it stands before `block`: from the nearest header or closing line
// above it (none within reach: outside any section).
SectionWalk WalkBefore(const QTextBlock& block) {
  SectionWalk walk;
  QTextBlock from = block.previous();
  for (int i = 0;; ++i, from = from.previous()) {
    if (!from.isValid() || i == kLookBack) return walk;
    const LineRole role = RoleOfLine(ToBytes(from.text()), false);
    if (role == LineRole::kHeader || role == LineRole::kEnd) break;
  }
  for (; from != block; from = from.next()) walk.next(ToBytes(from.text()));
  return walk;
}

}  // namespace

QtSpelling::QtSpelling(QtToolkit& ui, TmyForm& form)
    : ui_(ui),
      form_(form),
      editor_(dynamic_cast<TextEditor*>(
          ui.form(FormId::TxtForm)->findChild<QPlainTextEdit*>(QStringLiteral("TDMemo")))),
      layer_(new UnderlineLayer(*this, editor_)),
      item_(ui.action(MenuId::Spelling1)),
      languages_(new QMenu(ui.menuBar())),
      languageGroup_(nullptr) {
  layer_->setGeometry(editor_->viewport()->geometry());
  layer_->hide();
  editor_->viewport()->installEventFilter(this);
  editor_->installEventFilter(this);

  // An edit within one line repaints that line's underlines only, unless it made or unmade a
  // .STRING or .ENDS line (which decides what the lines below it are) or changed the line count.
  connect(editor_->document(), &QTextDocument::contentsChange, this, [this](int from, int, int added) {
    editEnd_ = from + added;
    follow();
    const QTextDocument* document = editor_->document();
    const QTextBlock block = document->findBlock(from);
    // The caret is there as the program hears of the edit.
    const QTextBlock end = document->findBlock(editEnd_);
    form_.typingEnd = {end.blockNumber(), editEnd_ - end.position()};
    caretAtEdit_ = true;
    if (!checker_) return;
    const int lines = document->blockCount();
    const int wasMarker = block.userState();  // as the last check of the line found it
    const bool whole = lines != lineCount_ || block != document->findBlock(from + added) || wasMarker == -1 ||
                       (wasMarker == 1) != IsMarker(ToBytes(block.text()));
    lineCount_ = lines;
    whole ? layer_->update() : updateLine(block);
  });
  // The word being typed is underlined once the caret is elsewhere: only leaving the end of the
  // last edit, or coming back to it, changes what is underlined (the edit itself has repainted
  // its line).
  connect(editor_, &QPlainTextEdit::cursorPositionChanged, this, [this] {
    const bool atEdit = editEnd_ != -1 && editor_->textCursor().position() == editEnd_;
    if (atEdit == caretAtEdit_) return;
    caretAtEdit_ = atEdit;
    if (!checker_) {
      if (!atEdit) form_.typingEnd = {};
      return;
    }
    updateLine(editor_->document()->findBlock(editEnd_));
    // The fit panel counts the word (or not) once the program is done: it may be moving the caret
    // while it finds the section, and puts it back.
    if (fitPending_) return;
    fitPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          fitPending_ = false;
          const QTextBlock end = editor_->document()->findBlock(editEnd_);
          form_.typingEnd = {};
          if (caretAtEdit_ && end.isValid()) form_.typingEnd = {end.blockNumber(), editEnd_ - end.position()};
          if (!checker_ || !form_.gROM) return;
          form_.ShowTranslationFit();
          form_.program.ScriptForm().ShowCurrentState();  // List Data's mark, as the fit panel
        },
        Qt::QueuedConnection);
  });
  connect(editor_, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
    if (checker_) dy == 0 ? layer_->update(rect) : layer_->update();
  });
  for (QScrollBar* bar : {editor_->horizontalScrollBar(), editor_->verticalScrollBar()})
    connect(bar, &QScrollBar::valueChanged, this, [this] {
      if (checker_) layer_->update();
    });
  // Back from another program (a `git pull`, another editor): the project's words may be others.
  connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state != Qt::ApplicationActive || !project_ || !project_->refresh()) return;
    applyWords();
    changed(true);
  });

  languages_->setObjectName(QStringLiteral("SpellingLanguages"));
  item_->setMenu(languages_);
  connect(languages_, &QMenu::aboutToShow, this, [this] {
    follow();
    fillLanguageMenu();
  });
  follow();
  fillLanguageMenu();
}

QtSpelling::~QtSpelling() {
  editor_->viewport()->removeEventFilter(this);
  editor_->removeEventFilter(this);
  delete layer_;
  if (item_->menu() == languages_) item_->setMenu(nullptr);
  delete languages_;
}

// ---- the language ----

void QtSpelling::follow() {
  if (form_.gDumpDir != dumpDir_) {
    dumpDir_ = form_.gDumpDir;
    project_.reset();
    if (!dumpDir_.empty()) {
      project_.emplace(ProjectWordsPath(dumpDir_));
      project_->refresh();
    }
    applyWords();
    changed(false);
  }
  if (form_.dataFilePath != dataFile_) {
    dataFile_ = form_.dataFilePath;
    const std::optional<std::string> remembered =
        dataFile_.empty() ? std::nullopt : ui_.setting(SettingsKey(dataFile_));
    setLanguage(remembered.value_or(""), false);
  }
}

bool QtSpelling::pick(const std::string& language) {
  follow();
  setLanguage(language, true);
  return language_ == language;
}

void QtSpelling::setLanguage(const std::string& language, bool remember) {
  std::shared_ptr<SpellChecker> checker;
  std::string picked = language;
  if (!language.empty()) {
    std::string error = "no dictionary for " + language + " is installed";
    std::shared_ptr<SpellChecker>& opened = opened_[language];
    if (!opened) {
      const std::optional<spell::Dictionary> dictionary = spell::FindDictionary(language);
      std::unique_ptr<Speller> speller = dictionary ? spell::OpenDictionary(*dictionary, &error) : nullptr;
      if (speller) opened = std::make_shared<SpellChecker>(std::move(speller));
    }
    checker = opened;
    if (!checker) {
      opened_.erase(language);
      picked.clear();
      // A language remembered for a data file but no longer installed turns spelling off quietly.
      if (remember) ui_.message("Spelling is off: " + error + ".");
    }
  }
  language_ = picked;
  checker_ = std::move(checker);
  form_.spelling = checker_;
  form_.spellingLanguage = language_;
  applyWords();
  layer_->setVisible(checker_ != nullptr);
  // A dictionary that did not open leaves the language remembered as it was.
  if (remember && !dataFile_.empty() && language_ == language)
    ui_.setSetting(SettingsKey(dataFile_), language_);
  changed(true);
}

void QtSpelling::fillLanguageMenu() {
  languages_->clear();
  delete languageGroup_;
  languageGroup_ = new QActionGroup(languages_);
  auto item = [this](const QString& caption, const std::string& language) {
    QAction* action = languages_->addAction(caption);
    action->setObjectName(QStringLiteral("spelling_") + QString::fromStdString(language));
    action->setCheckable(true);
    action->setChecked(language == language_);
    languageGroup_->addAction(action);
    connect(action, &QAction::triggered, this, [this, language] { pick(language); });
  };
  item(QStringLiteral("&Off"), "");
  languages_->addSeparator();
  const std::vector<spell::Dictionary> installed = spell::InstalledDictionaries();
  for (const spell::Dictionary& d : installed) item(QString::fromStdString(d.language), d.language);
  if (installed.empty())
    languages_->addAction(QStringLiteral("No dictionaries installed"))->setEnabled(false);
}

void QtSpelling::applyWords() {
  if (!checker_) return;
  checker_->setProjectWords(project_ ? project_->words() : std::vector<std::string>());
  for (const std::string& word : ignored_) checker_->ignore(word);
}

void QtSpelling::changed(bool fit) {
  if (checker_) layer_->update();
  if (!form_.gROM) return;
  if (fit) form_.ShowTranslationFit();
  // List Data's marks, also when only the project's words changed (another Dumps folder).
  form_.program.ScriptForm().SpellingChanged();
}

// ---- the words shown ----

std::vector<QtSpelling::Word> QtSpelling::shownWords(QRect area) {
  std::vector<Word> words;
  if (!checker_) return words;
  if (area.isEmpty()) area = editor_->viewport()->rect();
  // The lines under the area, found by their heights (a caret placed there would measure them).
  QTextBlock block = editor_->lineAt(area.top());
  const QTextBlock last = editor_->lineAt(area.bottom());
  const int caret = editor_->textCursor().position();
  SectionWalk walk = WalkBefore(block);
  for (; block.isValid(); block = block.next()) {
    const std::string line = ToBytes(block.text());
    block.setUserState(IsMarker(line) ? 1 : 0);  // for the next edit
    if (walk.next(line) == LineRole::kBody) {
      for (const WordSpan& w : checker_->unknownWords(line)) {
        const Word word{block.position() + w.start, w.length};
        if (caret == editEnd_ && word.position + word.length == caret) continue;  // being typed
        words.push_back(word);
      }
    }
    if (block == last) break;
  }
  return words;
}

void QtSpelling::updateLine(const QTextBlock& block) {
  if (!block.isValid()) return;
  // On every keystroke: the edited line's place without measuring its text again.
  const QRect area = editor_->lineArea(block).toAlignedRect();
  if (area.top() + area.height() < 0 || area.top() > layer_->height()) return;  // not shown
  layer_->update(0, area.top(), layer_->width(), area.height() + 4);            // the wave reaches below
}

void QtSpelling::paintUnderlines(QPainter& painter, const QRect& area) {
  const std::vector<Word> words = shownWords(area);
  if (words.empty()) return;
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(kUnderline, 1));
  QTextCursor cursor(editor_->document());
  for (const Word& w : words) {
    cursor.setPosition(w.position);
    const QRect start = editor_->cursorRect(cursor);
    cursor.setPosition(w.position + w.length);
    const int right = editor_->cursorRect(cursor).left();
    // A wave two pixels high under the word.
    const int y = start.bottom() - 1;
    QPainterPath wave(QPointF(start.left(), y));
    for (int x = start.left() + 2, up = 1; x <= right + 1; x += 2, up = 1 - up) wave.lineTo(x, y - 2 * up);
    painter.drawPath(wave);
  }
}

std::optional<QtSpelling::Word> QtSpelling::wordAt(int position) {
  if (!checker_) return std::nullopt;
  const QTextBlock block = editor_->document()->findBlock(position);
  const std::string line = ToBytes(block.text());
  if (!block.isValid() || WalkBefore(block).next(line) != LineRole::kBody) return std::nullopt;
  const int offset = position - block.position();
  for (const WordSpan& w : checker_->unknownWords(line))
    if (offset >= w.start && offset <= w.start + w.length) return Word{block.position() + w.start, w.length};
  return std::nullopt;
}

// ---- the context menu ----

QMenu* QtSpelling::contextMenu(QPoint pos) {
  follow();
  const std::optional<Word> word = wordAt(editor_->cursorForPosition(pos).position());
  if (!word) return nullptr;
  const std::string bytes = ToBytes(editor_->document()->toRawText().mid(word->position, word->length));

  QMenu* menu = editor_->createStandardContextMenu();
  QAction* first = menu->actions().value(0);
  const std::vector<std::string> suggestions = checker_->suggestions(bytes, kMaxSuggestions);
  for (const std::string& s : suggestions) {
    // The word as it is: an "&" in it is no access key.
    auto* action = new QAction(FromBytes(s).replace(QLatin1Char('&'), QStringLiteral("&&")), menu);
    action->setObjectName(QStringLiteral("spellingSuggestion"));
    QFont bold = action->font();
    bold.setBold(true);
    action->setFont(bold);
    connect(action, &QAction::triggered, this, [this, w = *word, s] { replace(w, s); });
    menu->insertAction(first, action);
  }
  if (suggestions.empty()) {
    auto* none = new QAction(QStringLiteral("(no suggestions)"), menu);
    none->setEnabled(false);
    menu->insertAction(first, none);
  }
  menu->insertSeparator(first);
  auto* add = new QAction(QStringLiteral("&Add to Project Dictionary"), menu);
  add->setObjectName(QStringLiteral("spellingAdd"));
  add->setEnabled(project_.has_value());
  connect(add, &QAction::triggered, this, [this, bytes] { addToProject(bytes); });
  menu->insertAction(first, add);
  auto* ignore = new QAction(QStringLiteral("&Ignore"), menu);
  ignore->setObjectName(QStringLiteral("spellingIgnore"));
  connect(ignore, &QAction::triggered, this, [this, bytes] { this->ignore(bytes); });
  menu->insertAction(first, ignore);
  if (first) menu->insertSeparator(first);
  return menu;
}

void QtSpelling::replace(Word word, const std::string& bytes) {
  QTextCursor cursor(editor_->document());
  // An abbreviation's dot stands after the word already: the suggestion's takes its place.
  const int end = word.position + word.length;
  const bool dot = bytes.ends_with('.') && editor_->document()->characterAt(end) == QLatin1Char('.');
  cursor.setPosition(word.position);
  cursor.setPosition(dot ? end + 1 : end, QTextCursor::KeepAnchor);
  // One step for the program (a user's edit, reported once) and for undo.
  cursor.beginEditBlock();
  cursor.insertText(FromBytes(bytes));
  cursor.endEditBlock();
  EndUndoStep(*editor_->document());
}

void QtSpelling::addToProject(const std::string& bytes) {
  if (!project_) return;
  std::string error;
  if (!project_->add(Cp1252ToUtf8(bytes), &error)) {
    ui_.message("The word was not added to " + project_->path() + ": " + error +
                ". It is ignored until the editor closes.");
    ignore(bytes);
    return;
  }
  applyWords();
  changed(true);
}

void QtSpelling::ignore(const std::string& bytes) {
  ignored_.insert(bytes);
  if (checker_) checker_->ignore(bytes);
  changed(true);
}

bool QtSpelling::eventFilter(QObject* watched, QEvent* event) {
  QWidget* viewport = editor_->viewport();
  if (watched == viewport && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
    layer_->setGeometry(viewport->geometry());
  } else if (event->type() == QEvent::ContextMenu && (watched == viewport || watched == editor_)) {
    const auto* e = static_cast<QContextMenuEvent*>(event);
    const QPoint pos = watched == viewport ? e->pos() : viewport->mapFrom(editor_, e->pos());
    if (std::unique_ptr<QMenu> menu{contextMenu(pos)}) {
      menu->exec(e->globalPos());
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace ts2::qt
