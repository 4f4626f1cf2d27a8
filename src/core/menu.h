// The main menu as data: every item in menu order with its caption, shortcut and initial state.
// The toolkits build their menus from this table; TmyForm::RunMenuCommand runs the commands.
#pragma once

#include <span>
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
  Edit1,
  Insert1,
  PATCHRomFile1,
  LoadTableFile1,
  N7,
  InsertCOMPRESSIONintoROM1,
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
  N15,
  ScriptOverview1,
  FindInScript1,
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
};

// Every item in menu order; a submenu's items follow it up to the next submenu.
std::span<const MenuEntry> MenuTable();
const MenuEntry& MenuInfo(MenuId id);

}  // namespace ts2
