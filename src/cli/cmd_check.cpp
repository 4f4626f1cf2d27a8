// ts2tool check: the translation lint over every block's translation file, for a translation
// team's scripts and CI. The files are read through the editor's own block selection, so each
// section is checked as the editor would encode and draw it.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cli/check_spelling.h"
#include "cli/cli.h"
#include "cli/lint_args.h"
#include "cli/show_string.h"
#include "cli/sjis_utf8.h"
#include "core/fileutil.h"
#include "display/encode.h"
#include "display/lint.h"
#include "display/spelling.h"
#include "script/project_words.h"
#include "script/textfile.h"
#include "views/glossary.h"
#include "views/original.h"
#include "views/po_exchange.h"
#include "views/script.h"
#include "views/sections.h"
#include "views/states.h"

namespace ts2::cli {

OpenedSpeller (*gOpenSpeller)(const std::string& language) = nullptr;

namespace {

int RunCheck(const std::vector<std::string>& args);

const Command kCheck{
    "check",
    "check ROM DATAFILE [--dumps DIR] [--vwf on|off] [--player-width N] [--spell LANG [--words FILE]] "
    "[--glossary FILE] [--consistency]",
    "check the translations against the translation box (lint for CI)", RunCheck};

constexpr char kCheckHelp[] =
    "Opens ROM with DATAFILE as the editor does and checks, for every block whose translation\n"
    "file exists in DIR (default ./Dumps), the section of each of the block's strings:\n"
    "  - a line drawn wider than the translation box (it wraps at 216 pixels: 27 characters at\n"
    "    fixed width, the glyphs' own widths with --vwf on), or one that reaches the wrap point\n"
    "    before a line break, after which the box shows an empty line (26 characters do not);\n"
    "  - a section that needs more than the 6 lines the box shows, wrapped lines included;\n"
    "  - text that becomes other bytes than it seems to: a \"[$\" run with an odd number of hex\n"
    "    digits or a character that is no hex digit, a \"[\" that opens no tag and no \"[$\" run,\n"
    "    a character the translation font draws blank, a byte that ends the line or the string;\n"
    "  - an empty first or last text line (an extra line break in the string; a section whose\n"
    "    lines are all empty counts as not translated yet);\n"
    "  - a .STRING line inside another section (that section's .ENDS is missing or broken);\n"
    "  - a text line after the first that begins \".ENDS\" in any case (\".ends here\", \".ENDSx\"):\n"
    "    the string's bytes end before it;\n"
    "  - a string the editor shows another section for: one whose header begins with its own\n"
    "    (.STRING 10 for string 1) comes first, or it has none of its own;\n"
    "  - a line that fits only with a short player's name: [PLAYER] is measured as N characters\n"
    "    of the widest letter (--player-width, default 8);\n"
    "  - with --spell LANG, each word of a section's text lines that the installed Hunspell\n"
    "    dictionary LANG (en_US, fr_FR, ...) does not know, with up to 5 suggestions; tags,\n"
    "    anything in brackets and words with digits are not checked, and the project's own\n"
    "    words (--words FILE, one UTF-8 word a line; default DIR/words.txt) are known;\n"
    "  - with a glossary (--glossary FILE; default DIR/glossary.csv when there is one: CSV rows\n"
    "    of a term and its translation, UTF-8), each term standing in a string's original\n"
    "    text whose translation (or one of its rows' translations) starts no word of the\n"
    "    section; case does not matter. A glossary row with a mistake is named as\n"
    "    FILE:LINE: MESSAGE on stderr and nothing is checked;\n"
    "  - with --consistency, each string whose original is, byte for byte, that of an earlier\n"
    "    translated string of the script translated otherwise (a line the game says in many\n"
    "    places read otherwise in one), naming that string and its translation.\n"
    "Each finding is printed as\n"
    "  FILE:LINE: string N, line L (file line LINE): column C: MESSAGE\n"
    "with L the line in the string's section (1 its first text line), then a summary line.\n"
    "--vwf defaults to the data file's .VWF setting. No file is written.\n"
    "Exit status: 0 when nothing was found, 1 when something was (or the input is bad), 2 for\n"
    "wrong usage, among it a LANG that no installed dictionary has.\n";

constexpr size_t kMaxSuggestions = 5;

// The dictionary --spell names, with the project's words from --words (or DIR/words.txt when
// there is one): no checker without --spell, and the exit status when it cannot be had.
struct Spelling {
  std::unique_ptr<SpellChecker> checker;
  std::optional<int> failed;
};
Spelling OpenSpelling(const ParsedArgs& parsed, const std::string& dumps) {
  const std::optional<std::string> language = parsed.get("--spell");
  const std::optional<std::string> words = parsed.get("--words");
  if (!language)
    return {nullptr, words ? std::optional(UsageError(kCheck, "--words needs --spell")) : std::nullopt};
  if (!gOpenSpeller) {
    // To the program that has the dictionaries; it cannot be started: said as every command
    // handed over says it.
    if (const std::string failed = HandOver(); !failed.empty()) return {nullptr, Fail(kExitUsage, failed)};
    return {nullptr,
            Fail(kExitBadInput, "the spelling check needs ts2tool-qt, which this build does not have")};
  }
  OpenedSpeller opened = gOpenSpeller(*language);
  if (!opened.speller) return {nullptr, opened.failed};
  auto checker = std::make_unique<SpellChecker>(std::move(opened.speller));
  const std::string list = words.value_or(ProjectWordsPath(dumps));
  if (words && !Readable(list)) return {nullptr, CannotRead(kExitBadInput, list)};
  ProjectDictionary project(list);
  project.refresh();
  checker->setProjectWords(project.words());
  return {std::move(checker), std::nullopt};
}

// The glossary's terms in string n's original text (UTF-8).
std::optional<std::vector<size_t>> TermsOf(const Glossary& glossary, const TmyForm& form, int block, long n) {
  if (glossary.empty()) return std::vector<size_t>{};
  const std::optional<std::string> utf8 =
      ShiftJisToUtf8(OriginalTextOf(form, block, static_cast<uint32_t>(n)));
  if (!utf8) return std::nullopt;
  return glossary.termsIn(*utf8);
}

// The first editor line of each string's own section.
std::map<long, int> SectionHeaders(const std::vector<std::string>& lines) {
  std::map<long, int> headers;
  for (size_t i = 0; i < lines.size(); ++i)
    for (const HeaderOnLine& h : SectionHeadersOn(lines[i])) headers.emplace(h.number, static_cast<int>(i));
  return headers;
}

// The noun that goes with a count (the count printed apart).
const char* NounFor(int n, const char* one, const char* many) {
  return n == 1 ? one : many;
}

int RunCheck(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = StartCommand(kCheck, args,
                               {"--dumps", "--vwf", "--player-width", "--spell", "--words", "--glossary"},
                               {"--consistency"}, parsed, kCheckHelp))
    return *done;
  if (parsed.positional.size() != 2) return UsageError(kCheck, "expected ROM and DATAFILE");
  LintOptions options;
  std::optional<bool> vwf;
  if (auto bad = ReadLintArgs(parsed, options, vwf)) return UsageError(kCheck, *bad);
  const std::string dumps = DumpsFolder(parsed);
  Spelling spelling = OpenSpelling(parsed, dumps);
  if (spelling.failed) return *spelling.failed;
  const GlossaryRead glossary = ReadGlossary(parsed, dumps);
  if (glossary.failed) return *glossary.failed;
  // A folder that is not there checks nothing: in a CI that is a mistake, not a pass.
  std::error_code ec;
  if (!std::filesystem::is_directory(dumps, ec)) return Fail(kExitBadInput, "no translation folder " + dumps);

  ShownString shown;
  if (auto status = OpenRom(shown, parsed.positional[0], parsed.positional[1])) return *status;
  TmyForm& form = shown.program.form();
  options.variableWidth = vwf.value_or(form.Checked(MenuId::UseVWFRoutine1));
  if (auto status = RefuseUnreadable(ScriptBlocks(form, dumps), kExitBadInput)) return *status;

  // Strings translated otherwise than the same original elsewhere, by block and string.
  std::map<std::pair<int, long>, LintFinding> otherwise;
  if (parsed.has("--consistency"))
    for (const TranslatedOtherwise& o : FindTranslatedOtherwise(form, ScriptBlocks(form, dumps), FileText))
      otherwise.emplace(std::pair<int, long>(o.block, o.string), OtherwiseFinding(form, o));

  int findings = 0, filesWithFindings = 0, filesChecked = 0, stringsChecked = 0;
  std::set<std::string> seen;  // blocks that share a pointer table share their file
  const int blocks = std::min(form.ui.list(ControlId::bList).count(), kMaxBlocks);
  for (int b = 0; b < blocks; ++b) {
    const std::string file = TranslationFileName(dumps, form.gBlockOffset[static_cast<size_t>(b)]);
    if (!FileExists(file) || !seen.insert(file).second) continue;
    if (auto bad = shown.session.SelectBlock(b, dumps)) return Fail(kExitBadInput, *bad);
    if (form.gTextPath.empty()) {
      const std::string why = ReadErrorOf(file);
      return Fail(kExitBadInput, "cannot read " + file + ": " + (why.empty() ? "it could not be read" : why));
    }
    ++filesChecked;

    const std::string text = form.ui.richEdit(ControlId::TDMemo).text();
    const std::vector<std::string> lines = SplitEditorLines(text);
    const std::map<long, int> headers = SectionHeaders(lines);
    const int strings = form.ui.list(ControlId::pList).count();
    int inFile = 0;
    // The editor shows a string the first section whose header begins with its own: ".STRING 10"
    // before ".STRING 1" is what string 1 shows, and what typing there changes.
    std::map<long, int> shownAt;
    {
      const std::vector<int> shown =
          ShownHeaderLines(SectionIndex(text, static_cast<uint32_t>(std::max(0, strings))));
      for (size_t n = 0; n < shown.size(); ++n)
        if (shown[n] >= 0) shownAt.emplace(static_cast<long>(n), shown[n]);
    }
    std::map<long, LintFinding> shownElsewhere;
    for (const auto& [n, shownLine] : shownAt) {
      const auto own = headers.find(n);
      if (own != headers.end() && own->second == shownLine) continue;
      const std::string what = ShownElsewhereText(shownLine, lines[static_cast<size_t>(shownLine)], n);
      if (own != headers.end()) {
        shownElsewhere.emplace(n, LintFinding{LintKind::kRunOn, 0, 1,
                                              what + ", which comes first: move this section before it"});
      } else {
        std::printf("%s:%d: %s: column 1: %s, as it has none of its own\n", file.c_str(), shownLine + 1,
                    FindingPlace(n, 0, shownLine + 1).c_str(), what.c_str());
        ++inFile;
      }
    }
    for (const auto& [n, headerLine] : headers) {
      if (n >= strings) break;
      ++stringsChecked;
      const std::vector<std::string> section = SectionAt(lines, headerLine);
      std::vector<LintFinding> found = LintSection(section, options);
      if (const auto hidden = shownElsewhere.find(n); hidden != shownElsewhere.end())
        found.insert(found.begin(), hidden->second);
      if (glossary.glossary) {
        const std::optional<std::vector<size_t>> terms = TermsOf(*glossary.glossary, form, b, n);
        if (!terms) return Fail(kExitBadInput, kNoShiftJisConverter);
        for (LintFinding& f : glossary.glossary->findings(*terms, section)) found.push_back(std::move(f));
      }
      if (const auto o = otherwise.find({b, n}); o != otherwise.end()) found.push_back(o->second);
      if (spelling.checker || glossary.glossary || !otherwise.empty()) {
        // Misspellings, glossary terms and other translations are findings of their own kinds, in
        // the order of their positions.
        if (spelling.checker)
          for (LintFinding& f : SpellSection(section, *spelling.checker, kMaxSuggestions))
            found.push_back(std::move(f));
        std::stable_sort(found.begin(), found.end(), [](const LintFinding& a, const LintFinding& b) {
          return a.line != b.line ? a.line < b.line : a.column < b.column;
        });
      }
      for (const LintFinding& f : found) {
        std::printf("%s:%d: %s: column %d: %s\n", file.c_str(), headerLine + f.line + 1,
                    FindingPlace(n, f.line, headerLine + 1).c_str(), f.column, f.message.c_str());
        ++inFile;
      }
    }
    findings += inFile;
    if (inFile > 0) ++filesWithFindings;
  }

  if (findings > 0) {
    std::printf("%d %s in %d %s (%d %s checked)\n", findings, NounFor(findings, "finding", "findings"),
                filesWithFindings, NounFor(filesWithFindings, "file", "files"), stringsChecked,
                NounFor(stringsChecked, "string", "strings"));
  } else {
    std::printf("no findings in %d %s (%d %s checked)\n", filesChecked,
                NounFor(filesChecked, "file", "files"), stringsChecked,
                NounFor(stringsChecked, "string", "strings"));
  }
  if (std::fflush(stdout) != 0) return CannotWrite(kExitBadInput, "-");
  return findings > 0 ? kExitBadInput : kExitOk;
}

const Registrar kRegister{kCheck};

}  // namespace
}  // namespace ts2::cli
