// Export Proof Sheet: the shown block (or the whole script) for a proofreader, as `ts2tool proof`
// writes it, with the Text Editor's text as it stands and the editor's view options.
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "core/filestamp.h"
#include "core/fileutil.h"
#include "core/forms.h"
#include "core/romfile.h"
#include "display/batch.h"
#include "script/autosave.h"
#include "views/block_name.h"
#include "views/glossary.h"
#include "views/proof.h"
#include "views/script.h"
#include "views/script_form.h"

namespace ts2 {

namespace {

constexpr char kProofCaption[] = "Export Proof Sheet";

bool EndsWithHtml(const std::string& name) {
  const std::string ext = std::filesystem::path(name).extension().string();
  return (ext.size() == 5 && StartsWithNoCase(ext, ".html")) ||
         (ext.size() == 4 && StartsWithNoCase(ext, ".htm"));
}

// Gives `drawer` a copy of the image and the font `editor` holds; false when memory runs out.
bool TakeImage(TmyForm& drawer, const TmyForm& editor) {
  RomFile image;
  image.bytes = ImageBuffer(editor.gROMSize);
  std::unique_ptr<uint8_t[]> font(new (std::nothrow) uint8_t[editor.gFONTSize > 0 ? editor.gFONTSize : 1]);
  if (!image.bytes || !font) return false;
  std::memcpy(image.bytes.get(), editor.romAlloc.get(), editor.gROMSize);
  image.size = image.bytesRead = editor.gROMSize;
  image.headerSize = editor.gROMHeaderSize;
  InstallRomImage(drawer, std::move(image));
  if (editor.gFONT) {  // else the font the drawer decoded from the file
    std::memcpy(font.get(), editor.gFONT.get(), editor.gFONTSize);
    drawer.gFONT = std::move(font);
    drawer.gFONTSize = editor.gFONTSize;
  }
  return true;
}

}  // namespace

// A hidden program drawing the shown block's strings, and where its page goes.
struct TScriptForm::ProofJob {
  std::unique_ptr<Toolkit> ui;
  std::optional<Program> program;
  std::optional<BatchSession> session;
  std::optional<Glossary> glossary;
  std::optional<ProofSheetWriter> writer;
  std::string out;       // the page's path
  std::string what;      // "Block CA0000", "the script's 3 blocks"
  uint64_t strings = 0;  // every string it draws, in every block
};

void TScriptForm::ExportProof() {
  TmyForm& f = program.myForm;
  Toolkit& ui = program.ui;
  const std::vector<ScriptBlock> all = ScriptBlocks(f, f.gDumpDir);
  if (!f.gROM || f.dataFilePath.empty() || f.gCurBlock < 0 || f.gCurBlock >= static_cast<int>(all.size())) {
    ui.message(
        "Open the ROM and its text block data file (File > Open ROM File) and choose a block first: the "
        "proof sheet shows the strings of the block shown.");
    return;
  }
  if (proof_) {
    ui.message(Format("A proof sheet is being made (%u of %s drawn): \"%s\" is written when it is done.",
                      proof_->writer->drawn(), Plural(proof_->strings, "string", "strings").c_str(),
                      ExtractFileName(proof_->out).c_str()));
    return;
  }

  // The hidden program reads the data file again: changed since the editor read it, its blocks
  // would be drawn under the editor's block names and translations.
  if (CheckOnDisk(f.dataFilePath, f.dataFileStamp) == DiskState::Changed) {
    ui.message("Error: \"" + ExtractFileName(f.dataFilePath) +
               "\" was changed by another program since the editor read it. Load it again (File > Load Text "
               "Block Data File) to make a proof sheet of the blocks it says now. No file was written.");
    return;
  }

  const ScriptBlock& shown = all[static_cast<size_t>(f.gCurBlock)];
  const std::string address(ListedAddress(f.ui.list(ControlId::bList).line(f.gCurBlock)));
  // The shown block, or every block (each other one as its file is).
  bool whole = false;
  if (all.size() > 1) {
    uint64_t strings = 0;
    for (const ScriptBlock& b : all) strings += b.strings;
    const int chosen =
        ui.choose(Format("Make the proof sheet of Block %s (%s), or of the whole script (%s in %zu blocks)?",
                         address.c_str(), Plural(shown.strings, "string", "strings").c_str(),
                         Plural(strings, "string", "strings").c_str(), all.size()),
                  kProofCaption, {"Shown Block", "Whole Script", "Cancel"});
    if (chosen != 0 && chosen != 1) return;
    whole = chosen == 1;
  }
  {
    std::vector<ScriptBlock> drawn;
    for (const ScriptBlock& b : all)
      if (whole || b.index == shown.index) drawn.push_back(b);
    if (const std::string said =
            UnreadableMessage(UnreadableFiles(drawn, CurrentFile()), "No file was written.");
        !said.empty()) {
      ui.message(said);
      return;
    }
  }
  const std::filesystem::path rom(f.gROMPath);
  FileDialog save;
  save.title = kProofCaption;
  save.filter = "HTML page (*.html)|*.html|All files (*.*)|*.*";
  save.initialDir = rom.parent_path().string();
  save.fileName =
      (rom.parent_path() / (rom.stem().string() + "-" + (whole ? "proof" : address) + ".html")).string();
  if (!RunKeepingDirectory(ui, save, true)) return;
  std::string out = save.fileName;
  if (!EndsWithHtml(out)) out += ".html";

  // The pictures are drawn by a program of its own, which opens the same files: the editor keeps
  // its selection, its scroll positions and its windows. It then takes the image and the font
  // the editor holds, patched (grown, perhaps) and not saved, so the sheet shows what the
  // editor's boxes show.
  auto job = std::make_shared<ProofJob>();
  job->ui = ui.hiddenToolkit();
  if (job->ui) {
    job->program.emplace(*job->ui);
    job->session.emplace(job->program->myForm);
  }
  if (!job->program || !job->session->Open(f.gROMPath, f.dataFilePath)) {
    ui.message("Error: Could not open \"" + ExtractFileName(f.gROMPath) + "\" with \"" +
               ExtractFileName(f.dataFilePath) + "\" again to draw its strings. No file was written.");
    return;
  }
  TmyForm& drawer = job->program->myForm;
  if (!TakeImage(drawer, f)) {
    ui.message(
        "Error: There is not enough memory for a second copy of the ROM image to draw its strings "
        "from. No file was written.");
    return;
  }
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
  // The Text Editor's text for the blocks of its file, saved or not; the others' files, read now,
  // so that the sheet is of one moment however the files change while it is drawn.
  for (const ScriptBlock& b : all) {
    if (!whole && b.index != shown.index) continue;
    std::optional<std::string> text;
    if (b.file == shown.file)
      text = TextOf(b);
    else if (const std::optional<std::string> bytes = FileText(b))
      text = FileBytesToEditorText(*bytes);
    request.blocks.push_back(ProofBlock{b.index, std::move(text)});
    job->strings += b.strings;
  }
  request.lint = Options();
  // The glossary as it is now: a copy, which a later change of the file leaves alone.
  if (!glossary.glossary().empty()) {
    job->glossary = glossary.glossary();
    request.glossary = &*job->glossary;
  }
  job->writer.emplace(
      drawer, *job->session, std::move(request), [&ui](const Bitmap& bitmap) { return ui.pngOf(bitmap); },
      [&ui](std::string_view sjis) { return ui.shiftJisToUtf8(sjis); });
  job->out = out;
  job->what = whole ? Format("the script's %zu blocks", all.size()) : "Block " + address;
  proof_ = std::move(job);
  ProofSlice();
}

void TScriptForm::FinishProof() {
  if (!proof_) return;
  // No event gets through until it is done (a whole script takes seconds): the gauge shows how
  // far it is, and is given back as it was.
  ProofSheetWriter& writer = *proof_->writer;
  Gauge& gauge = program.ui.gauge();
  const int min = gauge.minValue(), max = gauge.maxValue(), at = gauge.progress();
  const auto gaugeValue = [](uint64_t n) { return static_cast<int>(std::min<uint64_t>(n, INT_MAX)); };
  gauge.setMinValue(0);
  gauge.setMaxValue(gaugeValue(proof_->strings));
  for (bool done = false; !done;) {
    done = writer.Step(16);
    gauge.setProgress(gaugeValue(writer.drawn()));
  }
  gauge.setMinValue(min);
  gauge.setMaxValue(max);
  gauge.setProgress(at);
  ProofSlice();
}

// Draws strings for a slice of time, then lets events through; writes the sheet when it is whole.
void TScriptForm::ProofSlice() {
  if (!proof_) return;
  ProofJob& job = *proof_;
  const auto end = std::chrono::steady_clock::now() + proofSlice;
  bool done = false;
  do done = job.writer->Step(1);
  while (!done && std::chrono::steady_clock::now() < end);
  if (!done) {
    program.ui.runLater(0, [this] { ProofSlice(); });
    return;
  }
  const std::shared_ptr<ProofJob> finished = std::move(proof_);
  Toolkit& ui = program.ui;
  const std::string html = job.writer->TakePage();
  std::string error;
  if (!WriteFileAtomic(job.out, html.data(), html.size(), &error)) {
    ui.message("Error: Could not write \"" + ExtractFileName(job.out) + "\" (" + error +
               "). No file was written.");
    return;
  }
  ui.message(
      Format("\"%s\" shows the %s of %s as the game's text box draws them, with their texts "
             "and findings (%s). Any web browser opens it, and prints it.",
             ExtractFileName(job.out).c_str(), Plural(job.writer->count().shown, "string", "strings").c_str(),
             job.what.c_str(), ProgressText(job.writer->count().progress).c_str()));
}

}  // namespace ts2
