// Hunspell for `ts2tool check --spell`, in ts2tool-qt only (see cli/check_spelling.h).
#include "cli/check_spelling.h"
#include "cli/cli.h"
#include "spell/hunspell_speller.h"

namespace ts2::cli {
namespace {

OpenedSpeller OpenHunspell(const std::string& language) {
  const std::optional<spell::Dictionary> dictionary = spell::FindDictionary(language);
  if (!dictionary)
    return {nullptr, Fail(kExitUsage, "no dictionary for --spell " + language +
                                          "; installed: " + spell::InstalledLanguages())};
  std::string error;
  std::unique_ptr<Speller> speller = spell::OpenDictionary(*dictionary, &error);
  if (!speller) return {nullptr, Fail(kExitBadInput, error)};
  return {std::move(speller), std::nullopt};
}

struct Link {
  Link() { gOpenSpeller = &OpenHunspell; }
} link;

}  // namespace
}  // namespace ts2::cli
