#include "display/wrap.h"

#include <algorithm>
#include <set>

#include "display/encode.h"

namespace ts2 {

namespace {

// The column (1-based) of the last space of line `line` at or before `column` that the encoder
// reads as a space of the text; 0 when there is none.
int LastSpace(const std::vector<std::string>& lines, int line, int column) {
  int at = 0;
  for (const TracedByte& b : TraceSectionLines(lines).bytes)
    if (b.line == line && b.source == ByteSource::kText && b.value == ' ' && b.column <= column)
      at = std::max(at, b.column);
  return at;
}

}  // namespace

Wrapped WrapLongLines(std::vector<std::string> lines, const LintOptions& options) {
  Wrapped out;
  std::set<int> stuck;  // lines no break shortens
  // Each round breaks a line at a space, drops blanks from a line's end, or gives a line up.
  size_t rounds = 2 * lines.size() + 2;
  for (const std::string& l : lines) rounds += l.size();
  for (size_t round = 0; round < rounds; ++round) {
    const std::vector<LintFinding> findings = LintSection(lines, options);
    const auto tooWide = std::find_if(findings.begin(), findings.end(), [&](const LintFinding& f) {
      return f.kind == LintKind::kTooWide && !stuck.count(f.line);
    });
    if (tooWide == findings.end()) break;
    const int line = tooWide->line;
    std::string& text = lines[static_cast<size_t>(line)];
    const int space = LastSpace(lines, line, tooWide->column);
    size_t headEnd = space > 0 ? static_cast<size_t>(space - 1) : 0;
    while (headEnd > 0 && text[headEnd - 1] == ' ') --headEnd;
    if (headEnd == 0) {  // no space, or only blanks before it: one word wider than the box
      stuck.insert(line);
      continue;
    }
    size_t tailStart = static_cast<size_t>(space);
    while (tailStart < text.size() && text[tailStart] == ' ') ++tailStart;
    std::string tail = text.substr(tailStart);
    text.resize(headEnd);
    out.changed = true;
    if (tail.empty()) continue;  // only blanks passed the edge
    lines.insert(lines.begin() + line + 1, std::move(tail));
    ++out.breaks;
    std::set<int> moved;
    for (int s : stuck) moved.insert(s > line ? s + 1 : s);
    stuck = std::move(moved);
  }
  out.unbreakable.assign(stuck.begin(), stuck.end());
  out.lines = std::move(lines);
  return out;
}

}  // namespace ts2
