// ts2tool kana DATAFILE HEXBYTES: the kana conversion of some script bytes, with the character
// tables of a data file.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "config/config.h"
#include "core/fileutil.h"
#include "headless/headless.h"
#include "views/kana.h"

namespace ts2::cli {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// Words of hex digits separated by blanks, two digits a byte: "05 F1 34 12" or "05F13412".
std::optional<std::vector<uint8_t>> ParseHexBytes(const std::string& text, std::string& error) {
  std::vector<uint8_t> bytes;
  size_t i = 0;
  while (i < text.size()) {
    if (std::isspace(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
    const std::string word = text.substr(i, end - i);
    if (word.size() % 2 != 0) {
      error = "HEXBYTES: '" + word + "' is not a whole number of two-digit bytes";
      return std::nullopt;
    }
    for (size_t k = 0; k < word.size(); k += 2) {
      const int hi = HexValue(word[k]), lo = HexValue(word[k + 1]);
      if (hi < 0 || lo < 0) {
        error = "HEXBYTES: '" + word + "' holds a character that is not a hexadecimal digit";
        return std::nullopt;
      }
      bytes.push_back(static_cast<uint8_t>(hi << 4 | lo));
    }
    i = end;
  }
  return bytes;
}

int Run(const std::vector<std::string>& args);

const Command kKana{"kana", "kana DATAFILE HEXBYTES",
                    "print the kana text of script bytes, using the character tables of DATAFILE", Run};

int Run(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = StartCommand(
          kKana, args, {}, {}, parsed,
          "Loads the character tables of the text block data file DATAFILE, places the bytes of\n"
          "HEXBYTES (e.g. \"05 F1 34 12 FF FF\") at Working RAM offset 0 and prints the text the kana\n"
          "conversion makes: bytes exactly as produced, line breaks CR LF, nothing added.\n"))
    return *done;
  std::string error;
  if (parsed.positional.size() != 2) return UsageError(kKana, "expected DATAFILE and HEXBYTES");
  const std::string& dataFile = parsed.positional[0];
  if (!ReadWholeFile(dataFile)) return CannotRead(kExitBadInput, dataFile);
  const auto bytes = ParseHexBytes(parsed.positional[1], error);
  if (!bytes) return Fail(kExitBadInput, error);
  if (bytes->size() > kWramSize)
    return Fail(kExitBadInput,
                "HEXBYTES: more bytes than Working RAM holds (" + std::to_string(kWramSize) + ")");

  headless::HeadlessProgram p;
  TmyForm& f = p.form();
  f.LoadDataFile(dataFile);
  for (const std::string& said : p.ui.messages()) {
    // The tables not loaded end the command; a note about the file (blocks past the limit, which
    // the conversion does not use) does not.
    for (const char* fatal :
         {kMsgDataFileOpenFailed, kMsgTableDataNoMemory, kMsgTableFileOpenFailed, kMsgTableFileNoMemory})
      if (said == fatal) return Fail(kExitBadInput, dataFile + ": " + said);
    std::fprintf(stderr, "ts2tool: %s\n", said.c_str());
  }
  if (!f.gWRAM || !f.gCharTable16) return Fail(kExitBadInput, "the program could not start");
  std::copy(bytes->begin(), bytes->end(), f.gWRAM.get());
  const std::string text = KanaText(std::span<const uint8_t>(f.gWRAM.get(), kWramSize), 0, f.gCharTable16);
  return WriteOutput("", text.data(), text.size()) ? kExitOk : CannotWrite(kExitBadInput, "-");
}

const Registrar kRegistrar{kKana};

}  // namespace
}  // namespace ts2::cli
