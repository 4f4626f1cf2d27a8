#include "support/rom_state.h"

#include <algorithm>

#include "core/romfile.h"

namespace ts2::test {

void LoadRomImage(Ts2Main& state, std::span<const uint8_t> fileBytes) {
  RomFile file;
  file.size = static_cast<uint32_t>(fileBytes.size());
  file.headerSize = CopierHeaderSize(file.size);
  file.bytes = std::make_unique<uint8_t[]>(fileBytes.size() + 1);
  std::copy(fileBytes.begin(), fileBytes.end(), file.bytes.get());
  InstallRomImage(state, std::move(file));
}

}  // namespace ts2::test
