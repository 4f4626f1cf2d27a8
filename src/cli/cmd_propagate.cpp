// ts2tool propagate: every string not translated yet whose original is that of translated
// strings gets their translation, as Edit > Fill Repeated Strings does.
#include <cstdio>
#include <filesystem>

#include "cli/cli.h"
#include "cli/import_plan.h"
#include "cli/show_string.h"
#include "cli/sjis_utf8.h"
#include "core/fileutil.h"
#include "views/po_exchange.h"

namespace ts2::cli {
namespace {

int RunPropagate(const std::vector<std::string>& args);

const Command kPropagate{
    "propagate", "propagate ROM DATAFILE [--dumps DIR] [-n]",
    "fill each untranslated string with the translation of strings with the same original", RunPropagate};

constexpr char kPropagateHelp[] =
    "Opens ROM with DATAFILE as the editor does and reads every block's translation file in DIR\n"
    "(default ./Dumps). A game says many lines in many places; each string not translated yet\n"
    "whose original text is, byte for byte, that of translated strings gets their translation\n"
    "as its section's body, when they all read alike. An original translated otherwise in\n"
    "different strings is left alone and named. A string without a section gets one, a block\n"
    "without a file a new file; every other byte stays, and each file is written whole or not\n"
    "at all. A string whose section cannot take the translation (it holds a control character,\n"
    "or the section is shared: two headers on one line) is left alone and named on stderr as a\n"
    "warning; the others are filled.\n"
    "Prints each changed file with its filled strings, each original translated otherwise, then\n"
    "a summary.\n"
    "  -n  change nothing: print what would change\n"
    "Exit status: 0; 1 for inputs that cannot be read or a file that could not be written; 2 for\n"
    "wrong usage.\n";

int RunPropagate(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = StartCommand(kPropagate, args, {"--dumps"}, {"-n"}, parsed, kPropagateHelp)) return *done;
  if (parsed.positional.size() != 2) return UsageError(kPropagate, "expected ROM and DATAFILE");
  const std::string dumps = DumpsFolder(parsed);
  const bool dryRun = parsed.has("-n");
  std::error_code ec;
  if (!std::filesystem::is_directory(dumps, ec)) return Fail(kExitBadInput, "no translation folder " + dumps);
  // Held from the first read of a translation file to the last write: another command changing
  // them meanwhile would otherwise see its change written over with this one's old text.
  const FolderLock folderLock(dumps);
  if (!folderLock.held()) return Fail(kExitBadInput, FolderBusy(dumps));

  ShownString shown;
  if (auto status = OpenRom(shown, parsed.positional[0], parsed.positional[1])) return *status;
  const TmyForm& form = shown.program.form();
  const std::vector<ScriptBlock> blocks = ScriptBlocks(form, dumps);
  if (auto status = RefuseUnreadable(blocks, kExitBadInput)) return *status;
  bool unconverted = false;
  const Repeats repeats = PlanRepeats(form, blocks, FileText, OriginalsToUtf8(unconverted));
  if (unconverted) return Fail(kExitBadInput, kNoShiftJisConverter);
  for (const std::string& r : repeats.refused) std::fprintf(stderr, "ts2tool: warning: %s\n", r.c_str());
  const PoImport plan = PlanPoImport(repeats.entries, blocks, FileText, false);
  // PlanRepeats leaves out what the import would refuse, so none is expected here. Each error
  // begins with the line of a PO entry, which a fill has not.
  for (const std::string& e : plan.errors) Fail(kExitBadInput, e.substr(e.find(": ") + 2));
  for (const std::string& file : plan.unreadable) Fail(kExitBadInput, "cannot read " + file);
  if (!plan.errors.empty() || !plan.unreadable.empty()) return kExitBadInput;

  std::string out;
  ImportWritten written;
  const bool failed = !WriteImportPlan(plan, dryRun, out, written);
  for (const std::string& c : repeats.conflicts) out += "translated otherwise: " + c + "\n";
  out += Plural(written.strings, "string", "strings") + (dryRun ? " would be filled" : " filled") + " in " +
         Plural(written.files, "file", "files") + "; " +
         Plural(repeats.conflicts.size(), "original", "originals") + " translated otherwise left alone\n";
  if (!WriteOutput("-", out.data(), out.size())) return CannotWrite(kExitBadInput, "-");
  return failed ? kExitBadInput : kExitOk;
}

const Registrar kRegister{kPropagate};

}  // namespace
}  // namespace ts2::cli
