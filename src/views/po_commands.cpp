// Export Script as PO and Import Translations from PO: the script out to translation tools and
// platforms and their translations back, as `ts2tool export` and `import` do, with the Text
// Editor's text for the block it shows.
#include <algorithm>
#include <cctype>
#include <filesystem>

#include "core/filestamp.h"
#include "core/fileutil.h"
#include "core/forms.h"
#include "views/po_exchange.h"
#include "views/script_form.h"

namespace ts2 {

namespace {

constexpr char kPoFilter[] = "PO file (*.po)|*.po|All files (*.*)|*.*";
constexpr char kExportCaption[] = "Export Script as PO";
constexpr char kFillCaption[] = "Fill Repeated Strings";
constexpr char kImportCaption[] = "Import Translations from PO";
constexpr size_t kErrorsShown = 10;

// The first kErrorsShown of `items`, a line each after `prefix`, and how many more there are.
std::string Listed(const std::vector<std::string>& items, const std::string& prefix) {
  std::string list;
  for (size_t i = 0; i < items.size() && i < kErrorsShown; ++i) list += "\n" + prefix + items[i];
  if (items.size() > kErrorsShown) list += "\n... and " + Plural(items.size() - kErrorsShown, "more", "more");
  return list;
}

// A line a file of the plan: "000A0000.txt (new): 3 strings".
std::string FileList(const PoImport& plan) {
  std::string files;
  for (const PoImport::File& file : plan.files)
    files += "\n" + ExtractFileName(file.file) + (file.created ? " (new)" : "") + ": " +
             Plural(file.strings.size(), "string", "strings");
  return files;
}

bool EndsWithPo(const std::string& name) {
  return name.size() >= 3 && name[name.size() - 3] == '.' && AsciiLower(name[name.size() - 2]) == 'p' &&
         AsciiLower(name[name.size() - 1]) == 'o';
}

// Says what to open first, and why (`why`), when there is no ROM or no block.
bool NoScript(TmyForm& f, const std::vector<ScriptBlock>& blocks, const std::string& why) {
  if (f.gROM && !blocks.empty()) return false;
  f.ui.message("Open the ROM and its text block data file first (File > Open ROM File): " + why);
  return true;
}

}  // namespace

void TScriptForm::ExportPo() {
  TmyForm& f = program.myForm;
  Toolkit& ui = program.ui;
  const std::vector<ScriptBlock> all = ScriptBlocks(f, f.gDumpDir);
  if (NoScript(f, all, "the PO file holds the strings of their blocks.")) return;
  if (const std::string said = UnreadableMessage(UnreadableFiles(all, CurrentFile()), "No file was written.");
      !said.empty()) {
    ui.message(said);
    return;
  }
  const std::filesystem::path rom(f.gROMPath);
  FileDialog save;
  save.title = kExportCaption;
  save.filter = kPoFilter;
  save.initialDir = rom.parent_path().string();
  save.fileName = (rom.parent_path() / rom.stem()).string() + ".po";
  if (!RunKeepingDirectory(ui, save, true)) return;
  std::string out = save.fileName;
  if (!EndsWithPo(out)) out += ".po";

  PoExportCount count;
  // The team's glossary, as `ts2tool export` reads it (its rows with mistakes left out; the
  // Glossary window names them).
  std::optional<Glossary> glossary;
  if (const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(GlossaryPath(f.gDumpDir)))
    glossary.emplace(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  const std::string po = ScriptToPo(
      f, all, [this](const ScriptBlock& b) { return TextOf(b); },
      [&ui](std::string_view sjis) { return ui.shiftJisToUtf8(sjis); },
      // The translation's language, as far as the editor knows it: the spelling dictionary's.
      {.lint = Options(), .language = f.spellingLanguage, .glossary = glossary ? &*glossary : nullptr},
      &count);
  std::string error;
  if (!WriteFileAtomic(out, po.data(), po.size(), &error)) {
    ui.message("Error: Could not write \"" + ExtractFileName(out) + "\" (" + error +
               "). No file was written.");
    return;
  }
  ui.message(
      Format("\"%s\" holds the %s of %s, %zu of them translated. Translation tools and platforms "
             "(Poedit, Lokalize, Weblate) open it; Edit > Import Translations from PO brings their "
             "work back.",
             ExtractFileName(out).c_str(), Plural(count.strings, "string", "strings").c_str(),
             Plural(count.files, "translation file", "translation files").c_str(), count.translated));
}

void TScriptForm::ImportPo() {
  TmyForm& f = program.myForm;
  Toolkit& ui = program.ui;
  const std::vector<ScriptBlock> all = ScriptBlocks(f, f.gDumpDir);
  if (NoScript(f, all, "the translations go into the files of their blocks.")) return;
  FileDialog open;
  open.title = kImportCaption;
  open.filter = kPoFilter;
  open.initialDir = std::filesystem::path(f.gROMPath).parent_path().string();
  if (!RunKeepingDirectory(ui, open, false)) return;
  const std::string name = ExtractFileName(open.fileName);
  constexpr char kNothing[] = " No translation file was changed.";

  const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(open.fileName);
  if (!bytes) {
    ui.message("Error: Could not read \"" + name + "\"." + kNothing);
    return;
  }
  std::string error;
  const std::optional<std::vector<po::Entry>> entries =
      po::Parse(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), error);
  if (!entries) {
    ui.message("Error: \"" + name + "\" is not a PO file the editor can read (line " + error + ")." +
               kNothing);
    return;
  }
  const PoImport plan = PlanPoImport(
      *entries, all, [this](const ScriptBlock& b) { return TextOf(b); }, false);
  if (!plan.unreadable.empty()) {
    ui.message(UnreadableMessage(plan.unreadable, kNothing + 1));
    return;
  }
  if (!plan.errors.empty()) {
    ui.message("\"" + name + "\" cannot be imported:" + Listed(plan.errors, "Line ") + "\n" +
               std::string(kNothing + 1));
    return;
  }
  const std::string leftOut = plan.fuzzy ? Format(" %s marked fuzzy (not yet confirmed) left out.",
                                                  Plural(plan.fuzzy, "translation", "translations").c_str())
                                         : std::string();
  if (plan.files.empty()) {
    ui.message("Nothing to import: the translation files already hold every translation of \"" + name +
               "\"." + leftOut);
    return;
  }
  if (!ui.question(Format("Import %s from \"%s\" into %s?",
                          Plural(plan.changed, "translation", "translations").c_str(), name.c_str(),
                          Plural(plan.files.size(), "file", "files").c_str()) +
                       FileList(plan),
                   kImportCaption))
    return;

  ui.message(WriteImport(plan, kImportCaption, "translation", "translations", "Imported %s into %s.") +
             leftOut);
}

std::string TScriptForm::WriteImport(const PoImport& plan, const char* what, const char* one,
                                     const char* many, const char* done) {
  Toolkit& ui = program.ui;
  std::string error;
  // The current block in the Text Editor, as one edit to undo; every other file on disk.
  size_t written = 0, imported = 0;
  bool inEditor = false;
  std::string failures;
  FilesChange change{what, {}, {}};
  for (const PoImport::File& file : plan.files) {
    if (!CurrentFile().empty() && file.file == CurrentFile()) {
      RichEdit& editor = ui.richEdit(ControlId::TDMemo);
      std::string shownBefore = editor.text();
      const Difference d = DifferenceOf(shownBefore, file.text);
      editor.replaceRanges({{static_cast<int>(d.start), static_cast<int>(d.length)}}, d.with);
      inEditor = true;
      change.editor =
          MadeInEditor(file.file, std::move(shownBefore), editor.text(), program.myForm.textShown);
    } else {
      const std::optional<std::vector<uint8_t>> before = ReadWholeFile(file.file);
      if (!WriteFileAtomic(file.file, file.text.data(), file.text.size(), &error)) {
        failures += "\n\"" + file.file + "\" could not be written (" + error + ")" +
                    (LeftAsItWas(error) ? "; it was left as it was." : ".");
        continue;
      }
      change.files.push_back(
          {file.file,
           before ? std::optional<std::string>(std::in_place, before->begin(), before->end()) : std::nullopt,
           HashBytes(std::string_view(file.text))});
    }
    ++written;
    imported += file.strings.size();
  }
  std::string report =
      Format(done, Plural(imported, one, many).c_str(), Plural(written, "file", "files").c_str());
  if (inEditor)
    report += " The changes to \"" + ExtractFileName(CurrentFile()) +
              "\" are in the Text Editor: save it to keep them, or undo them there with Ctrl+Z.";

  report += UndoHint(change);
  FilesWritten(change.paths());
  Remember(std::move(change));
  return report + failures;
}

void TScriptForm::FillRepeats() {
  TmyForm& f = program.myForm;
  Toolkit& ui = program.ui;
  const std::vector<ScriptBlock> all = ScriptBlocks(f, f.gDumpDir);
  if (NoScript(f, all, "repeated strings are filled in the files of their blocks.")) return;
  if (const std::string said =
          UnreadableMessage(UnreadableFiles(all, CurrentFile()), "No translation file was changed.");
      !said.empty()) {
    ui.message(said);
    return;
  }
  const TextOfBlock textOf = [this](const ScriptBlock& b) { return TextOf(b); };
  const Repeats repeats =
      PlanRepeats(f, all, textOf, [&ui](std::string_view sjis) { return ui.shiftJisToUtf8(sjis); });
  const PoImport plan = PlanPoImport(repeats.entries, all, textOf, false);
  std::string otherwise;
  if (!repeats.conflicts.empty()) {
    otherwise = "\n\n" + Plural(repeats.conflicts.size(), "original is", "originals are") +
                " translated otherwise in different strings and left alone:" + Listed(repeats.conflicts, "");
  }
  if (!repeats.refused.empty()) {
    otherwise += "\n\n" + Plural(repeats.refused.size(), "string is", "strings are") +
                 " left unfilled, since the translation to copy cannot go into a section:" +
                 Listed(repeats.refused, "");
  }
  if (!plan.unreadable.empty()) {
    ui.message(UnreadableMessage(plan.unreadable, "No translation file was changed."));
    return;
  }
  if (!plan.errors.empty()) {
    // PlanRepeats leaves out what the import would refuse, so none is expected here; each error
    // begins with a PO entry's line, which a fill has not.
    std::vector<std::string> errors;
    for (const std::string& e : plan.errors) errors.push_back(e.substr(e.find(": ") + 2));
    ui.message("No string was filled:" + Listed(errors, "") + otherwise);
    return;
  }
  if (plan.files.empty()) {
    ui.message(
        (repeats.refused.empty()
             ? "No string left to fill: no untranslated string has the original text of a translated one."
             : "No string was filled.") +
        otherwise);
    return;
  }
  if (!ui.question(Format("Fill %s with the translation of strings with the same original text, in %s?",
                          Plural(plan.changed, "untranslated string", "untranslated strings").c_str(),
                          Plural(plan.files.size(), "file", "files").c_str()) +
                       FileList(plan) + otherwise,
                   kFillCaption))
    return;
  ui.message(WriteImport(plan, kFillCaption, "string", "strings", "Filled %s in %s."));
}

}  // namespace ts2
