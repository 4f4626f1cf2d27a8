// ts2tool proof: every string of the script (or of one block) drawn as the editor draws it, with
// its original, its translation and its findings, in one HTML page for proofreaders.
#include <QImage>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "cli/cli.h"
#include "cli/lint_args.h"
#include "cli/png_out.h"
#include "cli/show_string.h"
#include "cli/sjis_utf8.h"
#include "core/fileutil.h"
#include "script/autosave.h"
#include "views/proof.h"

namespace ts2::cli {

namespace {

// When the sheet says it was made: now, in local time; or, when SOURCE_DATE_EPOCH is set (the
// reproducible-builds convention a CI job sets), that moment in UTC, so that the same files make
// the same page wherever and whenever the job runs.
std::string MadeWhen() {
  const char* fixed = std::getenv("SOURCE_DATE_EPOCH");
  if (!fixed || !*fixed) return LocalTime(static_cast<int64_t>(std::time(nullptr)));
  char* end = nullptr;
  errno = 0;
  const long long seconds = std::strtoll(fixed, &end, 10);
  std::tm utc{};
  const std::time_t t = static_cast<std::time_t>(seconds);
  char text[40];
  if (errno != 0 || *end != '\0' || seconds < 0 || !gmtime_r(&t, &utc) ||
      std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &utc) == 0)
    return LocalTime(static_cast<int64_t>(std::time(nullptr)));
  return text;
}

}  // namespace

namespace {

int RunProof(const std::vector<std::string>& args);

const Command kProof{
    "proof",
    "proof ROM DATAFILE [--block B] [--dumps DIR] [--only all|untranslated|translated|findings] [--since "
    "DIR] "
    "[--vwf on|off] [--player-width N] [--glossary FILE] [--color blue|green|red] "
    "[--fill gradient|solid] -o OUT.html",
    "every string drawn as the editor shows it, with its texts and findings, in one HTML page", RunProof};

constexpr char kProofHelp[] =
    "Opens ROM with DATAFILE as the editor does and writes a proof sheet: for every string of every\n"
    "block (or of block B), the editor's picture of it (the original in the game's text box, the\n"
    "translation below), the original's text through the character table, the translation's lines\n"
    "from its file in DIR (default ./Dumps) and what check finds in them. One HTML file with its\n"
    "pictures inside, for a proofreader's browser or printer; no file but OUT is written.\n"
    "--only keeps the strings not translated yet, the translated ones, or those with findings.\n"
    "--since DIR keeps the strings whose translation differs from the one in DIR, an earlier state\n"
    "of the translations folder (the one last proofread), and shows what each was:\n"
    "  git archive reviewed Dumps | tar -x -C /tmp/reviewed\n"
    "  ts2tool proof ROM DATAFILE --since /tmp/reviewed/Dumps -o changes.html\n"
    "--vwf, --player-width and --glossary are those of check; --color and --fill those of render.\n"
    "Each string is headed by its place (CA0000 3), which the editor's Go to String and\n"
    "render --at read. OUT - writes the page to standard output.\n"
    "Exit status: 0 written, 1 for unreadable inputs or an OUT that cannot be written, 2 for wrong\n"
    "usage.\n";

int RunProof(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = StartCommand(kProof, args,
                               {"--block", "--dumps", "--only", "--since", "--vwf", "--player-width",
                                "--glossary", "--color", "--fill", "-o"},
                               {}, parsed, kProofHelp))
    return *done;
  if (parsed.positional.size() != 2) return UsageError(kProof, "expected ROM and DATAFILE");
  const auto out = parsed.get("-o");
  if (!out || out->empty()) return UsageError(kProof, "missing -o OUT.html");
  ProofRequest request;
  if (auto only = parsed.get("--only")) {
    const std::optional<ProofFilter> filter = ParseProofFilter(*only);
    if (!filter)
      return UsageError(kProof,
                        "--only takes all, untranslated, translated or findings, not '" + *only + "'");
    request.filter = *filter;
  }
  std::optional<bool> vwf;
  if (auto bad = ReadLintArgs(parsed, request.lint, vwf)) return UsageError(kProof, *bad);
  ViewOptions view;
  if (auto bad = ReadViewOptions(parsed, view)) return UsageError(kProof, *bad);
  BlockArg blockArg;
  if (auto bad = ReadBlockOption(parsed, blockArg)) return UsageError(kProof, *bad);
  const std::string dumps = DumpsFolder(parsed);
  // A folder named wrongly would draw every string untranslated.
  std::error_code ec;
  if (!std::filesystem::is_directory(dumps, ec)) return Fail(kExitBadInput, "no translation folder " + dumps);
  const GlossaryRead glossary = ReadGlossary(parsed, dumps);
  if (glossary.failed) return *glossary.failed;

  ShownString shown;
  if (auto status = OpenRom(shown, parsed.positional[0], parsed.positional[1])) return *status;
  TmyForm& form = shown.program.form();
  view.apply(form);
  request.lint.variableWidth = vwf.value_or(form.Checked(MenuId::UseVWFRoutine1));
  if (parsed.has("--block")) {
    const ResolvedBlock block = ResolveBlock(form, blockArg);
    if (!block.index) return Fail(kExitBadInput, block.error);
    request.blocks.push_back(ProofBlock{*block.index, std::nullopt});
  } else {
    for (int b = 0; b < form.ui.list(ControlId::bList).count(); ++b)
      request.blocks.push_back(ProofBlock{b, std::nullopt});
  }
  const std::vector<ScriptBlock> all = ScriptBlocks(form, dumps);
  std::vector<ScriptBlock> drawn;
  for (const ProofBlock& b : request.blocks)
    if (static_cast<size_t>(b.index) < all.size()) drawn.push_back(all[static_cast<size_t>(b.index)]);
  if (auto status = RefuseUnreadable(drawn, kExitBadInput)) return *status;
  request.romName = ExtractFileName(parsed.positional[0]);
  request.dataName = ExtractFileName(parsed.positional[1]);
  request.dumpsName = dumps;
  request.dumpsDir = dumps;
  request.made = MadeWhen();
  request.glossary = glossary.glossary ? &*glossary.glossary : nullptr;
  if (auto since = parsed.get("--since")) {
    std::error_code ec;
    if (!std::filesystem::is_directory(*since, ec))
      return Fail(kExitBadInput, "--since: no folder " + *since);
    request.sinceDir = *since;
    // The earlier files too: one that cannot be read would mark every string of its block changed.
    for (ScriptBlock& b : drawn) b.file = *since + kPathSep + ExtractFileName(b.file);
    if (auto status = RefuseUnreadable(drawn, kExitBadInput)) return *status;
  }

  bool failed = false;
  ProofCount count;
  const std::string html = ProofSheet(
      form, shown.session, request, [](const Bitmap& bitmap) { return PngBytes(BitmapImage(bitmap)); },
      OriginalsToUtf8(failed), &count);
  if (failed) return Fail(kExitBadInput, kNoShiftJisConverter);
  if (!WriteOutput(*out, html.data(), html.size())) return CannotWrite(kExitBadInput, *out);
  if (*out != "-")
    std::printf("%s: %u of %u strings in %u %s\n", out->c_str(), count.shown, count.strings, count.blocks,
                count.blocks == 1 ? "block" : "blocks");
  return kExitOk;
}

const Registrar kRegister{kProof};

}  // namespace
}  // namespace ts2::cli
