// Lines too wide for the translation box broken at spaces. The game's renderer starts a new box
// line wherever the pen reaches the wrap point, in the middle of a word if it must; a translator
// breaks the line between words instead, and this does it for them: each line the box check
// finds too wide is broken at the last space before the pixel where it passes the wrap point
// whose first part then fits, as often as it takes. Lines are only ever broken, never joined, so the translator's own line
// breaks stay where they are.
#pragma once

#include <string>
#include <vector>

#include "display/lint.h"

namespace ts2 {

struct Wrapped {
  std::vector<std::string> lines;  // the section's lines, header and closing line included
  int breaks = 0;                  // line breaks added
  bool changed = false;            // breaks added or blanks dropped at a break
  std::vector<int> unbreakable;    // lines of the result still too wide: no space before the edge
};

// `lines` as LintSection reads them (header, text lines, closing line), with every too-wide text
// line broken at spaces of its text (not at one inside a tag or a "[$" run). The blanks at a
// break are dropped: they would start the new line or end the old one. A line too wide only
// with a long player's name is left as it is (the box check names how short a name it needs).
Wrapped WrapLongLines(std::vector<std::string> lines, const LintOptions& options);

}  // namespace ts2
