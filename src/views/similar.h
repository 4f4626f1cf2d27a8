// Similar Strings: the script as its own translation memory. For the string being translated,
// the strings already translated whose original text is most like its own, with their
// translations, so that a line the game says with a small change ("You got 3 Potions!" and
// "You got 5 Potions!", a shop's greeting with another name) is translated alike and quickly.
//
// Likeness is measured on the original texts as the character table writes them (UTF-8 here):
// 100 less the edit distance (characters inserted, deleted or replaced) per hundred characters of
// the longer text, rounded down, so that only equal texts are alike at 100%. Line breaks count as
// one character each, and so does each bracketed name (a control code, "[PLAYER]", or a
// character the table has no text for, "[$0123]"): a name replaced by another is one edit.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "views/po_exchange.h"
#include "views/script.h"

namespace ts2 {

// How alike two texts are, in percent (see above); -1 when less than `atLeast` (which makes the
// measure cheaper: it stops as soon as that is certain).
int Likeness(std::u32string_view a, std::u32string_view b, int atLeast = 0);

// The characters that bracketed names are compared as: each name its own, from U+F0000 up (the
// Supplementary Private Use Areas, and past them for a script of more than 131,068 names), so
// that two names are never taken for one. Texts compared with one another share one.
class BracketedNames {
 public:
  char32_t code(std::u32string_view name);
  void Clear() { codes_.clear(); }

 private:
  std::unordered_map<std::u32string, char32_t> codes_;
};

// The original text as compared: its characters, CR LF and lone CR as one '\n', a bracketed name
// of up to 40 characters as one character, the one `names` gives it.
std::u32string ComparedText(std::string_view originalUtf8, BracketedNames& names);

// The parts of `otherUtf8` (byte ranges, in order) that one cheapest alignment of the two
// compared texts does not match with `originalUtf8`: what to look at when taking the other's
// translation for this original.
std::vector<std::pair<size_t, size_t>> DifferingParts(std::string_view originalUtf8,
                                                      std::string_view otherUtf8);

struct SimilarMatch {
  int percent = 0;
  int32_t block = 0;  // the first string with this original and translation: its block's line
  uint32_t string = 0;
  size_t alike = 1;                      // strings with the same original and translation
  std::string original;                  // UTF-8
  std::vector<std::string> translation;  // its section's body lines, Windows-1252
};

class TranslationMemory {
 public:
  // A block again: the original of each of its strings (UTF-8) and its translation text (a
  // file's bytes or the editor's text; none without a file). Blocks are named by their line in
  // the block list; of blocks sharing a pointer table (and so a file) only the first counts.
  void SetBlock(const ScriptBlock& block, const std::vector<std::string>& originalsUtf8,
                std::optional<std::string_view> text);
  // Only the translations of a block already set: the Text Editor's text after typing.
  void SetTranslations(int32_t block, std::optional<std::string_view> text);
  void Clear();
  bool has(int32_t block) const;
  // A block set, as it was given (its table and translation file); nullptr for none.
  const ScriptBlock* block(int32_t block) const;

  // The original of a string of a block set (UTF-8), empty for none.
  const std::string& original(int32_t block, uint32_t string) const;
  // Whether the string has a translation: a section whose body holds more than blanks.
  bool translated(int32_t block, uint32_t string) const;
  // Its translation: its section's body lines (Windows-1252); empty when it has none.
  const std::vector<std::string>& translation(int32_t block, uint32_t string) const;

  // The translated strings whose original is at least `atLeast` percent like that of string
  // `string` of block `block`, the string itself left out; strings with the same original and
  // translation as one match. Best first, then in script order; at most `limit`.
  std::vector<SimilarMatch> Similar(int32_t block, uint32_t string, int atLeast, size_t limit) const;

 private:
  // An original as compared, kept once however many strings have it. Its characters are numbered
  // from 0 up in the order first met (`alphabet_`), which keeps the distance as it is and lets a
  // measure look a character up in a plain table.
  // Its characters (by number), and each number once with its count, are kept in one place each
  // for all texts, in the order the texts were met, so that a measure reads them in order.
  struct Text {
    uint32_t chars = 0, length = 0;     // in chars_
    uint32_t counts = 0, distinct = 0;  // in counts_
  };
  std::vector<Text> texts_;
  std::u32string chars_;
  std::vector<std::pair<char32_t, uint32_t>> counts_;
  std::unordered_map<std::u32string, uint32_t> ids_;  // texts_ by compared text
  std::unordered_map<char32_t, char32_t> alphabet_;   // the numbers of the characters in texts_
  BracketedNames names_;                              // the names in texts_
  struct Entry {
    std::string utf8;
    uint32_t text = 0;              // in texts_
    std::vector<std::string> body;  // empty when not translated
    uint64_t key = 0;               // of utf8 and body: equal for equal entries
  };
  struct Block {
    bool set = false;
    ScriptBlock script;  // as given: its table and file
    std::vector<Entry> strings;
  };
  std::vector<Block> blocks_;  // by block line
};

// The memory of the whole script: every block of `blocks` (blocks sharing a file each read it),
// translations as `textOf` gives them, originals made UTF-8 by `toUtf8`.
TranslationMemory MemoryOf(const TmyForm& form, const std::vector<ScriptBlock>& blocks,
                           const TextOfBlock& textOf, const OriginalToUtf8& toUtf8);

// The originals of a block's strings, UTF-8.
std::vector<std::string> OriginalsOf(const TmyForm& form, const ScriptBlock& block,
                                     const OriginalToUtf8& toUtf8);

}  // namespace ts2
