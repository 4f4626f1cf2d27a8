#include "cli/lint_args.h"

#include "core/fileutil.h"

namespace ts2::cli {

std::optional<std::string> ReadLintArgs(const ParsedArgs& parsed, LintOptions& options,
                                        std::optional<bool>& vwf) {
  if (auto v = parsed.get("--vwf")) {
    if (*v != "on" && *v != "off") return "--vwf takes on or off";
    vwf = *v == "on";
  }
  if (auto v = parsed.get("--player-width")) {
    const auto n = ParseNumber(*v);
    if (!n || *n > static_cast<uint64_t>(kMaxPlayerWidth))
      return Format("--player-width takes 0 to %d characters, not '", kMaxPlayerWidth) + *v + "'";
    options.playerWidth = static_cast<int>(*n);
  }
  return std::nullopt;
}

}  // namespace ts2::cli
