// View > Go to String: a string, a block, or a line of a translation file, named as a translator
// types it or pastes it from ts2tool's output and the editor's windows (views/place.h).
#include <algorithm>
#include <cctype>

#include "core/fileutil.h"
#include "core/forms.h"
#include "script/lists.h"
#include "script/textfile.h"
#include "views/block_name.h"
#include "views/place.h"
#include "views/script_form.h"
#include "views/sections.h"

namespace ts2 {

namespace {

constexpr char kCaption[] = "Go to String";
constexpr char kPrompt[] =
    "A string of the shown block (12), a block and a string (CA0000 12), or a place as ts2tool "
    "prints it (000A0000.txt:25, Block CA0000 string 3):";

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// The byte position of 1-based `column` of 1-based `line` in editor text, or std::nullopt past
// its last line; a column past the line's end is its end.
std::optional<int> PositionOf(std::string_view text, int line, int column) {
  size_t start = 0;
  for (int l = 1; l < line; ++l) {
    const size_t nl = text.find('\n', start);
    if (nl == std::string_view::npos) return std::nullopt;
    start = nl + 1;
  }
  const size_t end = std::min(text.size(), text.find('\n', start));
  return static_cast<int>(std::min(end, start + static_cast<size_t>(std::max(1, column) - 1)));
}

}  // namespace

void TScriptForm::GoTo() {
  TmyForm& f = program.myForm;
  Toolkit& ui = program.ui;
  if (!f.gROM || ui.list(ControlId::bList).count() == 0) {
    ui.message("Open a ROM and its text block data file first: there is no string to go to.");
    return;
  }
  const std::optional<std::string> typed = ui.askText(kCaption, kPrompt, lastPlace_);
  if (!typed) return;
  lastPlace_ = *typed;
  const std::optional<PlaceRequest> place = ParsePlace(*typed);
  if (!place) {
    ui.message("\"" + *typed +
               "\" names no place: give a string number (12), a block and a string (CA0000 12), or a "
               "translation file's line (000A0000.txt:25).");
    return;
  }

  int block = f.gCurBlock;
  if (!place->block.empty()) {
    const ResolvedBlock resolved = ResolveBlock(f, *ParseBlockArg(place->block));
    if (!resolved.index) {
      ui.message(Format("There is no block %s: the data file lists %d.", place->block.c_str(),
                        std::min(ui.list(ControlId::bList).count(), kMaxBlocks)));
      return;
    }
    block = *resolved.index;
  } else if (!place->file.empty()) {
    const std::vector<ScriptBlock> all = ScriptBlocks(f, f.gDumpDir);
    const auto named = std::find_if(all.begin(), all.end(), [&](const ScriptBlock& b) {
      return SameName(ExtractFileName(b.file), place->file);
    });
    if (named == all.end()) {
      ui.message("No block of this script has the translation file \"" + place->file + "\".");
      return;
    }
    block = named->index;
  }
  const BlockEntry entry = *BlockAt(f, block);
  if (place->string && *place->string >= entry.strings) {
    ui.message(Format("%s has %u strings: there is no string %u.",
                      ui.list(ControlId::bList).line(block).c_str(), static_cast<unsigned>(entry.strings),
                      static_cast<unsigned>(*place->string)));
    return;
  }
  if (block != f.gCurBlock || f.gTextPath != TranslationFileName(f.gDumpDir, entry.offset)) {
    if (!SelectBlock(block)) return;  // the translator kept the block shown
  }

  RichEdit& editor = ui.richEdit(ControlId::TDMemo);
  std::optional<int> caret;
  std::optional<uint32_t> string = place->string;
  if (place->line) {
    const std::string text = editor.text();
    caret = PositionOf(text, *place->line, place->column.value_or(1));
    if (!caret) {
      ui.message(Format("\"%s\" has no line %d.", ExtractFileName(f.gTextPath).c_str(), *place->line));
      return;
    }
    if (!string) {  // the string whose section holds the line, if any
      const SectionIndex index(text, f.gCurStringCount);
      for (uint32_t s = 0; s < index.strings() && !string; ++s)
        if (index.header(s) >= 0 && index.header(s) <= *place->line - 1 &&
            *place->line - 1 <= index.lastLine(s))
          string = s;
    }
  }
  if (string) {
    ListBox& pList = ui.list(ControlId::pList);
    // The string's section is searched from the start of the text, not behind a selection.
    editor.setSelection(editor.selStart(), 0);
    pList.setItemIndex(static_cast<int>(*string));
    program.listClick(ControlId::pList);
  }
  if (caret) editor.setSelection(*caret, 0);
}

}  // namespace ts2
