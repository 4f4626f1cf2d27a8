// The translation box options of the commands that lint (check, progress, export).
#pragma once

#include <optional>
#include <string>

#include "cli/cli.h"
#include "display/lint.h"

namespace ts2::cli {

// Reads --vwf on|off into `vwf` (unset when not given: the data file's .VWF decides) and
// --player-width N into `options`; the usage error's text when one is wrong.
std::optional<std::string> ReadLintArgs(const ParsedArgs& parsed, LintOptions& options,
                                        std::optional<bool>& vwf);

}  // namespace ts2::cli
