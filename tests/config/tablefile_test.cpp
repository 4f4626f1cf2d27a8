#include <gtest/gtest.h>

#include <map>
#include <string>

#include "config/config.h"
#include "fixture.h"

namespace ts2 {
namespace {

using test::ConfigTest;
using namespace std::string_literals;
using Slots = std::map<int, std::string>;
using Lines = std::vector<std::string>;

Slots Filled(const std::array<std::optional<std::string>, 256>& table) {
  Slots out;
  for (int i = 0; i < 256; ++i)
    if (table[i]) out[i] = *table[i];
  return out;
}

class TableFileTest : public ConfigTest {
 protected:
  void Read(std::string_view text) { form().ReadTableFile(dir.write("t.tbl", text)); }
  Slots chars() { return Filled(form().gTblChar); }
  Slots strings() { return Filled(form().gTblString); }
  Slots wide() { return Filled(form().gTblWide); }
};

TEST_F(TableFileTest, DialogSetsThePathBeforeReadingAndASecondFileEmptiesAllTables) {
  form().gStartDir = "/start";
  form().Open1.fileName = "kept.txt";
  const std::string good = dir.write("a.tbl", "41=A\n42=BC\n8140=x\n"), missing = dir.file("missing.tbl");
  p.ui.script.openAnswers = {std::nullopt, Lines{good}, Lines{missing}, Lines{dir.write("b.tbl", "50=Z\n")}};
  form().LoadTableFile1Click(kNoSender);
  const FileDialog& d = p.ui.script.dialogsRun.at(0);
  EXPECT_EQ(std::tuple(d.title, d.filter, d.initialDir, d.fileName),
            std::tuple("Open TABLE File", "Table File | *.tbl", "/start", "kept.txt"));
  EXPECT_EQ(form().gTablePath, "");  // cancelled

  form().LoadTableFile1Click(kNoSender);
  EXPECT_EQ(form().gTablePath, good);
  // A file that cannot be read still counts as chosen; the tables keep their contents.
  form().LoadTableFile1Click(kNoSender);
  EXPECT_EQ(form().gTablePath, missing);
  EXPECT_EQ(p.ui.messages(), Lines{"Could not load the table file..."});
  EXPECT_EQ(std::tuple(chars().size(), strings().size(), wide().size()), std::tuple(1u, 1u, 1u));

  form().LoadTableFile1Click(kNoSender);
  EXPECT_EQ(chars(), (Slots{{0x50, "Z"}}));
  EXPECT_TRUE(strings().empty() && wide().empty());
}

TEST_F(TableFileTest, LineForms) {
  Read(
      "41=A\n41=AB\n"                // one character and a longer text go to different tables
      "43=\n44=D E\n"                // the text is the rest of the line
      "8140=xyz\n8240=abc\n"         // four digits: the low byte, the later line wins
      "45 =A\n123=x\n=x\n12345=x\n"  // "=" at neither position 2 nor 4
      "-1=x\n+1=x\n 1=x\nZZ=x\n"     // codes must begin with a hex digit
      "ff=\xE9\n4G=x\n"              // the code stops at the first non-digit
      "46=F\r\n47=G\rH\n"            // CR LF ends a line; a lone CR is text
      "48=I\0JK\n"                   // a zero byte ends the line's text
      "49=JK"s);                     // the last line needs no line end
  EXPECT_EQ(chars(), (Slots{{0x04, "x"}, {0x41, "A"}, {0x43, ""}, {0x46, "F"}, {0x48, "I"}, {0xFF, "\xE9"}}));
  EXPECT_EQ(strings(), (Slots{{0x41, "AB"}, {0x44, "D E"}, {0x47, "G\rH"}, {0x49, "JK"}}));
  EXPECT_EQ(wide(), (Slots{{0x40, "abc"}}));
  EXPECT_TRUE(p.ui.messages().empty());
}

TEST_F(TableFileTest, LongLinesArriveInReadsOf254) {
  // The first read holds 254 characters and no line end; the rest is read as a line of its own.
  const std::string longText(300, 'a');
  Read("41=" + longText + "\n42=" + std::string(251, 'b') + "\n");
  EXPECT_EQ(strings(), (Slots{{0x41, std::string(251, 'a')}, {0x42, std::string(251, 'b')}}));
  Read("41=" + std::string(248, 'a') + "43=xy\n");  // the cut falls after "43="
  EXPECT_EQ(strings(), (Slots{{0x41, std::string(248, 'a') + "43="}}));
  Read("41=" + std::string(251, 'a') + "43=xy\n");  // the second read "43=xy" is a line
  EXPECT_EQ(strings(), (Slots{{0x41, std::string(251, 'a')}, {0x43, "xy"}}));
}

TEST_F(TableFileTest, OutOfMemoryEmptiesTheTables) {
  Read("41=A\n");
  int texts = 0;
  form().failAllocation = [&](const std::string& what) { return what == kAllocTblText && ++texts > 1; };
  p.ui.script.openAnswers.push_back(Lines{dir.write("b.tbl", "42=B\n43=C\n")});
  form().LoadTableFile1Click(kNoSender);
  EXPECT_EQ(p.ui.messages(), Lines{"Error Allocating Memory for the Table File..."});
  EXPECT_TRUE(chars().empty());
  EXPECT_FALSE(form().gTablePath.empty());
  EXPECT_FALSE(form().closed);
}

}  // namespace
}  // namespace ts2
