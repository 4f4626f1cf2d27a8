// ts2tool wrap: every line too wide for the translation box broken at spaces, in every block's
// translation (or one block's), as Wrap Long Lines does for the string the editor shows.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "cli/block_arg.h"
#include "cli/cli.h"
#include "cli/lint_args.h"
#include "cli/show_string.h"
#include "cli/utf8_text.h"
#include "core/fileutil.h"
#include "core/utf8.h"
#include "display/wrap.h"
#include "views/po_exchange.h"
#include "views/sections.h"

namespace ts2::cli {
namespace {

int RunWrap(const std::vector<std::string>& args);

const Command kWrap{"wrap",
                    "wrap ROM DATAFILE [--block B] [--dumps DIR] [--vwf on|off] [--player-width N] [-n]",
                    "break the translation lines too wide for the box at spaces", RunWrap};

constexpr char kWrapHelp[] =
    "Opens ROM with DATAFILE as the editor does and, in the translation files in DIR (default\n"
    "./Dumps) of block B or of every block, breaks each text line that `ts2tool check` finds too\n"
    "wide for the translation box at the last space before the pixel where it passes the wrap\n"
    "point, as often as it takes (the game would break it in the middle of a word). Lines are\n"
    "only broken, never joined; blanks at a break are dropped. Every other byte of a file stays as\n"
    "it was, and each file is written whole or not at all. Prints the new lines of each string\n"
    "changed,  FILE:LINE: string N: TEXT  (UTF-8), each line that holds a word wider than the box\n"
    "(it cannot be broken at a space), then a summary.\n"
    "  -n  change nothing: print what would change\n"
    "--vwf and --player-width are those of check. Exit status: 0; 1 for inputs that cannot be\n"
    "read or a file that could not be written; 2 for wrong usage.\n";

int RunWrap(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = StartCommand(kWrap, args, {"--block", "--dumps", "--vwf", "--player-width"}, {"-n"}, parsed,
                               kWrapHelp))
    return *done;
  if (parsed.positional.size() != 2) return UsageError(kWrap, "expected ROM and DATAFILE");
  LintOptions options;
  std::optional<bool> vwf;
  if (auto bad = ReadLintArgs(parsed, options, vwf)) return UsageError(kWrap, *bad);
  BlockArg blockArg;
  if (auto bad = ReadBlockOption(parsed, blockArg)) return UsageError(kWrap, *bad);
  const bool dryRun = parsed.has("-n");
  const std::string dumps = DumpsFolder(parsed);
  std::error_code ec;
  if (!std::filesystem::is_directory(dumps, ec)) return Fail(kExitBadInput, "no translation folder " + dumps);
  // Held from the first read of a translation file to the last write: another command changing
  // them meanwhile would otherwise see its change written over with this one's old text.
  const FolderLock folderLock(dumps);
  if (!folderLock.held()) return Fail(kExitBadInput, FolderBusy(dumps));

  ShownString shown;
  if (auto status = OpenRom(shown, parsed.positional[0], parsed.positional[1])) return *status;
  TmyForm& form = shown.program.form();
  options.variableWidth = vwf.value_or(form.Checked(MenuId::UseVWFRoutine1));
  std::vector<ScriptBlock> blocks = ScriptBlocks(form, dumps);
  if (auto bad = KeepBlockGiven(form, parsed, blockArg, blocks)) return Fail(kExitBadInput, *bad);
  if (auto status = RefuseUnreadable(blocks, kExitBadInput)) return *status;

  size_t breaks = 0, strings = 0, files = 0, stuck = 0;
  bool failed = false;
  std::string out;
  for (const ScriptBlock& b : BlocksByFile(blocks)) {
    const std::optional<std::string> text = FileText(b);
    if (!text) continue;
    const SectionIndex index(*text, b.strings);
    struct Result {
      uint32_t string;
      Wrapped wrapped;
      size_t bodyEnd;  // in wrapped.lines: the closing line, or the line count without one
      int added;       // lines the body gains
    };
    std::vector<Result> results;
    std::vector<NewBody> bodies;
    for (uint32_t n = 0; n < b.strings; ++n) {
      if (index.header(n) < 0) continue;
      const auto [first, end] = index.body(n);
      std::vector<std::string> lines{std::string(index.line(index.header(n)))};
      for (int l = first; l < end; ++l) lines.emplace_back(index.line(l));
      const bool closed = end < static_cast<int>(index.lines().size()) && IsSectionEnd(index.line(end));
      if (closed) lines.emplace_back(index.line(end));
      Wrapped w = WrapLongLines(lines, options);
      const size_t bodyEnd = w.lines.size() - (closed ? 1 : 0);
      const int added = static_cast<int>(bodyEnd - 1) - (end - first);
      if (w.changed) {
        bodies.push_back({n, std::vector<std::string>(w.lines.begin() + 1, w.lines.begin() + bodyEnd), 0});
      }
      if (w.changed || !w.unbreakable.empty()) results.push_back({n, std::move(w), bodyEnd, added});
    }
    BodiesReplaced replaced;
    if (!bodies.empty()) replaced = ReplaceBodies(*text, b.strings, bodies);
    // Lines are named where they are in the file as written: a string's lines move down by the
    // lines that the bodies before its header gained (a body left out, sharing its header with
    // another string's, gains none).
    std::vector<std::pair<int, int>> gains;  // header line, lines gained
    for (const Result& r : results) {
      const bool left =
          std::any_of(replaced.shared.begin(), replaced.shared.end(),
                      [&](const BodiesReplaced::Shared& s) { return s.body->string == r.string; });
      if (r.wrapped.changed && !left) gains.emplace_back(index.header(r.string), r.added);
    }
    std::string said;
    for (const Result& r : results) {
      int line = index.header(r.string) + 1;  // the header's file line
      for (const auto& [header, added] : gains)
        if (header < index.header(r.string)) line += added;
      const auto fileLine = [&](size_t l) { return line + static_cast<int>(l); };
      for (int l : r.wrapped.unbreakable)
        said += Format("%s:%d: string %u: holds a word wider than the box: ", b.file.c_str(),
                       fileLine(static_cast<size_t>(l)), r.string) +
                Cp1252ToUtf8(r.wrapped.lines[static_cast<size_t>(l)]) + "\n";
      stuck += r.wrapped.unbreakable.size();
      if (!r.wrapped.changed) continue;
      for (size_t l = 1; l < r.bodyEnd; ++l)
        said += Format("%s:%d: string %u: ", b.file.c_str(), fileLine(l), r.string) +
                Cp1252ToUtf8(r.wrapped.lines[l]) + "\n";
    }
    if (!bodies.empty()) {
      std::string error;
      if (!dryRun && !WriteFileAtomic(b.file, replaced.text.data(), replaced.text.size(), &error)) {
        Fail(kExitBadInput, error + (LeftAsItWas(error) ? "; " + b.file + " was left as it was" : ""));
        failed = true;
        continue;
      }
      // Counted once written, of the strings whose sections the file now holds changed.
      for (const Result& r : results)
        if (r.wrapped.changed &&
            std::find(replaced.changed.begin(), replaced.changed.end(), r.string) != replaced.changed.end())
          breaks += static_cast<size_t>(r.wrapped.breaks);
      strings += replaced.changed.size();
      ++files;
    }
    out += said;
  }
  out += Plural(breaks, "line break", "line breaks") + (dryRun ? " would be added" : " added") + " in " +
         Plural(strings, "string", "strings") + " of " + Plural(files, "file", "files") +
         (stuck ? "; " + Plural(stuck, "line holds", "lines hold") + " a word wider than the box"
                : std::string()) +
         "\n";
  if (!WriteOutput("-", out.data(), out.size())) return CannotWrite(kExitBadInput, "-");
  return failed ? kExitBadInput : kExitOk;
}

const Registrar kRegister{kWrap};

}  // namespace
}  // namespace ts2::cli
