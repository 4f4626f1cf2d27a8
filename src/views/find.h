// Finding a text in the script: in translation files (8-bit Windows-1252 text) and in the original
// ROM strings as the character table writes them (Shift-JIS text).
//
// Without "match case", letters match their other case: A-Z and a-z, and for Windows-1252 text
// also the code page's accented and other letters (é and É, œ and Œ, š and Š, ž and Ž, ÿ and Ÿ;
// ß and µ have no other case in it). Shift-JIS text folds only its one-byte ASCII letters, and a
// match always starts on a character, never on the second byte of a two-byte one. "Whole word"
// takes a match only when the characters around it are no letters, digits or '_'.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "views/sections.h"

namespace ts2 {

enum class TextEncoding : uint8_t { kWindows1252, kShiftJis };

struct FindOptions {
  bool matchCase = false;
  bool wholeWord = false;
};

class TextFinder {
 public:
  TextFinder(std::string needle, FindOptions options, TextEncoding encoding = TextEncoding::kWindows1252);

  size_t size() const { return needle_.size(); }
  bool empty() const { return needle_.empty(); }
  TextEncoding encoding() const { return encoding_; }

  // Calls `found` with the position of each match in `text`, left to right, matches not
  // overlapping. An empty needle matches nothing.
  void forEach(std::string_view text, const std::function<void(size_t)>& found) const;
  std::vector<size_t> findAll(std::string_view text) const;

 private:
  bool wordAround(std::string_view text, size_t at) const;
  void forEachShiftJis(std::string_view text, const std::function<void(size_t)>& found) const;

  std::string needle_;  // folded when the case does not matter
  FindOptions options_;
  TextEncoding encoding_;
};

// The letter a Windows-1252 byte matches when the case does not matter (its lower case).
uint8_t FoldCp1252(uint8_t byte);
// Whether a Windows-1252 byte is part of a word: a letter, a digit or '_'.
bool IsWordByteCp1252(uint8_t byte);

// One match in a translation text.
struct TextMatch {
  uint32_t string = 0;  // the string whose section body holds it
  int line = 0;         // 0-based line in the text
  size_t column = 0;    // byte offset in that line
  size_t position = 0;  // byte offset in the text
};

// The matches inside the section bodies of strings 0 to `strings` - 1 of `text` (a file's bytes
// or the editor's text).
std::vector<TextMatch> FindInTranslation(std::string_view text, uint32_t strings, const TextFinder& finder);

// `text` with every match inside a section body replaced by `replacement` (one line of text, no
// line break); every other byte, line ends included, stays as it is. `count` says how many.
struct Replaced {
  std::string text;
  int count = 0;
  // The first line (0-based) that the replacing would make read as a section header or as
  // ".ENDS", which would give strings' text to other strings, or begin with ".ENDS" in any case
  // after a section's first text line, where the encoder ends the string (`endsString`); -1 when
  // none would.
  int breaksSections = -1;
  bool endsString = false;
};
Replaced ReplaceInTranslation(std::string_view text, uint32_t strings, const TextFinder& finder,
                              std::string_view replacement);

}  // namespace ts2
