// ts2tool info ROM: how Open ROM sees a file (size, copier header, title).
//
// Its JSON is written without Qt (in the compact form, keys in order, that the other commands'
// QJsonDocument gives), so the command starts without loading Qt: it costs what reading the file
// costs.
#include <cstdio>

#include "cli/cli.h"
#include "cli/json_text.h"
#include "core/romfile.h"

namespace ts2::cli {
namespace {

constexpr char kHelp[] =
    "Reads ROM as Open ROM does and prints JSON:\n"
    "  {\"file_size\", \"header_size\", \"title\", \"title_ok\"}\n"
    "file_size is the whole file in bytes; header_size is 512 when bit 0x200 of the size is set,\n"
    "else 0; title is the 15 bytes at ROM offset 0xFFC0 read as Latin-1 (null when the file is\n"
    "too short to hold them); title_ok tells whether they are \"TORMEL SARAGON2\".\n"
    "Exits 0 whenever the file could be read, whatever its title.\n";

int Run(const Command& self, const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = StartCommand(self, args, {}, {}, parsed, kHelp)) return *done;
  if (parsed.positional.size() != 1) return UsageError(self, "expected one ROM file");
  const std::string& path = parsed.positional[0];

  RomFile rom;
  if (const RomReadStatus status = ReadRomFile(path, {}, rom); status != RomReadStatus::Ok)
    return Fail(kExitBadInput, RomReadError(status, path, rom));
  const std::optional<std::string> title = RomTitle(rom.gameData());
  const std::string json = "{\"file_size\":" + std::to_string(rom.size) +
                           ",\"header_size\":" + std::to_string(rom.headerSize) +
                           ",\"title\":" + (title ? JsonLatin1String(*title) : std::string("null")) +
                           ",\"title_ok\":" + (HasGameTitle(rom.gameData()) ? "true" : "false") + "}\n";
  if (!WriteOutput("-", json.data(), json.size())) return CannotWrite(kExitBadInput, "-");
  return kExitOk;
}

const Command kCommand{"info", "info ROM", "how Open ROM sees a ROM file: size, copier header, title (JSON)",
                       [](const std::vector<std::string>& args) { return Run(kCommand, args); }};
const Registrar kRegister{kCommand};

}  // namespace
}  // namespace ts2::cli
