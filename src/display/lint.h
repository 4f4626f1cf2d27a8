// Checking one translation section against the translation box, as the encoder and the renderer
// will treat it: lines drawn wider than the box (the player's name measured at its longest), more
// lines than the box shows, text that silently turns into other bytes than the translator meant,
// and the shape of the section itself (empty first or last lines, a missing closing line).
#pragma once

#include <string>
#include <vector>

#include "core/state.h"

namespace ts2 {

enum class LintKind {
  kTooWide,       // a line drawn past the wrap point
  kTooManyLines,  // the section reaches a line below the box
  kHexRun,        // a "[$" run with an odd number of digits or a character that is no digit
  kStrayBracket,  // a "[" that opens no tag and no "[$" run: drawn as "["
  kBlank,         // characters the translation font draws blank
  kControlCode,   // a byte that ends the line or the string, or stands for the player's name
  kLineCut,       // a line longer than the encoder reads
  kEmptyEdge,     // an empty first or last text line: an extra line break in the string
  kRunOn,         // a section header inside the body: this section's closing line is missing
  kEndsEarly,     // a text line the encoder takes for the closing line (".ends here"): the
                  // string ends before it
  kPlayerName,    // a line that fits only with a player's name shorter than the longest
  kUnknownWord,   // a word the spelling dictionary does not know (display/spelling.h): not an
                  // overflow, so never the fit panel's first finding
  kGlossary,      // a glossary term of the original whose translation the section lacks
                  // (views/glossary.h)
  kOtherwise,     // the original of another string, translated otherwise there
                  // (views/po_exchange.h)
};

struct LintOptions {
  bool variableWidth = false;             // the pen advances by the glyphs' ink, else 8 pixels a character
  int playerWidth = kDefaultPlayerWidth;  // the player's name ("[PLAYER]", 0xFD): characters of
                                          // the widest glyph, at most kMaxPlayerWidth
};

struct LintFinding {
  LintKind kind;
  int line;             // index in the section's lines (0 the header, 1 the first text line)
  int column;           // 1-based byte column in that line
  std::string message;  // one line, e.g. "line is 224 pixels wide, the box wraps at 216"; see
                        // MessageIsUtf8 for its encoding
};

// Whether findings of `kind` word their message in UTF-8 (spelling, glossary and consistency
// findings, which quote the dictionary, the glossary or the original) rather than in the
// translation file's Windows-1252 (every other kind, which quotes the translation's own bytes).
bool MessageIsUtf8(LintKind kind);

// Checks the section held in `lines` (its header line, text lines and closing line, as SectionAt
// copies it). Findings are in the order of their positions.
std::vector<LintFinding> LintSection(const std::vector<std::string>& lines, const LintOptions& options);

// Where a finding is, as the fit panel's tooltip and `ts2tool check` name it: "string 2, line 3 (file line
// 24)", with `line` the finding's line in the section (1 the first text line) and
// `headerFileLine` the 1-based line of the section's header in its file.
std::string FindingPlace(long string, int line, int headerFileLine);

}  // namespace ts2
