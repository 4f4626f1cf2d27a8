// Format: printf-style texts of any length.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/fileutil.h"

namespace ts2 {
namespace {

// What two passes of snprintf give: the length, then the text.
std::string Plain(const std::string& text, int number) {
  const int n = std::snprintf(nullptr, 0, "%s#%d", text.c_str(), number);
  std::string out(static_cast<size_t>(n), '\0');
  std::snprintf(out.data(), out.size() + 1, "%s#%d", text.c_str(), number);
  return out;
}

// Texts shorter than, as long as and longer than the one-pass buffer, each byte kept.
TEST(Format, EqualsTheTwoPassFormattingAtEveryLength) {
  for (size_t length : {0, 1, 200, 251, 252, 253, 254, 255, 256, 257, 1000, 70000}) {
    std::string text(length, 'x');
    for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>(0x20 + i % 0x5F);
    for (int number : {0, -7, 123456}) {
      SCOPED_TRACE(testing::Message() << length << " " << number);
      EXPECT_EQ(Format("%s#%d", text.c_str(), number), Plain(text, number));
    }
  }
  EXPECT_EQ(Format("%s", ""), "");
  EXPECT_EQ(Format(".STRING %d", 10), ".STRING 10");
}

}  // namespace
}  // namespace ts2
