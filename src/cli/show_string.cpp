#include "cli/show_string.h"

#include "cli/cli.h"

namespace ts2::cli {

std::optional<int> OpenRom(ShownString& shown, const std::string& rom, const std::string& dataFile) {
  if (!Readable(rom)) return CannotRead(kExitBadInput, "ROM file " + rom);
  if (!dataFile.empty() && !Readable(dataFile)) return CannotRead(kExitBadInput, "data file " + dataFile);
  if (!shown.session.ready())
    return Fail(kExitBadInput, "cannot make a scratch folder in the temporary folder");
  headless::HeadlessToolkit& ui = shown.program.ui;
  if (!shown.session.Open(rom, dataFile)) {
    const std::string said = ui.lastMessage();
    return Fail(kExitBadInput, rom + ": " + (said.empty() ? "the ROM image was not loaded" : said));
  }
  return std::nullopt;
}

std::optional<int> ShowString(ShownString& shown, const ShowRequest& request, int* resolvedBlock) {
  if (request.dataFile.empty()) return Fail(kExitBadInput, "cannot read data file " + request.dataFile);
  if (auto status = OpenRom(shown, request.rom, request.dataFile)) return status;
  if (request.beforeSelect) request.beforeSelect(shown.program.form());
  int index = 0, string = request.string;
  if (request.at) {
    const TmyForm& form = shown.program.form();
    const ResolvedPlace at =
        ResolvePlace(form, *request.at, ScriptBlocks(form, request.dumpsDir.value_or("Dumps")), 0, FileText);
    if (!at.error.empty()) return Fail(kExitBadInput, at.error);
    index = at.block;
    string = static_cast<int>(at.string.value_or(0));
  } else {
    const ResolvedBlock block = ResolveBlock(shown.program.form(), request.block);
    if (!block.index) return Fail(kExitBadInput, block.error);
    index = *block.index;
  }
  if (resolvedBlock) *resolvedBlock = index;
  if (auto error = shown.session.Select(index, string, request.dumpsDir)) return Fail(kExitBadInput, *error);
  return std::nullopt;
}

}  // namespace ts2::cli
