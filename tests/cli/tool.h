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

// Runs `command` through bash in `dir`, TOOL standing for ts2tool: the command names its own
// stdin, stdout, pipes and environment, as a shell user's command line does.
inline ToolRun RunShell(const TempDir& dir, std::string command) {
  for (size_t at; (at = command.find("TOOL")) != std::string::npos;)
    command.replace(at, 4, std::string("'") + TS2_TOOL_PATH + "'");
  return RunProgram("/bin/bash", dir, "-c \"" + command + "\"");
}

// Whether `text` holds `part`, and whether it starts with `prefix`; on failure, the whole text.
#define EXPECT_HAS(text, part) \
  EXPECT_NE((text).find(part), std::string::npos) << (part) << "\n---\n" << (text)
#define EXPECT_LACKS(text, part) \
  EXPECT_EQ((text).find(part), std::string::npos) << (part) << "\n---\n" << (text)
#define EXPECT_STARTS(text, prefix) EXPECT_EQ((text).rfind(prefix, 0), 0u) << (text)

// A run's exit status (with its stderr on failure) and its whole stdout.
#define EXPECT_RUN(run, exitStatus, output)         \
  do {                                              \
    const ToolRun& run_ = (run);                    \
    EXPECT_EQ(run_.status, exitStatus) << run_.err; \
    EXPECT_EQ(run_.out, output);                    \
  } while (false)

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
