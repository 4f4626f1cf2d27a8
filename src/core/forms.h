// The editor's windows and their handlers.
//
// TmyForm is the main window: it owns the program state (Ts2Main) and implements every command.
// Its member functions are defined in the folder of the subsystem they belong to:
//   core/     start-up, Open ROM, Save ROM, close               (rom.cpp, program.cpp)
//   script/   decompression, block and string lists, translation files
//   config/   data file, colour and character tables, table file
//   display/  string decoding and encoding, renderer, view and window commands, keyboard
//   views/    kana conversion, kana dumps, hex view
//   patch/    IPS patcher, text insertion
// The other windows hold no logic of their own beyond forwarding to TmyForm.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/menu.h"
#include "core/recent.h"
#include "core/state.h"
#include "core/toolkit.h"

namespace ts2 {

class Program;
class TScriptForm;  // views/script_form.h
class Autosave;     // script/autosave.h

// Caption, outer bounds and visibility of each window as laid out at start-up.
struct FormLayout {
  FormId id;
  const char* name;
  const char* caption;
  int left, top, width, height;  // outer bounds; for myForm, width x height is the client area
  bool visibleAtStart;
};
const FormLayout& LayoutOf(FormId id);

inline constexpr int kMainClientW = 320;
inline constexpr int kMainClientH = 275;
inline constexpr int kStatusBarH = 19;
inline constexpr int kZoomRowsAdded = 256;  // each zoom step adds Video's 256 rows to the client area
inline constexpr int kStatusPanel0W = 200;
inline constexpr int kStatusPanel1W = 50;
inline constexpr char kStatusStart0[] = "Offset: 000000 | PTR: 0000";
inline constexpr char kStatusStart1[] = "Control Codes: Visible | VWF: Inactive";
inline constexpr int kStatusFitPanel = 2;  // whether the translation fits its box
inline constexpr char kMainCaption[] = "Script Editor: Tormel Saragon 2";
inline constexpr char kAppTitle[] = "\"Tormel Saragon 2\" Script Editor";

// The question asked before the editor writes over, or when it is activated again after, a change
// another program made to a file it read: Overwrite, Reload or Cancel.
inline constexpr char kChangedOnDiskCaption[] = "File Changed...";
std::string ChangedOnDiskQuestion(const std::string& path);
inline std::vector<std::string> ChangedOnDiskButtons() {
  return {"Overwrite", "Reload", "Cancel"};
}

class TmyForm : public Ts2Main {
 public:
  TmyForm(Program& program, Toolkit& ui);

  Program& program;
  Toolkit& ui;

  // Runs a menu item's command as a click would: disabled items do nothing.
  void RunMenuCommand(MenuId item);
  bool Checked(MenuId item) const { return ui.menuItem(item).checked(); }
  void SetChecked(MenuId item, bool checked);  // radio items uncheck the rest of their group

  // True when a named large allocation should fail (see Ts2Main::failAllocation).
  bool AllocationFails(const std::string& what) const;

  // ---- core: start-up, ROM image, close ----
  void FormCreate();
  void OpenBinaryTextData1Click(TObject Sender);
  void SaveRomFile1Click(TObject Sender);
  void Exit1Click(TObject Sender);
  // False when the window is to stay open: what the user chose to keep could be neither saved
  // nor kept in a copy (a full disk), and the program's end would drop it.
  bool FormClose();
  // Open ROM with a file named on the command line instead of the dialog; the data file too
  // when one is given. Returns false when the ROM was not loaded.
  bool OpenRomFile(const std::string& path, const std::string& dataFile = "");
  bool closed = false;  // the main window has been closed (FormClose ran)
  // Keeps bytes that were not saved (the save failed, or `failedSave` false: the user chose not
  // to write over the file) in a recovery copy beside `path` (or in the temporary folder) and
  // says where, or that none could be written. False then.
  bool KeepRecoveryCopy(const std::string& path, const void* data, size_t size, const std::string& what,
                        bool failedSave = true);
  // The last recovery copy went to the temporary folder (nothing beside its file could be
  // written), which the system may empty at its next start: it is not a lasting place.
  bool lastCopyTemporary = false;
  // Writes the ROM image to gROMPath; with `askIfChanged`, asks first when another program changed
  // the file since it was read. False when the image was not written.
  bool SaveRomImage(bool askIfChanged);
  // Reads gROMPath again into the image (after asking about an unsaved image) and redraws.
  void ReloadRomFile();
  // The window was activated again: asks about files another program changed meanwhile.
  void CheckFilesOnDisk();
  bool checkingFiles = false;
  // Open ROM from step 2 on, for a chosen file; an empty dataFile asks for it in the dialog.
  // True when `path` became the ROM image (whatever then happened with the data file).
  bool OpenRomChosen(const std::string& path, TObject Sender, const std::string& dataFile);
  // Open ROM for a file named without the dialog (a drop, the recent list): the ROM's folder
  // becomes the working directory, as a confirmed dialog makes it.
  bool OpenRomNamed(const std::string& path, const std::string& dataFile);
  // Before another ROM replaces an image with unsaved changes: asks Yes (save it as Save Rom
  // File does), No (drop them) or Cancel. False when the open must not go on: Cancel, a closed
  // box, or a save that failed.
  bool ConfirmReplaceRom();

  // ---- core: sessions, recent files, drops, help ----
  // Brings back what the last run kept: the recent files, the zoom, the main window's place and
  // the tool windows' places, sizes and visibility. Opens no file.
  void RestoreSession();
  // The largest factor up to `kept` whose zoomed main window fits its screen; 1 when none does.
  int LargestZoomShown(int kept, const Rect& frame, const Size& client,
                       const std::vector<Rect>& screens) const;
  // At close, before anything is released; only once RestoreSession has run, so that a start
  // that failed before it leaves what the last run kept as it was.
  void SaveSession();
  // File > Recent Files: opens both files of entry `index` in one step, or drops the entry
  // with a message when either file is gone.
  void OpenRecentFile(size_t index);
  void RememberRecent(const std::string& rom, const std::string& dataFile);
  void ChangeRecent(const std::function<void(RecentList&)>& change);
  void UpdateRecentMenu();
  void FilesDropped(const std::vector<std::string>& paths);
  void KeyboardShortcuts1Click(TObject Sender);
  void About1Click(TObject Sender);
  RecentList recent;
  bool sessionRestored = false;
  int zoom = 1;  // the factor the last window-size command set

  // ---- script: decompression and Working RAM ----
  int32_t DecompressBlock(uint32_t romOffset);
  // Returns the glyph buffer (owned by the caller) and its size, or null.
  std::unique_ptr<uint8_t[]> DecompressBlockTable(uint32_t tableOffset, uint32_t* size);
  // The game's font from the image into gFONT; false, after the fatal message and the main
  // window's close, when it cannot be decompressed.
  bool DecompressFont();
  void DumpMemory1Click(TObject Sender);
  void DecompresstoFiles1Click(TObject Sender);

  // ---- script: block and string lists, translation files ----
  void bListClick(TObject Sender);
  // Switches the Text Editor to the current block's file. False when the previous file's unsaved
  // text could not be saved, or the translator chose to leave it and the file another program
  // changed as they are: the editor then keeps that text, still marked as modified.
  bool SwitchTextFile();
  void SaveTextFile1Click(TObject Sender);
  // Saves the Text Editor's text; when that fails, keeps it in a recovery copy. Lost when neither
  // could be written: the editor's text is then the only copy. With `mayCancel`, Cancel in the box
  // about another program's change is Cancelled: nothing is written and the editor keeps its
  // text; without it (a close, which goes on), that text goes to a recovery copy.
  enum class KeepOutcome { Kept, Cancelled, Lost };
  KeepOutcome SaveTextOrKeepCopy(bool mayCancel);
  // Declined: not written over another program's change, which is shown instead (Reload);
  // Cancelled: neither written nor reloaded (Cancel, or the box closed).
  enum class SaveOutcome { Saved, Failed, Declined, Cancelled };
  // Writes the Text Editor's text to gTextPath and says so; with `askIfChanged`, asks first when
  // another program changed the file since it was read.
  SaveOutcome SaveEditorText(bool askIfChanged);
  // Loads a translation file into the Text Editor and remembers what it held. False when it
  // cannot be read (the editor is then unchanged).
  bool LoadTextFile(const std::string& path);
  // Puts `text` in the Text Editor whole (a file shown or read again, the editor cleared), which
  // starts the editor's undo history again, and counts it in textShown.
  void ShowEditorText(const std::string& text);
  unsigned textShown = 0;
  // Shows gTextPath as it is on disk now, after asking about unsaved text (Yes keeps a copy).
  void ReloadTextFile();

  // ---- config: data file, tables, table file ----
  void LoadDataFileClick(TObject Sender);
  // Reads an already chosen data file (the part of LoadDataFileClick after the dialog).
  void LoadDataFile(const std::string& path);
  void LoadTableFile1Click(TObject Sender);
  void ReadTableFile(const std::string& path);
  void ClearTableFile();

  // ---- display: strings, renderer, commands, keyboard ----
  std::vector<uint16_t> DecodeString();  // glyph byte offsets of the current string
  void pListClick(TObject Sender);
  void Find1Find(int mode);
  void EncodeSection();
  // Status bar panel 2: whether the shown string's translation fits the box, or its first problem.
  void ShowTranslationFit();
  void RenderString(int cellRows, int cellCols);
  // One box drawn into its page and into gVideo: the part of RenderString that the ROM box skips
  // when what it reads (RomBoxKey, as bytes) is what it last drew from (KeepRomBox).
  void DrawBox(bool translation, const std::vector<uint16_t>& glyphs, int cellRows, int cellCols);
  std::vector<uint8_t> RomBoxKey(const std::vector<uint16_t>& glyphs, int cellRows, int cellCols) const;
  void KeepRomBox(bool anyGlyph);
  std::vector<uint8_t> TransTextKey(int cellRows, int cellCols) const;
  // The translation's text into its page, in place when the page holds its last drawing.
  void DrawTransText(bool inPlace, int cellRows, int cellCols);
  void RenderGlyph(int cellRows, int cellCols);
  void VideoPaint();
  void RedrawBothPages();
  void HideCodesClick(TObject Sender);
  void UseVWFRoutine1Click(TObject Sender);
  // Asks how many characters of the widest glyph the fit panel measures the player's name as,
  // and remembers the answer for the next runs.
  void PlayerNameWidth1Click(TObject Sender);
  // The width remembered from an earlier run, if any (called once at start-up).
  void RestorePlayerWidth();
  void Red1Click(MenuId item);
  void DTTClick(TObject Sender);
  void TEOnTopClick(TObject Sender);
  void DisplayTextEditor1Click(TObject Sender);
  void ViewHexData1Click(TObject Sender);
  void DisplayKanaTextDump1Click(TObject Sender);
  void DefaultWindowSize1Click(TObject Sender);
  void Zoominx21Click(TObject Sender);
  void Zoominx31Click(TObject Sender);
  void Zoominx41Click(TObject Sender);
  void ZoomClient(int factor);  // Video at `factor` times the bitmap's size
  void FormResize(TObject Sender);
  // Returns false when the key is discarded.
  bool FormKeyDown(int key, ShiftState shift);

  // ---- views: kana dumps ----
  void DumpKanatoafile1Click(TObject Sender);
  void ViewKanaDump1Click(TObject Sender);

  // ---- patch: IPS patcher, insertion ----
  void PATCHRomFile1Click(TObject Sender);
  // PATCH's work on chosen files: each applied in order to the ROM image in memory, marking it
  // modified. False when one failed (its message shown); the image then holds those before it.
  // PATCH goes through its temporary file; ts2tool, which writes the image out itself, need not.
  // `unchanged` (may be null) receives the names of the patches that changed no byte.
  enum class PatchRoute { TempFile, InMemory };
  bool ApplyPatchFiles(const std::vector<std::string>& files, PatchRoute route,
                       std::vector<std::string>* unchanged = nullptr);
  // The warning for a patch that changed nothing, one of `patches` applied together.
  static std::string PatchUnchangedMessage(const std::string& name, size_t patches);
  // The PATCH command on patches already chosen (dropped): its save question, then each patch.
  void PatchRom(const std::vector<std::string>& files);
  // PATCH after its dialog: the patches applied through the temporary file, then its messages.
  void RunPatches(const std::vector<std::string>& files);
  void Insert1Click(TObject Sender);
  void InsertCOMPRESSIONintoROM1Click(TObject Sender);
  // The patch a translator ships: from an original ROM chosen in a dialog to the image as the
  // editor holds it (unsaved changes included), BPS or IPS by the name it is saved under.
  void CreatePatch1Click(TObject Sender);
  void WrapLongLines1Click(TObject Sender);
};

// The List Data window.
class TcmForm {
 public:
  explicit TcmForm(Program& program) : program(program) {}
  Program& program;
  void bListClick(TObject Sender);
  void pListClick(TObject Sender);
  void FormResize();
};

// The Text Editor window.
class TTxtForm {
 public:
  explicit TTxtForm(Program& program) : program(program) {}
  Program& program;
  void TDMemoChange();
  void FormResize();
  bool TDMemoKeyDown(int key, ShiftState shift);  // false discards the key
};

// The Kana Text window.
class TKanaForm {
 public:
  explicit TKanaForm(Program& program) : program(program) {}
  Program& program;
  // Converts the string at Working RAM offset `offset` into kanaEdit.
  void ConvertToKana(uint32_t offset);
  // Shows the original text of the main window's current string in kanaEdit (views/original.cpp).
  void ShowOriginal();
  std::optional<std::string> shownOriginal;  // what ShowOriginal last put into kanaEdit
  // Which string of which script shownOriginal is the text of (Ts2Main::scriptGeneration counts
  // every change of what original texts are read from).
  struct OriginalOf {
    uint64_t script = 0;
    int32_t block = 0, string = 0;
    bool operator==(const OriginalOf&) const = default;
  } shownOf;
};

// The Hex Data window (views/hexdata.cpp): the raw ROM bytes of the current string as
// hexadecimal with a movable cursor, drawn into `view` and shown through the paint box chPic.
class THexForm {
 public:
  explicit THexForm(Program& program) : program(program) {}
  Program& program;
  int32_t columns = 0, rows = 0, cursorColumn = 0, cursorRow = 0, topOffset = 0;
  uint8_t byteMode = 0;
  std::array<uint8_t, 0x1000> data{};
  Bitmap view;               // what chPic shows: the data, then the cursor
  uint32_t dataAddress = 0;  // ROM offset of data[0]
  bool hasData = false;      // SetData has run at least once
  void FormCreate();
  bool FormKeyDown(int key);  // false: the key is ignored, no redraw
  void Redraw();
  // Shows `bytes` (at most 4096; the rest of the data area is zeroed) from ROM offset `address`;
  // a new address puts the cursor and scroll back at the start.
  void SetData(std::span<const uint8_t> bytes, uint32_t address);
  // Shows the 4096 ROM bytes from `romOffset` (zero past the end of the ROM). The string
  // display calls it once a string is shown.
  void ShowBytesAt(uint32_t romOffset);
};

// The insertion progress window: shows only what Insert1Click sets.
class TInsertForm {
 public:
  explicit TInsertForm(Program& program) : program(program) {}
  Program& program;
};

// The Current Kana Dump window.
class TviewKana {
 public:
  explicit TviewKana(Program& program) : program(program) {}
  Program& program;
};

// The whole program: the seven windows, created in the system's order, bound to a toolkit.
class Program : public EventSink {
 public:
  // Start-up steps 1 and 2. `failAllocation` is a test hook (see Ts2Main::failAllocation).
  explicit Program(Toolkit& ui, std::function<bool(const std::string&)> failAllocation = {});
  ~Program() override;
  Toolkit& ui;
  TmyForm myForm;
  TTxtForm TxtForm;
  THexForm HexForm;
  TKanaForm KanaForm;
  TcmForm cmForm;
  TInsertForm InsertForm;
  TviewKana viewKana;
  // Added beside the seven: string states, block progress, the Script Overview and Find in Script.
  TScriptForm& ScriptForm() { return *scriptForm_; }
  // Copies of the Text Editor's unsaved text, kept while typing pauses.
  Autosave& autosave() { return *autosave_; }

  // EventSink
  void menuCommand(MenuId item) override;
  bool formClose() override;
  bool keyDown(FormId form, int key, ShiftState shift) override;
  bool editorKeyDown(int key, ShiftState shift) override;
  void formResize(FormId form) override;
  void paint(FormId form) override;
  void listClick(ControlId list) override;
  void textChanged(ControlId edit) override;
  void applicationActivated() override;
  void filesDropped(const std::vector<std::string>& paths) override;

 private:
  std::unique_ptr<TScriptForm> scriptForm_;
  std::unique_ptr<Autosave> autosave_;
};

// The file patterns of the open dialogs: ROM files, text block data files, patches.
std::string_view RomFileFilter();
std::string_view DataFileFilter();
std::string_view PatchFileFilter();
// Whether a file has a line the text block data file loader takes as a directive (".BLOCK",
// ".TABLE", ...): a translation file or word list, which the data files' pattern also matches,
// has none. A file that cannot be read counts as one, for the loader to say why it fails.
bool HoldsDataFileDirective(const std::string& path);

// The rows of Help > Keyboard Shortcuts, built from the menu table: key, where it is, and what
// happens (a hidden or disabled item, a key another item takes first); then the main window's
// scroll keys.
std::vector<std::vector<std::string>> KeyboardShortcutRows();
// The scroll keys of the main window as listed there: key, shift state, page scrolled (0 ROM
// text, 1 translation), direction (+1 down).
struct ScrollKey {
  const char* name;
  int key;
  ShiftState shift;
  int page, direction;
};
std::span<const ScrollKey> ScrollKeys();

// The length in bytes of an open file, leaving its position where it was; -1 without a stream.
int32_t FileLength(std::FILE* file);

}  // namespace ts2
