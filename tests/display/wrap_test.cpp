// Long lines broken at spaces: the breaks fall where the box check says a line passes the wrap
// point, never inside a tag or a "[$" run, and nothing of the text is lost or moved.
#include <gtest/gtest.h>

#include <random>

#include "display/wrap.h"

namespace ts2 {
namespace {

using Lines = std::vector<std::string>;

Lines Section(const Lines& text) {
  Lines lines{".STRING 0"};
  lines.insert(lines.end(), text.begin(), text.end());
  lines.push_back(".ENDS");
  return lines;
}

std::string Repeat(char c, size_t n) {
  return std::string(n, c);
}

// At a fixed width of 8 pixels a character, 27 characters fill the box's 216: as a last line they
// fit, but before a line break the box would show an empty line, so 26 is what a line may hold.
TEST(WrapLongLines, BreaksAtTheLastSpaceBeforeTheEdge) {
  const struct {
    const char* name;
    Lines text, wrapped;
    int breaks;
    std::vector<int> unbreakable;
  } cases[] = {
      {"fits", {Repeat('a', 27)}, {Repeat('a', 27)}, 0, {}},
      {"one break", {Repeat('a', 20) + " " + Repeat('b', 10)}, {Repeat('a', 20), Repeat('b', 10)}, 1, {}},
      {"the space at the edge", {Repeat('a', 26) + " b"}, {Repeat('a', 26), "b"}, 1, {}},
      {"the space just past the edge: 27 characters would fill the line",
       {Repeat('a', 20) + " bbbbbb cc"},
       {Repeat('a', 20), "bbbbbb cc"},
       1,
       {}},
      {"a full line before another",
       {Repeat('a', 20) + " bbbbbb", "c"},
       {Repeat('a', 20), "bbbbbb", "c"},
       1,
       {}},
      {"a full word before another line", {Repeat('a', 27), "c"}, {Repeat('a', 27), "c"}, 0, {1}},
      {"as often as it takes",
       {Repeat('a', 20) + " " + Repeat('b', 20) + " " + Repeat('c', 20), "short"},
       {Repeat('a', 20), Repeat('b', 20), Repeat('c', 20), "short"},
       2,
       {}},
      {"several words to a line",
       {"aaaa bbbb cccc dddd eeee ffff gggg hhhh"},
       {"aaaa bbbb cccc dddd eeee", "ffff gggg hhhh"},
       1,
       {}},
      {"blanks at the break dropped",
       {Repeat('a', 20) + "    " + Repeat('b', 10)},
       {Repeat('a', 20), Repeat('b', 10)},
       1,
       {}},
      {"blanks past the edge dropped", {Repeat('a', 27) + "   "}, {Repeat('a', 27)}, 0, {}},
      {"one word wider than the box",
       {Repeat('x', 30), Repeat('y', 5) + " " + Repeat('z', 25)},
       {Repeat('x', 30), Repeat('y', 5), Repeat('z', 25)},
       1,
       {1}},
      {"no break after leading blanks", {"   " + Repeat('x', 30)}, {"   " + Repeat('x', 30)}, 0, {1}},
      {"no break inside a [$ run",
       {Repeat('a', 25) + "[$2020]bbbb"},
       {Repeat('a', 25) + "[$2020]bbbb"},
       0,
       {1}},
      {"a [$ run moves whole",
       {Repeat('a', 24) + " [$41][$42][$43][$44]"},
       {Repeat('a', 24), "[$41][$42][$43][$44]"},
       1,
       {}},
      {"too wide only with a long name: left",
       {"[PLAYER] " + Repeat('a', 20)},
       {"[PLAYER] " + Repeat('a', 20)},
       0,
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Wrapped w = WrapLongLines(Section(c.text), {});
    EXPECT_EQ(w.lines, Section(c.wrapped));
    EXPECT_EQ(w.breaks, c.breaks);
    EXPECT_EQ(w.unbreakable, c.unbreakable);
    EXPECT_EQ(w.changed, w.lines != Section(c.text));
  }
}

// Random texts, fixed and variable width: afterwards only lines without a place to break are too
// wide, and the words are the same words in the same order.
TEST(WrapLongLines, LeavesNoBreakableLineTooWideAndKeepsEveryWord) {
  std::mt19937 random(11);
  const std::string pieces[] = {"a", "iii", "WWWW", "mmmmmmm", "[PLAYER]", "[$41]", " ", " ", "  "};
  for (int round = 0; round < 400; ++round) {
    Lines text(1 + random() % 4);
    for (std::string& line : text)
      for (int k = static_cast<int>(random() % 30); k > 0; --k) line += pieces[random() % std::size(pieces)];
    const LintOptions options{.variableWidth = round % 2 == 1, .playerWidth = static_cast<int>(random() % 9)};
    const Wrapped w = WrapLongLines(Section(text), options);
    for (const LintFinding& f : LintSection(w.lines, options))
      if (f.kind == LintKind::kTooWide) {
        EXPECT_TRUE(std::count(w.unbreakable.begin(), w.unbreakable.end(), f.line)) << w.lines[f.line];
      }
    const auto words = [](const Lines& lines) {
      std::string all;
      for (size_t i = 1; i + 1 < lines.size(); ++i) all += " " + lines[i] + " ";
      std::vector<std::string> out;
      for (size_t at = 0; at < all.size();) {
        const size_t end = std::min(all.find(' ', at), all.size());
        if (end > at) out.push_back(all.substr(at, end - at));
        at = end + 1;
      }
      return out;
    };
    EXPECT_EQ(words(w.lines), words(Section(text)));
    EXPECT_EQ(w.lines.size(), text.size() + 2 + static_cast<size_t>(w.breaks));
  }
}

}  // namespace
}  // namespace ts2
