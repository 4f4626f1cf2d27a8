// The dictionary of `ts2tool check --spell`. Hunspell is linked into ts2tool-qt alone
// (cli/check_spelling_hunspell.cpp), so that ts2tool starts without loading it; ts2tool hands a
// `check --spell` over to ts2tool-qt, which runs the same check with the dictionary.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "display/spelling.h"

namespace ts2::cli {

struct OpenedSpeller {
  std::unique_ptr<Speller> speller;
  std::optional<int> failed;  // the exit status, its message printed, when there is no speller
};

// Opens the installed dictionary LANG names; set by the program that links Hunspell, null in
// ts2tool.
extern OpenedSpeller (*gOpenSpeller)(const std::string& language);

}  // namespace ts2::cli
