// Spelling in the translator's language: which words of a translation file are checked, and the
// check itself through a dictionary that the front end supplies (Hunspell in the editor and in
// ts2tool; a word list in tests).
//
// Only the words of section bodies are checked: the lines after a ".STRING n" line up to its
// closing line (".ENDS" alone, as the section index and the display read it: ".ENDSx" or ".ends"
// is a line of the body), as far as the game gets them: a body line after the first that starts
// with ".ENDS" in any letter case ends the string the encoder writes, so neither it nor the lines
// after it up to the closing line are checked. Never checked are the comment header and every
// other line outside the sections, the ".STRING" and ".ENDS" lines themselves, anything in
// brackets ("[PLAYER]", "[$8142]", or a "[" never closed, up to the line's end), a word that
// touches such brackets (the game writes their bytes and the word's together), and a word with a
// digit in it. "[NEWLINE]" only separates words.
//
// A word is a run of letters and digits. An apostrophe (' or ’) between two of them belongs to
// the word, and so does any other character the dictionary lists as a word character (the affix
// file's WORDCHARS: French lists '-', so "peut-être" and "l'épée" are one word each; English
// does not, so "well-known" is two). Words are Windows-1252 bytes, as the file holds them; they
// reach the dictionary one at a time as Unicode text, which it turns into its own encoding.
// A word the dictionary does not know is tried again with each ’ written ' (many dictionaries
// hold elisions with the plain apostrophe alone: "l’anima") and, when a '.' follows it, with
// that dot (abbreviations: "bzw.", "usw.").
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "display/lint.h"

namespace ts2 {

// A dictionary of one language.
class Speller {
 public:
  virtual ~Speller() = default;
  // The characters besides letters that the dictionary's words hold inside them.
  virtual std::u32string wordCharacters() const = 0;
  virtual bool correct(std::u32string_view word) = 0;
  // Suggestions for a word that is not correct, best first.
  virtual std::vector<std::u32string> suggest(std::u32string_view word) = 0;
  // A word known from now on (the project's own), with the forms the dictionary derives from it.
  virtual void add(std::u32string_view word) = 0;
  // Every word added is forgotten: the dictionary as its files hold it.
  virtual void forgetAdded() = 0;
};

// Where a word lies in a line: byte offset (0-based) and length.
struct WordSpan {
  int start = 0, length = 0;
  bool operator==(const WordSpan&) const = default;
};

// How the words to check are cut out of one line of a section body.
class WordRules {
 public:
  // `wordCharacters`: the dictionary's word characters besides letters and digits.
  explicit WordRules(std::u32string_view wordCharacters = U"");
  std::vector<WordSpan> words(std::string_view line) const;

 private:
  enum Class : uint8_t { kOther, kLetter, kDigit, kJoiner };
  bool inWord(uint8_t c) const { return classes_[c] == kLetter || classes_[c] == kDigit; }
  std::array<Class, 256> classes_{};
};

// What a line of a translation file is, given whether the lines before it left a section open.
enum class LineRole {
  kOutside,    // not in a section: the comment header, the blank lines between sections
  kHeader,     // holds ".STRING n" (any letter case): opens a section
  kBody,       // a text line of a section: its words are checked
  kEnd,        // the section's closing line, as everywhere in the editor (IsClosingLine): ".ENDS" once
               // blanks and control characters are trimmed, in this letter case
  kUnwritten,  // a line of a section's body the encoder does not reach (SectionWalk)
};
LineRole RoleOfLine(std::string_view line, bool inSection);
inline bool LeavesSectionOpen(LineRole role) {
  return role == LineRole::kHeader || role == LineRole::kBody || role == LineRole::kUnwritten;
}

// The roles of a file's lines read one after the other, from its first line, a section's header
// or its closing line. The encoder stops before a body line other than the first that starts
// with ".ENDS" in any letter case (TraceSectionLines): that line and the rest of the body are
// kUnwritten.
class SectionWalk {
 public:
  LineRole next(std::string_view line);
  // Whether `line`, as a body line, could end what the encoder writes.
  static bool MayStopEncoding(std::string_view line);

 private:
  bool inSection_ = false, written_ = true;
  int bodyLines_ = 0;  // of the section so far
};

// A dictionary with the project's word list, the words ignored in this session and a memory of
// every answer, so that each distinct word reaches the dictionary once.
class SpellChecker {
 public:
  explicit SpellChecker(std::unique_ptr<Speller> speller);
  const WordRules& rules() const { return rules_; }

  // Whether `word` (Windows-1252 bytes) is spelt right: a project word, an ignored word or one
  // the dictionary knows, also once each ’ in it is written '.
  bool known(std::string_view word);
  // At most `max` suggestions for `word`, as Windows-1252 bytes; those the code page cannot hold
  // are left out, since they could not be typed.
  std::vector<std::string> suggestions(std::string_view word, size_t max);
  // Known for as long as this checker lives.
  void ignore(std::string_view word);
  // The project's word list (UTF-8, one word an entry) in place of the one given before.
  void setProjectWords(const std::vector<std::string>& words);

  // The unknown words of one body line, in order. A word a '.' follows is known with it too.
  std::vector<WordSpan> unknownWords(std::string_view line);

 private:
  std::unique_ptr<Speller> speller_;
  WordRules rules_;
  std::set<std::u32string> projectWords_;                   // as given to the dictionary
  std::unordered_set<std::string> projectBytes_, ignored_;  // as the file's bytes
  std::unordered_map<std::string, bool> answers_;
  std::unordered_map<std::string, std::vector<std::string>> suggested_;
};

// The unknown words in the body of the section held in `lines` (as SectionAt copies it): one
// finding of kind kUnknownWord each, "unknown word "wrod" (suggestions: word, rod)" with the
// word and its suggestions (at most `maxSuggestions`) in UTF-8.
std::vector<LintFinding> SpellSection(const std::vector<std::string>& lines, SpellChecker& checker,
                                      size_t maxSuggestions);
int CountUnknownWords(const std::vector<std::string>& lines, SpellChecker& checker);
// The distinct unknown words of the section's body (Windows-1252 bytes), in the order they first
// appear. A word of line `skipLine` that ends at byte `skipEnd` (the word being typed) is left out.
std::vector<std::string> UnknownWordList(const std::vector<std::string>& lines, SpellChecker& checker,
                                         int skipLine = -1, int skipEnd = 0);

// What the fit panel adds after whether the string fits: "" while spelling is off or every word
// is known, else " | 1 unknown word" or " | N unknown words". `section` is the section's text.
// A word of section line `skipLine` (0 the header) that ends at byte `skipEnd` is not counted.
std::string UnknownWordsNote(SpellChecker* checker, std::string_view section, int skipLine = -1,
                             int skipEnd = 0);

}  // namespace ts2
