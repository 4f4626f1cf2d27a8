// ts2tool import: the translations of a PO file (from `ts2tool export`, after a translation tool or
// platform filled it in) written into the translation files.
#include <cstdio>
#include <filesystem>

#include "cli/cli.h"
#include "cli/import_plan.h"
#include "cli/show_string.h"
#include "core/fileutil.h"
#include "script/po.h"
#include "views/po_exchange.h"

namespace ts2::cli {
namespace {

int RunImport(const std::vector<std::string>& args);

const Command kImport{"import", "import ROM DATAFILE FILE.po [--dumps DIR] [--fuzzy] [-n]",
                      "write the translations of a PO file into the translation files", RunImport};

constexpr char kImportHelp[] =
    "Opens ROM with DATAFILE as the editor does and reads FILE.po (`-` for stdin), a PO file as\n"
    "`ts2tool export` writes it. Each entry's msgstr becomes the body of the section its msgctxt\n"
    "names (\"000A0000.txt .STRING 3\") in the translation files in DIR (default ./Dumps): the lines\n"
    "between the header and .ENDS are replaced, every other byte of the file stays as it was. A\n"
    "string without a section gets one; a block without a file gets a new file.\n"
    "Entries with an empty msgstr (not translated) are left alone, and so are entries marked fuzzy\n"
    "unless --fuzzy is given. The whole file is checked first: an entry whose context this script\n"
    "does not have, a string given twice, a character translation files cannot hold (they are\n"
    "Windows-1252), or a line that would end the section or start another, is reported as\n"
    "FILE.po:LINE: and nothing is written. Each file is written whole or not at all.\n"
    "Prints each changed file with its changed strings, then a summary.\n"
    "  -n  change nothing: print what would change\n"
    "Exit status: 0; 1 for a PO file that cannot be read or imported, or a file that could not be\n"
    "written; 2 for wrong usage.\n";

int RunImport(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = StartCommand(kImport, args, {"--dumps"}, {"--fuzzy", "-n"}, parsed, kImportHelp))
    return *done;
  if (parsed.positional.size() != 3) return UsageError(kImport, "expected ROM, DATAFILE and FILE.po");
  const std::string& poPath = parsed.positional[2];
  const std::string dumps = DumpsFolder(parsed);
  const bool dryRun = parsed.has("-n");

  std::string text;
  if (poPath == "-") {
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0;) text.append(chunk, n);
    if (std::ferror(stdin)) return CannotRead(kExitBadInput, "the input");
  } else {
    const auto bytes = ReadWholeFile(poPath);
    if (!bytes) return CannotRead(kExitBadInput, poPath);
    text.assign(bytes->begin(), bytes->end());
  }
  const std::string shownPath = poPath == "-" ? "(stdin)" : poPath;
  std::string error;
  const std::optional<std::vector<po::Entry>> entries = po::Parse(text, error);
  if (!entries) return Fail(kExitBadInput, shownPath + ":" + error);
  std::error_code ec;
  if (!std::filesystem::is_directory(dumps, ec)) return Fail(kExitBadInput, "no translation folder " + dumps);
  // Held from the first read of a translation file to the last write: another command changing
  // them meanwhile would otherwise see its change written over with this one's old text.
  const FolderLock folderLock(dumps);
  if (!folderLock.held()) return Fail(kExitBadInput, FolderBusy(dumps));

  ShownString shown;
  if (auto status = OpenRom(shown, parsed.positional[0], parsed.positional[1])) return *status;
  const PoImport plan =
      PlanPoImport(*entries, ScriptBlocks(shown.program.form(), dumps), FileText, parsed.has("--fuzzy"));
  for (const std::string& file : plan.unreadable) Fail(kExitBadInput, "cannot read " + file);
  if (!plan.unreadable.empty())
    return Fail(kExitBadInput,
                "a translation file the import changes cannot be read; no translation file was written");
  if (!plan.errors.empty()) {
    for (const std::string& e : plan.errors) Fail(kExitBadInput, shownPath + ":" + e);
    return Fail(kExitBadInput, shownPath + ": " + Plural(plan.errors.size(), "entry", "entries") +
                                   " cannot be imported; no translation file was written");
  }

  std::string out;
  ImportWritten written;
  const bool failed = !WriteImportPlan(plan, dryRun, out, written);
  out += Plural(written.strings, "string", "strings") + (dryRun ? " would change" : " changed") + " in " +
         Plural(written.files, "file", "files") + "; " + std::to_string(plan.same) + " already so, " +
         std::to_string(plan.untranslated) + " not translated" +
         (plan.fuzzy ? ", " + std::to_string(plan.fuzzy) + " fuzzy left alone" : std::string()) + "\n";
  if (!WriteOutput("-", out.data(), out.size())) return CannotWrite(kExitBadInput, "-");
  return failed ? kExitBadInput : kExitOk;
}

const Registrar kRegister{kImport};

}  // namespace
}  // namespace ts2::cli
