// Puts a ROM file image straight into a program's state, as Open ROM installs it after reading
// the file (copier header by bit 0x200 of the size), without the title check or the font.
#pragma once

#include <cstdint>
#include <span>

#include "core/state.h"

namespace ts2::test {

void LoadRomImage(Ts2Main& state, std::span<const uint8_t> fileBytes);

}  // namespace ts2::test
