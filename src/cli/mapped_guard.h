// A file mapped into memory is read where it lies on disk: when another program cuts the file
// short while it is mapped, reading a page past its new end is a bus error (SIGBUS), and the
// process would die with the shell's "Bus error" instead of one line saying what happened.
#pragma once

#include <signal.h>

#include <cstddef>
#include <string>

namespace ts2::cli {

// While it lives, a bus error on a read of [base, base + length) prints `message` as
// "ts2tool: MESSAGE" on stderr and ends the process with exit status 1 (an unreadable file). A
// bus error anywhere else takes its default action, as if no guard were there. One guard at a
// time; the handler in place before it comes back when it goes.
class MappedFileGuard {
 public:
  MappedFileGuard(const void* base, size_t length, const std::string& message);
  ~MappedFileGuard();
  MappedFileGuard(const MappedFileGuard&) = delete;
  MappedFileGuard& operator=(const MappedFileGuard&) = delete;

 private:
  std::string line_;  // what the handler writes, whole: it may not allocate or format
  struct sigaction previous_ {};
  bool installed_ = false;
};

}  // namespace ts2::cli
