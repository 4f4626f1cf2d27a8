// The places Go to String understands: typed, or pasted from ts2tool's output and the editor's
// windows.
#include "views/place.h"

#include <gtest/gtest.h>

namespace ts2 {
namespace {

TEST(Place, ReadsTheFormsTheToolsPrint) {
  const struct {
    const char* text;
    const char* block;
    const char* file;
    std::optional<uint32_t> string;
    std::optional<int> line, column;
  } cases[] = {
      {"12", "", "", 12, {}, {}},
      {"  String# 12   ", "", "", 12, {}, {}},  // a line of List Data
      {"string 4294967295", "", "", 4294967295u, {}, {}},
      {"CA0000 3", "CA0000", "", 3, {}, {}},
      {"ca0000:3", "ca0000", "", 3, {}, {}},
      {"0xA0000, 3", "0xA0000", "", 3, {}, {}},
      {"Block CA0000 string 1", "CA0000", "", 1, {}, {}},  // Similar Strings, check --consistency
      {"block 0 string 1: Take the SWORD and go.", "0", "", 1, {}, {}},  // find --original
      {"Block C60000", "C60000", "", {}, {}, {}},
      {"Dumps/000A0000.txt:13: string 1: Prends l'\xE9p\xE9\x65 et pars.", "", "000A0000.txt", 1, 13, {}},
      {"Dumps/000A0000.txt:25: string 3, line 2 (file line 25): column 28: line is 240 pixels wide", "",
       "000A0000.txt", 3, 25, 28},
      {"C:\\game\\Dumps\\000A0000.txt:7", "", "000A0000.txt", {}, 7, {}},
      {"#: 000A0000.txt:25", "", "000A0000.txt", {}, 25, {}},  // a PO reference
      {"msgctxt \"000A0000.txt .STRING 3\"", "", "000A0000.txt", 3, {}, {}},
      {"000A0000.txt .STRING 3", "", "000A0000.txt", 3, {}, {}},
      {"000A0000.TXT", "", "000A0000.TXT", {}, {}, {}},
      // The matched text of find may hold the words too: only the place is read.
      {"000A0000.txt:9: string 2: string 7, column 3", "", "000A0000.txt", 2, 9, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<PlaceRequest> place = ParsePlace(c.text);
    ASSERT_TRUE(place);
    EXPECT_EQ(place->block, c.block);
    EXPECT_EQ(place->file, c.file);
    EXPECT_EQ(place->string, c.string);
    EXPECT_EQ(place->line, c.line);
    EXPECT_EQ(place->column, c.column);
  }
  for (const char* text : {"", "hello", "12 13 14", "string x", "-3", "4294967296", "CA0000 x", "Block",
                           ".txt:3", "000A0000.txt:0", "000A0000.txt:x", "000A0000.txt .STRING",
                           "Block ZZ string 1", "000A0000.txt trailing words"})
    EXPECT_FALSE(ParsePlace(text)) << text;
}

}  // namespace
}  // namespace ts2
