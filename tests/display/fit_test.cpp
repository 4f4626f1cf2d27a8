// The fit panel's verdict: short enough for the panel, every finding in its tooltip.
#include <gtest/gtest.h>

#include "display/fit.h"

namespace ts2 {
namespace {

TEST(FitVerdict, BriefNamesTheFirstFindingFullListsThemAll) {
  struct Case {
    const char* name;
    std::vector<LintFinding> findings;
    std::string brief, full;
  };
  const LintFinding wide{LintKind::kTooWide, 2, 28, "line is 224 pixels wide, the box wraps at 216"};
  const LintFinding lines{LintKind::kTooManyLines, 7, 1, "the box shows 6 lines"};
  const LintFinding bracket{LintKind::kStrayBracket, 3, 4, "'[' opens no tag"};
  const Case cases[] = {
      {"none", {}, "Fits", "The translation fits its box."},
      {"one",
       {wide},
       "L2: wide",
       "string 4, line 2 (file line 12): column 28: line is 224 pixels wide, the box wraps at 216"},
      {"several",
       {bracket, lines},
       "L3: stray [ +1",
       "string 4, line 3 (file line 13): column 4: '[' opens no tag\n"
       "string 4, line 7 (file line 17): column 1: the box shows 6 lines"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const FitVerdict v = MakeFitVerdict(c.findings, 4, 10);
    EXPECT_EQ(v.brief, c.brief);
    EXPECT_EQ(v.full, c.full);
  }
}

}  // namespace
}  // namespace ts2
