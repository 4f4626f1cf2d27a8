// Wrap Long Lines: the lines of the shown string's section that are too wide for the translation
// box, broken at spaces in the Text Editor, as one edit to undo.
#include "core/fileutil.h"
#include "core/forms.h"
#include "display/encode.h"
#include "display/wrap.h"

namespace ts2 {

namespace {

// Byte offset of line `line` of editor text ('\n' between lines); the text's length past its end.
size_t LineStart(std::string_view text, int line) {
  size_t at = 0;
  for (int l = 0; l < line && at < text.size(); ++l) {
    const size_t lf = text.find('\n', at);
    if (lf == std::string_view::npos) return text.size();
    at = lf + 1;
  }
  return at;
}

}  // namespace

void TmyForm::WrapLongLines1Click(TObject /*Sender*/) {
  if (!gROM || gSectionLine < 0) {
    ui.message(
        "Choose a string that has a section in the translation file first: Wrap Long Lines breaks the lines "
        "of the string the Text Editor shows.");
    return;
  }
  RichEdit& editor = ui.richEdit(ControlId::TDMemo);
  const std::string text = editor.text();
  // The section as the display copies it, so the lines broken are those the fit panel names.
  const std::vector<std::string> lines = SectionAt(text, gSectionLine);
  const LintOptions options{.variableWidth = Checked(MenuId::UseVWFRoutine1), .playerWidth = gPlayerWidth};
  const Wrapped wrapped = WrapLongLines(lines, options);
  const std::string number = std::to_string(gCurString);
  if (wrapped.changed) {
    const bool closed = lines.size() > 1 && IsClosingLine(lines.back());
    const size_t start = LineStart(text, gSectionLine + 1);
    const size_t end =
        closed ? LineStart(text, gSectionLine + static_cast<int>(lines.size()) - 1) : text.size();
    std::string with;
    for (size_t l = 1; l + (closed ? 1 : 0) < wrapped.lines.size(); ++l) with += wrapped.lines[l] + "\n";
    // A section that runs to the end of a text without a final line break keeps it so.
    if (end == text.size() && (text.empty() || text.back() != '\n') && with.size() > 1 &&
        with[with.size() - 2] != '\n')
      with.pop_back();
    editor.replaceRanges({{static_cast<int>(start), static_cast<int>(end - start)}}, with);
  }
  if (!wrapped.unbreakable.empty()) {
    ui.message(Format("Line %d of string %s holds a word wider than the box: it cannot be broken at a space.",
                      wrapped.unbreakable.front(), number.c_str()));
  } else if (!wrapped.changed) {
    ui.message("Every line of string " + number + " fits the box: there is nothing to wrap.");
  }
}

}  // namespace ts2
