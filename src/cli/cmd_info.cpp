// ts2tool info ROM: how Open ROM sees a file (size, copier header, title).
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <cstdio>

#include "cli/cli.h"
#include "cli/json_out.h"
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
  QJsonObject out;
  out["file_size"] = static_cast<qint64>(rom.size);
  out["header_size"] = static_cast<qint64>(rom.headerSize);
  out["title"] = title ? QJsonValue(QString::fromLatin1(title->data(), static_cast<qsizetype>(title->size())))
                       : QJsonValue(QJsonValue::Null);
  out["title_ok"] = HasGameTitle(rom.gameData());
  return PrintJson(out);
}

const Command kCommand{"info", "info ROM", "how Open ROM sees a ROM file: size, copier header, title (JSON)",
                       [](const std::vector<std::string>& args) { return Run(kCommand, args); }};
Registrar registrar{kCommand};

}  // namespace
}  // namespace ts2::cli
