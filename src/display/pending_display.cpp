// Placeholders until the subsystem lands; each handler moves to its own file when implemented.
#include "core/forms.h"

namespace ts2 {

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

}  // namespace ts2
