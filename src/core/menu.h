// The main menu as data: every item in menu order with its caption, shortcut and initial state.
// The toolkits build their menus from this table; TmyForm::RunMenuCommand runs the commands.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace ts2 {

enum class MenuId {
  File1,
  OpenBinaryTextData1,
  LoadDataFile,
  N2,
  SaveTextFile1,
  SaveRomFile1,
  N1,
  Exit1,
  N9,
  RecentFiles1,
  RecentFile1,
  RecentFile2,
  RecentFile3,
  RecentFile4,
  RecentFile5,
  RecentFile6,
  RecentFile7,
  RecentFile8,
  Edit1,
  Insert1,
  PATCHRomFile1,
  LoadTableFile1,
  N7,
  InsertCOMPRESSIONintoROM1,
  N16,
  CreatePatch1,
  N17,
  ExportPo1,
  ImportPo1,
  ExportProof1,
  WrapLongLines1,
  FillRepeats1,
  UseSimilar1,
  UndoOtherFiles1,
  View1,
  DisplayTextEditor1,
  DTT,
  ViewHexData1,
  DisplayKanaTextDump1,
  DecompresstoFiles1,
  N3,
  HideCodes,
  N4,
  UseVWFRoutine1,
  N8,
  PlayerNameWidth1,
  N10,
  Spelling1,  // its items, the installed dictionaries and Off, are the front end's
  N15,
  ScriptOverview1,
  FindInScript1,
  NextUntranslated1,
  NextFinding1,
  Glossary1,
  SimilarStrings1,
  GoTo1,
  Program1,
  DumpMemory1,
  DumpKanatoafile1,
  ViewKanaDump1,
  TextboxColor1,
  Blue1,
  Green1,
  Red1,
  N5,
  Gradient1,
  Solid1,
  N6,
  TEOnTop,
  Window1,
  DefaultWindowSize1,
  Zoominx21,
  Zoominx31,
  Zoominx41,
  Help1,
  KeyboardShortcuts1,
  About1,
  Count
};

enum class MenuKind { Submenu, Command, Separator };

struct MenuEntry {
  MenuId id;
  std::string_view name;
  MenuKind kind;
  std::string_view caption;   // "&" marks the mnemonic
  std::string_view shortcut;  // "Ctrl+O", "Alt+X" or empty
  bool checked;
  bool enabled;
  bool visible;
  int radioGroup;  // 0: none
  // The submenu an entry sits in when that is not the top-level menu before it (Recent Files
  // inside File); Count: the last top-level submenu above, or the menu bar for a submenu.
  MenuId parent = MenuId::Count;
};

// Every item in menu order; a top-level submenu's items follow it up to the next top-level
// submenu, and a nested submenu's items name it as their parent.
std::span<const MenuEntry> MenuTable();
const MenuEntry& MenuInfo(MenuId id);

// The slots of File > Recent Files, in list order.
inline constexpr MenuId kRecentFileItems[] = {MenuId::RecentFile1, MenuId::RecentFile2, MenuId::RecentFile3,
                                              MenuId::RecentFile4, MenuId::RecentFile5, MenuId::RecentFile6,
                                              MenuId::RecentFile7, MenuId::RecentFile8};

// The zoom factor a window-size command sets (1 for Default Window Size), 0 for other items.
int ZoomFactorOf(MenuId id);
MenuId ZoomItemOf(int factor);  // Count when no command sets that factor

// The caption without its mnemonic marks ("&Open ROM File" -> "Open ROM File", "&&" -> "&").
std::string PlainCaption(std::string_view caption);

}  // namespace ts2
