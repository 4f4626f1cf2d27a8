// ts2tool progress: how far the translation of every block is, counted from the files on disk by
// the rules of the List Data window and the Script Overview, for a team's dashboards.
#include <filesystem>
#include <set>

#include "cli/cli.h"
#include "cli/lint_args.h"
#include "cli/show_string.h"
#include "cli/sjis_utf8.h"
#include "core/fileutil.h"
#include "views/script.h"
#include "views/states.h"

namespace ts2::cli {
namespace {

int RunProgress(const std::vector<std::string>& args);

const Command kProgress{
    "progress", "progress ROM DATAFILE [--dumps DIR] [--vwf on|off] [--player-width N] [--glossary FILE]",
    "how many strings of each block are translated, and how many with findings (JSON)", RunProgress};

constexpr char kProgressHelp[] =
    "Opens ROM with DATAFILE as the editor does and counts, for every block, the strings of its\n"
    "translation file in DIR (default ./Dumps):\n"
    "  untranslated   its section is missing, or its body holds nothing but blanks;\n"
    "  translated     it holds text and `ts2tool check` finds nothing in it;\n"
    "  with findings  it holds text and `ts2tool check` finds something in it.\n"
    "A block whose file does not exist counts as untranslated; no file is created or changed.\n"
    "--vwf, --player-width and --glossary are those of check (--vwf defaults to the data file's\n"
    ".VWF; the glossary to DIR/glossary.csv when there is one).\n"
    "Prints one JSON object:\n"
    "  {\"blocks\":[{\"index\":0,\"table\":\"0A0000\",\"file\":\"000A0000.txt\",\"exists\":true,\n"
    "    \"strings\":6,\"translated\":5,\"with_findings\":1},...],\n"
    "   \"strings\":13,\"translated\":5,\"with_findings\":1}\n"
    "with table the block's pointer table offset (six upper-case hex digits) and the totals of\n"
    "every string, each counted once: blocks that share a pointer table share a file, whose\n"
    "strings are counted with the block that has the most. Exit status: 0, or 2 for wrong usage\n"
    "and unreadable inputs.\n";

int RunProgress(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = StartCommand(kProgress, args, {"--dumps", "--vwf", "--player-width", "--glossary"}, {},
                               parsed, kProgressHelp))
    return *done;
  if (parsed.positional.size() != 2) return UsageError(kProgress, "expected ROM and DATAFILE");
  LintOptions options;
  std::optional<bool> vwf;
  if (auto bad = ReadLintArgs(parsed, options, vwf)) return UsageError(kProgress, *bad);
  const std::string dumps = DumpsFolder(parsed);
  // A folder named wrongly would count the whole script untranslated, which a team's report
  // would take for the truth.
  std::error_code ec;
  if (!std::filesystem::is_directory(dumps, ec)) return Fail(kExitUsage, "no translation folder " + dumps);
  const GlossaryRead glossary = ReadGlossary(parsed, dumps);
  if (glossary.failed) return kExitUsage;

  ShownString shown;
  if (OpenRom(shown, parsed.positional[0], parsed.positional[1])) return kExitUsage;
  const TmyForm& form = shown.program.form();
  options.variableWidth = vwf.value_or(form.Checked(MenuId::UseVWFRoutine1));

  // Written in the order of the contract's example; names and numbers need no escaping.
  std::string json = "{\"blocks\":[";
  BlockProgress total;
  const std::vector<ScriptBlock> blocks = ScriptBlocks(form, dumps);
  if (auto status = RefuseUnreadable(blocks, kExitUsage)) return *status;
  // The totals count each file's strings once: blocks that share a pointer table share a file.
  std::set<int> counted;
  for (const ScriptBlock& b : BlocksByFile(blocks)) counted.insert(b.index);
  for (const ScriptBlock& b : blocks) {
    BlockTerms terms;
    if (glossary.glossary && FileExists(b.file)) {
      bool failed = false;
      terms = TermsOfBlock(*glossary.glossary, 1, form, b.index, b.strings, OriginalsToUtf8(failed));
      if (failed) return Fail(kExitUsage, kNoShiftJisConverter);
    }
    const BlockProgress p =
        ProgressOnDisk(b.file, b.strings, options,
                       glossary.glossary ? StateSpelling{.glossary = &*glossary.glossary, .terms = &terms}
                                         : StateSpelling{});
    if (counted.count(b.index)) total += p;
    if (b.index > 0) json += ',';
    json += Format(
        "{\"index\":%d,\"table\":\"%06X\",\"file\":\"%s\",\"exists\":%s,\"strings\":%u,"
        "\"translated\":%u,\"with_findings\":%u}",
        b.index, b.table, ExtractFileName(b.file).c_str(), p.exists ? "true" : "false", p.strings,
        p.translated, p.withFindings);
  }
  json += Format("],\"strings\":%u,\"translated\":%u,\"with_findings\":%u}\n", total.strings,
                 total.translated, total.withFindings);
  if (!WriteOutput("-", json.data(), json.size())) return CannotWrite(kExitUsage, "-");
  return kExitOk;
}

const Registrar kRegister{kProgress};

}  // namespace
}  // namespace ts2::cli
