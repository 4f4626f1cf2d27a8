// The Similar Strings window's contents, kept from the shown string and the script.
#include "views/similar_panel.h"

#include <algorithm>
#include <utility>

#include "core/fileutil.h"
#include "core/forms.h"
#include "core/utf8.h"
#include "views/script_form.h"

namespace ts2 {

void SimilarPanel::Show() {
  // Asked for: everything read again.
  stale_ = true;
  program.ui.showToolWindow(ToolWindow::SimilarStrings, program.ScriptForm());
  StringShown();
}

void SimilarPanel::ScriptLoaded() {
  stale_ = true;
}

void SimilarPanel::ScriptMayHaveChanged() {
  stale_ = true;
  if (shown) Refresh();
}

void SimilarPanel::FilesMayHaveChanged() {
  if (shown) Refresh();
}

void SimilarPanel::SetLeast(int percent) {
  atLeast = std::clamp(percent, 0, 100);
  if (shown) Follow();
}

void SimilarPanel::StringShown() {
  // Called on every key too: the matches depend on the string shown, not on its translation.
  if (!shown || (!stale_ && Shown{program.myForm.gCurBlock, program.myForm.gCurString} == last_)) return;
  Refresh();
}

void SimilarPanel::Refresh() {
  const TmyForm& f = program.myForm;
  const std::vector<ScriptBlock> blocks = ScriptBlocks(f, f.gDumpDir);
  const auto toUtf8 = [this](std::string_view sjis) { return program.ui.shiftJisToUtf8(sjis); };
  if (stale_) {
    memory_.Clear();
    read_.clear();
  }
  if (read_.size() < blocks.size()) read_.resize(blocks.size());
  for (const ScriptBlock& b : blocks) {
    Read& read = read_[static_cast<size_t>(b.index)];
    // A block whose translation file is the shown one (two blocks of one pointer table) too.
    const bool shownBlock = !f.gTextPath.empty() && (b.index == f.gCurBlock || b.file == f.gTextPath);
    std::optional<std::string> text;
    if (shownBlock) {
      // The shown file as the Text Editor holds it, saved or not; read from disk when another
      // block is shown.
      text = program.ui.richEdit(ControlId::TDMemo).text();
      read = Read{};
    } else {
      // Another block: read again only when its file is not what was read.
      const bool same =
          memory_.has(b.index) && read.file == b.file &&
          (read.stamp.known ? CheckOnDisk(b.file, read.stamp) == DiskState::Unchanged : !FileExists(b.file));
      if (same) continue;
      text = FileText(b);
      read.file = b.file;
      read.stamp = text ? StampAfter(b.file, {reinterpret_cast<const uint8_t*>(text->data()), text->size()})
                        : FileStamp{};
    }
    const std::optional<std::string_view> view = text ? std::optional<std::string_view>(*text) : std::nullopt;
    if (memory_.has(b.index))
      memory_.SetTranslations(b.index, view);
    else
      memory_.SetBlock(b, OriginalsOf(f, b, toUtf8), view);
  }
  stale_ = false;
  last_ = {f.gCurBlock, f.gCurString};
  Follow();
}

void SimilarPanel::Follow() {
  const TmyForm& f = program.myForm;
  std::vector<SimilarMatch> now;
  std::vector<std::string> where;
  std::vector<std::vector<std::pair<size_t, size_t>>> parts;
  std::vector<bool> other;
  std::string text;
  if (f.gDumpDir.empty() || !f.gROM) {
    text = "No script yet: open a ROM and its data file.";
  } else if (f.gCurString < 0 || f.gCurString >= f.gCurStringCount) {
    text = "Choose a string in List Data.";
  } else {
    const auto string = static_cast<uint32_t>(f.gCurString);
    now = memory_.Similar(f.gCurBlock, string, atLeast, kShownMatches);
    const std::string& original = memory_.original(f.gCurBlock, string);
    const std::vector<std::string>& own = memory_.translation(f.gCurBlock, string);
    for (const SimilarMatch& m : now) {
      parts.push_back(DifferingParts(original, m.original));
      other.push_back(m.percent == 100 && !own.empty() && own != m.translation);
      std::string place = Place(m);
      if (m.alike > 1) place += " (and " + std::to_string(m.alike - 1) + " more)";
      where.push_back(std::move(place));
    }
    text = "String " + std::to_string(string) + ": ";
    if (memory_.original(f.gCurBlock, string).empty())
      text += "its original is empty.";
    else if (now.empty())
      text += "no translated string has an original " + std::to_string(atLeast) + "% like it or more.";
    else
      text += Plural(now.size(), "translated string", "translated strings") + " with an original " +
              std::to_string(atLeast) + "% like it or more" +
              (now.size() == kShownMatches ? " (the best " + std::to_string(kShownMatches) + ")" : "") + ".";
    if (const auto n = static_cast<size_t>(std::count(other.begin(), other.end(), true)); n > 0)
      text += " Its original is translated otherwise in " + Plural(n, "of them", "of them") + ".";
  }
  const bool same =
      text == summary && where == places && parts == differing && other == otherwise &&
      now.size() == matches.size() &&
      std::equal(now.begin(), now.end(), matches.begin(), [](const SimilarMatch& a, const SimilarMatch& b) {
        return a.percent == b.percent && a.block == b.block && a.string == b.string && a.alike == b.alike &&
               a.original == b.original && a.translation == b.translation;
      });
  if (same) return;
  matches = std::move(now);
  places = std::move(where);
  differing = std::move(parts);
  otherwise = std::move(other);
  summary = std::move(text);
  if (onChange) onChange();
}

std::string SimilarPanel::Place(const SimilarMatch& m) const {
  const ListBox& list = program.ui.list(ControlId::bList);
  return (m.block < list.count() ? AsciiToUtf8(list.line(m.block)) : "Block " + std::to_string(m.block)) +
         " string " + std::to_string(m.string);
}

void SimilarPanel::UseBest() {
  const TmyForm& f = program.myForm;
  Toolkit& ui = program.ui;
  if (!f.gROM || f.gTextPath.empty() || f.gCurString < 0 || f.gCurString >= f.gCurStringCount) {
    ui.message(
        "Choose a string in List Data first: Use Similar Translation gives it the translation of the "
        "translated string whose original is most like its own.");
    return;
  }
  Refresh();  // the window may be hidden: what it would show, now
  const auto string = static_cast<uint32_t>(f.gCurString);
  const std::string number = std::to_string(string);
  if (matches.empty()) {
    ui.message("No translated string has an original " + std::to_string(atLeast) + "% like string " + number +
               "'s or more.");
    return;
  }
  const std::vector<std::string>& own = memory_.translation(f.gCurBlock, string);
  if (own == matches[0].translation) {
    ui.message("String " + number + " is translated as " + Place(matches[0]) + " is already.");
    return;
  }
  if (!own.empty() &&
      !ui.question(
          Format("String %s is translated already. Replace its translation with that of %s (%d%% alike)?",
                 number.c_str(), Place(matches[0]).c_str(), matches[0].percent),
          "Use Similar Translation"))
    return;
  UseTranslation(0);
}

bool SimilarPanel::UseTranslation(size_t row) {
  const TmyForm& f = program.myForm;
  if (row >= matches.size() || f.gTextPath.empty() || f.gCurString < 0 || f.gCurString >= f.gCurStringCount)
    return false;
  // The section's body replaced as an import replaces it: a string without a section gets one.
  RichEdit& editor = program.ui.richEdit(ControlId::TDMemo);
  const std::string text = editor.text();
  const BodiesReplaced replaced =
      ReplaceBodies(text, static_cast<uint32_t>(f.gCurStringCount),
                    {NewBody{static_cast<uint32_t>(f.gCurString), matches[row].translation}});
  const Difference d = DifferenceOf(text, replaced.text);
  if (d.length > 0 || !d.with.empty())
    editor.replaceRanges({{static_cast<int>(d.start), static_cast<int>(d.length)}}, d.with);
  // Back to typing.
  if (program.ui.window(FormId::TxtForm).visible()) {
    program.ui.window(FormId::TxtForm).show();
    program.ui.richEdit(ControlId::TDMemo).setFocus();
  }
  return true;
}

}  // namespace ts2
