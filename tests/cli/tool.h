// ts2tool run as a separate process, the way translation teams' scripts run it.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/builders.h"

namespace ts2::test {

struct ToolRun {
  int status = -1;
  std::string out, err;
};

// Runs `ts2tool ARGS` (ARGS already quoted for the shell) in folder `dir` with stdin from
// `input`; stdout and stderr are captured whole, in a folder of their own.
inline ToolRun RunTool(const TempDir& dir, const std::string& args, const std::string& input = "/dev/null") {
  const TempDir capture;
  const std::string out = capture.file("out"), err = capture.file("err");
  const std::string command = "cd '" + dir.path().string() + "' && '" TS2_TOOL_PATH "' " + args + " <'" +
                              input + "' >'" + out + "' 2>'" + err + "'";
  const int raw = std::system(command.c_str());
  ToolRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = ReadFileText(out);
  run.err = ReadFileText(err);
  return run;
}

}  // namespace ts2::test
