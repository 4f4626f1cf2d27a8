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
void TmyForm::RedrawBothPages() {}
void TmyForm::HideCodesClick(TObject) {}
void TmyForm::UseVWFRoutine1Click(TObject) {}
void TmyForm::Red1Click(MenuId) {}
void TmyForm::DTTClick(TObject) {}
void TmyForm::TEOnTopClick(TObject) {}
void TmyForm::DisplayTextEditor1Click(TObject) {}
void TmyForm::ViewHexData1Click(TObject) {}
void TmyForm::DisplayKanaTextDump1Click(TObject) {}
void TmyForm::DefaultWindowSize1Click(TObject) {}
void TmyForm::Zoominx21Click(TObject) {}
void TmyForm::FormResize(TObject) {}
bool TmyForm::FormKeyDown(int, ShiftState) {
  return true;
}
void TTxtForm::TDMemoChange() {}
void TTxtForm::FormResize() {}
bool TTxtForm::TDMemoKeyDown(int, ShiftState) {
  return true;
}

}  // namespace ts2
