// Spelling in the Text Editor: misspelt words underlined as the translator types, suggestions,
// "Add to Project Dictionary" and "Ignore" in the editor's context menu, and View > Spelling to
// pick the language among the installed Hunspell dictionaries (or Off), remembered per data file.
//
// It watches the editor from outside (its document's changes, its scrolling, its viewport's
// events) and draws the underlines on a transparent layer over the viewport, so the editor itself
// is untouched. Only the lines on screen are checked, each distinct word once: a keystroke costs
// the same in a file of any size, and nothing while spelling is off. The rules (which words are
// checked, the project's word list) are the core's (display/spelling.h, script/project_words.h).
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QTextBlock>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "display/spelling.h"
#include "script/project_words.h"

class QAction;
class QActionGroup;
class QMenu;
class QPainter;
class QWidget;

namespace ts2 {
class TmyForm;
}

namespace ts2::qt {

class QtToolkit;
class TextEditor;

class QtSpelling : public QObject {
 public:
  // Watches the Text Editor of `ui` and fills View > Spelling. The language picked for each data
  // file is kept in the toolkit's settings.
  QtSpelling(QtToolkit& ui, TmyForm& form);
  ~QtSpelling() override;

  // The language in use, "" while spelling is off.
  const std::string& language() const { return language_; }
  // As picking the language (or Off, "") in View > Spelling does. False, with a message, when the
  // dictionary cannot be opened: spelling is then off.
  bool pick(const std::string& language);

  // A misspelt word the editor shows: its first character and length in the document.
  struct Word {
    int position, length;
    bool operator==(const Word&) const = default;
  };
  // The misspelt words of the lines shown in `area` (viewport coordinates; all that is shown
  // when empty), in document order. The word being typed (it ends at the caret, where the last
  // edit ended) is not among them while the caret is there.
  std::vector<Word> shownWords(QRect area = {});
  // The menu a right click at `pos` (viewport coordinates) opens on a misspelt word:
  // suggestions, "Add to Project Dictionary", "Ignore", then the editor's own items. Null
  // elsewhere, where the editor's own menu opens. The caller owns it.
  QMenu* contextMenu(QPoint pos);
  QMenu* languageMenu() const { return languages_; }

  // Takes up the data file (its language) and the translations folder (its word list) the
  // program has now. Runs on every change of the editor's text and before the menus open.
  void follow();

  void paintUnderlines(QPainter& painter, const QRect& area);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setLanguage(const std::string& language, bool remember);
  void applyWords();       // the project's words and the ignored ones to the checker
  void changed(bool fit);  // the underlines and List Data's marks again, the fit panel with `fit`
  void fillLanguageMenu();
  std::optional<Word> wordAt(int position);
  void updateLine(const QTextBlock& block);  // repaints the underlines of one line
  void replace(Word word, const std::string& bytes);
  void addToProject(const std::string& bytes);
  void ignore(const std::string& bytes);

  QtToolkit& ui_;
  TmyForm& form_;
  TextEditor* editor_;  // the Text Editor's TDMemo
  QWidget* layer_;      // the underlines, over the editor's viewport
  QAction* item_;       // View > Spelling
  QMenu* languages_;
  QActionGroup* languageGroup_;

  std::string language_;
  std::map<std::string, std::shared_ptr<SpellChecker>> opened_;  // by language
  std::shared_ptr<SpellChecker> checker_;
  std::optional<ProjectDictionary> project_;
  std::set<std::string> ignored_;  // as the file's bytes, for this session
  std::string dataFile_, dumpDir_;
  int editEnd_ = -1;  // where the last edit ended
  int lineCount_ = 0;
  bool caretAtEdit_ = false;  // the caret where the last edit ended
  bool fitPending_ = false;
};

}  // namespace ts2::qt
