// JSON text without Qt, for the commands that must start without loading it (`ts2tool info`,
// `ts2tool similar`): strings written exactly as QJsonDocument's compact form writes them, so
// every command's JSON looks alike (a test compares the two byte for byte).
#pragma once

#include <string>
#include <string_view>

namespace ts2::cli {

// Appends ASCII character `c` as a JSON string holds it: '"', '\\' and the control characters
// escaped (\b \f \n \r \t, the others as \u00xx), everything else as it is.
inline void AppendJsonAscii(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789abcdef";
  switch (c) {
    case '"': out += "\\\""; break;
    case '\\': out += "\\\\"; break;
    case '\b': out += "\\b"; break;
    case '\f': out += "\\f"; break;
    case '\n': out += "\\n"; break;
    case '\r': out += "\\r"; break;
    case '\t': out += "\\t"; break;
    default:
      if (c < 0x20) {
        out += "\\u00";
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
      } else {
        out += static_cast<char>(c);
      }
  }
}

// `bytes` read as Latin-1, as a quoted JSON string in UTF-8.
inline std::string JsonLatin1String(std::string_view bytes) {
  std::string out = "\"";
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      AppendJsonAscii(out, c);
    } else {  // two bytes of UTF-8
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out + "\"";
}

// UTF-8 text as a quoted JSON string: the characters past ASCII as they are.
inline std::string JsonUtf8String(std::string_view utf8) {
  std::string out = "\"";
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80)
      AppendJsonAscii(out, c);
    else
      out += ch;
  }
  return out + "\"";
}

}  // namespace ts2::cli
