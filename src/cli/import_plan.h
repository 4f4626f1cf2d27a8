// Writing a planned import (PlanPoImport) to disk, for the commands that change translation files
// section by section: import and propagate.
#pragma once

#include <string>

#include "views/po_exchange.h"

namespace ts2::cli {

// Writes each file of `plan` whole (nothing with `dryRun`), naming on stderr each one that could
// not be written (it is left as it was), and appends a line a file written to `out`:
// "Dumps/000A0000.txt: new file, strings 1, 4". False when a file could not be written. `written`
// counts the files written (or, with `dryRun`, to be) and the strings changed in them.
struct ImportWritten {
  size_t files = 0, strings = 0;
};
bool WriteImportPlan(const PoImport& plan, bool dryRun, std::string& out, ImportWritten& written);

}  // namespace ts2::cli
