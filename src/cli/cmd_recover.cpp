// ts2tool recover: the unsaved text the editor kept for a script's translation files (typed and
// never saved, left behind by a crash), listed, written over its files, or discarded.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "cli/cli.h"
#include "cli/show_string.h"
#include "core/filestamp.h"
#include "core/fileutil.h"
#include "script/autosave.h"
#include "views/script.h"

namespace ts2::cli {
namespace {

int RunRecover(const std::vector<std::string>& args);

const Command kRecover{
    "recover", "recover ROM DATAFILE [--dumps DIR] [--autosave DIR] [--restore [--force] | --discard] [-n]",
    "list, restore or discard the unsaved text the editor kept for the translation files", RunRecover};

constexpr char kRecoverHelp[] =
    "Opens ROM with DATAFILE as the editor does and looks for text typed into one of the\n"
    "script's translation files (in DIR, default ./Dumps) and never saved: the copy the editor\n"
    "keeps in its autosave folder while typing pauses, which a crash or a killed session leaves\n"
    "behind and the editor offers back when the block is shown again.\n"
    "Prints each such file with the time its text was kept (local time), the strings that read\n"
    "otherwise in it, and whether the file changed since, then a summary. Text an editor that\n"
    "still runs keeps is its own: it is named, and left alone.\n"
    "  --autosave DIR  the editor's autosave folder (default $XDG_STATE_HOME/ts2edit/autosave,\n"
    "                  or ~/.local/state/ts2edit/autosave)\n"
    "  --restore       write each kept text over its file, whole or not at all, and remove the\n"
    "                  copy; a file changed since the text was typed is left alone, and so is a\n"
    "                  file with copies from several editors (the editor offers each)\n"
    "  --force         with --restore: restore over a file changed since as well\n"
    "  --discard       remove the copies; the files stay as they are\n"
    "  -n              change nothing: print what would be done\n"
    "Exit status: 0; 1 for inputs that cannot be read, a file changed since and not restored,\n"
    "or a file or copy that could not be written or removed; 2 for wrong usage.\n";

int RunRecover(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = StartCommand(kRecover, args, {"--dumps", "--autosave"},
                               {"--restore", "--force", "--discard", "-n"}, parsed, kRecoverHelp))
    return *done;
  if (parsed.positional.size() != 2) return UsageError(kRecover, "expected ROM and DATAFILE");
  const bool restore = parsed.has("--restore"), discard = parsed.has("--discard"),
             force = parsed.has("--force");
  const bool dryRun = parsed.has("-n");
  if (restore && discard) return UsageError(kRecover, "--restore and --discard exclude each other");
  if (force && !restore) return UsageError(kRecover, "--force goes with --restore");
  const std::string folder = parsed.get("--autosave").value_or(UserAutosaveFolder());
  if (folder.empty())
    return Fail(kExitBadInput, "no autosave folder: set HOME or XDG_STATE_HOME, or give --autosave");
  const std::string dumps = DumpsFolder(parsed);
  // Held from the first read of a translation file to the last write: another command changing
  // them meanwhile would otherwise see its change written over with this one's old text.
  const FolderLock folderLock(dumps);
  if (!folderLock.held()) return Fail(kExitBadInput, FolderBusy(dumps));

  ShownString shown;
  if (auto status = OpenRom(shown, parsed.positional[0], parsed.positional[1])) return *status;
  const std::vector<ScriptBlock> blocks = BlocksByFile(ScriptBlocks(shown.program.form(), dumps));
  if (auto status = RefuseUnreadable(blocks, kExitBadInput)) return *status;
  // Run away from the project, DIR names no folder: that is said, as the other commands say it,
  // rather than reported as nothing kept. Copies that name files there are still listed.
  std::error_code ec;
  if (!std::filesystem::is_directory(dumps, ec) &&
      std::none_of(blocks.begin(), blocks.end(), [&](const ScriptBlock& b) {
        return !LeftKeptTexts(folder, b.file).empty() || !EditorsKeeping(folder, b.file).empty();
      }))
    return Fail(kExitBadInput, "no translation folder " + dumps);
  std::string out;
  bool failed = false;
  size_t found = 0, done = 0;
  for (const ScriptBlock& b : blocks) {
    // A running editor's copy is its own: it goes when that editor saves or drops the text.
    const std::vector<long> editors = EditorsKeeping(folder, b.file);
    if (!editors.empty()) {
      out += b.file + ": being edited in a running editor (" + ProcessesNamed(editors) + "); left alone\n";
      // Another copy restored now would be written under that editor, whose next save replaces
      // it (or whose text it replaces): the file is left to the editor that has it open.
      if (restore) continue;
    }
    const std::vector<KeptText> copies = LeftKeptTexts(folder, b.file);
    if (copies.empty()) continue;
    ++found;
    const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(b.file);
    const std::string onDisk = bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
    size_t handled = 0;
    for (const KeptText& copy : copies) {
      const std::vector<uint32_t> differ =
          StringsThatDiffer(FileBytesToEditorText(onDisk), FileBytesToEditorText(copy.bytes), b.strings);
      // A file the editor could not make when the typing began is as it was while it is still
      // missing; one made since is another program's.
      const bool neverMade = copy.info && copy.info->baseAbsent();
      const bool changed =
          copy.info && copy.info->baseKnown &&
          (neverMade ? bytes.has_value() : !bytes || HashBytes(*bytes) != copy.info->baseHash);
      // Without its note (cut short between its two writes) what the copy was begun from is not
      // known: it may have changed since, and is restored only when forced, as a change is.
      const bool unknown = !copy.info;
      const std::string when = copy.info ? LocalTime(copy.info->time) : std::string();
      std::string line =
          b.file + ": kept " + (when.empty() ? std::string("at an unknown time") : when) + "; " +
          (differ.empty() ? std::string("no string differs")
                          : StringsNamed(differ) + (differ.size() == 1 ? " differs" : " differ")) +
          (changed ? (!bytes      ? "; the file is gone"
                      : neverMade ? "; the file was made since"
                                  : "; the file changed since")
                   : (neverMade ? "; the file was never made" : "")) +
          (unknown ? "; whether the file changed since is not known" : "");
      if (restore && copies.size() > 1) {
        // One would be written over the other: the editor offers each, to restore or keep.
        line += "; not restored (" + std::to_string(copies.size()) + " copies: the editor offers each)";
        failed = true;
      } else if (restore && (changed || unknown) && !force) {
        line += "; not restored (--force restores it)";
        failed = true;
      } else if (restore) {
        std::string error;
        if (!dryRun && !WriteFileAtomic(b.file, copy.bytes.data(), copy.bytes.size(), &error)) {
          Fail(kExitBadInput, error + (LeftAsItWas(error) ? "; " + b.file + " was left as it was" : ""));
          failed = true;
          continue;
        }
        if (!dryRun && !RemoveKeptText(folder, b.file, copy.slot)) {
          Fail(kExitBadInput, "restored " + b.file + ", but could not remove its copy in " + folder);
          failed = true;
        }
        line += dryRun ? "; would be restored" : "; restored";
        ++handled;
      } else if (discard) {
        if (!dryRun && !RemoveKeptText(folder, b.file, copy.slot)) {
          Fail(kExitBadInput, "could not remove the copy of " + b.file + " in " + folder);
          failed = true;
          continue;
        }
        line += dryRun ? "; would be discarded" : "; discarded";
        ++handled;
      }
      out += line + "\n";
    }
    if (handled == copies.size()) ++done;
  }
  if (restore || discard)
    out += Plural(done, "file", "files") + (dryRun ? " would be " : " ") +
           (restore ? "restored" : "discarded") + " of " + std::to_string(found) + " with unsaved text\n";
  else
    out += Plural(found, "file", "files") + " with unsaved text\n";
  if (!WriteOutput("-", out.data(), out.size())) return CannotWrite(kExitBadInput, "-");
  return failed ? kExitBadInput : kExitOk;
}

const Registrar kRegister{kRecover};

}  // namespace
}  // namespace ts2::cli
