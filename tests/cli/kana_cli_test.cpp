#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "support/builders.h"

namespace ts2 {
namespace {

// Runs ts2tool with `args` (quoted for the shell): exit status and stdout's bytes.
std::pair<int, std::string> Tool(const std::string& args) {
  std::string out;
  std::FILE* pipe = popen((std::string("\"") + TS2_TOOL_PATH + "\" " + args + " 2>/dev/null").c_str(), "r");
  if (!pipe) return {-1, out};
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(KanaCommand, PrintsTheConvertedTextExactly) {
  test::TempDir dir;
  const std::string data = dir.write("chars.txt", ".TABLE\r\n4100=A\r\n8140=\\x82\\xA0\r\n.ENDTABLE\r\n");
  EXPECT_EQ(Tool("kana " + data + " \"41 00 05 F1 00 FD 81 40 AB 12 FF FF\""),
            std::make_pair(0, std::string("A[Pause$05]\r\n\x82\xA0[$12AB]")));
}

TEST(KanaCommand, RejectsBadArguments) {
  test::TempDir dir;
  const std::string data = dir.write("chars.txt", ".TABLE\r\n.ENDTABLE\r\n");
  for (const std::string args : {"", " \"FF FF\" extra", " --bogus \"FF FF\""})
    EXPECT_EQ(Tool("kana " + data + args).first, 2) << args;
  for (const std::string args : {" \"4 00\"", " GG"}) EXPECT_EQ(Tool("kana " + data + args).first, 1) << args;
  EXPECT_EQ(Tool("kana " + dir.file("missing.txt") + " \"FF FF\"").first, 1);
  const auto help = Tool("kana --help");
  EXPECT_EQ(help.first, 0);
  EXPECT_NE(help.second.find("ts2tool kana DATAFILE HEXBYTES"), std::string::npos);
}

}  // namespace
}  // namespace ts2
