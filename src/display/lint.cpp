// The translation lint: the section is encoded with the origin of every byte kept, then the
// translation box's pen is moved over the bytes exactly as the renderer moves it.
#include "display/lint.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "core/cp1252.h"
#include "core/fileutil.h"
#include "display/encode.h"
#include "display/render.h"
#include "script/textfile.h"

namespace ts2 {

namespace {

constexpr int kTagNewLineChars = 9;  // "[NEWLINE]"
// The advance of the widest letter of the translation font: the width of a name's character
// when the name is measured at its longest (a name holds letters, not ‰ or ™).
int WidestAdvance(bool variableWidth) {
  static const int widest[2] = {TransGlyphAdvance('W', false), [] {
                                  int w = 0;
                                  for (int c = 0; c < 256; ++c)
                                    if (cp1252::IsLetter(static_cast<uint8_t>(c)))
                                      w = std::max(w, TransGlyphAdvance(static_cast<uint8_t>(c), true));
                                  return w;
                                }()};
  return widest[variableWidth ? 1 : 0];
}

// The translation font's advances and blank flags, read once: the lint looks them up for every
// byte of every section of a whole script.
struct GlyphTables {
  std::array<int, 256> advance[2];  // fixed width, variable width
  std::array<bool, 256> blank;
};
const GlyphTables& Glyphs() {
  static const GlyphTables tables = [] {
    GlyphTables t;
    for (int c = 0; c < 256; ++c) {
      const auto code = static_cast<uint8_t>(c);
      t.advance[0][code] = TransGlyphAdvance(code, false);
      t.advance[1][code] = TransGlyphAdvance(code, true);
      t.blank[code] = TransGlyphBlank(code);
    }
    return t;
  }();
  return tables;
}

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
  Linter(const std::vector<std::string>& lines, const LintOptions& options)
      : lines_(lines),
        variableWidth_(options.variableWidth),
        playerWidth_(std::clamp(options.playerWidth, 0, kMaxPlayerWidth)),
        nameAdvance_(WidestAdvance(options.variableWidth)),
        glyphs_(Glyphs()),
        trace_(TraceSectionLines(lines)) {}

  std::vector<LintFinding> run() {
    for (int j = 1; j < trace_.endLine; ++j)
      if (lines_[static_cast<size_t>(j)].size() > kLineBufferChars)
        add(LintKind::kLineCut, {j, static_cast<int>(kLineBufferChars) + 1},
            Format("line is longer than %zu characters: the rest is dropped", kLineBufferChars));
    checkEmptyEdges();
    checkRunOn();
    checkEndsEarly();
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

  // An empty first or last text line adds a line break to the string. A section whose text lines
  // are all empty is one not translated yet, and one empty line is an empty string.
  void checkEmptyEdges() {
    const int last = trace_.endLine - 1;
    if (last < 2) return;
    const auto line = [&](int j) -> const std::string& { return lines_[static_cast<size_t>(j)]; };
    bool allEmpty = true;
    for (int j = 1; j <= last && allEmpty; ++j) allEmpty = line(j).empty();
    if (allEmpty) return;
    if (line(1).empty())
      add(LintKind::kEmptyEdge, {1, 1}, "empty line at the start: the string gets an extra line break");
    if (line(last).empty())
      add(LintKind::kEmptyEdge, {last, 1}, "empty line at the end: the string gets an extra line break");
  }

  // The section runs on until a line reads ".ENDS": a header inside it means its own closing
  // line is missing or broken, and the next section's text has become part of this one.
  void checkRunOn() {
    for (size_t j = 1; j < lines_.size(); ++j) {
      const std::vector<HeaderOnLine> inside = SectionHeadersOn(lines_[j]);
      if (inside.empty()) continue;
      const std::vector<HeaderOnLine> own = SectionHeadersOn(lines_[0]);
      const std::string name =
          own.empty() ? std::string("the section") : Format("section %ld", own[0].number);
      add(LintKind::kRunOn, {static_cast<int>(j), inside[0].column},
          Format("%s has no .ENDS before .STRING %ld", name.c_str(), inside[0].number));
      return;  // the first one is where the closing line belongs
    }
  }

  // The encoder ends the string before a text line that begins ".ENDS" in any letter case (".ends
  // here", ".Endspiel"), though the section runs on to its closing line: what follows is not in
  // the game. The first text line is always read.
  void checkEndsEarly() {
    size_t textEnd = lines_.size();
    if (textEnd >= 2 && IsClosingLine(lines_[textEnd - 1])) --textEnd;
    const auto at = static_cast<size_t>(trace_.endLine);
    if (at >= 2 && at < textEnd && StartsWithNoCase(lines_[at], kClosingLine))
      add(LintKind::kEndsEarly, {trace_.endLine, 1},
          "line begins \".ENDS\": the string ends before it, and this line and the rest are not in the game");
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
        else if (b.value != ' ' && glyphs_.blank[b.value])
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
  // wrap point or past it starts a new line; 0xFE starts a new line, 0xFF ends the string. The
  // player's name (0xFD) is drawn as the longest name: playerWidth_ of the widest glyph.
  void draw() {
    int penX = 0, row = 0, lastRow = 0, width = 0;
    int base = 0, names = 0;  // the line's width without the names, and how many it holds
    Position widthPassed, belowBox, firstName;
    Position wrapped;     // the last glyph drawn, when the pen wrapped after it
    Position drawnBelow;  // a glyph of the line drawn after the pen wrapped: the line is too wide
    auto reach = [&](Position at) {
      lastRow = std::max(lastRow, row);
      if (row >= kTransVisibleLines && !belowBox) belowBox = at;
    };
    auto advance = [&](int pixels, Position at) {
      if (wrapped && !drawnBelow) drawnBelow = at;
      wrapped = {};
      width += pixels;
      if (width > kTransWrapColumn && !widthPassed) widthPassed = at;
      penX += pixels;
      if (penX >= kTransWrapColumn) {
        penX = 0;
        ++row;
        wrapped = at;
      }
    };
    // A line that brings the pen to the wrap point with its last glyph is drawn whole, but the
    // line break after it starts a second line: the box shows an empty line between.
    auto lineBreak = [&] {
      if (!wrapped || drawnBelow) return;
      add(LintKind::kTooWide, wrapped,
          "line reaches the wrap point (" + std::to_string(width) + " pixels, the box wraps at " +
              std::to_string(kTransWrapColumn) + "): the box shows an empty line after it");
    };
    auto endLine = [&] {
      if (!drawnBelow) widthPassed = {};  // every glyph on the line's own row
      if (widthPassed) {
        // Too wide only with a long name: how long a name the line has room for.
        const int perLetter = names * nameAdvance_;
        if (names > 0 && base + perLetter <= kTransWrapColumn) {
          const int letters = (kTransWrapColumn - base) / perLetter;
          add(LintKind::kPlayerName, firstName,
              Format("fits only if the name has at most %d character%s", letters, letters == 1 ? "" : "s"));
        } else {
          // Put together without a format pass: a key at a full line's end makes this finding.
          add(LintKind::kTooWide, widthPassed,
              "line is " + std::to_string(width) + " pixels wide, the box wraps at " +
                  std::to_string(kTransWrapColumn));
        }
      }
      widthPassed = firstName = wrapped = drawnBelow = {};
      width = base = names = 0;
    };
    for (const TracedByte& b : trace_.bytes) {
      if (b.value == kCodeEnd) break;
      if (b.value == kCodeNewLine) {
        lineBreak();
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
      const Position at{b.line, b.column};
      if (b.value == kCodePlayer) {
        if (names++ == 0) firstName = at;
        reach(at);
        for (int letter = 0; letter < playerWidth_; ++letter) {
          reach(at);
          advance(nameAdvance_, at);
        }
        continue;
      }
      reach(at);
      const int pixels = glyphs_.advance[variableWidth_ ? 1 : 0][b.value];
      base += pixels;
      advance(pixels, at);
    }
    endLine();
    if (belowBox)
      add(LintKind::kTooManyLines, belowBox,
          Format("needs %d box lines, the box shows %d", lastRow + 1, kTransVisibleLines));
  }

  const std::vector<std::string>& lines_;
  const bool variableWidth_;
  const int playerWidth_, nameAdvance_;
  const GlyphTables& glyphs_;
  const SectionTrace trace_;
  std::vector<LintFinding> findings_;
  Position blankAt_;
  std::string blankCodes_;  // the blank run so far
  int blankCount_ = 0, blankEnd_ = 0;
  Position reportedRun_;
};

}  // namespace

std::vector<LintFinding> LintSection(const std::vector<std::string>& lines, const LintOptions& options) {
  if (lines.empty()) return {};
  return Linter(lines, options).run();
}

bool MessageIsUtf8(LintKind kind) {
  return kind == LintKind::kUnknownWord || kind == LintKind::kGlossary || kind == LintKind::kOtherwise;
}

std::string FindingPlace(long string, int line, int headerFileLine) {
  return "string " + std::to_string(string) + ", line " + std::to_string(line) + " (file line " +
         std::to_string(headerFileLine + line) + ")";
}

}  // namespace ts2
