// ts2tool tbl FILE: reads a table file as "Load Table File" does and prints its three tables.
#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <cstdio>

#include "cli/cli.h"
#include "cli/json_out.h"
#include "config/config.h"
#include "core/fileutil.h"
#include "headless/headless.h"

namespace ts2::cli {
namespace {

QJsonObject Slots(const std::array<std::optional<std::string>, 256>& table) {
  QJsonObject out;
  for (int slot = 0; slot < 256; ++slot) {
    if (!table[static_cast<size_t>(slot)]) continue;
    const std::string& text = *table[static_cast<size_t>(slot)];
    out.insert(QString::fromLatin1(Format("%02X", slot).c_str()),
               QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
  }
  return out;
}

int Run(const Command& self, const std::vector<std::string>& args) {
  ParsedArgs parsed;
  if (auto done = StartCommand(self, args, {}, {}, parsed)) return *done;
  if (parsed.positional.size() != 1) return UsageError(self, "expected one table FILE");
  const std::string& path = parsed.positional[0];
  if (!Readable(path)) return CannotRead(kExitBadInput, path);

  headless::HeadlessProgram p;
  p.ui.script.openAnswers.push_back(std::vector<std::string>{path});
  p.form().LoadTableFile1Click(kNoSender);
  if (!p.ui.messages().empty()) return Fail(kExitBadInput, path + ": " + p.ui.lastMessage());

  const QJsonObject out{
      {"char", Slots(p.form().gTblChar)},
      {"string", Slots(p.form().gTblString)},
      {"wide", Slots(p.form().gTblWide)},
  };
  return PrintJson(out);
}

const Command kCommand{
    "tbl",
    "tbl FILE",
    "read a table file as Load Table File does and print its three tables as JSON",
    [](const std::vector<std::string>& args) { return Run(kCommand, args); },
};
const Registrar kRegister{kCommand};

}  // namespace
}  // namespace ts2::cli
