// The number readers of the data file and table file, and the sscanf-style line scanner.
#include <cstring>

#include "config/config.h"
#include "config/scan.h"

namespace ts2 {

namespace {
constexpr uint32_t kSnesMirrorBits = 0xC00000;  // bank bits 22-23: the same ROM in every quarter

// Digits of `base` from `i` on, accumulated with overflow detection; `i` ends past the digits.
uint64_t Digits(std::string_view s, size_t& i, int base, bool& overflow, bool& any) {
  uint64_t value = 0;
  for (; i < s.size(); ++i) {
    const int d = base == 16 ? HexDigitValue(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
    if (d < 0) break;
    any = true;
    if (!overflow) {
      value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
      if (value > UINT32_MAX) overflow = true;
    }
  }
  return value;
}

// A "0x" prefix that a hexadecimal conversion skips: only when a hexadecimal digit follows it.
bool HexPrefixAt(std::string_view s, size_t i) {
  return i + 2 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X') && IsHexDigit(s[i + 2]);
}
}  // namespace

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsHexDigit(char c) {
  return HexDigitValue(c) >= 0;
}

std::string_view UpToZero(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

uint32_t StrToU32(std::string_view text, int base) {
  const std::string_view s = UpToZero(text);
  size_t i = 0;
  while (i < s.size() && IsCSpace(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (base == 16 && HexPrefixAt(s, i)) i += 2;
  bool overflow = false, any = false;
  const uint64_t value = Digits(s, i, base, overflow, any);
  if (overflow) return UINT32_MAX;
  const uint32_t v = static_cast<uint32_t>(value);
  return negative ? 0u - v : v;
}

int32_t ParseValue(std::string_view word) {
  const std::string_view w = UpToZero(word);
  const char c0 = w.empty() ? '\0' : w[0];
  const char c1 = w.size() > 1 ? w[1] : '\0';
  const bool xNext = c1 == 'X' || c1 == 'x';
  uint32_t value;
  if (c0 == 'X' || c0 == 'x' || c0 == '$') {
    value = StrToU32(w.substr(1), 16);
  } else if (c0 == '\'') {
    value = static_cast<unsigned char>(c1);
  } else if (c0 == '0' || c0 == '\\') {
    // "0F" reads as decimal 0; a backslash word without x reads as decimal from the backslash,
    // which gives 0 as well.
    value = xNext ? StrToU32(w.substr(2), 16) : StrToU32(w, 10);
  } else {
    const bool hexLetter = w.find_first_of("ABCDEFabcdef") != std::string_view::npos;
    value = StrToU32(w, hexLetter ? 16 : 10);
  }
  return static_cast<int32_t>(value);
}

uint32_t SnesToFileOffset(uint32_t value) {
  return value == 0 ? 0 : value & ~kSnesMirrorBits;
}

// ---- LineScanner ----

void LineScanner::skipSpace() {
  while (pos_ < s_.size() && IsCSpace(s_[pos_])) ++pos_;
}

std::optional<std::string> LineScanner::word() {
  skipSpace();
  if (pos_ >= s_.size()) return std::nullopt;
  const size_t start = pos_;
  while (pos_ < s_.size() && !IsCSpace(s_[pos_])) ++pos_;
  return std::string(s_.substr(start, pos_ - start));
}

std::optional<uint32_t> LineScanner::hex() {
  skipSpace();
  size_t i = pos_;
  bool negative = false;
  if (i < s_.size() && (s_[i] == '+' || s_[i] == '-')) negative = s_[i++] == '-';
  // "0x" with no hexadecimal digit after it is no number: reading its 0 would leave the "x" as the
  // next word (a table text, a colour).
  if (i + 1 < s_.size() && s_[i] == '0' && (s_[i + 1] == 'x' || s_[i + 1] == 'X') && !HexPrefixAt(s_, i))
    return std::nullopt;
  if (HexPrefixAt(s_, i)) i += 2;
  bool overflow = false, any = false;
  const uint64_t value = Digits(s_, i, 16, overflow, any);
  if (!any) return std::nullopt;
  pos_ = i;
  if (overflow) return UINT32_MAX;
  const uint32_t v = static_cast<uint32_t>(value);
  return negative ? 0u - v : v;
}

std::optional<int32_t> LineScanner::decimal() {
  skipSpace();
  size_t i = pos_;
  bool negative = false;
  if (i < s_.size() && (s_[i] == '+' || s_[i] == '-')) negative = s_[i++] == '-';
  bool overflow = false, any = false;
  const uint64_t value = Digits(s_, i, 10, overflow, any);
  if (!any) return std::nullopt;
  pos_ = i;
  if (overflow || value > static_cast<uint64_t>(INT32_MAX) + (negative ? 1 : 0))
    return negative ? INT32_MIN : INT32_MAX;
  return static_cast<int32_t>(negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value));
}

}  // namespace ts2
