// The Help menu: the keyboard shortcuts, read from the menu table, and what the program is.
#include <array>

#include "core/forms.h"

#ifndef TS2_VERSION
#define TS2_VERSION "unknown"
#endif
#ifndef TS2_LICENSE
#define TS2_LICENSE "unknown"
#endif

namespace ts2 {

namespace {

// The main window's own keys (FormKeyDown): Shift scrolls the ROM text, Ctrl the translation.
constexpr std::array<ScrollKey, 4> kScrollKeys{{
    {"Shift+Up", VK_UP, {.shift = true}, 0, -1},
    {"Shift+Down", VK_DOWN, {.shift = true}, 0, +1},
    {"Ctrl+Up", VK_UP, {.ctrl = true}, 1, -1},
    {"Ctrl+Down", VK_DOWN, {.ctrl = true}, 1, +1},
}};

// "File > Recent Files" for an entry: the menus it sits in, by their captions.
std::string MenuPath(const MenuEntry& entry) {
  std::string path = PlainCaption(entry.caption);
  MenuId parent = entry.parent;
  for (size_t i = static_cast<size_t>(entry.id); parent == MenuId::Count && i-- > 0;) {
    const MenuEntry& above = MenuTable()[i];
    if (above.kind == MenuKind::Submenu && above.parent == MenuId::Count) parent = above.id;
  }
  while (parent != MenuId::Count) {
    const MenuEntry& menu = MenuInfo(parent);
    path = PlainCaption(menu.caption) + " > " + path;
    parent = menu.parent;
  }
  return path;
}

}  // namespace

std::span<const ScrollKey> ScrollKeys() {
  return kScrollKeys;
}

std::vector<std::vector<std::string>> KeyboardShortcutRows() {
  std::vector<std::vector<std::string>> rows;
  for (const MenuEntry& e : MenuTable()) {
    if (e.shortcut.empty()) continue;
    std::string note;
    // The first item in menu order that carries a key is the one the key runs.
    for (const MenuEntry& earlier : MenuTable()) {
      if (earlier.id == e.id) break;
      if (earlier.shortcut == e.shortcut) {
        note = "runs " + PlainCaption(earlier.caption) + " instead";
        break;
      }
    }
    if (note.empty() && !e.enabled) note = "disabled: does nothing";
    if (note.empty() && !e.visible) note = "not shown in the menu";
    rows.push_back({std::string(e.shortcut), MenuPath(e), note});
  }
  for (const ScrollKey& k : kScrollKeys) {
    rows.push_back({k.name, "Main window",
                    std::string(k.direction < 0 ? "scrolls up " : "scrolls down ") +
                        (k.page == 0 ? "the ROM text by half a line" : "the translation by a line")});
  }
  return rows;
}

void TmyForm::KeyboardShortcuts1Click(TObject /*Sender*/) {
  ui.showTable("Keyboard Shortcuts", {"Key", "Command", "Note"}, KeyboardShortcutRows());
}

void TmyForm::About1Click(TObject /*Sender*/) {
  const std::string where = ui.settings().location(), autosave = ui.autosaveFolder();
  ui.information("ts2edit " TS2_VERSION
                 "\n\nA script editor for translators of the Super Nintendo game \"Tormel Saragon 2\"."
                 "\n\nLicence: " TS2_LICENSE "\nRunning on " +
                     ui.libraryVersion() +
                     "\n\nSettings (windows, zoom, recent files, player name width, each data file's "
                     "spelling language) are kept in:\n" +
                     (where.empty() ? std::string("nowhere: this run keeps them in memory only") : where) +
                     "\n\nUnsaved typed text is kept, until it is saved, in:\n" +
                     (autosave.empty() ? std::string("nowhere: this run keeps no copies") : autosave),
                 "About ts2edit");
}

}  // namespace ts2
