#include "cli/show_string.h"

#include "cli/cli.h"

namespace ts2::cli {

namespace {
constexpr int kMaxScroll = 672;  // 768 page rows less the 96 shown
constexpr int kScrollStep = 16;
}  // namespace

void ViewOptions::apply(TmyForm& form) const {
  if (vwf) form.SetChecked(MenuId::UseVWFRoutine1, *vwf);
  if (colour) form.SetChecked(*colour, true);
  if (solid) form.SetChecked(*solid ? MenuId::Solid1 : MenuId::Gradient1, true);
}

std::optional<std::string> ReadViewOptions(const ParsedArgs& parsed, ViewOptions& view) {
  if (auto v = parsed.get("--vwf")) {
    if (*v != "on" && *v != "off") return "--vwf takes on or off";
    view.vwf = *v == "on";
  }
  if (auto v = parsed.get("--color")) {
    if (*v == "blue")
      view.colour = MenuId::Blue1;
    else if (*v == "green")
      view.colour = MenuId::Green1;
    else if (*v == "red")
      view.colour = MenuId::Red1;
    else
      return "--color takes blue, green or red";
  }
  if (auto v = parsed.get("--fill")) {
    if (*v != "gradient" && *v != "solid") return "--fill takes gradient or solid";
    view.solid = *v == "solid";
  }
  for (auto [name, field] :
       {std::pair{"--scroll-rom", &view.scrollRom}, std::pair{"--scroll-trans", &view.scrollTrans}}) {
    auto v = parsed.get(name);
    if (!v) continue;
    const auto n = ParseNumber(*v);
    if (!n || *n > kMaxScroll || *n % kScrollStep != 0)
      return std::string(name) + " takes 0 to 672 in steps of 16, not '" + *v + "'";
    *field = static_cast<uint16_t>(*n);
  }
  return std::nullopt;
}

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

std::optional<int> RefuseUnreadable(const std::vector<ScriptBlock>& blocks, int status) {
  const std::vector<std::string> unreadable = UnreadableFiles(blocks);
  for (const std::string& file : unreadable) Fail(status, "cannot read " + file);
  return unreadable.empty() ? std::nullopt : std::optional<int>(status);
}

std::optional<int> ShowString(ShownString& shown, const ShowRequest& request, int* resolvedBlock) {
  if (request.dataFile.empty()) return Fail(kExitBadInput, "cannot read data file " + request.dataFile);
  if (auto status = OpenRom(shown, request.rom, request.dataFile)) return status;
  if (request.beforeSelect) request.beforeSelect(shown.program.form());
  int index = 0, string = request.string;
  if (request.at) {
    const TmyForm& form = shown.program.form();
    const std::vector<ScriptBlock> blocks = ScriptBlocks(form, request.dumpsDir.value_or("Dumps"));
    if (auto status = RefuseUnreadable(blocks, kExitBadInput)) return status;
    const ResolvedPlace at = ResolvePlace(form, *request.at, blocks, 0, FileText);
    if (!at.error.empty()) return Fail(kExitBadInput, at.error);
    index = at.block;
    string = static_cast<int>(at.string.value_or(0));
  } else {
    const ResolvedBlock block = ResolveBlock(shown.program.form(), request.block);
    if (!block.index) return Fail(kExitBadInput, block.error);
    index = *block.index;
  }
  if (request.dumpsDir) {
    const std::vector<ScriptBlock> blocks = ScriptBlocks(shown.program.form(), *request.dumpsDir);
    if (static_cast<size_t>(index) < blocks.size())
      if (auto status = RefuseUnreadable({blocks[static_cast<size_t>(index)]}, kExitBadInput)) return status;
  }
  if (resolvedBlock) *resolvedBlock = index;
  if (auto error = shown.session.Select(index, string, request.dumpsDir)) return Fail(kExitBadInput, *error);
  return std::nullopt;
}

}  // namespace ts2::cli
