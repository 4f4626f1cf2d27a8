// Help > Keyboard Shortcuts, read from the menu table, and Help > About.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>

#include "headless/headless.h"
#include "support/builders.h"

namespace ts2::test {
namespace {

using Row = std::vector<std::string>;

// Alt and a letter picks one item of an open menu: two shown items of a menu with the same
// letter would leave the second out of reach.
TEST(MenuAccessKeys, NoTwoShownItemsOfAMenuShareOne) {
  std::map<MenuId, std::map<char, std::string_view>> menus;
  MenuId top = MenuId::Count;
  for (const MenuEntry& e : MenuTable()) {
    if (e.kind == MenuKind::Submenu && e.parent == MenuId::Count) top = e.id;
    const size_t amp = e.caption.find('&');
    if (e.kind == MenuKind::Separator || !e.visible || amp == std::string_view::npos ||
        amp + 1 >= e.caption.size())
      continue;
    const MenuId menu = e.kind == MenuKind::Submenu && e.parent == MenuId::Count ? MenuId::Count
                        : e.parent != MenuId::Count                              ? e.parent
                                                                                 : top;
    const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(e.caption[amp + 1])));
    const auto [at, added] = menus[menu].emplace(key, e.caption);
    EXPECT_TRUE(added) << e.caption << " has the key of " << at->second;
  }
}

TEST(KeyboardShortcuts, ListEveryMenuKeyOnceWithWhatItDoes) {
  headless::HeadlessProgram p;
  p.form().RunMenuCommand(MenuId::KeyboardShortcuts1);
  ASSERT_EQ(p.ui.script.tables.size(), 1u);
  const auto& table = p.ui.script.tables[0];
  EXPECT_EQ(table.caption, "Keyboard Shortcuts");
  size_t withKeys = 0;
  for (const MenuEntry& e : MenuTable()) {
    if (e.shortcut.empty()) continue;
    ++withKeys;
    const std::string item = "> " + PlainCaption(e.caption);
    EXPECT_TRUE(std::any_of(table.rows.begin(), table.rows.end(), [&](const Row& row) {
      return row[0] == e.shortcut && row[1].ends_with(item);
    })) << e.name;
  }
  EXPECT_EQ(table.rows.size(), withKeys + ScrollKeys().size());
  // Rows that say more than the key: spot checks of each kind of note.
  const std::vector<Row> expected = {
      {"Ctrl+O", "File > Open ROM File", ""},
      {"Ctrl+T", "View > Display Text Editor", "runs Load Table File instead"},
      {"Ctrl+C", "Edit > Insert COMPRESSION into ROM", "disabled: does nothing"},
      {"Ctrl+D", "View > Display Translated Text", "not shown in the menu"},
      {"F1", "Help > Keyboard Shortcuts", ""},
  };
  for (const Row& row : expected)
    EXPECT_NE(std::find(table.rows.begin(), table.rows.end(), row), table.rows.end()) << row[1];
}

TEST(KeyboardShortcuts, ScrollKeysListedDoWhatTheySay) {
  headless::HeadlessProgram p;
  TmyForm& f = p.form();
  for (const ScrollKey& k : ScrollKeys()) {
    SCOPED_TRACE(k.name);
    f.gPages[0].scroll = f.gPages[1].scroll = 32;
    EXPECT_TRUE(f.FormKeyDown(k.key, k.shift));
    EXPECT_EQ(f.gPages[k.page].scroll, 32 + 16 * k.direction);
    EXPECT_EQ(f.gPages[1 - k.page].scroll, 32);
  }
  const auto rows = KeyboardShortcutRows();
  EXPECT_EQ(rows.back()[0], ScrollKeys().back().name);
}

TEST(About, SaysVersionLicenceLibraryAndWhereSettingsAndUnsavedTextLive) {
  headless::HeadlessProgram p;
  p.ui.autosaveDir = "/state/ts2edit/autosave";
  p.form().RunMenuCommand(MenuId::About1);
  ASSERT_EQ(p.ui.script.said.size(), 1u);
  const auto& said = p.ui.script.said[0];
  EXPECT_EQ(said.kind, headless::Script::Said::Information);
  EXPECT_EQ(said.caption, "About ts2edit");
  for (const std::string& part :
       {std::string("ts2edit " TS2_VERSION), std::string("Licence: "), p.ui.libraryVersion(),
        std::string("in memory only"),
        std::string("Unsaved typed text is kept, until it is saved, in:\n/state/ts2edit/autosave")})
    EXPECT_NE(said.text.find(part), std::string::npos) << part;
}

}  // namespace
}  // namespace ts2::test
