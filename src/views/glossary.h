// The team's glossary: how the game's recurring terms (characters, places, items, spells) are
// translated, so that a name reads the same in every string. It is kept in the translations
// folder as "glossary.csv", shared through the team's repository like words.txt, and edited with
// any spreadsheet; translation platforms export their glossaries in the same shape.
//
// The file is CSV (RFC 4180): a row a term, the original term in the first column, its
// translation in the second, an optional note in the third (more columns are ignored). Fields may
// be quoted ("" for a quote inside); the separator is the first comma, semicolon or tab outside
// quotes in the first row (spreadsheets in many locales write semicolons), or the one a first
// line "sep=;" names, as spreadsheets write and read it. A first row reading
// "source" and "target" is a header. The text is UTF-8 (a byte-order mark is skipped); a file
// without a single UTF-8 character beyond ASCII is read as Windows-1252, as a spreadsheet on
// Windows saves it. In a file that holds UTF-8 beyond ASCII, a line that is not UTF-8 is a
// mistake of its row. Several rows for one term give alternatives: any one of them translates it.
//
// Matching, case folded as Find in Script folds it (é matches É), with any run of blanks and line
// breaks matching any other:
//   - a term is in an original string when it stands there as a whole word (no letter, digit or
//     '_' right before or after it; characters outside Windows-1252, such as kana, count as no
//     letter, since Japanese text has no spaces between words);
//   - a translation is in a section's body when it starts a word there: "épée" is found in
//     "épées", so inflected forms need no rows of their own.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "display/lint.h"

namespace ts2 {

inline constexpr char kGlossaryFile[] = "glossary.csv";

// "<dumpDir>/glossary.csv".
std::string GlossaryPath(const std::string& dumpDir);

struct GlossaryTerm {
  std::string source;                // UTF-8, blanks collapsed
  std::vector<std::string> targets;  // Windows-1252 bytes, blanks collapsed; any one translates it
  std::string note;                  // UTF-8: the first note its rows give
  int line = 0;                      // the file line of its first row
};

struct GlossaryError {
  int line = 0;  // 1-based line of the file
  std::string message;
};

class Glossary {
 public:
  Glossary() = default;
  // The glossary in `bytes`, a CSV file's contents. Rows with a mistake are left out, each named
  // in errors(); the others make the glossary.
  explicit Glossary(std::string_view bytes);

  const std::vector<GlossaryTerm>& terms() const { return terms_; }
  const std::vector<GlossaryError>& errors() const { return errors_; }
  bool empty() const { return terms_.empty(); }

  // The terms that stand in `original` (UTF-8), by index in terms(), in the order they first
  // appear there, each once.
  std::vector<size_t> termsIn(std::string_view original) const;
  // Whether the body of a section (its lines as SectionAt copies them: header, text lines,
  // closing line) holds one of term `index`'s translations.
  bool translated(size_t index, const std::vector<std::string>& section) const;
  // A finding for each of `terms` (indices, as termsIn gives them) whose translation the section's
  // body lacks, placed at its first text line (none while the body is blank: not translated yet): "the
  // original has "Sword": the glossary translates it as "épée"".
  std::vector<LintFinding> findings(const std::vector<size_t>& terms,
                                    const std::vector<std::string>& section) const;

 private:
  void add(std::string source, std::string target, std::string note, int line);
  bool holds(size_t index, std::string_view foldedBody) const;

  std::vector<GlossaryTerm> terms_;
  std::vector<GlossaryError> errors_;
  std::vector<std::u32string> folded_;                         // per term: its source, folded
  std::vector<std::vector<std::string>> foldedTargets_;        // per term: its targets, folded
  std::unordered_map<uint64_t, std::vector<size_t>> byStart_;  // terms by their first two characters
  std::unordered_map<std::u32string, size_t> bySource_;        // a folded source's term
};

// `file` (a glossary file's bytes; empty for a new file) with a row for `source`, `target` and
// `note` (UTF-8; no note, no third column) added at its end the file's own way: its separator, its
// line ends, its encoding (Windows-1252 when the glossary reads it so). A new file starts with a
// "source,target,note" header and is UTF-8 with LF line ends. Fields are quoted where CSV needs
// it; every byte already there stays. std::nullopt, with `error` saying why, for an empty term or
// translation, a control character, a translation Windows-1252 lacks, a character a Windows-1252
// file cannot hold, or a file whose last row would swallow the new one (a quote left open).
std::optional<std::string> AppendGlossaryRow(std::string_view file, std::string_view source,
                                             std::string_view target, std::string_view note,
                                             std::string& error);

// The section's body as the glossary reads it: the text lines between the header and the closing
// line, each run of blanks one space, the lines joined by a space.
std::string GlossaryBody(const std::vector<std::string>& section);

}  // namespace ts2
