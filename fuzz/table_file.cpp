// The table file loader: the input is the *.tbl file, read by the real handler. The loader
// clears the three tables before it reads, so one program serves every input.
#include "harness.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ts2::fuzz::MakeScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = ts2::fuzz::WriteScratchFile("table.tbl", ts2::fuzz::AsSpan(data, size));
  ts2::fuzz::InScratchFolder cwd;
  ts2::headless::HeadlessProgram& p = ts2::fuzz::ReusedProgram();
  p.form().ReadTableFile(path);
  return 0;
}
