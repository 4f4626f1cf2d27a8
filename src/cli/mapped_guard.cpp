#include "cli/mapped_guard.h"

#include <unistd.h>

#include <atomic>
#include <cstddef>

#include "cli/cli.h"

namespace ts2::cli {
namespace {

struct Guarded {
  const char* base = nullptr;
  size_t length = 0;
  const char* line = nullptr;
  size_t lineLength = 0;
};
Guarded guarded;
std::atomic<const Guarded*> active{nullptr};  // set once `guarded` is whole

// Only async-signal-safe calls here: write, _exit, signal, raise.
void OnBusError(int signal, siginfo_t* info, void*) {
  const Guarded* g = active.load(std::memory_order_acquire);
  const char* at = static_cast<const char*>(info->si_addr);
  if (g && at >= g->base && at - g->base < static_cast<std::ptrdiff_t>(g->length)) {
    for (size_t done = 0; done < g->lineLength;) {
      const ssize_t n = ::write(STDERR_FILENO, g->line + done, g->lineLength - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    ::_exit(kExitBadInput);
  }
  ::signal(signal, SIG_DFL);
  ::raise(signal);  // delivered once this handler returns; a faulting read would fault again anyway
}

}  // namespace

MappedFileGuard::MappedFileGuard(const void* base, size_t length, const std::string& message)
    : line_("ts2tool: " + message + "\n") {
  guarded = {static_cast<const char*>(base), length, line_.data(), line_.size()};
  active.store(&guarded, std::memory_order_release);
  struct sigaction action {};
  action.sa_sigaction = OnBusError;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  installed_ = ::sigaction(SIGBUS, &action, &previous_) == 0;
}

MappedFileGuard::~MappedFileGuard() {
  if (installed_) ::sigaction(SIGBUS, &previous_, nullptr);
  active.store(nullptr, std::memory_order_release);
}

}  // namespace ts2::cli
