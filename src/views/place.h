// A place in the script as a translator types it, or pastes it from what ts2tool and the editor
// print, for View > Go to String:
//
//   12                                     string 12 of the shown block ("String# 12" too)
//   CA0000 12, CA0000:12, Block CA0000 string 12, block 0 string 12
//                                          a block (as --block names it) and a string
//   Block CA0000                           a block, at its first string
//   Dumps/000A0000.txt:25                  a line of a translation file (ts2tool check, find,
//   000A0000.txt:25: string 3, line 2 (file line 25): column 7: ...   and PO references)
//   000A0000.txt .STRING 3                 a PO entry's context (msgctxt)
//
// Whatever follows ": " after the place (a finding's message, a matched line) is left aside.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "views/script.h"

namespace ts2 {

struct PlaceRequest {
  std::string block;  // a block as views/block_name.h reads it; empty when none is named
  std::string file;   // a translation file's name, without its folder; empty when none is named
  std::optional<uint32_t> string;
  std::optional<int> line;    // 1-based line of the translation file
  std::optional<int> column;  // 1-based byte column of that line
};

// std::nullopt for a text that names no place in one of the forms above.
std::optional<PlaceRequest> ParsePlace(std::string_view text);

// Where a place is in the loaded script.
struct ResolvedPlace {
  int block = -1;                   // its line in the block list
  std::optional<uint32_t> string;   // none: no string named (a block alone, a line between sections)
  std::optional<int> line, column;  // a translation file's line and column (1-based), as given
  std::string error;                // why the script has no such place; empty when it has
};
// `blocks` are the script's blocks with their files (ScriptBlocks); a string alone belongs to block
// `current`; `textOf` gives a block's translation text (the shown block's as the Text Editor holds
// it), read for a line: it must have the line, and the string whose section holds it is named.
ResolvedPlace ResolvePlace(const TmyForm& form, const PlaceRequest& place,
                           const std::vector<ScriptBlock>& blocks, int current, const TextOfBlock& textOf);

}  // namespace ts2
