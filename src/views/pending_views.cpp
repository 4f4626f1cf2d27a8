// Placeholders until the subsystem lands; each handler moves to its own file when implemented.
#include "core/forms.h"

namespace ts2 {

void TmyForm::DumpKanatoafile1Click(TObject) {}
void TmyForm::ViewKanaDump1Click(TObject) {}
void TKanaForm::ConvertToKana(uint32_t) {}
void THexForm::FormCreate() {}
bool THexForm::FormKeyDown(int) {
  return false;
}
void THexForm::Redraw() {}

}  // namespace ts2
