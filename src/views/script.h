// The whole script at once: every block's translation file, read for progress, find and replace,
// and every block's original strings, read for find.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/forms.h"
#include "views/find.h"

namespace ts2 {

// Runs a file dialog (`save`: the save dialog) for a command of these views. A confirmed desktop
// dialog moves the working directory to the chosen file's folder, where the described commands
// then work (PATCH's temporary file): it is put back. The chosen name is made absolute. False when
// cancelled.
bool RunKeepingDirectory(Toolkit& ui, FileDialog& dialog, bool save);

// A block of the loaded script and its translation file.
struct ScriptBlock {
  int index = 0;       // its line in the block list
  uint32_t table = 0;  // ROM offset of its pointer table
  uint32_t strings = 0;
  std::string file;  // the translation file's path
};
// Every block of the block list, with its translation file in `dumps`.
std::vector<ScriptBlock> ScriptBlocks(const TmyForm& form, const std::string& dumps);
// The blocks with a file of their own, in block order: blocks that share a pointer table share a
// file, which is read once, for the one with the most strings (the first of those), whose
// strings are the others' and more.
std::vector<ScriptBlock> BlocksByFile(const std::vector<ScriptBlock>& blocks);

// The translation files of `blocks` that are there but cannot be read, each as "FILE: why" (the
// file `except` names, whose text is held elsewhere, aside). A command over the whole script stops
// on one: taken for a missing file, its translations would be reported as absent, or a file
// written in its place would lose them.
std::vector<std::string> UnreadableFiles(const std::vector<ScriptBlock>& blocks,
                                         const std::string& except = "");

// The editor's words for such files ("Error: 1 translation file is there but cannot be read: ..."),
// followed by `nothing` (what was not done); empty when there are none.
std::string UnreadableMessage(const std::vector<std::string>& files, const std::string& nothing);

// A match in a translation, with its block and the line that holds it.
struct ScriptMatch {
  int block = 0;
  TextMatch at;
  std::string lineText;  // the line's bytes, without its line end
};
// The text to search for a block: its file's bytes, or (for the block the Text Editor shows) the
// editor's unsaved text; std::nullopt when there is none (no file yet).
using TextOfBlock = std::function<std::optional<std::string>(const ScriptBlock&)>;
std::optional<std::string> FileText(const ScriptBlock& block);
// Matches in every block's translation, in block order, then in order of position.
std::vector<ScriptMatch> FindInTranslations(const std::vector<ScriptBlock>& blocks, const TextFinder& finder,
                                            const TextOfBlock& textOf = FileText);

// A match in an original ROM string, as the character table writes it (Shift-JIS text, lines
// separated by CR LF).
struct OriginalMatch {
  int block = 0;
  uint32_t string = 0;
  int line = 0;       // 0-based line of the string's text
  size_t column = 0;  // byte offset in that line
  std::string lineText;
};
// Matches in the original text of every string of `blocks` (the finder's encoding should be
// Shift-JIS).
std::vector<OriginalMatch> FindInOriginal(const TmyForm& form, const std::vector<ScriptBlock>& blocks,
                                          const TextFinder& finder);

// Replace All in translation files: each file with a match inside a section body is read,
// changed and written again whole (WriteFileAtomic), or left exactly as it was when it cannot be.
struct FileReplaced {
  std::string file;
  int replacements = 0;
  std::string error;   // empty when the file was written
  std::string before;  // the file's bytes before
  uint64_t after = 0;  // HashBytes of the bytes written
};
std::vector<FileReplaced> ReplaceInFiles(const std::vector<ScriptBlock>& blocks, const TextFinder& finder,
                                         std::string_view replacement);
// Where replacing in these blocks' files would make a line read as a section header or ".ENDS"
// (the file and its 1-based line), which must not be done. `shown` stands for the text of the
// file `shownFile`, which the editor holds.
struct SectionBreak {
  std::string file;
  int line = 0;
  bool endsString = false;  // the line would begin with ".ENDS", where the string's bytes end
};
std::optional<SectionBreak> ReplacingBreaksSections(const std::vector<ScriptBlock>& blocks,
                                                    const TextFinder& finder, std::string_view replacement,
                                                    const std::string& shownFile = {},
                                                    std::string_view shown = {});

}  // namespace ts2
