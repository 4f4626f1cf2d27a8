#include "cli/block_arg.h"

#include "cli/cli.h"
#include "core/fileutil.h"
#include "core/forms.h"

namespace ts2::cli {

std::optional<std::string> ReadBlockOption(const ParsedArgs& parsed, BlockArg& out) {
  const auto word = parsed.get("--block");
  if (!word) return std::nullopt;
  const auto arg = ParseBlockArg(*word);
  if (!arg)
    return "--block takes an index, an address as the block list shows it (C60000) or a file offset "
           "(0x60000), not '" +
           *word + "'";
  out = *arg;
  return std::nullopt;
}

std::optional<std::string> KeepBlockGiven(TmyForm& form, const ParsedArgs& parsed, const BlockArg& arg,
                                          std::vector<ScriptBlock>& blocks) {
  if (!parsed.has("--block")) return std::nullopt;
  const ResolvedBlock block = ResolveBlock(form, arg);
  if (!block.index || static_cast<size_t>(*block.index) >= blocks.size())
    return block.error.empty() ? "block " + arg.word + " does not exist" : block.error;
  blocks = {blocks[static_cast<size_t>(*block.index)]};
  return std::nullopt;
}

}  // namespace ts2::cli
