#include "cli/sjis_utf8.h"

#include <iconv.h>

namespace ts2::cli {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

bool IsLead(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool IsTrail(unsigned char b) {
  return b >= 0x40 && b <= 0xFC && b != 0x7F;
}
bool IsHalfWidthKana(unsigned char b) {
  return b >= 0xA1 && b <= 0xDF;
}

class Converter {
 public:
  Converter() : cd_(iconv_open("UTF-8", "CP932")) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // One character of one or two bytes; false when iconv does not take it.
  bool append(std::string& out, std::string_view unit) {
    char in[2] = {};
    unit.copy(in, sizeof in);
    char buf[8];
    char* inPtr = in;
    char* outPtr = buf;
    size_t inLeft = unit.size(), outLeft = sizeof buf;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // a fresh start for every character
    if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
      return false;
    out.append(buf, static_cast<size_t>(outPtr - buf));
    return true;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::optional<std::string> ShiftJisToUtf8(std::string_view bytes) {
  Converter converter;
  if (!converter.ok()) return std::nullopt;
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  size_t at = 0;
  while (at < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[at]);
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++at;
      continue;
    }
    size_t unit = 0;
    if (IsLead(b) && at + 1 < bytes.size() && IsTrail(static_cast<unsigned char>(bytes[at + 1])))
      unit = 2;
    else if (IsHalfWidthKana(b))
      unit = 1;
    // A pair with no character assigned to it is one unknown character; a byte that starts none
    // is one on its own, and the next byte may start a character.
    if (unit == 0 || !converter.append(out, bytes.substr(at, unit))) out += kReplacement;
    at += unit == 0 ? 1 : unit;
  }
  return out;
}

}  // namespace ts2::cli

namespace ts2::cli {

std::optional<std::string> Utf8ToShiftJis(std::string_view utf8) {
  const iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string in(utf8), out(utf8.size() * 2 + 4, '\0');
  char* inPtr = in.data();
  char* outPtr = out.data();
  size_t inLeft = in.size(), outLeft = out.size();
  const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) && inLeft == 0;
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

std::function<std::string(std::string_view)> OriginalsToUtf8(bool& failed) {
  return [&failed](std::string_view sjis) {
    std::optional<std::string> utf8 = ShiftJisToUtf8(sjis);
    failed = failed || !utf8;
    return utf8.value_or(std::string());
  };
}

}  // namespace ts2::cli
