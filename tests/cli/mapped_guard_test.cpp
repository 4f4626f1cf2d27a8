// A mapped patch cut short by another program while ts2tool reads it: one line and exit 1, as
// for any unreadable file, and only for that mapping.
#include "cli/mapped_guard.h"

#include <signal.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "patch/image_patch.h"
#include "support/builders.h"

namespace ts2::test {
namespace {

// Maps `guarded` and `other` as ts2tool patch maps its first patch and guards the first; then cuts
// one of them (the guarded one when `cutGuarded`) to nothing and reads the last byte of its
// mapping, as applying a patch would.
[[noreturn]] void ReadAfterCut(const std::string& guarded, const std::string& other, bool cutGuarded) {
  const std::optional<patching::PatchBytes> a = patching::MapPatchFile(guarded);
  const std::optional<patching::PatchBytes> b = patching::MapPatchFile(other);
  if (!a || !a->mapped || !b || !b->mapped) std::_Exit(99);
  cli::MappedFileGuard guard(a->span().data(), a->span().size(),
                             "p.ips was cut short while it was being read; out.sfc was not written");
  std::filesystem::resize_file(cutGuarded ? guarded : other, 0);
  const std::span<const uint8_t> read = (cutGuarded ? a : b)->span();
  const volatile uint8_t* at = read.data() + read.size() - 1;  // its last page
  [[maybe_unused]] const uint8_t byte = *at;
  std::_Exit(98);  // the read did not fault
}

TEST(MappedFileGuard, AFileCutShortUnderItsMappingIsReportedOnlyForTheGuardedOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::vector<uint8_t> bytes(3 * 4096 + 100, 0x5A);
  struct Case {
    const char* what;
    bool cutGuarded;
  };
  for (const Case& c :
       {Case{"the guarded patch cut short", true}, Case{"another mapped file cut short", false}}) {
    SCOPED_TRACE(c.what);
    const TempDir dir;
    const std::string guarded = dir.write("p.ips", bytes), other = dir.write("other.bin", bytes);
    if (c.cutGuarded) {
      EXPECT_EXIT(ReadAfterCut(guarded, other, true), testing::ExitedWithCode(1),
                  "^ts2tool: p.ips was cut short while it was being read; out.sfc was not written\n$");
    } else {
      EXPECT_EXIT(ReadAfterCut(guarded, other, false), testing::KilledBySignal(SIGBUS), "");
    }
  }
}

TEST(MappedFileGuard, TheHandlerBeforeItComesBackWhenItGoes) {
  struct sigaction before = {};
  struct sigaction during = {};
  struct sigaction after = {};
  ASSERT_EQ(sigaction(SIGBUS, nullptr, &before), 0);
  const char page[16] = {};
  {
    const cli::MappedFileGuard guard(page, sizeof page, "x");
    ASSERT_EQ(sigaction(SIGBUS, nullptr, &during), 0);
    EXPECT_TRUE(during.sa_flags & SA_SIGINFO);
  }
  ASSERT_EQ(sigaction(SIGBUS, nullptr, &after), 0);
  EXPECT_EQ(after.sa_flags & SA_SIGINFO, before.sa_flags & SA_SIGINFO);
  if (before.sa_flags & SA_SIGINFO)
    EXPECT_EQ(after.sa_sigaction, before.sa_sigaction);
  else
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

}  // namespace
}  // namespace ts2::test
