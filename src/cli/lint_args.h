// The translation box options of the commands that lint (check, progress, export).
#pragma once

#include <optional>
#include <string>

#include "cli/cli.h"
#include "display/lint.h"
#include "views/glossary.h"

namespace ts2::cli {

// Reads --vwf on|off into `vwf` (unset when not given: the data file's .VWF decides) and
// --player-width N into `options`; the usage error's text when one is wrong.
std::optional<std::string> ReadLintArgs(const ParsedArgs& parsed, LintOptions& options,
                                        std::optional<bool>& vwf);

// The glossary --glossary names, or DUMPS/glossary.csv when there is one: none without either.
// `failed` holds the exit status when it cannot be read or has rows with mistakes (each named on
// stderr as FILE:LINE: MESSAGE).
struct GlossaryRead {
  std::optional<Glossary> glossary;
  std::optional<int> failed;
};
GlossaryRead ReadGlossary(const ParsedArgs& parsed, const std::string& dumps);

}  // namespace ts2::cli
