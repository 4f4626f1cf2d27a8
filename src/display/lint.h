// Checking one translation section against the translation box, as the encoder and the renderer
// will treat it: lines drawn wider than the box, more lines than the box shows, and text that
// silently turns into other bytes than the translator meant.
#pragma once

#include <string>
#include <vector>

namespace ts2 {

enum class LintKind {
  kTooWide,       // a line drawn past the wrap point
  kTooManyLines,  // the section reaches a line below the box
  kHexRun,        // a "[$" run with an odd number of digits or a character that is no digit
  kStrayBracket,  // a "[" that opens no tag and no "[$" run: drawn as "["
  kBlank,         // characters the translation font draws blank
  kControlCode,   // a byte that ends the line or the string, or stands for the player's name
  kLineCut,       // a line longer than the encoder reads
};

struct LintFinding {
  LintKind kind;
  int line;             // index in the section's lines (0 the header, 1 the first text line)
  int column;           // 1-based byte column in that line
  std::string message;  // one line, e.g. "line is 224 pixels wide, the box wraps at 216"
};

// Checks the section held in `lines` (its header line, text lines and closing line), with the
// pen advancing by the glyphs' ink (`variableWidth`) or 8 pixels a character. Findings are in
// the order of their positions.
std::vector<LintFinding> LintSection(const std::vector<std::string>& lines, bool variableWidth);

// The fit panel's text: "Fits", or the first finding in a few words with its text line
// ("L2: too wide").
std::string FitText(const std::vector<LintFinding>& findings);

}  // namespace ts2
