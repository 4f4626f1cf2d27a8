#include "script/po.h"

#include <algorithm>
#include <cctype>

#include "core/fileutil.h"
#include "core/utf8.h"

namespace ts2::po {

namespace {

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool IsOctal(char c) {
  return c >= '0' && c <= '7';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the quoted strings on the rest of a line (blanks between them) onto `out`; the error when
// there is none, one is not closed or holds an unknown escape, or other text follows.
std::optional<std::string> ReadString(std::string_view s, std::string& out) {
  s = TrimSpaces(s);
  if (s.empty() || s.front() != '"') return "a quoted string was expected";
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] != '"') return "text follows the closing quote";
    ++i;
    for (;;) {
      if (i >= s.size()) return "the string is not closed";
      const char c = s[i++];
      if (c == '"') break;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (i >= s.size()) return "the string is not closed";
      const char e = s[i++];
      switch (e) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'a': out += '\a'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'v': out += '\v'; break;
        case '\\':
        case '"':
        case '\'':
        case '?': out += e; break;
        case 'x': {
          int value = 0, digits = 0;
          while (digits < 2 && i < s.size() && HexValue(s[i]) >= 0)
            value = value * 16 + HexValue(s[i++]), ++digits;
          if (digits == 0) return "\\x is not followed by a hex digit";
          out += static_cast<char>(value);
          break;
        }
        default:
          if (!IsOctal(e)) return std::string("unknown escape \\") + e;
          {
            int value = e - '0', digits = 1;
            while (digits < 3 && i < s.size() && IsOctal(s[i])) value = value * 8 + (s[i++] - '0'), ++digits;
            if (value > 0xFF) return "an octal escape past \\377";
            out += static_cast<char>(value);
          }
      }
    }
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  }
  return std::nullopt;
}

// The charset a header's Content-Type names; empty when it names none.
std::string HeaderCharset(const std::string& header) {
  size_t start = 0;
  while (start < header.size()) {
    size_t end = header.find('\n', start);
    if (end == std::string::npos) end = header.size();
    const std::string_view line(header.data() + start, end - start);
    if (StartsWithNoCase(line, "Content-Type:")) {
      const size_t at = line.find("charset=");
      if (at == std::string_view::npos) return {};
      std::string_view value = line.substr(at + 8);
      value = value.substr(0, std::min(value.find(';'), value.size()));
      return std::string(TrimSpaces(value));
    }
    start = end + 1;
  }
  return {};
}

void AppendEscaped(std::string& out, char c) {
  switch (c) {
    case '\n': out += "\\n"; return;
    case '\t': out += "\\t"; return;
    case '\r': out += "\\r"; return;
    case '\a': out += "\\a"; return;
    case '\b': out += "\\b"; return;
    case '\f': out += "\\f"; return;
    case '\v': out += "\\v"; return;
    case '\\': out += "\\\\"; return;
    case '"': out += "\\\""; return;
    default: break;
  }
  const auto byte = static_cast<unsigned char>(c);
  if (byte < 0x20 || byte == 0x7F) {
    out += '\\';
    out += static_cast<char>('0' + (byte >> 6));
    out += static_cast<char>('0' + ((byte >> 3) & 7));
    out += static_cast<char>('0' + (byte & 7));
    return;
  }
  out += c;
}

// "keyword text": a text with a line break before its end a line a string, after an empty one.
void AppendField(std::string& out, const char* keyword, std::string_view text) {
  out += keyword;
  out += ' ';
  const size_t firstBreak = text.find('\n');
  if (firstBreak == std::string_view::npos || firstBreak + 1 == text.size()) {
    out += Quote(text);
    out += '\n';
    return;
  }
  out += "\"\"\n";
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == std::string_view::npos ? text.size() : end + 1;
    out += Quote(text.substr(start, end - start));
    out += '\n';
    start = end;
  }
}

}  // namespace

bool Entry::fuzzy() const {
  return std::find(flags.begin(), flags.end(), "fuzzy") != flags.end();
}

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) AppendEscaped(out, c);
  out += '"';
  return out;
}

std::string Write(const Entry& entry) {
  std::string out;
  for (const std::string& c : entry.comments) out += c.empty() ? "#\n" : "# " + c + "\n";
  for (const std::string& c : entry.extracted) out += "#. " + c + "\n";
  for (const std::string& r : entry.references) out += "#: " + r + "\n";
  if (!entry.flags.empty()) {
    out += "#, ";
    for (size_t i = 0; i < entry.flags.size(); ++i) out += (i ? ", " : "") + entry.flags[i];
    out += '\n';
  }
  if (entry.context) AppendField(out, "msgctxt", *entry.context);
  AppendField(out, "msgid", entry.id);
  AppendField(out, "msgstr", entry.str);
  return out;
}

std::optional<std::vector<Entry>> Parse(std::string_view text, std::string& error) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<Entry> entries;
  Entry current;
  bool hasContext = false, hasId = false, hasStr = false;
  std::string* continued = nullptr;  // the string a line of its own continues
  int lineNumber = 0, entryLine = 0;
  auto fail = [&](int line, const std::string& what) {
    error = std::to_string(line) + ": " + what;
    return std::nullopt;
  };
  // Ends the entry being read; false (with `error`) when it lacks a part.
  auto finish = [&]() -> bool {
    if (!hasContext && !hasId && !hasStr) return true;
    if (!hasId || !hasStr) {
      error = std::to_string(entryLine) + ": " + (hasId ? "msgid without msgstr" : "msgctxt without msgid");
      return false;
    }
    if (!FromUtf8(current.id) || !FromUtf8(current.str) || (current.context && !FromUtf8(*current.context))) {
      error = std::to_string(current.line) + ": an escape makes text that is not UTF-8";
      return false;
    }
    entries.push_back(std::move(current));
    current = Entry{};
    hasContext = hasId = hasStr = false;
    continued = nullptr;
    return true;
  };

  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!FromUtf8(line)) return fail(lineNumber, "the text is not UTF-8");
    line = TrimSpaces(line);
    if (line.empty()) {
      continued = nullptr;
      continue;
    }
    if (line.front() == '#') {
      // A comment starts the next entry once this one has its msgstr.
      if (hasStr && !finish()) return std::nullopt;
      continued = nullptr;
      if (line.size() >= 2 && line[1] == '~') {
        // An obsolete entry: the comments and flags before it are its own, not the next one's.
        if (!hasContext && !hasId) current = Entry{};
        continue;
      }
      if (line.size() >= 2 && line[1] == '|') continue;  // a previous msgid
      if (line.size() >= 2 && (line[1] == '.' || line[1] == ':' || line[1] == ',')) {
        const std::string_view rest = TrimSpaces(line.substr(2));
        if (line[1] == '.') current.extracted.emplace_back(rest);
        if (line[1] == ':') current.references.emplace_back(rest);
        if (line[1] == ',') {
          size_t from = 0;
          while (from <= rest.size()) {
            size_t comma = rest.find(',', from);
            if (comma == std::string_view::npos) comma = rest.size();
            const std::string_view flag = TrimSpaces(rest.substr(from, comma - from));
            if (!flag.empty()) current.flags.emplace_back(flag);
            from = comma + 1;
          }
        }
        continue;
      }
      std::string_view comment = line.substr(1);
      if (!comment.empty() && comment.front() == ' ') comment.remove_prefix(1);
      current.comments.emplace_back(comment);
      continue;
    }
    if (line.front() == '"') {
      if (!continued) return fail(lineNumber, "a string with no keyword before it");
      if (auto bad = ReadString(line, *continued)) return fail(lineNumber, *bad);
      continue;
    }
    const size_t space = std::min(line.find_first_of(" \t\""), line.size());
    const std::string_view keyword = line.substr(0, space);
    const std::string_view rest = line.substr(space);
    if (keyword == "msgctxt") {
      if (hasStr && !finish()) return std::nullopt;
      if (hasContext || hasId) return fail(lineNumber, hasId ? "msgctxt after msgid" : "msgctxt twice");
      hasContext = true;
      entryLine = lineNumber;
      current.context.emplace();
      continued = &*current.context;
    } else if (keyword == "msgid") {
      if (hasStr && !finish()) return std::nullopt;
      if (hasId) return fail(lineNumber, "msgid twice");
      if (!hasContext) entryLine = lineNumber;
      hasId = true;
      current.line = lineNumber;
      continued = &current.id;
    } else if (keyword == "msgstr") {
      if (!hasId) return fail(lineNumber, "msgstr with no msgid before it");
      if (hasStr) return fail(lineNumber, "msgstr twice");
      hasStr = true;
      continued = &current.str;
    } else if (keyword == "msgid_plural" || keyword.substr(0, 7) == "msgstr[") {
      return fail(lineNumber, "plural forms have no place in a script");
    } else {
      return fail(lineNumber, "unknown keyword '" + std::string(keyword) + "'");
    }
    if (auto bad = ReadString(rest, *continued)) return fail(lineNumber, *bad);
  }
  if (!finish()) return std::nullopt;

  for (const Entry& e : entries) {
    if (!e.header()) continue;
    const std::string charset = HeaderCharset(e.str);
    std::string lower = charset;
    std::transform(lower.begin(), lower.end(), lower.begin(), AsciiLower);
    if (!charset.empty() && lower != "utf-8" && lower != "utf8" && charset != "CHARSET") {
      error = std::to_string(e.line) + ": the header says charset=" + charset + "; only UTF-8 is read";
      return std::nullopt;
    }
    break;
  }
  return entries;
}

}  // namespace ts2::po
