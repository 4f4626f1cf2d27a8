// The glossary's reader and matcher. The file is decoded to characters first, then read as CSV
// one record at a time, so that a line number is known for every row and a quoted field may hold
// separators and line breaks.
#include "views/glossary.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "core/cp1252.h"
#include "core/utf8.h"
#include "views/find.h"
#include "views/sections.h"

namespace ts2 {

namespace {

bool IsBlank(char32_t c) {
  return c == U' ' || c == U'\t' || c == U'\r' || c == U'\n';
}

// C0 and C1 controls and DEL: no term holds them.
bool IsControl(char32_t c) {
  return (c < 0x20 && !IsBlank(c)) || (c >= 0x7F && c <= 0x9F);
}

char32_t FoldChar(char32_t c) {
  if (c >= U'A' && c <= U'Z') return c + 0x20;
  if (c < 0x80) return c;
  const std::optional<uint8_t> b = cp1252::FromUnicode(c);
  return b ? cp1252::ToUnicode(FoldCp1252(*b)) : c;
}

bool IsWordChar(char32_t c) {
  const std::optional<uint8_t> b = cp1252::FromUnicode(c);
  return b && IsWordByteCp1252(*b);
}

// `text` with each run of blanks one space and none at either end.
std::u32string Collapse(std::u32string_view text) {
  std::u32string out;
  out.reserve(text.size());
  bool blank = false;
  for (char32_t c : text) {
    if (IsBlank(c)) {
      blank = !out.empty();
      continue;
    }
    if (blank) out += U' ';
    blank = false;
    out += c;
  }
  return out;
}

std::u32string Fold(std::u32string text) {
  for (char32_t& c : text) c = FoldChar(c);
  return text;
}

std::string FoldBytes(std::string text) {
  for (char& c : text) c = static_cast<char>(FoldCp1252(static_cast<uint8_t>(c)));
  return text;
}

uint64_t StartKey(char32_t first, char32_t second) {
  return (static_cast<uint64_t>(first) << 32) | second;
}

std::string Quoted(std::string_view utf8) {
  return "\"" + std::string(utf8) + "\"";
}

// A first line "sep=;" as spreadsheets write it: the separator it names.
std::optional<char32_t> SepLine(std::u32string_view s) {
  if (s.size() < 5 || s.substr(0, 4) != U"sep=") return std::nullopt;
  if (s.size() > 5 && s[5] != U'\r' && s[5] != U'\n') return std::nullopt;
  return s[4];
}

// The separator: the one a "sep=" line names, else the first comma, semicolon or tab outside
// quotes in the first record.
char32_t FindSeparator(std::u32string_view s) {
  if (const std::optional<char32_t> named = SepLine(s)) return *named;
  bool quoted = false;
  for (char32_t c : s) {
    if (c == U'"') quoted = !quoted;
    if (quoted) continue;
    if (c == U',' || c == U';' || c == U'\t') return c;
    if (c == U'\r' || c == U'\n') break;
  }
  return U',';
}

// A glossary file's characters. A file that is UTF-8 throughout, or that holds UTF-8 beyond ASCII
// on some line, is UTF-8: each line that is not (a row typed in another program, pasted from a
// Windows-1252 text) is read as Windows-1252 only so that the rows around it keep their shape,
// and is named in `badLines`. A file without a single UTF-8 character beyond ASCII is
// Windows-1252, as a spreadsheet on Windows saves it. Lines end as the reader counts them: CR LF,
// LF or CR.
struct GlossaryText {
  std::u32string text;
  bool utf8 = true;
  std::vector<int> badLines;  // 1-based, in order
};

GlossaryText DecodeGlossary(std::string_view bytes) {
  GlossaryText out;
  if (const std::optional<std::u32string> whole = FromUtf8(bytes)) {
    out.text = *whole;
    return out;
  }
  struct Line {
    std::string_view bytes, end;
    std::optional<std::u32string> utf8;
  };
  std::vector<Line> lines;
  bool beyondAscii = false;  // a line of UTF-8 holds more than ASCII
  for (size_t at = 0; at < bytes.size();) {
    size_t end = bytes.find_first_of("\r\n", at);
    if (end == std::string_view::npos) end = bytes.size();
    const size_t next =
        end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n'
            ? end + 2
            : std::min(end + 1, bytes.size());
    Line line{bytes.substr(at, end - at), bytes.substr(end, next - end),
              FromUtf8(bytes.substr(at, end - at))};
    beyondAscii = beyondAscii || (line.utf8 && line.utf8->size() < line.bytes.size());
    lines.push_back(line);
    at = next;
  }
  if (!beyondAscii) {
    out.text = Cp1252ToUnicode(bytes);
    out.utf8 = false;
    return out;
  }
  for (size_t k = 0; k < lines.size(); ++k) {
    if (!lines[k].utf8) out.badLines.push_back(static_cast<int>(k) + 1);
    out.text += lines[k].utf8 ? *lines[k].utf8 : Cp1252ToUnicode(lines[k].bytes);
    out.text += Cp1252ToUnicode(lines[k].end);
  }
  return out;
}

bool IsHeader(const std::vector<std::u32string>& fields) {
  return fields.size() >= 2 && Fold(Collapse(fields[0])) == U"source" &&
         Fold(Collapse(fields[1])) == U"target";
}

}  // namespace

std::string GlossaryPath(const std::string& dumpDir) {
  return dumpDir + "/" + kGlossaryFile;
}

std::string GlossaryBody(const std::vector<std::string>& section) {
  std::string out;
  const size_t end =
      section.size() >= 2 && IsSectionEnd(section.back()) ? section.size() - 1 : section.size();
  bool blank = false;
  for (size_t j = 1; j < end; ++j) {
    blank = blank || !out.empty();  // a line break is a blank
    for (char c : section[j]) {
      if (static_cast<unsigned char>(c) <= 0x20) {
        blank = !out.empty();
        continue;
      }
      if (blank) out += ' ';
      blank = false;
      out += c;
    }
  }
  return out;
}

Glossary::Glossary(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  const GlossaryText decoded = DecodeGlossary(bytes);
  const std::u32string& s = decoded.text;
  const char32_t sep = FindSeparator(s);
  const size_t n = s.size();
  size_t i = SepLine(s) ? 5 : 0;
  int line = 1;
  bool first = true;
  const auto endOfLine = [&] {
    if (i < n && s[i] == U'\r') {
      ++i;
      if (i < n && s[i] == U'\n') ++i;
      ++line;
    } else if (i < n && s[i] == U'\n') {
      ++i;
      ++line;
    }
  };
  if (i > 0) endOfLine();  // after a "sep=" line
  while (i < n) {
    const int recordLine = line;
    std::vector<std::u32string> fields;
    std::optional<std::string> error;
    for (;;) {
      std::u32string field;
      if (i < n && s[i] == U'"') {
        ++i;
        bool closed = false;
        while (i < n) {
          const char32_t c = s[i];
          if (c == U'"') {
            if (i + 1 < n && s[i + 1] == U'"') {
              field += U'"';
              i += 2;
              continue;
            }
            ++i;
            closed = true;
            break;
          }
          if (c == U'\n' || (c == U'\r' && !(i + 1 < n && s[i + 1] == U'\n'))) ++line;
          field += c;
          ++i;
        }
        if (!closed) {
          error = "a quoted field is not closed";
          break;
        }
        while (i < n && (s[i] == U' ' || s[i] == U'\t') && s[i] != sep) ++i;
        if (i < n && s[i] != sep && s[i] != U'\r' && s[i] != U'\n') {
          error = "text after a quoted field's closing quote";
          while (i < n && s[i] != U'\r' && s[i] != U'\n') ++i;
        }
      } else {
        while (i < n && s[i] != sep && s[i] != U'\r' && s[i] != U'\n') field += s[i++];
      }
      fields.push_back(std::move(field));
      if (error) break;
      if (i < n && s[i] == sep) {
        ++i;
        continue;
      }
      break;
    }
    const int lastLine = line;
    endOfLine();
    // A row with a line that is not UTF-8 in a UTF-8 file is left out, each such line named.
    const auto bad = std::lower_bound(decoded.badLines.begin(), decoded.badLines.end(), recordLine);
    const auto badEnd = std::upper_bound(bad, decoded.badLines.end(), lastLine);
    if (error) errors_.push_back({recordLine, *error});
    for (auto l = bad; l != badEnd; ++l)
      errors_.push_back({*l, "not UTF-8 text, though the file is UTF-8 elsewhere (save it as UTF-8)"});
    if (error || bad != badEnd) {
      first = false;
      continue;
    }
    const bool empty = std::all_of(fields.begin(), fields.end(),
                                   [](const std::u32string& f) { return Collapse(f).empty(); });
    if (empty) continue;
    const bool header = first && IsHeader(fields);
    first = false;
    if (header) continue;

    const std::u32string source = Collapse(fields[0]);
    const std::u32string target = fields.size() > 1 ? Collapse(fields[1]) : U"";
    const std::u32string note = fields.size() > 2 ? Collapse(fields[2]) : U"";
    if (source.empty()) {
      errors_.push_back({recordLine, "no term in the first column"});
      continue;
    }
    if (target.empty()) {
      errors_.push_back({recordLine, "no translation in the second column for " + Quoted(ToUtf8(source))});
      continue;
    }
    if (std::any_of(source.begin(), source.end(), IsControl) ||
        std::any_of(target.begin(), target.end(), IsControl)) {
      errors_.push_back({recordLine, "a control character in " + Quoted(ToUtf8(source))});
      continue;
    }
    std::optional<std::string> bytesOfTarget = UnicodeToCp1252(target);
    if (!bytesOfTarget) {
      std::u32string lacking;
      for (char32_t c : target)
        if (!cp1252::FromUnicode(c)) {
          lacking = std::u32string(1, c);
          break;
        }
      errors_.push_back({recordLine, "the translation " + Quoted(ToUtf8(target)) + " holds " +
                                         Quoted(ToUtf8(lacking)) + ", which Windows-1252 lacks"});
      continue;
    }
    add(ToUtf8(source), std::move(*bytesOfTarget), ToUtf8(note), recordLine);
  }
}

void Glossary::add(std::string source, std::string target, std::string note, int line) {
  std::u32string folded = Fold(*FromUtf8(source));
  std::string foldedTarget = FoldBytes(target);
  const auto known = bySource_.find(folded);
  if (known != bySource_.end()) {
    GlossaryTerm& term = terms_[known->second];
    std::vector<std::string>& targets = foldedTargets_[known->second];
    if (std::find(targets.begin(), targets.end(), foldedTarget) == targets.end()) {
      term.targets.push_back(std::move(target));
      targets.push_back(std::move(foldedTarget));
    }
    if (term.note.empty()) term.note = std::move(note);
    return;
  }
  const size_t index = terms_.size();
  byStart_[StartKey(folded[0], folded.size() > 1 ? folded[1] : 0)].push_back(index);
  bySource_.emplace(folded, index);
  folded_.push_back(std::move(folded));
  foldedTargets_.push_back({std::move(foldedTarget)});
  terms_.push_back({std::move(source), {std::move(target)}, std::move(note), line});
}

std::vector<size_t> Glossary::termsIn(std::string_view original) const {
  if (terms_.empty()) return {};
  const std::optional<std::u32string> decoded = FromUtf8(original);
  const std::u32string text = Fold(Collapse(decoded ? *decoded : Cp1252ToUnicode(original)));
  std::vector<std::pair<size_t, size_t>> found;  // position, term
  std::vector<bool> seen(terms_.size(), false);
  const auto tryAt = [&](size_t p, uint64_t key) {
    const auto bucket = byStart_.find(key);
    if (bucket == byStart_.end()) return;
    for (size_t t : bucket->second) {
      const std::u32string& term = folded_[t];
      if (seen[t] || text.compare(p, term.size(), term) != 0) continue;
      const size_t end = p + term.size();
      if (IsWordChar(term.front()) && p > 0 && IsWordChar(text[p - 1])) continue;
      if (IsWordChar(term.back()) && end < text.size() && IsWordChar(text[end])) continue;
      seen[t] = true;
      found.emplace_back(p, t);
    }
  };
  for (size_t p = 0; p < text.size(); ++p) {
    if (p + 1 < text.size()) tryAt(p, StartKey(text[p], text[p + 1]));
    tryAt(p, StartKey(text[p], 0));
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<size_t> out;
  out.reserve(found.size());
  for (const auto& f : found) out.push_back(f.second);
  return out;
}

bool Glossary::holds(size_t index, std::string_view foldedBody) const {
  for (const std::string& target : foldedTargets_[index])
    for (size_t at = foldedBody.find(target); at != std::string::npos; at = foldedBody.find(target, at + 1))
      if (at == 0 || !IsWordByteCp1252(static_cast<uint8_t>(foldedBody[at - 1]))) return true;
  return false;
}

bool Glossary::translated(size_t index, const std::vector<std::string>& section) const {
  return index < terms_.size() && holds(index, FoldBytes(GlossaryBody(section)));
}

std::vector<LintFinding> Glossary::findings(const std::vector<size_t>& terms,
                                            const std::vector<std::string>& section) const {
  std::vector<LintFinding> out;
  if (terms.empty()) return out;
  const std::string body = FoldBytes(GlossaryBody(section));
  if (body.empty()) return out;  // not translated yet
  for (size_t t : terms) {
    if (t >= terms_.size() || holds(t, body)) continue;
    const GlossaryTerm& term = terms_[t];
    std::string message = "the original has " + Quoted(term.source) + ": the glossary translates it as ";
    for (size_t k = 0; k < term.targets.size(); ++k)
      message += (k == 0 ? "" : " or ") + Quoted(Cp1252ToUtf8(term.targets[k]));
    out.push_back({LintKind::kGlossary, 1, 1, std::move(message)});
  }
  return out;
}

std::optional<std::string> AppendGlossaryRow(std::string_view file, std::string_view source,
                                             std::string_view target, std::string_view note,
                                             std::string& error) {
  std::vector<std::u32string> fields;
  for (std::string_view field : {source, target, note}) {
    const std::optional<std::u32string> text = FromUtf8(field);
    if (!text) {
      error = "the text is not UTF-8";
      return std::nullopt;
    }
    fields.push_back(Collapse(*text));
  }
  if (fields[0].empty() || fields[1].empty()) {
    error = fields[0].empty() ? "the term is empty" : "the translation is empty";
    return std::nullopt;
  }
  for (const std::u32string& f : fields)
    if (std::any_of(f.begin(), f.end(), IsControl)) {
      error = "a control character in " + Quoted(ToUtf8(f));
      return std::nullopt;
    }
  if (!UnicodeToCp1252(fields[1])) {
    error = "the translation " + Quoted(ToUtf8(fields[1])) + " holds characters Windows-1252 lacks";
    return std::nullopt;
  }
  if (fields[2].empty()) fields.pop_back();

  const bool bom = file.substr(0, 3) == "\xEF\xBB\xBF";
  const std::string_view content = bom ? file.substr(3) : file;
  const GlossaryText decoded = DecodeGlossary(content);
  const char32_t sep = file.empty() ? U',' : FindSeparator(decoded.text);
  const size_t lf = file.find('\n');
  const std::string lineEnd = lf != std::string_view::npos && lf > 0 && file[lf - 1] == '\r' ? "\r\n" : "\n";

  std::u32string row;
  for (size_t k = 0; k < fields.size(); ++k) {
    const std::u32string& f = fields[k];
    if (k > 0) row += sep;
    const bool quote = f.find_first_of(std::u32string{sep, U'"'}) != std::u32string::npos;
    if (!quote) {
      row += f;
      continue;
    }
    row += U'"';
    for (char32_t c : f) row += c == U'"' ? std::u32string(U"\"\"") : std::u32string(1, c);
    row += U'"';
  }
  std::string bytes;
  if (decoded.utf8) {
    bytes = ToUtf8(row);
  } else if (std::optional<std::string> narrow = UnicodeToCp1252(row)) {
    bytes = std::move(*narrow);
  } else {
    error = "the glossary file is Windows-1252 text, which cannot hold " + Quoted(ToUtf8(row));
    return std::nullopt;
  }
  std::string out(file);
  if (file.empty())
    out = "source,target,note" + lineEnd;
  else if (file.back() != '\n' && file.back() != '\r')
    out += lineEnd;
  out += bytes + lineEnd;

  // The row must read back as the term it adds: a quote the file left open would swallow it.
  const Glossary after(out);
  const std::vector<size_t> terms = after.termsIn(ToUtf8(fields[0]));
  const std::string targetBytes = FoldBytes(*UnicodeToCp1252(fields[1]));
  const bool added = std::any_of(terms.begin(), terms.end(), [&](size_t t) {
    const std::vector<std::string>& targets = after.terms()[t].targets;
    return Fold(*FromUtf8(after.terms()[t].source)) == Fold(fields[0]) &&
           std::any_of(targets.begin(), targets.end(),
                       [&](const std::string& x) { return FoldBytes(x) == targetBytes; });
  });
  if (!added) {
    const Glossary before(file);
    const std::vector<GlossaryError>& errors = before.errors();
    error = errors.empty() ? "the new row does not read back as added"
                           : "the glossary has a mistake to fix first: line " +
                                 std::to_string(errors.back().line) + ": " + errors.back().message;
    return std::nullopt;
  }
  return out;
}

}  // namespace ts2
