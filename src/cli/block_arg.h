// --block B, shared by every command that takes a block: B names a block as views/block_name.h
// says (its index, its address as the block list shows it, or its pointer table's file offset).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "views/block_name.h"
#include "views/script.h"

namespace ts2 {
class TmyForm;
}

namespace ts2::cli {

using ts2::BlockArg;
using ts2::ParseBlockArg;
using ts2::ResolveBlock;
using ts2::ResolvedBlock;

struct ParsedArgs;
// Reads option --block into `out` when it is given (`out` keeps its value otherwise). Returns the
// usage error text for a word of none of the forms.
std::optional<std::string> ReadBlockOption(const ParsedArgs& parsed, BlockArg& out);

// Keeps in `blocks` (every block of the list, in order) only the one --block names when it was
// given; the error text when it names none.
std::optional<std::string> KeepBlockGiven(TmyForm& form, const ParsedArgs& parsed, const BlockArg& arg,
                                          std::vector<ScriptBlock>& blocks);

}  // namespace ts2::cli
