#include "cli/lint_args.h"

#include <cstdio>

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

GlossaryRead ReadGlossary(const ParsedArgs& parsed, const std::string& dumps) {
  const std::optional<std::string> named = parsed.get("--glossary");
  const std::string path = named.value_or(GlossaryPath(dumps));
  if (!named && !FileExists(path)) return {};
  const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(path);
  if (!bytes) return {std::nullopt, CannotRead(kExitBadInput, path)};
  GlossaryRead read;
  read.glossary.emplace(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  for (const GlossaryError& e : read.glossary->errors())
    std::fprintf(stderr, "%s:%d: %s\n", path.c_str(), e.line, e.message.c_str());
  if (!read.glossary->errors().empty()) read.failed = kExitBadInput;
  return read;
}

}  // namespace ts2::cli
