// ts2tool replace: Replace All of Find in Script, for a team's batch renames (a name, a term) in
// every block's translation at once.
#include <cstdio>
#include <filesystem>

#include "cli/cli.h"
#include "cli/show_string.h"
#include "cli/utf8_text.h"
#include "core/fileutil.h"
#include "core/utf8.h"
#include "views/script.h"
#include "views/sections.h"

namespace ts2::cli {
namespace {

int RunReplace(const std::vector<std::string>& args);

const Command kReplace{"replace", "replace ROM DATAFILE TEXT WITH [--dumps DIR] [-i] [-w] [-n]",
                       "replace TEXT with WITH in every translation file, as Replace All does", RunReplace};

constexpr char kReplaceHelp[] =
    "Opens ROM with DATAFILE as the editor does and replaces every TEXT inside the body of a\n"
    "string's section in the translation files in DIR (default ./Dumps) with WITH, as the editor's\n"
    "Find in Script does with Replace All: every other byte of a file, line ends included, stays\n"
    "as it was, and each file is written whole or not at all. Prints each changed line as it now\n"
    "reads,  FILE:LINE: string N: TEXT-OF-THE-LINE  (as `ts2tool find` does), then a summary.\n"
    "Part of a tag or of a [$..] run is never replaced. When a line would read as a section header\n"
    "or .ENDS afterwards, nothing is replaced (exit status 2).\n"
    "  -i  ignore case, as for `ts2tool find`\n"
    "  -w  whole words only\n"
    "  -n  change nothing: print what would change\n"
    "TEXT, WITH and the lines printed are UTF-8; WITH may be empty and holds no line break. A file\n"
    "that cannot be written is named on stderr and left as it was; the others are still written.\n"
    "Exit status: 0 when something was replaced, 1 when TEXT was found nowhere, 2 on errors (a\n"
    "file that could not be written among them).\n";

constexpr int kExitNothing = 1;

int RunReplace(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = StartCommand(kReplace, args, {"--dumps"}, {"-i", "-w", "-n"}, parsed, kReplaceHelp))
    return *done;
  if (parsed.positional.size() != 4) return UsageError(kReplace, "expected ROM, DATAFILE, TEXT and WITH");
  if (parsed.positional[2].empty()) return UsageError(kReplace, "TEXT is empty");
  if (parsed.positional[3].find_first_of("\r\n") != std::string::npos)
    return UsageError(kReplace, "WITH holds a line break");
  const FindOptions options{.matchCase = !parsed.has("-i"), .wholeWord = parsed.has("-w")};
  const bool dryRun = parsed.has("-n");
  const std::string dumps = DumpsFolder(parsed);

  std::string error;
  const std::optional<std::string> text = Cp1252Text(parsed.positional[2], "TEXT", error);
  if (!text) return Fail(kExitUsage, error);
  const std::optional<std::string> with = Cp1252Text(parsed.positional[3], "WITH", error);
  if (!with) return Fail(kExitUsage, error);
  std::error_code ec;
  if (!std::filesystem::is_directory(dumps, ec)) return Fail(kExitUsage, "no translation folder " + dumps);
  // Held from the first read of a translation file to the last write: another command changing
  // them meanwhile would otherwise see its change written over with this one's old text.
  const FolderLock folderLock(dumps);
  if (!folderLock.held()) return Fail(kExitUsage, FolderBusy(dumps));

  ShownString shown;
  if (OpenRom(shown, parsed.positional[0], parsed.positional[1])) return kExitUsage;
  const TextFinder finder(*text, options);
  size_t replaced = 0, files = 0;
  bool failed = false;
  // Printed once every file is written: a reader that goes away early (| head) or an output that
  // cannot be written must not leave the replacement done in some files and not in others.
  std::string report;
  const std::vector<ScriptBlock> blocks = BlocksByFile(ScriptBlocks(shown.program.form(), dumps));
  if (auto status = RefuseUnreadable(blocks, kExitUsage)) return *status;
  if (const std::optional<SectionBreak> broken = ReplacingBreaksSections(blocks, finder, *with))
    return Fail(kExitUsage,
                Format(broken->endsString
                           ? "%s:%d would begin with .ENDS after the replacement, where the string's bytes "
                             "would end; nothing was replaced"
                           : "%s:%d would read as a section header or .ENDS after the replacement, "
                             "giving strings' translations to other strings; nothing was replaced",
                       broken->file.c_str(), broken->line));
  for (const ScriptBlock& b : blocks) {
    const std::optional<std::string> before = FileText(b);
    if (!before) continue;
    const Replaced after = ReplaceInTranslation(*before, b.strings, finder, *with);
    if (after.count == 0) continue;
    if (!dryRun && !WriteFileAtomic(b.file, after.text.data(), after.text.size(), &error)) {
      Fail(kExitUsage, error + (LeftAsItWas(error) ? "; " + b.file + " was left as it was" : ""));
      failed = true;
      continue;
    }
    // WITH holds no line break: each changed line keeps its number.
    const SectionIndex now(after.text, b.strings);
    int last = -1;
    for (const TextMatch& m : FindInTranslation(*before, b.strings, finder)) {
      if (m.line == last || static_cast<size_t>(m.line) >= now.lines().size()) continue;
      last = m.line;
      report += Format("%s:%d: string %u: ", b.file.c_str(), m.line + 1, m.string) +
                Cp1252ToUtf8(now.line(m.line)) + "\n";
    }
    replaced += static_cast<size_t>(after.count);
    ++files;
  }
  report += Plural(replaced, "occurrence", "occurrences") + " in " + Plural(files, "file", "files") +
            (dryRun ? " would be replaced\n" : " replaced\n");
  if (!WriteOutput("-", report.data(), report.size())) return CannotWrite(kExitUsage, "-");
  if (failed) return kExitUsage;
  return replaced > 0 ? kExitOk : kExitNothing;
}

const Registrar kRegister{kReplace};

}  // namespace
}  // namespace ts2::cli
