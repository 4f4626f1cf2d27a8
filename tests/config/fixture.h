// Shared pieces of the configuration tests: a started headless program and a place for the
// data and table files each test writes.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "headless/headless.h"
#include "support/builders.h"

namespace ts2::test {

// Counts the entries of a character table that are no longer in their start state.
inline int ChangedEntries(const CharTable& table, int size) {
  int n = 0;
  for (int c = 0; c < size; ++c) {
    const CharEntry& e = table.at(static_cast<size_t>(c));
    if (e.length != 0 || e.colour != 0x0F || e.nullFlag != 0 || e.text) ++n;
  }
  return n;
}

class ConfigTest : public ::testing::Test {
 protected:
  // Writes `text` as a data file and runs the loader on it, as the command line does.
  std::string Load(std::string_view text, std::string_view name = "data.txt") {
    const std::string path = dir.write(name, text);
    form().LoadDataFile(path);
    return path;
  }
  TmyForm& form() { return p.form(); }
  const CharEntry& c8(uint32_t code) { return form().gCharTable[code]; }
  const CharEntry& c16(uint32_t code) { return form().gCharTable16[code]; }
  bool checked(MenuId item) { return form().Checked(item); }

  TempDir dir;
  headless::HeadlessProgram p;
};

}  // namespace ts2::test
