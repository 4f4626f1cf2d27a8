#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <sys/wait.h>

#include "support/builders.h"

namespace ts2 {
namespace {

struct ToolRun {
  int status = -1;
  std::string out;  // stdout, bytes as written
};

// Runs ts2tool with `args` (already quoted for the shell); stderr is discarded.
ToolRun Tool(const std::string& args) {
  ToolRun r;
  const std::string command = std::string("\"") + TS2_TOOL_PATH + "\" " + args + " 2>/dev/null";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) r.out.append(buf, n);
  const int status = pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

class KanaCommand : public ::testing::Test {
 protected:
  test::TempDir dir;
  // Two-byte codes: "=" at position 4. 8140 is a Shift-JIS text written with escapes.
  std::string dataFile = dir.write("chars.txt",
                                   ".TABLE\r\n"
                                   "4100=A\r\n"
                                   "8140=\\x82\\xA0\r\n"
                                   ".ENDTABLE\r\n");
};

TEST_F(KanaCommand, PrintsTheConvertedTextExactly) {
  const ToolRun r = Tool("kana " + dataFile + " \"41 00 05 F1 00 FD 81 40 AB 12 FF FF\"");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "A[Pause$05]\r\n\x82\xA0[$12AB]");
}

TEST_F(KanaCommand, RejectsBadArguments) {
  EXPECT_EQ(Tool("kana").status, 2);
  EXPECT_EQ(Tool("kana " + dataFile).status, 2);
  EXPECT_EQ(Tool("kana " + dataFile + " \"FF FF\" extra").status, 2);
  EXPECT_EQ(Tool("kana " + dataFile + " \"4 00\"").status, 1);
  EXPECT_EQ(Tool("kana " + dataFile + " \"GG\"").status, 1);
  EXPECT_EQ(Tool("kana " + dir.file("missing.txt") + " \"FF FF\"").status, 1);
  const ToolRun help = Tool("kana --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("ts2tool kana DATAFILE HEXBYTES"), std::string::npos);
}

}  // namespace
}  // namespace ts2
