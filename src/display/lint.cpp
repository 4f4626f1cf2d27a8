// The translation lint: the section is encoded with the origin of every byte kept, then the
// translation box's pen is moved over the bytes exactly as the renderer moves it.
#include "display/lint.h"

#include <algorithm>
#include <string_view>

#include "core/fileutil.h"
#include "display/encode.h"
#include "display/render.h"

namespace ts2 {

namespace {

constexpr int kTagNewLineChars = 9;  // "[NEWLINE]"

struct Position {
  int line = 0, column = 0;  // line 0 (the header) holds nothing to point at: no position
  explicit operator bool() const { return line != 0; }
};

bool IsHexDigit(int c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A character named in a message: itself when printable, its code otherwise.
std::string Named(uint8_t c) {
  if (c > 0x20 && c < 0x7F) return Format("'%c'", c);
  return Format("0x%02X", c);
}

// The character at 1-based `column` of `line`, or -1 past its end.
int CharAt(const std::string& line, int column) {
  return column >= 1 && static_cast<size_t>(column) <= line.size() ? static_cast<uint8_t>(line[column - 1])
                                                                   : -1;
}

class Linter {
 public:
  Linter(const std::vector<std::string>& lines, bool variableWidth)
      : lines_(lines), variableWidth_(variableWidth), trace_(TraceSectionLines(lines)) {}

  std::vector<LintFinding> run() {
    for (int j = 1; j < trace_.endLine; ++j)
      if (lines_[static_cast<size_t>(j)].size() > kLineBufferChars)
        add(LintKind::kLineCut, {j, static_cast<int>(kLineBufferChars) + 1},
            Format("line is longer than %zu characters: the rest is dropped", kLineBufferChars));
    for (size_t i = 0; i < trace_.bytes.size(); ++i) checkBytes(i);
    flushBlank();
    draw();
    std::stable_sort(findings_.begin(), findings_.end(), [](const LintFinding& a, const LintFinding& b) {
      return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
    return std::move(findings_);
  }

 private:
  void add(LintKind kind, Position at, std::string message) {
    findings_.push_back({kind, at.line, at.column, std::move(message)});
  }

  // Bytes that are not what the text seems to say.
  void checkBytes(size_t i) {
    const TracedByte& b = trace_.bytes[i];
    const bool more = i + 1 < trace_.bytes.size();
    switch (b.source) {
      case ByteSource::kText:
        if (b.value == kCodePlayer)
          add(LintKind::kControlCode, {b.line, b.column}, "character 0xFD stands for the player's name");
        else if (b.value == kCodeNewLine)
          add(LintKind::kControlCode, {b.line, b.column}, "character 0xFE starts a new line");
        else if (b.value == kCodeEnd)
          add(LintKind::kControlCode, {b.line, b.column}, "character 0xFF ends the string");
        else if (b.value != ' ' && TransGlyphBlank(b.value))
          addBlank(b);
        break;
      case ByteSource::kStray:
        add(LintKind::kStrayBracket, {b.line, b.column}, "\"[\" opens no tag and no \"[$\" run");
        break;
      case ByteSource::kHexPair:
        checkPair(b);
        if (b.value == kCodeEnd && more)
          add(LintKind::kControlCode, {b.line, b.column}, "code FF ends the string: the rest is not shown");
        break;
      case ByteSource::kTag:
      case ByteSource::kLineEnd: break;
    }
  }

  // Consecutive blank characters on a line (a UTF-8 character, say) make one finding.
  void addBlank(const TracedByte& b) {
    if (!blankCodes_.empty() && blankAt_.line == b.line && blankEnd_ == b.column) {
      blankCodes_ += " " + Named(b.value);
      ++blankCount_;
    } else {
      flushBlank();
      blankAt_ = {b.line, b.column};
      blankCodes_ = Named(b.value);
      blankCount_ = 1;
    }
    blankEnd_ = b.column + 1;
  }
  void flushBlank() {
    if (blankCodes_.empty()) return;
    add(LintKind::kBlank, blankAt_,
        blankCodes_ + (blankCount_ == 1 ? " has no glyph: drawn blank" : " have no glyphs: drawn blank"));
    blankCodes_.clear();
  }

  // A pair of a "[$" run is two hexadecimal digits; one finding a run at most.
  void checkPair(const TracedByte& b) {
    const std::string& line = lines_[static_cast<size_t>(b.line)];
    const int first = CharAt(line, b.column), second = CharAt(line, b.column + 1);
    if (IsHexDigit(first) && IsHexDigit(second)) return;
    if (reportedRun_.line == b.line && reportedRun_.column == b.start) return;
    reportedRun_ = Position{b.line, b.start};
    if (IsHexDigit(first) && (second == ']' || second < 0)) {
      add(LintKind::kHexRun, {b.line, b.start}, "odd number of hex digits in \"[$\" run");
    } else {
      const bool firstBad = !IsHexDigit(first);
      add(LintKind::kHexRun, {b.line, firstBad ? b.column : b.column + 1},
          Named(static_cast<uint8_t>(firstBad ? first : second)) + " is not a hex digit in \"[$\" run");
    }
  }

  // The pen over the bytes, as the renderer moves it: each glyph advances it and a pen at the
  // wrap point or past it starts a new line; 0xFE starts a new line, 0xFF ends the string.
  void draw() {
    int penX = 0, row = 0, lastRow = 0, width = 0;
    Position widthPassed, belowBox;
    auto reach = [&](Position at) {
      lastRow = std::max(lastRow, row);
      if (row >= kTransVisibleLines && !belowBox) belowBox = at;
    };
    auto endLine = [&] {
      if (widthPassed)
        add(LintKind::kTooWide, widthPassed,
            Format("line is %d pixels wide, the box wraps at %d", width, kTransWrapColumn));
      widthPassed = {};
      width = 0;
    };
    for (const TracedByte& b : trace_.bytes) {
      if (b.value == kCodeEnd) break;
      if (b.value == kCodeNewLine) {
        endLine();
        penX = 0;
        ++row;
        // The new line starts behind what started it.
        const int length = b.source == ByteSource::kTag       ? kTagNewLineChars
                           : b.source == ByteSource::kHexPair ? 2
                                                              : 1;
        reach(b.source == ByteSource::kLineEnd ? Position{b.line + 1, 1}
                                               : Position{b.line, b.column + length});
        continue;
      }
      reach({b.line, b.column});
      const int advance = TransGlyphAdvance(b.value, variableWidth_);
      width += advance;
      if (width > kTransWrapColumn && !widthPassed) widthPassed = Position{b.line, b.column};
      penX += advance;
      if (penX >= kTransWrapColumn) {
        penX = 0;
        ++row;
      }
    }
    endLine();
    if (belowBox)
      add(LintKind::kTooManyLines, belowBox,
          Format("needs %d box lines, the box shows %d", lastRow + 1, kTransVisibleLines));
  }

  const std::vector<std::string>& lines_;
  const bool variableWidth_;
  const SectionTrace trace_;
  std::vector<LintFinding> findings_;
  Position blankAt_;
  std::string blankCodes_;  // the blank run so far
  int blankCount_ = 0, blankEnd_ = 0;
  Position reportedRun_;
};

const char* Brief(LintKind kind) {
  switch (kind) {
    case LintKind::kTooWide: return "too wide";
    case LintKind::kTooManyLines: return "too many lines";
    case LintKind::kHexRun: return "bad [$ run";
    case LintKind::kStrayBracket: return "stray [";
    case LintKind::kBlank: return "blank character";
    case LintKind::kControlCode: return "control code";
    case LintKind::kLineCut: return "line too long";
  }
  return "";
}

}  // namespace

std::vector<LintFinding> LintSection(const std::vector<std::string>& lines, bool variableWidth) {
  if (lines.empty()) return {};
  return Linter(lines, variableWidth).run();
}

std::string FitText(const std::vector<LintFinding>& findings) {
  if (findings.empty()) return "Fits";
  const LintFinding& first = findings.front();
  return Format("L%d: %s", first.line, Brief(first.kind));
}

}  // namespace ts2
