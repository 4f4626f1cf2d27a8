// Reading a line the way the C library's sscanf reads it: the loaders' line patterns ("%s %s",
// "%X %s", "%s %d %d ...") are a series of these calls, each skipping leading whitespace.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ts2 {

// The C locale's whitespace: blank, tab, line feed, vertical tab, form feed, carriage return.
bool IsCSpace(char c);
bool IsHexDigit(char c);
int HexDigitValue(char c);  // -1 for a character that is not a hexadecimal digit

// strtoul with a 32-bit unsigned long: leading whitespace, one optional sign, for base 16 an
// optional "0x" prefix, digits up to the first one outside the base (none gives 0). An overflow
// gives 0xFFFFFFFF; a minus sign negates the value modulo 2^32.
uint32_t StrToU32(std::string_view text, int base);

// The text up to its first zero byte, as a C string would end there.
std::string_view UpToZero(std::string_view text);

bool EqualsNoCase(std::string_view a, std::string_view b);

class LineScanner {
 public:
  explicit LineScanner(std::string_view line) : s_(UpToZero(line)) {}
  // "%s": the next run of non-whitespace characters; nullopt at the end of the line.
  std::optional<std::string> word();
  // "%X": an optionally signed hexadecimal number with an optional "0x" prefix; nullopt (and
  // nothing consumed) when no digit follows. A value past 32 bits gives 0xFFFFFFFF.
  std::optional<uint32_t> hex();
  // "%d": an optionally signed decimal number; nullopt (nothing consumed) without a digit.
  // Values outside the 32-bit range are clamped to it.
  std::optional<int32_t> decimal();

 private:
  void skipSpace();
  std::string_view s_;
  size_t pos_ = 0;
};

}  // namespace ts2
