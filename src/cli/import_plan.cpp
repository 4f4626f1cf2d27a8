#include "cli/import_plan.h"

#include "cli/cli.h"
#include "core/fileutil.h"

namespace ts2::cli {

bool WriteImportPlan(const PoImport& plan, bool dryRun, std::string& out, ImportWritten& count) {
  bool written = true;
  std::string error;
  for (const PoImport::File& f : plan.files) {
    if (!dryRun && !WriteFileAtomic(f.file, f.text.data(), f.text.size(), &error)) {
      Fail(kExitBadInput, error + (LeftAsItWas(error) ? "; " + f.file + " was left as it was" : ""));
      written = false;
      continue;
    }
    ++count.files;
    count.strings += f.strings.size();
    out += f.file + ": " + (f.created ? "new file, " : "") + (f.strings.size() == 1 ? "string " : "strings ");
    for (size_t i = 0; i < f.strings.size(); ++i) out += (i ? ", " : "") + std::to_string(f.strings[i]);
    out += "\n";
  }
  return written;
}

}  // namespace ts2::cli
