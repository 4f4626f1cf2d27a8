// ts2tool decode ROM DATAFILE --block B --string S: where a string is read and what it decodes to.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

#include "cli/cli.h"
#include "cli/json_out.h"
#include "cli/show_string.h"

namespace ts2::cli {
namespace {

int RunDecode(const std::vector<std::string>& args);

const Command kDecode{"decode", "decode ROM DATAFILE --block B --string S",
                      "where string S of block B lies and the glyph offsets it decodes to (JSON)", RunDecode};

std::optional<int> IndexOption(const ParsedArgs& parsed, const char* name, int& value, std::string& error) {
  const auto word = parsed.get(name);
  if (!word) {
    error = std::string("missing ") + name;
    return kExitUsage;
  }
  const auto number = ParseNumber(*word);
  if (!number || *number > 0x7FFFFFFF) {
    error = std::string(name) + " needs a number, not '" + *word + "'";
    return kExitUsage;
  }
  value = static_cast<int>(*number);
  return std::nullopt;
}

int RunDecode(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done =
          StartCommand(kDecode, args, {"--block", "--string"}, {}, parsed,
                       "B is the block's index (2), its address as the block list shows it (C60000), or its\n"
                       "pointer table's file offset (0x60000).\n"))
    return *done;
  std::string error;
  if (parsed.positional.size() != 2) return UsageError(kDecode, "expected ROM and DATAFILE");
  ShowRequest request;
  request.rom = parsed.positional[0];
  request.dataFile = parsed.positional[1];
  if (!parsed.has("--block")) return UsageError(kDecode, "missing --block");
  if (auto bad = ReadBlockOption(parsed, request.block)) return UsageError(kDecode, *bad);
  if (IndexOption(parsed, "--string", request.string, error)) return UsageError(kDecode, error);

  ShownString shown;
  int block = 0;
  if (auto status = ShowString(shown, request, &block)) return *status;

  TmyForm& form = shown.program.form();
  const uint32_t table = form.gBlockOffset[block];
  const std::vector<uint16_t> glyphs = form.DecodeString();
  QJsonArray glyphArray;
  for (uint16_t g : glyphs) glyphArray.append(static_cast<int>(g));
  QJsonObject out;
  out["pointer_offset"] = static_cast<qint64>(uint32_t{table + 2 * static_cast<uint32_t>(request.string)});
  out["pointer"] = static_cast<int>(form.gStringPtr);
  out["address"] = static_cast<qint64>((form.gBlockField2[block] & 0xFF0000) + form.gStringPtr);
  out["status"] = QString::fromLatin1(shown.program.ui.statusBar().panelText(0).c_str());
  out["glyphs"] = glyphArray;
  return PrintJson(out);
}

const Registrar kRegister{kDecode};

}  // namespace
}  // namespace ts2::cli
