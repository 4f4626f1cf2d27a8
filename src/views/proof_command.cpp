// Export Proof Sheet: the shown block for a proofreader, as `ts2tool proof --block` writes it,
// with the Text Editor's text as it stands and the editor's view options.
#include <cstring>
#include <ctime>
#include <filesystem>

#include "core/fileutil.h"
#include "core/forms.h"
#include "display/batch.h"
#include "script/autosave.h"
#include "views/proof.h"
#include "views/script_form.h"

namespace ts2 {

namespace {

constexpr char kProofCaption[] = "Export Proof Sheet";

bool EndsWithHtml(const std::string& name) {
  const std::string ext = std::filesystem::path(name).extension().string();
  return (ext.size() == 5 && StartsWithNoCase(ext, ".html")) ||
         (ext.size() == 4 && StartsWithNoCase(ext, ".htm"));
}

}  // namespace

void TScriptForm::ExportProof() {
  TmyForm& f = program.myForm;
  Toolkit& ui = program.ui;
  if (!f.gROM || f.dataFilePath.empty() || f.gCurBlock < 0 ||
      f.gCurBlock >= static_cast<int>(blocks.size())) {
    ui.message(
        "Open the ROM and its text block data file (File > Open ROM File) and choose a block first: the "
        "proof sheet shows the strings of the block shown.");
    return;
  }
  const ScriptBlock& block = blocks[static_cast<size_t>(f.gCurBlock)];
  const std::string address = f.ui.list(ControlId::bList).line(f.gCurBlock).substr(6);  // "Block CA0000"
  const std::filesystem::path rom(f.gROMPath);
  FileDialog save;
  save.title = kProofCaption;
  save.filter = "HTML page (*.html)|*.html|All files (*.*)|*.*";
  save.initialDir = rom.parent_path().string();
  save.fileName = (rom.parent_path() / (rom.stem().string() + "-" + address + ".html")).string();
  if (!RunKeepingDirectory(ui, save, true)) return;
  std::string out = save.fileName;
  if (!EndsWithHtml(out)) out += ".html";

  // The pictures are drawn by a program of its own, which opens the same files: the editor keeps
  // its selection, its scroll positions and its windows. It draws from the image the editor
  // holds (patched, perhaps not saved) when that has the file's size.
  const std::unique_ptr<Toolkit> hiddenUi = ui.hiddenToolkit();
  std::optional<Program> hidden;
  std::optional<BatchSession> session;
  if (hiddenUi) {
    hidden.emplace(*hiddenUi);
    session.emplace(hidden->myForm);
  }
  if (!hidden || !session->Open(f.gROMPath, f.dataFilePath)) {
    ui.message("Error: Could not open \"" + ExtractFileName(f.gROMPath) + "\" with \"" +
               ExtractFileName(f.dataFilePath) + "\" again to draw its strings. No file was written.");
    return;
  }
  TmyForm& drawer = hidden->myForm;
  if (drawer.gROMSize == f.gROMSize) std::memcpy(drawer.romAlloc.get(), f.romAlloc.get(), f.gROMSize);
  for (MenuId id : {MenuId::UseVWFRoutine1, MenuId::HideCodes, MenuId::Blue1, MenuId::Green1, MenuId::Red1,
                    MenuId::Gradient1, MenuId::Solid1})
    drawer.SetChecked(id, f.Checked(id));
  drawer.gPlayerWidth = f.gPlayerWidth;

  ProofRequest request;
  request.romName = ExtractFileName(f.gROMPath);
  request.dataName = ExtractFileName(f.dataFilePath);
  request.dumpsName = ExtractFileName(f.gDumpDir);
  request.dumpsDir = f.gDumpDir;
  request.made = LocalTime(static_cast<int64_t>(std::time(nullptr)));
  request.blocks.push_back(ProofBlock{f.gCurBlock, TextOf(block)});
  request.lint = Options();
  request.glossary = glossary.glossary().empty() ? nullptr : &glossary.glossary();
  ProofCount count;
  const std::string html = ProofSheet(
      drawer, *session, request, [&ui](const Bitmap& bitmap) { return ui.pngOf(bitmap); },
      [&ui](std::string_view sjis) { return ui.shiftJisToUtf8(sjis); }, &count);
  std::string error;
  if (!WriteFileAtomic(out, html.data(), html.size(), &error)) {
    ui.message("Error: Could not write \"" + ExtractFileName(out) + "\" (" + error +
               "). No file was written.");
    return;
  }
  ui.message(
      Format("\"%s\" shows the %s of Block %s as the game's text box draws them, with their texts "
             "and findings (%s). Any web browser opens it, and prints it.",
             ExtractFileName(out).c_str(), Plural(count.shown, "string", "strings").c_str(), address.c_str(),
             ProgressText(count.progress).c_str()));
}

}  // namespace ts2
