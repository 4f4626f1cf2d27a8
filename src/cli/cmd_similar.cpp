// ts2tool similar: for each string not translated yet, the translated strings of the whole script
// whose original is most like its own, with their translations, as the Similar Strings panel
// shows them beside the string being translated.
#include <filesystem>

#include "cli/block_arg.h"
#include "cli/cli.h"
#include "cli/json_text.h"
#include "cli/show_string.h"
#include "cli/sjis_utf8.h"
#include "core/fileutil.h"
#include "core/utf8.h"
#include "views/similar.h"

namespace ts2::cli {
namespace {

int RunSimilar(const std::vector<std::string>& args);

const Command kSimilar{
    "similar",
    "similar ROM DATAFILE [--dumps DIR] [--block B] [--string S] [--min PERCENT] "
    "[--limit N] [--all]",
    "the translated strings whose original is like that of each untranslated string (JSON)", RunSimilar};

constexpr char kSimilarHelp[] =
    "Opens ROM with DATAFILE as the editor does and reads every block's translation file in DIR\n"
    "(default ./Dumps). For each string of block B (or of every block) not translated yet, lists\n"
    "the translated strings of the whole script whose original text is at least PERCENT% like its\n"
    "own (default 70): 100 less the characters inserted, deleted or replaced per hundred\n"
    "characters of the longer original. Best first, at most N of them (default 5); strings with\n"
    "the same original and translation count as one, the first of them named.\n"
    "  --all       every string, translated or not\n"
    "  --string S  only string S of block B (--block is needed), whatever its state\n"
    "Prints one JSON object, listing only the strings with a similar one:\n"
    "  {\"strings\":[{\"block\":3,\"table\":\"0A0100\",\"file\":\"000A0100.txt\",\"string\":2,\n"
    "    \"original\":\"Ask Mira or Tim.\",\"translated\":false,\"similar\":[{\"percent\":93,\n"
    "    \"block\":0,\"table\":\"0A0000\",\"file\":\"000A0000.txt\",\"string\":2,\"alike\":1,\n"
    "    \"original\":\"Ask Mira or Tom.\",\"translation\":\"Demande...\"}]}],\n"
    "   \"compared\":3,\"with_similar\":1}\n"
    "with block the block's line in the block list, table its pointer table offset (as `ts2tool\n"
    "progress` writes it), alike the strings with that original and translation, translation\n"
    "the section's lines joined by \\n, compared the strings looked at. No file is changed.\n"
    "Exit status: 0 (also when nothing is similar); 1 for inputs that cannot be read; 2 for\n"
    "wrong usage.\n";

// An original as it is shown: its line breaks as "\n".
std::string Shown(std::string text) {
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
  return text;
}

// The fields naming string `string` of `block`, up to the comma after them.
std::string Where(const ScriptBlock& block, uint32_t string) {
  return Format("\"block\":%d,\"table\":\"%06X\",\"file\":%s,\"string\":%u,", block.index, block.table,
                JsonUtf8String(ExtractFileName(block.file)).c_str(), string);
}

std::string MatchJson(const SimilarMatch& m, const ScriptBlock& block) {
  std::string translation;
  for (size_t k = 0; k < m.translation.size(); ++k)
    translation += (k ? "\n" : "") + Cp1252ToUtf8(m.translation[k]);
  return Format("{\"percent\":%d,", m.percent) + Where(block, m.string) + Format("\"alike\":%zu,", m.alike) +
         "\"original\":" + JsonUtf8String(Shown(m.original)) +
         ",\"translation\":" + JsonUtf8String(translation) + "}";
}

int RunSimilar(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = StartCommand(kSimilar, args, {"--dumps", "--block", "--string", "--min", "--limit"},
                               {"--all"}, parsed, kSimilarHelp))
    return *done;
  if (parsed.positional.size() != 2) return UsageError(kSimilar, "expected ROM and DATAFILE");
  BlockArg blockArg;
  if (auto bad = ReadBlockOption(parsed, blockArg)) return UsageError(kSimilar, *bad);
  std::string error;
  const auto atLeast = NumberOption(parsed, "--min", 70, 0, 100, "a percentage from 0 to 100", error);
  if (!atLeast) return UsageError(kSimilar, error);
  const auto limit = NumberOption(parsed, "--limit", 5, 1, SIZE_MAX, "a number of 1 or more", error);
  if (!limit) return UsageError(kSimilar, error);
  const auto only = NumberOption(parsed, "--string", 0, 0, UINT32_MAX, "a string's number", error);
  if (!only) return UsageError(kSimilar, error);
  if (parsed.has("--string") && !parsed.has("--block")) return UsageError(kSimilar, "--string needs --block");
  const std::string dumps = DumpsFolder(parsed);
  std::error_code ec;
  if (!std::filesystem::is_directory(dumps, ec)) return Fail(kExitBadInput, "no translation folder " + dumps);

  ShownString shown;
  if (auto status = OpenRom(shown, parsed.positional[0], parsed.positional[1])) return *status;
  TmyForm& form = shown.program.form();
  const std::vector<ScriptBlock> blocks = ScriptBlocks(form, dumps);
  if (auto status = RefuseUnreadable(blocks, kExitBadInput)) return *status;
  // Blocks sharing a pointer table hold the same strings: each file is looked at once.
  std::vector<ScriptBlock> asked = blocks;
  if (auto bad = KeepBlockGiven(form, parsed, blockArg, asked)) return Fail(kExitBadInput, *bad);
  asked = BlocksByFile(asked);
  if (parsed.has("--string") && *only >= asked[0].strings)
    return Fail(kExitBadInput,
                Format("string %llu does not exist (block %d has %u)", static_cast<unsigned long long>(*only),
                       asked[0].index, asked[0].strings));

  bool failed = false;
  const TranslationMemory memory = MemoryOf(form, blocks, FileText, OriginalsToUtf8(failed));
  if (failed) return Fail(kExitBadInput, kNoShiftJisConverter);

  const bool all = parsed.has("--all") || parsed.has("--string");
  std::string json = "{\"strings\":[";
  size_t compared = 0, withSimilar = 0;
  for (const ScriptBlock& b : asked) {
    const uint32_t first = parsed.has("--string") ? static_cast<uint32_t>(*only) : 0;
    const uint32_t end = parsed.has("--string") ? first + 1 : b.strings;
    for (uint32_t s = first; s < end; ++s) {
      const bool translated = memory.translated(b.index, s);
      if (translated && !all) continue;
      ++compared;
      const std::vector<SimilarMatch> matches =
          memory.Similar(b.index, s, static_cast<int>(*atLeast), static_cast<size_t>(*limit));
      if (matches.empty()) continue;
      json += withSimilar++ ? ",{" : "{";
      json += Where(b, s) + "\"original\":" + JsonUtf8String(Shown(memory.original(b.index, s))) +
              ",\"translated\":" + (translated ? "true" : "false") + ",\"similar\":[";
      for (size_t k = 0; k < matches.size(); ++k)
        json += (k ? "," : "") + MatchJson(matches[k], blocks[static_cast<size_t>(matches[k].block)]);
      json += "]}";
    }
  }
  json += Format("],\"compared\":%zu,\"with_similar\":%zu}\n", compared, withSimilar);
  if (!WriteOutput("-", json.data(), json.size())) return CannotWrite(kExitBadInput, "-");
  return kExitOk;
}

const Registrar kRegister{kSimilar};

}  // namespace
}  // namespace ts2::cli
