// Placeholders until the subsystem lands; each handler moves to its own file when implemented.
#include "core/forms.h"

namespace ts2 {

int32_t TmyForm::DecompressBlock(uint32_t) {
  return gROM ? 0 : -1;
}
std::unique_ptr<uint8_t[]> TmyForm::DecompressBlockTable(uint32_t, uint32_t* size) {
  *size = 32;
  return std::make_unique<uint8_t[]>(32);
}
void TmyForm::DumpMemory1Click(TObject) {}
void TmyForm::DecompresstoFiles1Click(TObject) {}

}  // namespace ts2
