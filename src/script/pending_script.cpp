// Placeholders until the subsystem lands; each handler moves to its own file when implemented.
#include "core/forms.h"

namespace ts2 {

void TmyForm::bListClick(TObject) {}
void TmyForm::SwitchTextFile() {}
void TmyForm::SaveTextFile1Click(TObject) {}
void TcmForm::bListClick(TObject Sender) {
  program.myForm.bListClick(Sender);
}
void TcmForm::pListClick(TObject Sender) {
  program.myForm.pListClick(Sender);
}
void TcmForm::FormResize() {}

}  // namespace ts2
