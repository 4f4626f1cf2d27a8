// ts2tool find: a text in every block's translation, or in the original ROM strings through the
// character table, listed like grep lists lines, for a team's term checks.
#include <cstdio>
#include <filesystem>

#include "cli/cli.h"
#include "cli/show_string.h"
#include "cli/sjis_utf8.h"
#include "cli/utf8_text.h"
#include "core/fileutil.h"
#include "core/utf8.h"
#include "views/script.h"
#include "views/sections.h"

namespace ts2::cli {
namespace {

int RunFind(const std::vector<std::string>& args);

const Command kFind{"find", "find ROM DATAFILE TEXT [--dumps DIR] [-i] [-w] [--original [--translated]]",
                    "list the translation lines (or original strings) that hold TEXT, like grep", RunFind};

constexpr char kFindHelp[] =
    "Opens ROM with DATAFILE as the editor does and prints every line that holds TEXT:\n"
    "  in the translation files in DIR (default ./Dumps), only lines inside the body of a\n"
    "  string's section, as  FILE:LINE: string N: TEXT-OF-THE-LINE  (LINE counted from 1);\n"
    "  with --original, in the original ROM strings through the data file's character table\n"
    "  (as the Kana Text window shows them), as  block B string N: TEXT-OF-THE-LINE.\n"
    "  --translated  with --original, each string's translation in DIR after it, a line of\n"
    "      it a line, as  '  = LINE', or '  (not translated)': how the words found were\n"
    "      translated elsewhere\n"
    "  -i  ignore case: the letters of ASCII and of Windows-1252 (the translation files' code\n"
    "      page: e with acute finds E with acute, oe finds OE, ...) match their other case\n"
    "  -w  whole words only: no letter, digit or '_' right before or after the match\n"
    "TEXT and the lines printed are UTF-8; TEXT that is not valid UTF-8 is taken as the files'\n"
    "own bytes. Exit status: 0 when something matched, 1 when nothing did, 2 on errors.\n";

constexpr int kExitNothing = 1;

int RunFind(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = StartCommand(kFind, args, {"--dumps"}, {"-i", "-w", "--original", "--translated"}, parsed,
                               kFindHelp))
    return *done;
  if (parsed.positional.size() != 3) return UsageError(kFind, "expected ROM, DATAFILE and TEXT");
  const std::string& text = parsed.positional[2];
  if (text.empty()) return UsageError(kFind, "TEXT is empty");
  const FindOptions options{.matchCase = !parsed.has("-i"), .wholeWord = parsed.has("-w")};
  const bool original = parsed.has("--original");
  if (parsed.has("--translated") && !original) return UsageError(kFind, "--translated needs --original");
  const std::string dumps = DumpsFolder(parsed);

  std::string needle, error;
  if (original) {
    const std::optional<std::string> sjis = DecodeUtf8(text) ? Utf8ToShiftJis(text) : text;
    if (!sjis) return Fail(kExitUsage, "cannot write TEXT in Shift-JIS, the character table's code page");
    needle = *sjis;
  } else {
    const std::optional<std::string> bytes = Cp1252Text(text, "TEXT", error);
    if (!bytes) return Fail(kExitUsage, error);
    needle = *bytes;
    std::error_code ec;
    if (!std::filesystem::is_directory(dumps, ec)) return Fail(kExitUsage, "no translation folder " + dumps);
  }

  ShownString shown;
  if (OpenRom(shown, parsed.positional[0], parsed.positional[1])) return kExitUsage;
  const TmyForm& form = shown.program.form();
  const std::vector<ScriptBlock> blocks = ScriptBlocks(form, dumps);
  if (auto status = RefuseUnreadable(blocks, kExitUsage)) return *status;
  std::string out;
  bool found = false;
  if (original) {
    const TextFinder finder(needle, options, TextEncoding::kShiftJis);
    const OriginalMatch* last = nullptr;
    const std::vector<OriginalMatch> matches = FindInOriginal(form, blocks, finder);
    std::optional<std::string> file;  // the translation of the last match's block
    std::optional<SectionIndex> index;
    int indexed = -1;
    std::optional<std::pair<int, uint32_t>> translated;
    for (const OriginalMatch& m : matches) {
      if (last && last->block == m.block && last->string == m.string && last->line == m.line) continue;
      last = &m;
      const std::optional<std::string> line = ShiftJisToUtf8(m.lineText);
      if (!line) return Fail(kExitUsage, kNoShiftJisConverter);
      out += Format("block %d string %u: ", m.block, m.string) + *line + "\n";
      // A string's translation once, after its first line found.
      if (!parsed.has("--translated") ||
          (translated && translated->first == m.block && translated->second == m.string))
        continue;
      translated = {m.block, m.string};
      const ScriptBlock& b = blocks[static_cast<size_t>(m.block)];
      if (m.block != indexed) {
        indexed = m.block;
        index.reset();
        file = FileText(b);
        index.emplace(file ? std::string_view(*file) : std::string_view(), b.strings);
      }
      const std::vector<std::string> translation =
          m.string < index->strings() ? index->translation(m.string) : std::vector<std::string>();
      for (const std::string& t : translation) out += "  = " + Cp1252ToUtf8(t) + "\n";
      if (translation.empty()) out += "  (not translated)\n";
    }
    found = !matches.empty();
  } else {
    const TextFinder finder(needle, options);
    const std::vector<ScriptMatch> matches = FindInTranslations(blocks, finder);
    const ScriptMatch* last = nullptr;
    for (const ScriptMatch& m : matches) {
      if (last && last->block == m.block && last->at.line == m.at.line) continue;
      last = &m;
      const ScriptBlock& b = blocks[static_cast<size_t>(m.block)];
      out += Format("%s:%d: string %u: ", b.file.c_str(), m.at.line + 1, m.at.string) +
             Cp1252ToUtf8(m.lineText) + "\n";
    }
    found = !matches.empty();
  }
  if (!WriteOutput("-", out.data(), out.size())) return CannotWrite(kExitUsage, "-");
  return found ? kExitOk : kExitNothing;
}

const Registrar kRegister{kFind};

}  // namespace
}  // namespace ts2::cli
