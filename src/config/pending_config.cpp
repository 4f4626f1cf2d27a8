// Placeholders until the subsystem lands; each handler moves to its own file when implemented.
#include "core/forms.h"

namespace ts2 {

void TmyForm::LoadDataFileClick(TObject) {}
void TmyForm::LoadDataFile(const std::string&) {}
void TmyForm::LoadTableFile1Click(TObject) {}
void TmyForm::ReadTableFile(const std::string&) {}
void TmyForm::ClearTableFile() {}

}  // namespace ts2
