// What the editor keeps between runs: the recent ROM and data-file pairs, the zoom, and where
// the windows were. The toolkit stores the values; the rules are here.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <utility>

#include "core/fileutil.h"
#include "core/forms.h"

namespace ts2 {

namespace {

constexpr char kZoomKey[] = "window/zoom";
constexpr FormId kToolWindows[] = {FormId::TxtForm, FormId::cmForm, FormId::KanaForm, FormId::HexForm};
constexpr int kGrip = 40;  // a restored window keeps this much of its top edge on a screen
// The whole-script windows: their place and size come back, not whether they were shown (they
// show the script loaded, which a start without files has not).
constexpr std::pair<ToolWindow, const char*> kScriptWindows[] = {
    {ToolWindow::ScriptOverview, "windows/ScriptOverview"},
    {ToolWindow::FindInScript, "windows/FindInScript"},
    {ToolWindow::Glossary, "windows/Glossary"},
    {ToolWindow::SimilarStrings, "windows/SimilarStrings"}};

std::string WindowKey(FormId id) {
  return std::string("windows/") + LayoutOf(id).name;
}

// Whole numbers separated by commas, exactly `count` of them.
std::optional<std::vector<int>> Numbers(const std::optional<std::string>& text, size_t count) {
  if (!text) return std::nullopt;
  std::vector<int> numbers;
  size_t start = 0;
  while (start <= text->size()) {
    size_t end = text->find(',', start);
    if (end == std::string::npos) end = text->size();
    int value = 0, used = 0;
    const std::string part = text->substr(start, end - start);
    if (std::sscanf(part.c_str(), "%d%n", &value, &used) != 1 || static_cast<size_t>(used) != part.size())
      return std::nullopt;
    numbers.push_back(value);
    start = end + 1;
  }
  if (numbers.size() != count) return std::nullopt;
  return numbers;
}

// Whether a window at (left, top) can still be grabbed by its top edge on one of the screens: a
// screen taken away since the last run must not leave a window out of reach.
bool Reachable(const std::vector<Rect>& screens, int left, int top) {
  return std::any_of(screens.begin(), screens.end(), [&](const Rect& s) {
    return top >= s.top && top < s.top + s.height - kGrip && left + kGrip > s.left &&
           left < s.left + s.width - kGrip;
  });
}

// A kept client size worth taking back: neither empty nor beyond any screen.
bool SaneSize(int width, int height) {
  return width > 0 && height > 0 && width <= 16384 && height <= 16384;
}

}  // namespace

// A zoom kept on a larger screen comes back only as far as the main window's screen holds the
// whole window: a window taller than the screen would hide its status bar, or its menu bar under
// a panel, out of reach. The screen is the one holding the window's top-left corner.
int TmyForm::LargestZoomShown(int kept, const Rect& frame, const Size& client,
                              const std::vector<Rect>& screens) const {
  if (screens.empty()) return kept;
  const auto holds = [&](const Rect& s) {
    return frame.left >= s.left && frame.left < s.left + s.width && frame.top >= s.top &&
           frame.top < s.top + s.height;
  };
  const auto at = std::find_if(screens.begin(), screens.end(), holds);
  const Rect& screen = at != screens.end() ? *at : screens.front();
  const int frameW = frame.width - client.width, frameH = frame.height - client.height;
  for (int factor = kept; factor >= 2; --factor)
    if (frameW + factor * gDefClientW <= screen.width &&
        frameH + gDefClientH + (factor - 1) * kZoomRowsAdded <= screen.height)
      return factor;
  return 1;
}

void TmyForm::RestoreSession() {
  Settings& settings = ui.settings();
  sessionRestored = true;
  recent = RecentList::Load(settings);
  UpdateRecentMenu();

  const std::vector<Rect> screens = ui.screens();
  Window& main = ui.window(FormId::myForm);
  if (auto at = Numbers(settings.value(WindowKey(FormId::myForm)), 2);
      at && Reachable(screens, (*at)[0], (*at)[1]))
    main.setPosition((*at)[0], (*at)[1]);
  // The zoom command places the tool windows beside the main window; their own places follow.
  if (auto factor = Numbers(settings.value(kZoomKey), 1); factor && (*factor)[0] >= 2) {
    const MenuId item = ZoomItemOf(LargestZoomShown((*factor)[0], main.bounds(), main.clientSize(), screens));
    if (item != MenuId::Count) RunMenuCommand(item);
  }
  for (FormId id : kToolWindows) {
    const auto kept = Numbers(settings.value(WindowKey(id)), 5);  // left, top, width, height, shown
    if (!kept) continue;
    const int left = (*kept)[0], top = (*kept)[1], width = (*kept)[2], height = (*kept)[3],
              shown = (*kept)[4];
    Window& window = ui.window(id);
    if (Reachable(screens, left, top)) window.setPosition(left, top);
    // The Hex Data window has a fixed size; the others take back theirs, within reason.
    if (id != FormId::HexForm && SaneSize(width, height)) {
      window.setClientWidth(width);
      window.setClientHeight(height);
    }
    window.setVisible(shown != 0);
  }
  for (const auto& [window, key] : kScriptWindows) {
    const auto kept = Numbers(settings.value(key), 4);  // left, top, width, height
    if (!kept) continue;
    const Rect place{(*kept)[0], (*kept)[1], (*kept)[2], (*kept)[3]};
    if (Reachable(screens, place.left, place.top) && SaneSize(place.width, place.height))
      ui.keepToolWindowPlace(window, place);
  }
}

void TmyForm::SaveSession() {
  if (!sessionRestored) return;  // nothing of this run to keep, and the last run's values stay
  Settings& settings = ui.settings();
  const Rect m = ui.window(FormId::myForm).bounds();
  settings.setValue(WindowKey(FormId::myForm), Format("%d,%d", m.left, m.top));
  settings.setValue(kZoomKey, std::to_string(zoom));
  for (FormId id : kToolWindows) {
    Window& window = ui.window(id);
    const Rect b = window.bounds();
    const Size c = window.clientSize();
    settings.setValue(WindowKey(id),
                      Format("%d,%d,%d,%d,%d", b.left, b.top, c.width, c.height, window.visible() ? 1 : 0));
  }
  // A window not opened in this run keeps the place it had.
  for (const auto& [window, key] : kScriptWindows)
    if (const std::optional<Rect> at = ui.toolWindowPlace(window))
      settings.setValue(key, Format("%d,%d,%d,%d", at->left, at->top, at->width, at->height));
  // The recent files are not written here: each change went to the settings when it was made.
}

// Another editor may have changed the kept list since this one read it: each change is made to
// the list as the settings hold it now, so that neither editor's entries overwrite the other's.
void TmyForm::ChangeRecent(const std::function<void(RecentList&)>& change) {
  Settings& settings = ui.settings();
  settings.reload();
  recent = RecentList::Load(settings);
  change(recent);
  recent.save(settings);
  UpdateRecentMenu();
}

void TmyForm::RememberRecent(const std::string& rom, const std::string& dataFile) {
  ChangeRecent([&](RecentList& list) { list.add({rom, dataFile}); });
}

void TmyForm::UpdateRecentMenu() {
  const std::vector<RecentPair>& entries = recent.entries();
  for (size_t i = 0; i < std::size(kRecentFileItems); ++i) {
    MenuItem& item = ui.menuItem(kRecentFileItems[i]);
    item.setCaption(i < entries.size() ? RecentCaption(i, entries[i]) : std::string());
    item.setVisible(i < entries.size());
  }
  ui.menuItem(MenuId::RecentFiles1).setEnabled(!entries.empty());
}

void TmyForm::OpenRecentFile(size_t index) {
  if (index >= recent.entries().size()) return;
  const RecentPair pair = recent.entries()[index];
  std::string gone;
  int count = 0;
  for (const std::string& path : {pair.rom, pair.dataFile}) {
    if (FileExists(path)) continue;
    gone += "\n" + path;
    ++count;
  }
  if (count > 0) {
    ChangeRecent([&](RecentList& list) { list.remove(pair); });
    ui.message(std::string(count == 1 ? "This file no longer exists" : "These files no longer exist") +
               ", so the entry was removed from Recent Files:" + gone);
    return;
  }
  if (!ConfirmReplaceRom()) return;
  OpenRomNamed(pair.rom, pair.dataFile);
}

}  // namespace ts2
