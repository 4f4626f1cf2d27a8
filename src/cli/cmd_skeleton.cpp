// ts2tool skeleton: the bytes the editor writes for a block's new translation file.
#include <cstdio>

#include "cli/cli.h"
#include "script/textfile.h"

namespace ts2::cli {
namespace {

constexpr char kUsage[] = "skeleton COUNT [-o FILE]";
constexpr char kSummary[] = "write the bytes of a new translation file for a block of COUNT strings";
constexpr uint64_t kMaxStrings = 0xFFFF;  // a block's string count is 16 bits

int RunSkeleton(const std::vector<std::string>& args) {
  const Command self{"skeleton", kUsage, kSummary, {}};
  ParsedArgs parsed;
  if (auto done = StartCommand(self, args, {"-o"}, {}, parsed)) return *done;
  if (parsed.positional.size() != 1) return UsageError(self, "expected one COUNT");
  const std::optional<uint64_t> count = ParseNumber(parsed.positional[0]);
  if (!count) return UsageError(self, "COUNT is not a number: " + parsed.positional[0]);
  if (*count > kMaxStrings) return UsageError(self, "COUNT must be at most 65535");

  const std::string bytes = TranslationSkeleton(static_cast<uint32_t>(*count));
  const std::string out = parsed.get("-o").value_or("");
  if (!WriteOutput(out, bytes.data(), bytes.size())) return CannotWrite(kExitBadInput, out);
  return kExitOk;
}

const Command kSkeleton{"skeleton", kUsage, kSummary, RunSkeleton};
const Registrar kRegister{kSkeleton};

}  // namespace
}  // namespace ts2::cli
