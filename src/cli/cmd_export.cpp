// ts2tool export: the script as a gettext PO file, for translation tools and platforms.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "cli/block_arg.h"
#include "cli/cli.h"
#include "cli/lint_args.h"
#include "cli/show_string.h"
#include "cli/sjis_utf8.h"
#include "core/fileutil.h"
#include "views/po_exchange.h"
#include "views/similar.h"

namespace ts2::cli {
namespace {

int RunExport(const std::vector<std::string>& args);

const Command kExport{
    "export",
    "export ROM DATAFILE [--block B] [--dumps DIR] [--only untranslated|findings] "
    "[--language LL] [--suggest PERCENT] [--vwf on|off] [--player-width N] [--glossary FILE] "
    "[-o FILE.po]",
    "write the script and its translations as a gettext PO file for translation tools", RunExport};

constexpr char kExportHelp[] =
    "Opens ROM with DATAFILE as the editor does and writes a PO file (UTF-8) with one entry for\n"
    "each string of block B (or of every block), for translation tools (Poedit, Lokalize, OmegaT)\n"
    "and translation platforms (Weblate, Transifex, Crowdin):\n"
    "  msgctxt  the translation file and the string's section: \"000A0000.txt .STRING 3\"\n"
    "  msgid    the original text, as `ts2tool original` writes it (line breaks as \\n)\n"
    "  msgstr   the lines of the section's body in DIR (default ./Dumps), empty while they\n"
    "           hold nothing but blanks\n"
    "  #.       the block and string, and what `ts2tool check` finds in the section\n"
    "  #:       the translation file and the line of the section's header\n"
    "--only untranslated writes only the strings not translated yet, --only findings only those\n"
    "whose translation has findings, --only untranslated,findings both: what is left to do.\n"
    "--suggest PERCENT (1 to 100) gives each string not translated yet whose most similar\n"
    "translated string (as `ts2tool similar` finds it) is at least PERCENT% alike that string's\n"
    "translation, marked fuzzy for review and named in a comment:\n"
    "  #. Similar (94%): 000A0000.txt .STRING 1\n"
    "Such an entry still counts as not translated; import leaves it alone unless --fuzzy.\n"
    "--language sets the header's Language field (fr, pt_BR). --vwf and --player-width are\n"
    "those of check; so is the glossary (--glossary FILE, default DIR/glossary.csv when there\n"
    "is one): each term standing in a string's original is named in a #. comment\n"
    "(\"Glossary: Mira = Myra\"), and a translation lacking it is a finding.\n"
    "`ts2tool import` reads the file back. No translation file is written.\n"
    "Output to FILE or stdout. Exit status: 0; 1 for inputs that cannot be read; 2 for wrong usage.\n";

int RunExport(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = StartCommand(kExport, args,
                               {"--block", "--dumps", "--only", "--language", "--suggest", "--vwf",
                                "--player-width", "--glossary", "-o"},
                               {}, parsed, kExportHelp))
    return *done;
  if (parsed.positional.size() != 2) return UsageError(kExport, "expected ROM and DATAFILE");
  PoExportOptions options;
  std::optional<bool> vwf;
  if (auto bad = ReadLintArgs(parsed, options.lint, vwf)) return UsageError(kExport, *bad);
  BlockArg blockArg;
  if (auto bad = ReadBlockOption(parsed, blockArg)) return UsageError(kExport, *bad);
  if (auto only = parsed.get("--only")) {
    for (size_t start = 0; start <= only->size();) {
      const size_t comma = std::min(only->find(',', start), only->size());
      const std::string word = only->substr(start, comma - start);
      if (word == "untranslated")
        options.onlyUntranslated = true;
      else if (word == "findings")
        options.onlyFindings = true;
      else
        return UsageError(
            kExport,
            "--only takes untranslated, findings or both (untranslated,findings), not '" + *only + "'");
      start = comma + 1;
    }
  }
  options.language = parsed.get("--language").value_or("");
  if (options.language.find_first_of("\r\n\\\"") != std::string::npos)
    return UsageError(kExport, "--language takes a language code such as fr or pt_BR");

  std::string error;
  const auto suggest = NumberOption(parsed, "--suggest", 0, 1, 100, "a percentage from 1 to 100", error);
  if (!suggest) return UsageError(kExport, error);
  options.suggestAt = static_cast<int>(suggest.value_or(0));

  // A folder named wrongly would export every string untranslated, and a translation platform
  // given that file could empty its own translations.
  std::error_code ec;
  if (!std::filesystem::is_directory(DumpsFolder(parsed), ec))
    return Fail(kExitBadInput, "no translation folder " + DumpsFolder(parsed));
  ShownString shown;
  if (auto status = OpenRom(shown, parsed.positional[0], parsed.positional[1])) return *status;
  TmyForm& form = shown.program.form();
  options.lint.variableWidth = vwf.value_or(form.Checked(MenuId::UseVWFRoutine1));
  const GlossaryRead glossary = ReadGlossary(parsed, DumpsFolder(parsed));
  if (glossary.failed) return *glossary.failed;
  if (glossary.glossary) options.glossary = &*glossary.glossary;
  const std::vector<ScriptBlock> script = ScriptBlocks(form, DumpsFolder(parsed));
  std::vector<ScriptBlock> blocks = script;
  if (auto bad = KeepBlockGiven(form, parsed, blockArg, blocks)) return Fail(kExitBadInput, *bad);
  if (auto status = RefuseUnreadable(options.suggestAt > 0 ? script : blocks, kExitBadInput)) return *status;
  bool failed = false;
  const OriginalToUtf8 toUtf8 = OriginalsToUtf8(failed);
  // Suggestions come from the whole script, whichever block is written.
  TranslationMemory memory;
  if (options.suggestAt > 0) {
    memory = MemoryOf(form, script, FileText, toUtf8);
    options.memory = &memory;
  }
  const std::string po = ScriptToPo(form, blocks, FileText, toUtf8, options);
  if (failed) return Fail(kExitBadInput, kNoShiftJisConverter);
  const std::string out = parsed.get("-o").value_or("-");
  if (!WriteOutput(out, po.data(), po.size())) return CannotWrite(kExitBadInput, out);
  return kExitOk;
}

const Registrar kRegister{kExport};

}  // namespace
}  // namespace ts2::cli
