// Placeholders until the subsystem lands; each handler moves to its own file when implemented.
#include "core/forms.h"

namespace ts2 {

void TmyForm::PATCHRomFile1Click(TObject) {}
void TmyForm::Insert1Click(TObject) {}
void TmyForm::InsertCOMPRESSIONintoROM1Click(TObject) {}

}  // namespace ts2
