// Placeholders until the subsystem lands; each handler moves to its own file when implemented.
#include "core/forms.h"

namespace ts2 {

std::vector<uint16_t> TmyForm::DecodeString() {
  return {};
}
void TmyForm::pListClick(TObject) {}
void TmyForm::Find1Find(int) {}
void TmyForm::EncodeSection() {}
void TmyForm::RenderString(int, int) {}
void TmyForm::RenderGlyph(int, int) {}
void TmyForm::VideoPaint() {
  if (gROM) ui.video().drawStretched(gBitmap);
}
void TTxtForm::TDMemoChange() {}
void TTxtForm::FormResize() {}
bool TTxtForm::TDMemoKeyDown(int, ShiftState) {
  return true;
}

}  // namespace ts2
