// Shared by decode, render, check and font: a headless editor that has opened a ROM image with a data file
// and shows one string, as the editor would after the same clicks.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "cli/block_arg.h"
#include "cli/cli.h"
#include "display/batch.h"
#include "headless/headless.h"
#include "views/place.h"

namespace ts2::cli {

struct ShownString {
  headless::HeadlessProgram program;
  BatchSession session{program.form()};
};

struct ShowRequest {
  std::string rom, dataFile;
  BlockArg block;  // block 0 unless given
  int string = 0;
  std::optional<PlaceRequest> at;              // instead of block and string: a place (views/place.h)
  std::optional<std::string> dumpsDir;         // none: no translation
  std::function<void(TmyForm&)> beforeSelect;  // runs after Open ROM, before the selection
};

// The view options of the commands that draw (render, proof): --vwf, --color, --fill, and
// --scroll-rom and --scroll-trans where the command takes them.
struct ViewOptions {
  std::optional<bool> vwf, solid;
  std::optional<MenuId> colour;
  uint16_t scrollRom = 0, scrollTrans = 0;
  // Sets the check marks the renderer reads: set before a string is shown, they take effect in
  // its drawing as options loaded from a data file do.
  void apply(TmyForm& form) const;
};
// Reads the view options; an error text for a value outside the choices.
std::optional<std::string> ReadViewOptions(const ParsedArgs& parsed, ViewOptions& view);

// Runs Open ROM with the data file (none: the data file dialog is cancelled). On failure prints
// the error and returns the exit status.
std::optional<int> OpenRom(ShownString& shown, const std::string& rom, const std::string& dataFile);

// Names on stderr each translation file of `blocks` that is there but cannot be read ("cannot read
// FILE: why") and returns `status` when there is one: a command over translation files stops
// rather than take it for a missing file.
std::optional<int> RefuseUnreadable(const std::vector<ScriptBlock>& blocks, int status);

// Runs Open ROM and the selection; `resolvedBlock` (when given) receives the block's index. On failure prints
// the error and returns the exit status.
std::optional<int> ShowString(ShownString& shown, const ShowRequest& request, int* resolvedBlock = nullptr);

}  // namespace ts2::cli
