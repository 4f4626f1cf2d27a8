#include "display/wrap.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <set>

#include "display/encode.h"

namespace ts2 {

namespace {

// The columns (1-based) of the spaces of line `line` at or before `column` that the encoder reads
// as spaces of the text, the last first.
std::vector<int> SpacesBefore(const std::vector<std::string>& lines, int line, int column) {
  std::vector<int> at;
  for (const TracedByte& b : TraceSectionLines(lines).bytes)
    if (b.line == line && b.source == ByteSource::kText && b.value == ' ' && b.column <= column)
      at.push_back(b.column);
  std::sort(at.begin(), at.end(), std::greater<>());
  return at;
}

// Line `line` broken at the space in column `space`, with the blanks around it dropped; nullopt
// when only blanks come before it (a word wider than the box, or leading blanks).
struct Break {
  std::string head, tail;
};
std::optional<Break> BreakAt(const std::string& text, int space) {
  size_t headEnd = space > 0 ? static_cast<size_t>(space - 1) : 0;
  while (headEnd > 0 && text[headEnd - 1] == ' ') --headEnd;
  if (headEnd == 0) return std::nullopt;
  size_t tailStart = static_cast<size_t>(space);
  while (tailStart < text.size() && text[tailStart] == ' ') ++tailStart;
  return Break{text.substr(0, headEnd), text.substr(tailStart)};
}

bool TooWide(const std::vector<std::string>& lines, int line, const LintOptions& options) {
  for (const LintFinding& f : LintSection(lines, options))
    if (f.kind == LintKind::kTooWide && f.line == line) return true;
  return false;
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
    // The last space whose first part fits as a line of its own: a part that fills the line to
    // the wrap point fits only as the section's last line, so the space where the line passes it
    // may be one too far. The last space of all when none does (that part is broken again).
    std::optional<Break> cut;
    for (const int space : SpacesBefore(lines, line, tooWide->column)) {
      std::optional<Break> at = BreakAt(text, space);
      if (!at) break;  // only blanks before it, and before every earlier space
      if (!cut) cut = at;
      if (at->tail.empty()) break;  // only blanks passed the edge: dropping them is enough
      std::vector<std::string> trial = lines;
      trial[static_cast<size_t>(line)] = at->head;
      trial.insert(trial.begin() + line + 1, at->tail);
      if (!TooWide(trial, line, options)) {
        cut = std::move(at);
        break;
      }
    }
    if (!cut) {  // no space, or only blanks before it: one word wider than the box
      stuck.insert(line);
      continue;
    }
    std::string tail = std::move(cut->tail);
    text = std::move(cut->head);
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
