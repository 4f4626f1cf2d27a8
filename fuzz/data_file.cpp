// The text block data file loader with its colour and character table sections: the input is
// the data file, read by the real loader on a fresh headless program. (With no ROM loaded the
// block selection at its end does nothing; the string decoding target covers what follows.)
#include "harness.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ts2::fuzz::MakeScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = ts2::fuzz::WriteScratchFile("data.txt", ts2::fuzz::AsSpan(data, size));
  ts2::fuzz::InScratchFolder cwd;
  ts2::headless::HeadlessProgram p;
  p.form().LoadDataFile(path);
  ts2::fuzz::Check(p.ui.bList.count() <= ts2::kMaxBlocks);
  return 0;
}
