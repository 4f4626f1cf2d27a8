// How far the translation of a string and of a block is, by the rules the List Data window, the
// Script Overview and `ts2tool progress` share:
//   untranslated            the string's section is missing, or no line of its body holds anything
//                           but blanks;
//   translated              otherwise;
//   translated with findings  the lint of `ts2tool check` finds something in its section (with a
//                           glossary, also a term of the original whose translation it lacks).
// Apart from these, while spelling is on, a translated string may hold unknown words: a
// misspelling is not a finding of the lint (nothing overflows), so it is kept beside the state.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/filestamp.h"
#include "display/lint.h"
#include "views/sections.h"

namespace ts2 {

class SpellChecker;  // display/spelling.h
class Glossary;      // views/glossary.h
struct Ts2Main;      // core/state.h

enum class StringState : uint8_t { kUntranslated, kTranslated, kWithFindings };

struct StringStatus {
  StringState state = StringState::kUntranslated;
  int headerLine = -1;                    // 0-based line of the section's header; -1 without one
  std::vector<LintFinding> findings;      // when kWithFindings
  std::vector<std::string> unknownWords;  // distinct, Windows-1252 bytes; only while spelling is on
  // The editor shows another section for the string (another header beginning with its own comes
  // first, or it has none of its own), so typing there does not change this one: a finding of its
  // own when it is translated.
  bool shownElsewhere = false;
  bool misspelled() const { return !unknownWords.empty(); }
};

// "the editor shows the section at file line 3 (.STRING 10) for string 1": `shownLine` (0-based)
// holds `lineText`.
std::string ShownElsewhereText(int shownLine, std::string_view lineText, long n);

// The glossary terms standing in the original of each string of a block (indices in the
// glossary's terms), by string, and a key that differs whenever the terms or the glossary do.
struct BlockTerms {
  std::vector<std::vector<size_t>> strings;
  uint64_t key = 0;
  const std::vector<size_t>* of(uint32_t n) const { return n < strings.size() ? &strings[n] : nullptr; }
};
// What TermsOfBlock found for a block: a later call with the same glossary, while the script is
// unchanged (Ts2Main::scriptGeneration), takes it as it is; after a change it looks again only at
// the strings whose original text changed (a patched ROM).
struct TermsMemo {
  uint64_t generation = 0;
  uint64_t script = 0;              // the scriptGeneration it was found at
  std::vector<uint64_t> originals;  // per string, a hash of its original text
  BlockTerms terms;
};
// The terms of the `strings` strings of block `block` (an index of the block list) of the loaded
// ROM, their original texts made UTF-8 by `toUtf8` (ASCII texts are so already); `generation`
// names the glossary's contents. `memo` (may be null) is the block's last computation, and then
// describes this one.
BlockTerms TermsOfBlock(const Glossary& glossary, uint64_t generation, const Ts2Main& m, int32_t block,
                        uint32_t strings, const std::function<std::string(std::string_view)>& toUtf8,
                        TermsMemo* memo = nullptr);

// What the states read besides the options. The spelling part: the dictionary (null while
// spelling is off) and the word being typed (section line `skipLine`, ending at byte `skipEnd`),
// which, as in the Text Editor's underlines, is not counted until the caret leaves it. The
// glossary part (null without a glossary): the terms of the block's strings (for StatesOf and
// StateOf), or of the one string (for StateOfSection).
struct StateSpelling {
  SpellChecker* checker = nullptr;
  int skipLine = -1, skipEnd = 0;
  const Glossary* glossary = nullptr;
  const BlockTerms* terms = nullptr;
  const std::vector<size_t>* sectionTerms = nullptr;
};

// The state of a string from its section's lines (header, text lines, closing line, as SectionAt
// copies them; none when the text has no section for it).
StringStatus StateOfSection(const std::vector<std::string>& lines, const LintOptions& options,
                            const StateSpelling& spelling = {});
// The state of string n of an indexed translation text; here `spelling.skipLine` is a line of the
// whole text.
StringStatus StateOf(const SectionIndex& index, uint32_t n, const LintOptions& options,
                     const StateSpelling& spelling = {});
// The states of strings 0 to `strings` - 1 of a translation text (a file's bytes or editor text).
std::vector<StringStatus> StatesOf(std::string_view text, uint32_t strings, const LintOptions& options,
                                   const StateSpelling& spelling = {});

// What a block's strings count up to: `translated` counts the strings translated without findings,
// `withFindings` the translated ones with findings, so the two add up to all that hold text.
struct BlockProgress {
  bool exists = false;  // the translation file exists
  uint32_t strings = 0, translated = 0, withFindings = 0;
  BlockProgress& operator+=(const BlockProgress& other);
};
BlockProgress Tally(const std::vector<StringStatus>& states);

// The progress of a block of `strings` strings counted from its file on disk. A file that does not
// exist (or cannot be read) counts every string as untranslated; no file is ever created.
BlockProgress ProgressOnDisk(const std::string& path, uint32_t strings, const LintOptions& options,
                             const StateSpelling& glossary = {});

// A computation of a block's states kept with what it was made from: the text, where each
// string's section lay in it, the options and the spelling.
struct StatesMemo {
  struct Section {
    size_t start = 0, end = 0;   // the section's bytes, from its header to its last line's end
    int header = -1, last = -1;  // its first and last lines; -1 without a section
  };
  std::string text;
  std::vector<StringStatus> states;
  std::vector<Section> sections;  // per string
  LintOptions options;
  const SpellChecker* checker = nullptr;
  int skipLine = -1, skipEnd = 0;
  uint64_t glossaryKey = 0;  // the terms' key; 0 without a glossary
};
// StatesOf(text, strings, options, spelling), computing again only the strings that `memo` (a
// computation of as many strings, or an empty memo) does not give: a string is looked at again
// when its section's bytes changed, when the options or the dictionary are others, or, while
// spelling is on, when the word being typed is in its section (then or now). A state taken from
// the memo gets the section's new header line. `memo` then describes this computation; its states
// are the result. The dictionary's words must be those of the memo's computation.
const std::vector<StringStatus>& StatesOf(std::string_view text, uint32_t strings, const LintOptions& options,
                                          const StateSpelling& spelling, StatesMemo& memo);

// ProgressOnDisk's count with what it was counted from: the file as the Text Editor holds it
// (FileBytesToEditorText) and the states of that text without spelling, as a memo. When the editor
// shows a block's file as it is on disk, the block's states need not be computed again.
struct StatesOnDisk {
  BlockProgress progress;
  StatesMemo memo;  // empty text and states when the file does not exist
  FileStamp stamp;  // of the file as it was read; absent when there was none
};
// `glossary` gives its glossary part only.
StatesOnDisk CountOnDisk(const std::string& path, uint32_t strings, const LintOptions& options,
                         const StateSpelling& glossary = {});

// "12 of 40 translated, 3 with findings": the block list's tooltip and the overview's summary.
std::string ProgressText(const BlockProgress& progress);
// A string's state in words for its tooltip: "Not translated", "Translated", or its findings one a
// line as "line L, column C: MESSAGE" (L the line in the section, 1 its first text line); then,
// on a line of its own, its unknown words: "Spelling: unknown word "wrod"" (UTF-8).
std::string StateText(const StringStatus& status);

}  // namespace ts2
