// The script as a gettext PO file, for translation tools and translation platforms, and the
// translations such a file holds brought back into the translation files.
//
// Each string of each translation file is one entry:
//
//   #. Block CA0000, string 2
//   #. line 2 (column 28): line is 240 pixels wide, the box wraps at 216
//   #: 000A0000.txt:19
//   msgctxt "000A0000.txt .STRING 2"
//   msgid "the original text, through the data file's character table"
//   msgstr "the body of the string's section: its lines, joined by line breaks"
//
// The context names the translation file and the section, which is all an import needs to find
// the place again. A string whose body holds nothing but blanks (a new file's two empty lines) has
// an empty msgstr, the PO files' mark of "not translated yet"; an import leaves such an entry's
// section as it is, so a translation is never cleared by a file that merely lacks it. Lint
// findings go into the entry's comments, where translation tools show them beside the text.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "display/lint.h"
#include "script/po.h"
#include "views/glossary.h"
#include "views/script.h"

namespace ts2 {

class TranslationMemory;

// Original text (the character table's Shift-JIS bytes, lines separated by '\n') as UTF-8.
using OriginalToUtf8 = std::function<std::string(std::string_view)>;

struct PoExportOptions {
  LintOptions lint;      // for the findings in the comments
  std::string language;  // the header's Language field: "fr", "pt_BR"; may be empty
  // Only what is left to do, when either is set: the strings not translated yet, those whose
  // translation has findings, or both kinds.
  bool onlyUntranslated = false, onlyFindings = false;
  // The team's glossary, or none: each term standing in a string's original is named in its
  // comments with its translations, and a translation lacking one counts as a finding, as in
  // `ts2tool check`.
  const Glossary* glossary = nullptr;
  // Suggestions, when `memory` is set and `suggestAt` is 1 or more: a string not translated yet
  // whose most similar translated string (views/similar.h) is at least `suggestAt` percent alike
  // gets that string's translation as its msgstr, marked fuzzy (for review; an import leaves it
  // alone unless told to take fuzzy entries) and named in a comment ("Similar (94%): 000A0000.txt
  // .STRING 1"). It still counts as not translated.
  const TranslationMemory* memory = nullptr;
  int suggestAt = 0;
};

// What an export holds.
struct PoExportCount {
  size_t files = 0, strings = 0, translated = 0;
};

// The PO file of `blocks` (each file once), with each translation as `textOf` gives it.
std::string ScriptToPo(const TmyForm& form, const std::vector<ScriptBlock>& blocks, const TextOfBlock& textOf,
                       const OriginalToUtf8& toUtf8, const PoExportOptions& options,
                       PoExportCount* count = nullptr);

// The context of string n of a translation file ("000A0000.txt .STRING 3"), and back.
std::string PoContext(const ScriptBlock& block, uint32_t n);

// New bodies for the sections of some strings of a translation text (a file's bytes, or the
// Text Editor's text), as Windows-1252 lines.
struct NewBody {
  uint32_t string = 0;
  std::vector<std::string> lines;
  int tag = 0;  // the caller's, for naming it (an import: the entry's line)
};
struct BodiesReplaced {
  std::string text;               // the text with the new bodies
  std::vector<uint32_t> changed;  // the strings whose section changed, in order
  size_t same = 0;                // bodies that already read so
  // A body left out because its string's header is on the line of an earlier body's string:
  // they share one section.
  struct Shared {
    const NewBody* body;
    uint32_t with;
    int headerLine;  // 0-based
  };
  std::vector<Shared> shared;
};
// Replaces the body of each string's section (the lines after its header up to its closing line
// or the next header) and keeps every other byte of `text`, line ends included; a string with no
// section gets one, before the first section of a higher string or at the end. Bodies of strings
// past `strings` are ignored.
BodiesReplaced ReplaceBodies(std::string_view text, uint32_t strings, const std::vector<NewBody>& bodies);

// The one range of `before` that differs from `after`, and what it becomes: how the Text Editor
// takes a changed text as one edit to undo, its caret and scroll kept where the text is the same.
struct Difference {
  size_t start = 0, length = 0;
  std::string with;
};
Difference DifferenceOf(std::string_view before, std::string_view after);

// What importing a PO file changes.
struct PoImport {
  struct File {
    std::string file;               // the translation file's path
    std::string text;               // its new bytes
    bool created = false;           // the file did not exist
    std::vector<uint32_t> strings;  // the strings whose section changed, in order
  };
  std::vector<File> files;              // in block order; only files that change
  std::vector<std::string> errors;      // "LINE: what is wrong" (LINE of the PO file); nothing is to be
                                        // written while there is one
  std::vector<std::string> unreadable;  // "FILE: why": a translation file that is there but could
                                        // not be read; nothing is to be written while there is one
  size_t changed = 0;                   // entries that change a section
  size_t same = 0;                      // entries whose section already reads so
  size_t untranslated = 0;              // entries with an empty msgstr: left alone
  size_t fuzzy = 0;                     // entries marked fuzzy, left alone unless taken
};

// Plans the import of `entries` into the translation files of `blocks`: every entry of the file
// is checked first, and only a file whose every entry is sound is planned. An entry's msgstr
// replaces the body of its string's section (the lines after the header up to its closing line);
// every other byte of the file stays as it was, line ends included. A string with no section
// gets one, before the first section of a higher string or at the end; a block with no file gets
// a new one (a new file's bytes with the translations in place). Refused, as errors: a context
// this script does not have, a string given twice, a character Windows-1252 lacks, and a line
// that would end the section or start another one (".ENDS", ".STRING n").
PoImport PlanPoImport(const std::vector<po::Entry>& entries, const std::vector<ScriptBlock>& blocks,
                      const TextOfBlock& textOf, bool takeFuzzy);

// Fill Repeated Strings. A game says many lines in many places ("Welcome!", "Thank you."), and
// a translator translates each once: every string not translated yet whose original text is,
// byte for byte, that of translated strings gets their translation, when they all read alike.
// An original translated otherwise in different strings is left to the translator, and named.
// Strings whose original is empty are left alone. The entries go to PlanPoImport like a PO
// file's (their msgid is the original, their line 0).
struct Repeats {
  std::vector<po::Entry> entries;      // one a string to fill: its context and translation (UTF-8)
  std::vector<std::string> conflicts;  // per original translated otherwise: where, and the original (UTF-8)
  // Per string left unfilled because its section cannot take the translation (a control
  // character in it, or a section shared with another string): where, where from, and why (UTF-8).
  std::vector<std::string> refused;
};
Repeats PlanRepeats(const TmyForm& form, const std::vector<ScriptBlock>& blocks, const TextOfBlock& textOf,
                    const OriginalToUtf8& toUtf8);

// Consistency: each translated string whose original is, byte for byte, that of an earlier
// translated string (in script order) translated otherwise, with the first such string and its
// translation. A line the game says in many places reads alike in each, unless the translator
// meant otherwise; `ts2tool check --consistency` names the others.
struct TranslatedOtherwise {
  int32_t block = 0;  // the string: its block's line in the block list
  uint32_t string = 0;
  int32_t firstBlock = 0;  // the first translated string with its original
  uint32_t firstString = 0;
  std::vector<std::string> firstTranslation;  // its section's body lines, Windows-1252
};
std::vector<TranslatedOtherwise> FindTranslatedOtherwise(const TmyForm& form,
                                                         const std::vector<ScriptBlock>& blocks,
                                                         const TextOfBlock& textOf);
// The finding of such a string (at its first text line, as a glossary's: it has no place): 'the same original
// is translated
// "..." in Block CA0000 string 1', UTF-8.
LintFinding OtherwiseFinding(const TmyForm& form, const TranslatedOtherwise& o);

}  // namespace ts2
