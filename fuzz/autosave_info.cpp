// The information file beside each copy of unsaved text (`ParseAutosaveInfo`): any bytes are
// either refused or read as a path, a base hash and a time that write back (`AutosaveInfoText`)
// to a text read as the same again.
//
// Input: the file's bytes.
#include <string>
#include <string_view>

#include "script/autosave.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<ts2::AutosaveInfo> info = ts2::ParseAutosaveInfo(text);
  if (!info) return 0;
  if (info->file.empty() || (!info->baseKnown && info->baseHash != 0)) __builtin_trap();
  const std::string written = ts2::AutosaveInfoText(*info);
  const std::optional<ts2::AutosaveInfo> back = ts2::ParseAutosaveInfo(written);
  if (!back || back->file != info->file || back->baseKnown != info->baseKnown ||
      back->baseHash != info->baseHash || back->time != info->time)
    __builtin_trap();
  if (ts2::AutosaveInfoText(*back) != written) __builtin_trap();
  return 0;
}
