// A place typed or pasted into Go to String, or given to render --at (`ParsePlace`): any bytes are
// refused or read as a place whose parts are in range, and a place made of those parts in one of
// the plain forms reads back the same.
//
// Input: the text.
#include <string>
#include <string_view>

#include "views/place.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<ts2::PlaceRequest> place = ts2::ParsePlace(text);
  if (!place) return 0;
  if ((place->line && *place->line < 1) || (place->column && *place->column < 1)) __builtin_trap();
  if (place->column && !place->line) __builtin_trap();
  if (place->block.empty() && place->file.empty() && !place->string) __builtin_trap();
  if (!place->file.empty() && !place->block.empty()) __builtin_trap();
  if (!place->block.empty() && place->string) {
    const std::optional<ts2::PlaceRequest> again =
        ts2::ParsePlace(place->block + " " + std::to_string(*place->string));
    if (!again || again->block != place->block || again->string != place->string) __builtin_trap();
  }
  return 0;
}
