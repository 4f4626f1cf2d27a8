// Shared pieces of the fuzz targets: a private scratch folder that is the working directory
// while an input runs (Open ROM makes its Dumps folder there, the patcher its temporary file),
// and input written out as a file for the handlers that read files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "headless/headless.h"

namespace ts2::fuzz {

// Makes a scratch folder (in /dev/shm when there is one, so file round trips stay in memory),
// removed when the run ends. Call once, from LLVMFuzzerInitialize.
void MakeScratchFolder();

// The scratch folder is the working directory while this object lives. (Only then: libFuzzer
// resolves the corpus folders named on its command line against the caller's directory.)
class InScratchFolder {
 public:
  InScratchFolder();
  ~InScratchFolder();
  InScratchFolder(const InScratchFolder&) = delete;
  InScratchFolder& operator=(const InScratchFolder&) = delete;

 private:
  int saved_;  // descriptor of the directory to return to
};

// Writes `bytes` to `name` in the scratch folder and returns its path.
std::string WriteScratchFile(std::string_view name, std::span<const uint8_t> bytes);

// A started program kept from one input to the next, for handlers that set up everything they
// read (starting a program costs more than most inputs). Its dialog script and messages are
// cleared; a program whose main window was closed is replaced by a new one. A target using it
// resets whatever else its handler reads, so that each input behaves as on a new program.
headless::HeadlessProgram& ReusedProgram();

inline std::span<const uint8_t> AsSpan(const uint8_t* data, size_t size) {
  return {data, size};
}

// A reader of fuzz input: numbers from the front, the rest as one piece.
class InputReader {
 public:
  InputReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t u8() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint16_t u16() { return static_cast<uint16_t>(u8() | u8() << 8); }
  uint32_t u24() { return static_cast<uint32_t>(u16() | u8() << 16); }
  std::span<const uint8_t> rest() const { return {data_ + pos_, size_ - pos_}; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// Stops the run with a crash report when a property the program promises does not hold.
inline void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace ts2::fuzz
