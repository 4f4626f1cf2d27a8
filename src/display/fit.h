// The status bar's fit panel: a verdict short enough for its narrow panel, and the full
// findings for its tooltip.
#pragma once

#include <string>
#include <vector>

#include "display/lint.h"

namespace ts2 {

struct FitVerdict {
  std::string brief;  // "Fits", or the first finding's line and a word: "L2: wide", "L2: wide +1"
  std::string full;   // every finding on a line of its own, placed as `ts2tool check` places it
                     // ("string 2, line 3 (file line 24): column 5: ..."), or "The translation fits its box."
};

// `string` is the shown string's number, `headerFileLine` the 1-based line of its section's
// header in the translation file.
FitVerdict MakeFitVerdict(const std::vector<LintFinding>& findings, long string, int headerFileLine);

}  // namespace ts2
