// The program: its windows in creation order, the routing of toolkit events to the handlers,
// and the menu's command dispatch.
#include <algorithm>
#include <array>

#include "core/forms.h"
#include "script/autosave.h"
#include "views/script_form.h"

namespace ts2 {

namespace {
// clang-format off
constexpr std::array<FormLayout, static_cast<size_t>(FormId::Count)> kLayouts{{
  {FormId::myForm,     "myForm",     kMainCaption,            10,  21, kMainClientW, kMainClientH, true},
  {FormId::TxtForm,    "TxtForm",    "Text Editor",           337, 21, 326, 326, true},
  {FormId::HexForm,    "HexForm",    "Hex Data",              340, 466, 397, 175, false},
  {FormId::KanaForm,   "KanaForm",   "Kana Text: String #0",  10,  350, 326, 129, false},
  {FormId::cmForm,     "cmForm",     "List Data",             342, 350, 328, 114, true},
  {FormId::InsertForm, "InsertForm", "InsertForm",            197, 235, 290, 133, false},
  {FormId::viewKana,   "viewKana",   "Current Kana Dump",     248, 391, 402, 337, false},
}};
// clang-format on
}  // namespace

const FormLayout& LayoutOf(FormId id) {
  return kLayouts[static_cast<size_t>(id)];
}

// ---- RichEdit operations derived from the text ----

namespace textops {

int LineCount(std::string_view t) {
  if (t.empty()) return 0;
  int lines = 1 + static_cast<int>(std::count(t.begin(), t.end(), '\n'));
  if (t.back() == '\n') --lines;  // a final line end opens no further line
  return lines;
}

std::string Line(std::string_view t, int index) {
  if (index < 0) return {};
  size_t start = 0;
  for (int i = 0; i < index; ++i) {
    size_t nl = t.find('\n', start);
    if (nl == std::string_view::npos) return {};
    start = nl + 1;
  }
  if (start >= t.size()) return {};
  size_t end = t.find('\n', start);
  return std::string(t.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

int LineFromChar(std::string_view t, int position) {
  const size_t end = std::min<size_t>(position < 0 ? 0 : static_cast<size_t>(position), t.size());
  return static_cast<int>(std::count(t.begin(), t.begin() + static_cast<std::ptrdiff_t>(end), '\n'));
}

int FindNoCase(std::string_view t, std::string_view what, int from, int length) {
  if (from < 0 || length < 0 || static_cast<size_t>(from) > t.size()) return -1;
  const size_t end = std::min(t.size(), static_cast<size_t>(from) + static_cast<size_t>(length));
  if (what.empty() || what.size() > end - static_cast<size_t>(from)) return -1;
  // Letters are folded as ASCII, whatever locale the front end set: the same text is found in the
  // editor and in ts2tool. (Inline folding also keeps a search of a large text cheap: this runs
  // over the whole translation on every keystroke.)
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  auto first = t.begin() + from, last = t.begin() + static_cast<std::ptrdiff_t>(end);
  auto it = std::search(first, last, what.begin(), what.end(),
                        [&](char a, char b) { return lower(a) == lower(b); });
  return it == last ? -1 : static_cast<int>(it - t.begin());
}

}  // namespace textops

int RichEdit::textLength() const {
  return static_cast<int>(text().size());
}
int RichEdit::lineCount() const {
  return textops::LineCount(text());
}
std::string RichEdit::line(int index) const {
  return textops::Line(text(), index);
}
int RichEdit::lineFromChar(int position) const {
  return textops::LineFromChar(text(), position);
}
int RichEdit::findText(const std::string& what, int from, int length) const {
  return textops::FindNoCase(text(), what, from, length);
}

std::vector<std::string> RichEdit::linesUntil(int first,
                                              const std::function<bool(std::string_view)>& isLast) const {
  const std::string t = text();
  std::vector<std::string> lines;
  if (first < 0) return lines;
  size_t start = 0;
  for (int i = 0; i < first; ++i) {
    const size_t nl = t.find('\n', start);
    if (nl == std::string::npos) return lines;
    start = nl + 1;
  }
  while (start < t.size()) {
    const size_t nl = t.find('\n', start);
    const size_t end = nl == std::string::npos ? t.size() : nl;
    lines.emplace_back(t, start, end - start);
    if (nl == std::string::npos || isLast(lines.back())) break;
    start = nl + 1;
  }
  return lines;
}

void RichEdit::replaceRanges(const std::vector<Range>& ranges, const std::string& with) {
  std::string text = this->text();
  for (auto r = ranges.rbegin(); r != ranges.rend(); ++r)
    text.replace(static_cast<size_t>(r->start), static_cast<size_t>(r->length), with);
  setText(text);
  setModified(true);
}

void RichEdit::addLine(const std::string& line) {
  std::string t = text();
  if (!t.empty() && t.back() != '\n') t.push_back('\n');
  t += line;
  t.push_back('\n');  // every added line is ended, so an empty one still counts
  const bool wasModified = modified();
  setText(t);
  setModified(wasModified);
}

void RichEdit::clear() {
  setText(std::string());
}

// ---- TmyForm basics ----

TmyForm::TmyForm(Program& program, Toolkit& ui) : program(program), ui(ui) {}

bool TmyForm::AllocationFails(const std::string& what) const {
  return failAllocation && failAllocation(what);
}

void TmyForm::SetChecked(MenuId item, bool checked) {
  const int group = MenuInfo(item).radioGroup;
  if (group != 0 && checked) {
    for (const MenuEntry& e : MenuTable())
      if (e.radioGroup == group && e.id != item) ui.menuItem(e.id).setChecked(false);
  }
  ui.menuItem(item).setChecked(checked);
}

void TmyForm::RunMenuCommand(MenuId item) {
  if (!ui.menuItem(item).enabled()) return;  // disabled items ignore clicks and shortcuts
  const TObject sender = &ui.menuItem(item);
  switch (item) {
    case MenuId::OpenBinaryTextData1: OpenBinaryTextData1Click(sender); break;
    case MenuId::LoadDataFile: LoadDataFileClick(sender); break;
    case MenuId::SaveTextFile1: SaveTextFile1Click(sender); break;
    case MenuId::SaveRomFile1: SaveRomFile1Click(sender); break;
    case MenuId::Exit1: Exit1Click(sender); break;
    case MenuId::Insert1: Insert1Click(sender); break;
    case MenuId::PATCHRomFile1: PATCHRomFile1Click(sender); break;
    case MenuId::LoadTableFile1: LoadTableFile1Click(sender); break;
    case MenuId::InsertCOMPRESSIONintoROM1: InsertCOMPRESSIONintoROM1Click(sender); break;
    case MenuId::CreatePatch1: CreatePatch1Click(sender); break;
    case MenuId::WrapLongLines1: WrapLongLines1Click(sender); break;
    case MenuId::FillRepeats1: program.ScriptForm().FillRepeats(); break;
    case MenuId::UseSimilar1: program.ScriptForm().similar.UseBest(); break;
    case MenuId::DisplayTextEditor1: DisplayTextEditor1Click(sender); break;
    case MenuId::DTT: DTTClick(sender); break;
    case MenuId::ViewHexData1: ViewHexData1Click(sender); break;
    case MenuId::DisplayKanaTextDump1: DisplayKanaTextDump1Click(sender); break;
    case MenuId::DecompresstoFiles1: DecompresstoFiles1Click(sender); break;
    case MenuId::HideCodes: HideCodesClick(sender); break;
    case MenuId::UseVWFRoutine1: UseVWFRoutine1Click(sender); break;
    case MenuId::PlayerNameWidth1: PlayerNameWidth1Click(sender); break;
    case MenuId::ScriptOverview1: program.ScriptForm().ShowOverview(); break;
    case MenuId::FindInScript1: program.ScriptForm().ShowFind(); break;
    case MenuId::NextUntranslated1: program.ScriptForm().SelectNext(StringState::kUntranslated); break;
    case MenuId::NextFinding1: program.ScriptForm().SelectNext(StringState::kWithFindings); break;
    case MenuId::Glossary1: program.ScriptForm().glossary.Show(); break;
    case MenuId::SimilarStrings1: program.ScriptForm().similar.Show(); break;
    case MenuId::GoTo1: program.ScriptForm().GoTo(); break;
    case MenuId::ExportPo1: program.ScriptForm().ExportPo(); break;
    case MenuId::ExportProof1: program.ScriptForm().ExportProof(); break;
    case MenuId::UndoOtherFiles1: program.ScriptForm().UndoOtherFiles(); break;
    case MenuId::ImportPo1: program.ScriptForm().ImportPo(); break;
    case MenuId::DumpMemory1: DumpMemory1Click(sender); break;
    case MenuId::DumpKanatoafile1: DumpKanatoafile1Click(sender); break;
    case MenuId::ViewKanaDump1: ViewKanaDump1Click(sender); break;
    case MenuId::Blue1:
    case MenuId::Green1:
    case MenuId::Red1:
    case MenuId::Gradient1:
    case MenuId::Solid1: Red1Click(item); break;
    case MenuId::TEOnTop: TEOnTopClick(sender); break;
    case MenuId::DefaultWindowSize1: DefaultWindowSize1Click(sender); break;
    case MenuId::Zoominx21: Zoominx21Click(sender); break;
    case MenuId::Zoominx31: Zoominx31Click(sender); break;
    case MenuId::Zoominx41: Zoominx41Click(sender); break;
    case MenuId::KeyboardShortcuts1: KeyboardShortcuts1Click(sender); break;
    case MenuId::About1: About1Click(sender); break;
    default:
      for (size_t i = 0; i < std::size(kRecentFileItems); ++i)
        if (item == kRecentFileItems[i]) OpenRecentFile(i);
      break;  // otherwise submenus and separators
  }
}

// ---- Program ----

Program::~Program() = default;

Program::Program(Toolkit& ui, std::function<bool(const std::string&)> failAllocation)
    : ui(ui),
      myForm(*this, ui),
      TxtForm(*this),
      HexForm(*this),
      KanaForm(*this),
      cmForm(*this),
      InsertForm(*this),
      viewKana(*this),
      scriptForm_(std::make_unique<TScriptForm>(*this)),
      autosave_(std::make_unique<Autosave>(*this)) {
  myForm.failAllocation = std::move(failAllocation);
  ui.setApplicationTitle(kAppTitle);
  ui.setEventSink(this);
  // The windows exist in the toolkit in the system's order; the main window's creation runs
  // first, before the others are shown.
  myForm.FormCreate();
  if (myForm.closed) return;
  HexForm.FormCreate();
  cmForm.FormResize();
  myForm.RestorePlayerWidth();
}

void Program::menuCommand(MenuId item) {
  myForm.RunMenuCommand(item);
}

bool Program::formClose() {
  return myForm.closed || myForm.FormClose();
}

bool Program::keyDown(FormId form, int key, ShiftState shift) {
  switch (form) {
    case FormId::myForm: return myForm.FormKeyDown(key, shift);
    case FormId::HexForm: return HexForm.FormKeyDown(key);
    default: return true;
  }
}

bool Program::editorKeyDown(int key, ShiftState shift) {
  return TxtForm.TDMemoKeyDown(key, shift);
}

void Program::formResize(FormId form) {
  switch (form) {
    case FormId::myForm: myForm.FormResize(&ui.window(FormId::myForm)); break;
    case FormId::TxtForm: TxtForm.FormResize(); break;
    case FormId::cmForm: cmForm.FormResize(); break;
    case FormId::HexForm: HexForm.Redraw(); break;
    default: break;
  }
}

void Program::paint(FormId form) {
  if (form == FormId::myForm) myForm.VideoPaint();
  if (form == FormId::HexForm) HexForm.Redraw();
}

void Program::listClick(ControlId list) {
  if (list == ControlId::bList) cmForm.bListClick(&ui.list(ControlId::bList));
  if (list == ControlId::pList) cmForm.pListClick(&ui.list(ControlId::pList));
}

void Program::textChanged(ControlId edit) {
  if (edit == ControlId::TDMemo) TxtForm.TDMemoChange();
}

void Program::applicationActivated() {
  myForm.CheckFilesOnDisk();
  ScriptForm().GlossaryMayHaveChanged();
  ScriptForm().OtherFilesMayHaveChanged();
  ScriptForm().similar.FilesMayHaveChanged();
}

void Program::filesDropped(const std::vector<std::string>& paths) {
  if (!myForm.closed) myForm.FilesDropped(paths);
}

}  // namespace ts2
