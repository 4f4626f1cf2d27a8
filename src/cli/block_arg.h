// --block B, shared by every command that takes a block. B names a block in one of three ways:
//   3          its line in the block list, counted from 0 (C notation: 0x prefix excepted);
//   C60000     its pointer table's address as the block list shows it ("Block C60000"), in
//              any letter case, also written "$C60000" as the data file writes it;
//   0x60000    its pointer table's offset in the ROM file (past any copier header).
// A word of decimal digits is an index when the list has that many blocks, else an address.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <vector>

#include "views/script.h"

namespace ts2 {
class TmyForm;
}

namespace ts2::cli {

struct BlockArg {
  enum class Kind { kIndex, kListed, kOffset };
  Kind kind = Kind::kIndex;
  uint64_t value = 0;       // the index, the listed address or the file offset
  std::string word;         // as given, for messages
  bool digitsOnly = false;  // an index that may also be read as a listed address
};

// The word's form; std::nullopt when it is none of the three (a usage error).
std::optional<BlockArg> ParseBlockArg(const std::string& word);

struct ParsedArgs;
// Reads option --block into `out` when it is given (`out` keeps its value otherwise). Returns the
// usage error text for a word of none of the forms.
std::optional<std::string> ReadBlockOption(const ParsedArgs& parsed, BlockArg& out);

// The block's line in the loaded program's block list, or an error text naming what was not found.
struct ResolvedBlock {
  std::optional<int> index;
  std::string error;
};
ResolvedBlock ResolveBlock(TmyForm& form, const BlockArg& arg);

// Keeps in `blocks` (every block of the list, in order) only the one --block names when it was
// given; the error text when it names none.
std::optional<std::string> KeepBlockGiven(TmyForm& form, const ParsedArgs& parsed, const BlockArg& arg,
                                          std::vector<ScriptBlock>& blocks);

}  // namespace ts2::cli
