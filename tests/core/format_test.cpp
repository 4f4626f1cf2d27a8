// Format: printf-style texts of any length.
#include <gtest/gtest.h>

#include <random>
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

TEST(Format, AppendHexWritesWhatPercentZeroStarXWrites) {
  std::mt19937 rng(5);
  std::vector<uint32_t> values = {0, 1, 0xF, 0x10, 0xABCDEF, 0x1000000, 0xFFFFFFFF};
  for (int i = 0; i < 200; ++i) values.push_back(static_cast<uint32_t>(rng()) >> (rng() % 32));
  for (uint32_t value : values)
    for (int width : {0, 1, 4, 6, 8, 10}) {
      char plain[32];
      std::snprintf(plain, sizeof plain, "%0*X", width, value);
      std::string out = "PTR: ";
      AppendHex(out, value, width);
      EXPECT_EQ(out, std::string("PTR: ") + plain) << value << " " << width;
    }
}

}  // namespace
}  // namespace ts2
