#include "views/block_name.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "core/fileutil.h"
#include "core/forms.h"

namespace ts2 {

namespace {

constexpr std::string_view kListPrefix = "Block ";  // how the block list shows a block

bool AllOf(std::string_view s, int (*test)(int)) {
  return !s.empty() &&
         std::all_of(s.begin(), s.end(), [test](char c) { return test(static_cast<unsigned char>(c)) != 0; });
}

// A run of at most 8 hex digits as a number.
std::optional<uint64_t> HexWord(std::string_view s) {
  if (!AllOf(s, isxdigit) || s.size() > 8) return std::nullopt;
  return std::stoull(std::string(s), nullptr, 16);
}

}  // namespace

std::string_view ListedAddress(std::string_view line) {
  return line.starts_with(kListPrefix) ? line.substr(kListPrefix.size()) : line;
}

std::optional<BlockArg> ParseBlockArg(const std::string& word) {
  BlockArg arg;
  arg.word = word;
  if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
    const auto n = ParseCNumber(word);
    if (!n) return std::nullopt;
    arg.kind = BlockArg::Kind::kOffset;
    arg.value = *n;
    return arg;
  }
  if (AllOf(word, isdigit)) {
    const auto n = ParseCNumber(word);
    if (n) {
      arg.kind = BlockArg::Kind::kIndex;
      arg.value = *n;
      arg.digitsOnly = true;
      return arg;
    }
  }
  const auto listed = HexWord(!word.empty() && word[0] == '$' ? std::string_view(word).substr(1) : word);
  if (!listed) return std::nullopt;
  arg.kind = BlockArg::Kind::kListed;
  arg.value = *listed;
  return arg;
}

ResolvedBlock ResolveBlock(const TmyForm& form, const BlockArg& arg) {
  const ListBox& list = form.ui.list(ControlId::bList);
  const int blocks = std::min(list.count(), kMaxBlocks);
  auto listedAs = [&](uint64_t address) -> std::optional<int> {
    for (int i = 0; i < blocks; ++i) {
      const std::string line = list.line(i);
      if (!std::string_view(line).starts_with(kListPrefix)) continue;
      if (HexWord(ListedAddress(line)) == address) return i;
    }
    return std::nullopt;
  };
  ResolvedBlock out;
  switch (arg.kind) {
    case BlockArg::Kind::kIndex:
      if (arg.value < static_cast<uint64_t>(blocks)) {
        out.index = static_cast<int>(arg.value);
      } else if (const auto address = arg.digitsOnly ? HexWord(arg.word) : std::nullopt) {
        out.index = listedAs(*address);
      }
      break;
    case BlockArg::Kind::kListed: out.index = listedAs(arg.value); break;
    case BlockArg::Kind::kOffset:
      for (int i = 0; i < blocks && !out.index; ++i)
        if (form.gBlockOffset[static_cast<size_t>(i)] == arg.value) out.index = i;
      break;
  }
  if (!out.index)
    out.error = Format("block %s does not exist (the data file lists %d)",
                       // a block not named on the command line is the first, block 0
                       (arg.word.empty() ? std::to_string(arg.value) : arg.word).c_str(), blocks);
  return out;
}

}  // namespace ts2
