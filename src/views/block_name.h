// A block named as the editor and ts2tool name it, in one of three ways:
//   3          its line in the block list, counted from 0 (C notation: 0x prefix excepted);
//   C60000     its pointer table's address as the block list shows it ("Block C60000"), in
//              any letter case, also written "$C60000" as the data file writes it;
//   0x60000    its pointer table's offset in the ROM file (past any copier header).
// A word of decimal digits is an index when the list has that many blocks, else an address.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ts2 {

class TmyForm;

struct BlockArg {
  enum class Kind { kIndex, kListed, kOffset };
  Kind kind = Kind::kIndex;
  uint64_t value = 0;       // the index, the listed address or the file offset
  std::string word;         // as given, for messages
  bool digitsOnly = false;  // an index that may also be read as a listed address
};

// The address in a line of the block list ("CA0000" of "Block CA0000"); the line itself when it
// is not in the list's form.
std::string_view ListedAddress(std::string_view line);

// The word's form; std::nullopt when it is none of the three.
std::optional<BlockArg> ParseBlockArg(const std::string& word);

// The block's line in the loaded program's block list, or an error text naming what was not found.
struct ResolvedBlock {
  std::optional<int> index;
  std::string error;
};
ResolvedBlock ResolveBlock(const TmyForm& form, const BlockArg& arg);

}  // namespace ts2
