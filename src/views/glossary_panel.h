// The Glossary window's contents: the glossary's terms that stand in the shown string's original
// text, each with its translations and whether the translation being typed has one of them, so
// that a translator sees a name's agreed form while writing the line. Terms are added from the
// window, and a term's translation is put into the Text Editor at the caret.
//
// While the window is hidden nothing is done: the keystroke costs what it did without it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/filestamp.h"
#include "views/glossary.h"

namespace ts2 {

class Program;

class GlossaryPanel {
 public:
  explicit GlossaryPanel(Program& program) : program(program) {}
  Program& program;

  enum class Presence : uint8_t {
    kNotTranslated,  // the string has no translation yet
    kPresent,        // its translation has one of the term's translations
    kMissing,        // it has a translation without any of them
  };
  struct Row {
    size_t term = 0;           // index in glossary().terms()
    std::string source;        // UTF-8
    std::string translations;  // UTF-8, "épée" or "épée / lame"
    std::string note;          // UTF-8
    Presence presence = Presence::kNotTranslated;
  };
  std::vector<Row> rows;  // in the order the terms stand in the original
  std::string summary;    // the line above them: which string, how many terms, how many missing
  const Glossary& glossary() const { return glossary_; }
  std::string Path() const;  // glossary.csv in the translations folder; empty without one

  bool shown = false;              // the window is on screen (its toolkit keeps this current)
  std::function<void()> onChange;  // rows or summary changed

  // What View > Glossary offers for a new term (UTF-8): the text selected in the Kana Text window
  // (the original) and in the Text Editor (its translation, one line at most); empty for none.
  // The window puts them into its empty fields (onSuggest).
  std::string suggestedTerm, suggestedTranslation;
  std::function<void()> onSuggest;

  void Show();                // View > Glossary: the file read again if it changed, the window shown
  void StringShown();         // the shown string, or its text, changed
  void FileMayHaveChanged();  // the user came back from another program
  // Reads the file when it is not what was read last (another folder, changed on disk); true
  // when that changed the glossary.
  bool Refresh();
  // The rows from the shown string (its terms found again with `termsAgain`); onChange when they
  // changed. Nothing while the window is hidden.
  void Follow(bool termsAgain);
  uint64_t generation() const { return generation_; }  // counts the glossaries read
  // Adds a row to the file (read again first, so that rows others added meanwhile stay; written
  // whole and atomically). False, with `error` saying why, when nothing was written.
  bool AddTerm(const std::string& source, const std::string& target, const std::string& note,
               std::string& error);
  // Puts the translation `alternative` of row `row` into the Text Editor in place of its
  // selection, as typing it would (one step to undo), the caret after it and the Text Editor
  // brought back to the front. False without a shown string's section, or while the rows are of
  // a glossary read before the one held now.
  bool InsertTranslation(size_t row, size_t alternative = 0);

 private:
  bool Load();  // Refresh
  Glossary glossary_;
  std::string loadedPath_;
  FileStamp stamp_;
  bool loaded_ = false, exists_ = false;
  uint64_t generation_ = 0;  // counts the glossaries read
  struct Shown {
    int32_t block = -1, string = -1;
    uint64_t generation = 0;
    bool operator==(const Shown&) const = default;
  } termsOf_;
  std::vector<size_t> terms_;
  uint64_t rowsOf_ = 0;  // the generation of the glossary `rows` were made from
};

}  // namespace ts2
