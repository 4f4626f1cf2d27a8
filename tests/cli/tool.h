// ts2tool run as a separate process, the way translation teams' scripts run it.
#pragma once

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/builders.h"

namespace ts2::test {

struct ToolRun {
  int status = -1;
  std::string out, err;
};

// Runs `PROGRAM ARGS` (ARGS already quoted for the shell) in folder `dir` with stdin from
// `input`; stdout and stderr are captured whole, in a folder of their own.
inline ToolRun RunProgram(const std::string& program, const TempDir& dir, const std::string& args,
                          const std::string& input = "/dev/null") {
  const TempDir capture;
  const std::string out = capture.file("out"), err = capture.file("err");
  const std::string command = "cd '" + dir.path().string() + "' && '" + program + "' " + args + " <'" +
                              input + "' >'" + out + "' 2>'" + err + "'";
  const int raw = std::system(command.c_str());
  ToolRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = ReadFileText(out);
  run.err = ReadFileText(err);
  return run;
}

// Runs `ts2tool ARGS`, as RunProgram does.
inline ToolRun RunTool(const TempDir& dir, const std::string& args, const std::string& input = "/dev/null") {
  return RunProgram(TS2_TOOL_PATH, dir, args, input);
}

// Every path under `dir`, sorted: what a command must leave as it was.
inline std::vector<std::filesystem::path> Listing(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> names{std::filesystem::recursive_directory_iterator(dir),
                                           std::filesystem::recursive_directory_iterator()};
  std::sort(names.begin(), names.end());
  return names;
}

// A folder holding the demo set (`ts2tool demo .`): demo.sfc, demo.txt and Dumps/.
class DemoSet : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(RunTool(dir, "demo .").status, 0); }
  TempDir dir;
};

}  // namespace ts2::test
