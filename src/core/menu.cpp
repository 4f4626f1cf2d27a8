#include "core/menu.h"

#include <array>

namespace ts2 {
namespace {

using enum MenuId;
constexpr MenuKind S = MenuKind::Submenu, C = MenuKind::Command, X = MenuKind::Separator;

// clang-format off
constexpr std::array<MenuEntry, static_cast<size_t>(MenuId::Count)> kMenu{{
  {File1,                     "File1",                     S, "&File",                           "",       false, true,  true,  0},
  {OpenBinaryTextData1,       "OpenBinaryTextData1",       C, "&Open ROM File",                  "Ctrl+O", false, true,  true,  0},
  {LoadDataFile,              "LoadDataFile",              C, "Load Text Block Data File",       "Ctrl+F", false, true,  true,  0},
  {N2,                        "N2",                        X, "-",                               "",       false, true,  true,  0},
  {SaveTextFile1,             "SaveTextFile1",             C, "&Save Text File",                 "Ctrl+S", false, true,  true,  0},
  {SaveRomFile1,              "SaveRomFile1",              C, "S&ave Rom File",                  "Ctrl+A", false, true,  true,  0},
  {N1,                        "N1",                        X, "-",                               "",       false, true,  true,  0},
  {Exit1,                     "Exit1",                     C, "E&xit",                           "Alt+X",  false, true,  true,  0},
  {N9,                        "N9",                        X, "-",                               "",       false, true,  true,  0},
  {RecentFiles1,              "RecentFiles1",              S, "&Recent Files",                   "",       false, false, true,  0, File1},
  {RecentFile1,               "RecentFile1",               C, "",                                "",       false, true,  false, 0, RecentFiles1},
  {RecentFile2,               "RecentFile2",               C, "",                                "",       false, true,  false, 0, RecentFiles1},
  {RecentFile3,               "RecentFile3",               C, "",                                "",       false, true,  false, 0, RecentFiles1},
  {RecentFile4,               "RecentFile4",               C, "",                                "",       false, true,  false, 0, RecentFiles1},
  {RecentFile5,               "RecentFile5",               C, "",                                "",       false, true,  false, 0, RecentFiles1},
  {RecentFile6,               "RecentFile6",               C, "",                                "",       false, true,  false, 0, RecentFiles1},
  {RecentFile7,               "RecentFile7",               C, "",                                "",       false, true,  false, 0, RecentFiles1},
  {RecentFile8,               "RecentFile8",               C, "",                                "",       false, true,  false, 0, RecentFiles1},
  {Edit1,                     "Edit1",                     S, "&Edit",                           "",       false, true,  true,  0},
  {Insert1,                   "Insert1",                   C, "&Insert Text File into ROM",      "Ctrl+I", false, true,  true,  0},
  {PATCHRomFile1,             "PATCHRomFile1",             C, "PATCH Rom File",                  "Ctrl+P", false, true,  true,  0},
  {LoadTableFile1,            "LoadTableFile1",            C, "Load &Table File",                "Ctrl+T", false, true,  true,  0},
  {N7,                        "N7",                        X, "-",                               "",       false, true,  true,  0},
  {InsertCOMPRESSIONintoROM1, "InsertCOMPRESSIONintoROM1", C, "Insert &COMPRESSION into ROM",    "Ctrl+C", false, false, true,  0},
  {N16,                       "N16",                       X, "-",                               "",       false, true,  true,  0},
  {CreatePatch1,              "CreatePatch1",              C, "Create &Patch...",                "Ctrl+Shift+P", false, true, true, 0},
  {N17,                       "N17",                       X, "-",                               "",       false, true,  true,  0},
  {ExportPo1,                 "ExportPo1",                 C, "&Export Script as PO...",         "Ctrl+Shift+E", false, true, true, 0},
  {ImportPo1,                 "ImportPo1",                 C, "I&mport Translations from PO...", "Ctrl+Shift+I", false, true, true, 0},
  {ExportProof1,              "ExportProof1",              C, "Export Pr&oof Sheet...",          "",       false, true,  true,  0},
  {WrapLongLines1,            "WrapLongLines1",            C, "&Wrap Long Lines",                "Ctrl+Shift+W", false, true, true, 0},
  {FillRepeats1,              "FillRepeats1",              C, "Fill &Repeated Strings...",       "Ctrl+Shift+R", false, true, true, 0},
  {UseSimilar1,               "UseSimilar1",               C, "Use &Similar Translation",        "Ctrl+Shift+U", false, true, true, 0},
  {UndoOtherFiles1,           "UndoOtherFiles1",           C, "&Undo Changes to Other Files",    "",       false, false, true,  0},
  {View1,                     "View1",                     S, "&View",                           "",       false, true,  true,  0},
  {DisplayTextEditor1,        "DisplayTextEditor1",        C, "Display &Text Editor",            "Ctrl+T", false, true,  true,  0},
  {DTT,                       "DTT",                       C, "&Display Translated Text",        "Ctrl+D", false, true,  false, 0},
  {ViewHexData1,              "ViewHexData1",              C, "Display He&x Data",               "Ctrl+X", false, true,  true,  0},
  {DisplayKanaTextDump1,      "DisplayKanaTextDump1",      C, "Display Kana Text Dump",          "Ctrl+K", false, true,  true,  0},
  {DecompresstoFiles1,        "DecompresstoFiles1",        C, "Display Block Decompression Offsets", "Ctrl+B", false, true, false, 0},
  {N3,                        "N3",                        X, "-",                               "",       false, true,  true,  0},
  {HideCodes,                 "HideCodes",                 C, "&Hide Control Codes",             "Ctrl+H", false, true,  true,  0},
  {N4,                        "N4",                        X, "-",                               "",       false, true,  true,  0},
  {UseVWFRoutine1,            "UseVWFRoutine1",            C, "&Use VWF Routine",                "Ctrl+U", false, true,  true,  0},
  {N8,                        "N8",                        X, "-",                               "",       false, true,  true,  0},
  {PlayerNameWidth1,          "PlayerNameWidth1",          C, "Player &Name Width...",           "",       false, true,  true,  0},
  {N10,                       "N10",                       X, "-",                               "",       false, true,  true,  0},
  {Spelling1,                 "Spelling1",                 C, "&Spelling",                       "",       false, true,  true,  0},
  {N15,                       "N15",                       X, "-",                               "",       false, true,  true,  0},
  {ScriptOverview1,           "ScriptOverview1",           C, "Script &Overview",                "Ctrl+Shift+O", false, true, true, 0},
  {FindInScript1,             "FindInScript1",             C, "F&ind in Script...",              "Ctrl+Shift+F", false, true, true, 0},
  {NextUntranslated1,         "NextUntranslated1",         C, "Next Untranslated Strin&g",       "F8",     false, true,  true,  0},
  {NextFinding1,              "NextFinding1",              C, "Next String &with Findings",      "Shift+F8", false, true, true, 0},
  {Glossary1,                 "Glossary1",                 C, "G&lossary",                       "Ctrl+Shift+G", false, true, true, 0},
  {SimilarStrings1,           "SimilarStrings1",           C, "Si&milar Strings",                "Ctrl+Shift+M", false, true, true, 0},
  {GoTo1,                     "GoTo1",                     C, "Go to St&ring...",                "Ctrl+G", false, true,  true,  0},
  {Program1,                  "Program1",                  S, "&Program",                        "",       false, true,  true,  0},
  {DumpMemory1,               "DumpMemory1",               C, "Du&mp DECOMPRESSED BINARY Data",  "Ctrl+M", false, false, true,  0},
  {DumpKanatoafile1,          "DumpKanatoafile1",          C, "Dump Ka&na to a file",            "Ctrl+N", false, false, true,  0},
  {ViewKanaDump1,             "ViewKanaDump1",             C, "&View Kana Dump",                 "Ctrl+V", false, false, true,  0},
  {TextboxColor1,             "TextboxColor1",             S, "Textbox Color...",                "",       false, true,  true,  0},
  {Blue1,                     "Blue1",                     C, "Blue",                            "",       true,  true,  true,  1},
  {Green1,                    "Green1",                    C, "Green",                           "",       false, true,  true,  1},
  {Red1,                      "Red1",                      C, "Red",                             "",       false, true,  true,  1},
  {N5,                        "N5",                        X, "-",                               "",       false, true,  true,  0},
  {Gradient1,                 "Gradient1",                 C, "Gradient",                        "",       true,  true,  true,  2},
  {Solid1,                    "Solid1",                    C, "Solid",                           "",       false, true,  true,  2},
  {N6,                        "N6",                        X, "-",                               "",       false, true,  true,  0},
  {TEOnTop,                   "TEOnTop",                   C, "Text Editor Stay on top",         "",       false, true,  true,  0},
  {Window1,                   "Window1",                   S, "&Window",                         "",       false, true,  true,  0},
  {DefaultWindowSize1,        "DefaultWindowSize1",        C, "Default Window Size",             "Ctrl+W", false, true,  true,  0},
  {Zoominx21,                 "Zoominx21",                 C, "Zoom in x 2",                     "",       false, true,  true,  0},
  {Zoominx31,                 "Zoominx31",                 C, "Zoom in x 3",                     "",       false, true,  true,  0},
  {Zoominx41,                 "Zoominx41",                 C, "Zoom in x 4",                     "",       false, true,  true,  0},
  {Help1,                     "Help1",                     S, "&Help",                           "",       false, true,  true,  0},
  {KeyboardShortcuts1,        "KeyboardShortcuts1",        C, "&Keyboard Shortcuts",             "F1",     false, true,  true,  0},
  {About1,                    "About1",                    C, "&About ts2edit",                  "",       false, true,  true,  0},
}};
// clang-format on

constexpr bool InMenuOrder() {
  for (size_t i = 0; i < kMenu.size(); ++i)
    if (static_cast<size_t>(kMenu[i].id) != i) return false;
  return true;
}
static_assert(InMenuOrder(), "the menu table must list every item once, in MenuId order");

}  // namespace

std::span<const MenuEntry> MenuTable() {
  return kMenu;
}

const MenuEntry& MenuInfo(MenuId id) {
  return kMenu[static_cast<size_t>(id)];
}

int ZoomFactorOf(MenuId id) {
  switch (id) {
    case DefaultWindowSize1: return 1;
    case Zoominx21: return 2;
    case Zoominx31: return 3;
    case Zoominx41: return 4;
    default: return 0;
  }
}

MenuId ZoomItemOf(int factor) {
  for (MenuId id : {DefaultWindowSize1, Zoominx21, Zoominx31, Zoominx41})
    if (ZoomFactorOf(id) == factor) return id;
  return Count;
}

std::string PlainCaption(std::string_view caption) {
  std::string plain;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;  // "&x" shows x, "&&" shows "&"
    plain.push_back(caption[i]);
  }
  return plain;
}

}  // namespace ts2
