// Directives, section headers and tags are read without case the same under every locale: the
// editor's toolkit sets the user's, and in a Turkish one the C library does not take 'I' for the
// capital of 'i'.
#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/fileutil.h"
#include "display/encode.h"
#include "script/textfile.h"
#include "support/builders.h"

namespace ts2 {
namespace {

TEST(Locale, CaseIsFoldedAsAsciiUnderATurkishLocale) {
  if (!std::filesystem::exists("/usr/share/i18n/locales/tr_TR")) GTEST_SKIP() << "no locale sources here";
  test::TempDir dir;
  const std::string build = "localedef -i tr_TR -f UTF-8 " + dir.file("tr_TR.UTF-8") + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(build.c_str()), 0);
  const char* before = std::getenv("LOCPATH");
  const std::string kept = before ? before : "";
  ::setenv("LOCPATH", dir.path().c_str(), 1);
  ASSERT_NE(std::setlocale(LC_ALL, "tr_TR.UTF-8"), nullptr);
  // The C library's own folding differs here: what the matching must not depend on.
  EXPECT_NE(std::tolower('I'), 'i');

  EXPECT_TRUE(StartsWithNoCase(".TEXTWINDOW HIDE", ".textwindow"));
  EXPECT_TRUE(StartsWithNoCase(".textwindow hide", ".TEXTWINDOW"));
  EXPECT_FALSE(
      StartsWithNoCase(".T\xDD"
                       "TLE",
                       ".TITLE"));  // a byte past ASCII is no letter I
  ASSERT_EQ(SectionHeadersOn(".STRING 1").size(), 1u);
  EXPECT_EQ(SectionHeadersOn(".String 12")[0].number, 12);
  EXPECT_EQ(EncodeSectionLines({".STRING 0", "a[newline]b", ".ENDS"}),
            EncodeSectionLines({".STRING 0", "a[NEWLINE]b", ".ENDS"}));

  std::setlocale(LC_ALL, "C");
  if (before) {
    ::setenv("LOCPATH", kept.c_str(), 1);
  } else {
    ::unsetenv("LOCPATH");
  }
}

}  // namespace
}  // namespace ts2
