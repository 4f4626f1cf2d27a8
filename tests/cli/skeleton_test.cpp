#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "script/textfile.h"
#include "support/builders.h"

namespace ts2 {
namespace {

struct ToolRun {
  int status;
  std::string out;
};

// Runs ts2tool with `args` (shell words), capturing stdout; stderr goes to `errFile`.
ToolRun Tool(const std::string& args, const std::string& errFile = "/dev/null") {
  const std::string command = std::string(TS2_TOOL_PATH) + " " + args + " 2>" + errFile;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  ToolRun run{-1, ""};
  if (!pipe) return run;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) run.out.append(buf, n);
  const int raw = ::pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

TEST(SkeletonCommand, WritesTheNewFileBytes) {
  const ToolRun three = Tool("skeleton 3");
  EXPECT_EQ(three.status, 0);
  EXPECT_EQ(three.out.size(), 137u);
  EXPECT_EQ(three.out, TranslationSkeleton(3));
  EXPECT_EQ(Tool("skeleton 0").out.size(), 53u);
  EXPECT_EQ(Tool("skeleton 0x10").out, TranslationSkeleton(16));

  test::TempDir dir;
  const std::string file = dir.file("new.txt");
  const ToolRun toFile = Tool("skeleton 65535 -o " + file);
  EXPECT_EQ(toFile.status, 0);
  EXPECT_TRUE(toFile.out.empty());
  EXPECT_EQ(test::ReadFileText(file), TranslationSkeleton(65535));
}

TEST(SkeletonCommand, RejectsWrongUsageAndUnwritableOutput) {
  test::TempDir dir;
  const std::string err = dir.file("err.txt");
  struct Case {
    const char* args;
    int status;
  };
  for (const Case& c : {Case{"skeleton", 2}, Case{"skeleton x", 2}, Case{"skeleton -1", 2},
                        Case{"skeleton 65536", 2}, Case{"skeleton 1 2", 2}, Case{"skeleton 1 --bogus", 2},
                        Case{"skeleton 1 -o /nonexistent-dir/x.txt", 1}}) {
    SCOPED_TRACE(c.args);
    const ToolRun r = Tool(c.args, err);
    EXPECT_EQ(r.status, c.status);
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(test::ReadFileText(err).rfind("ts2tool: ", 0), 0u);
  }
  const ToolRun help = Tool("skeleton --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("skeleton COUNT [-o FILE]"), std::string::npos);
}

}  // namespace
}  // namespace ts2
