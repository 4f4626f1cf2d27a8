// The find engine. Windows-1252 text is searched byte for byte (both sides folded to one case
// first when the case does not matter) with a Boyer-Moore-Horspool searcher; Shift-JIS text is
// folded character by character so that a second byte is never taken for an ASCII letter.
#include "views/find.h"

#include <algorithm>
#include <array>
#include <functional>

#include "core/fileutil.h"
#include "display/encode.h"
#include "script/textfile.h"
#include "views/sections.h"

namespace ts2 {

namespace {

constexpr std::array<uint8_t, 256> MakeFoldTable() {
  std::array<uint8_t, 256> t{};
  for (int b = 0; b < 256; ++b) t[static_cast<size_t>(b)] = static_cast<uint8_t>(b);
  for (int b = 'A'; b <= 'Z'; ++b) t[static_cast<size_t>(b)] = static_cast<uint8_t>(b + 0x20);
  t[0x8A] = 0x9A;  // Š š
  t[0x8C] = 0x9C;  // Œ œ
  t[0x8E] = 0x9E;  // Ž ž
  t[0x9F] = 0xFF;  // Ÿ ÿ
  for (int b = 0xC0; b <= 0xDE; ++b)
    if (b != 0xD7) t[static_cast<size_t>(b)] = static_cast<uint8_t>(b + 0x20);  // À-Þ, not ×
  return t;
}
constexpr std::array<uint8_t, 256> kFold = MakeFoldTable();

constexpr std::array<bool, 256> MakeWordTable() {
  std::array<bool, 256> t{};
  for (int b = 0; b < 256; ++b) {
    const bool ascii = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_';
    // ƒ Š Œ Ž š œ ž Ÿ ª µ º and the letters from À on, without × and ÷.
    const bool letter = b == 0x83 || b == 0x8A || b == 0x8C || b == 0x8E || b == 0x9A || b == 0x9C ||
                        b == 0x9E || b == 0x9F || b == 0xAA || b == 0xB5 || b == 0xBA ||
                        (b >= 0xC0 && b != 0xD7 && b != 0xF7);
    t[static_cast<size_t>(b)] = ascii || letter;
  }
  return t;
}
constexpr std::array<bool, 256> kWord = MakeWordTable();

bool IsAsciiWordByte(uint8_t b) {
  return b < 0x80 && kWord[b];
}

// The first byte of a two-byte Shift-JIS character.
bool IsSjisLead(uint8_t b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

uint8_t Byte(std::string_view text, size_t at) {
  return static_cast<uint8_t>(text[at]);
}

// Shift-JIS text with its one-byte ASCII letters folded, and where each character starts.
std::string FoldSjis(std::string_view text, bool fold, std::vector<bool>* starts) {
  std::string out(text);
  if (starts) starts->assign(text.size() + 1, false);
  for (size_t i = 0; i < text.size();) {
    if (starts) (*starts)[i] = true;
    const uint8_t b = Byte(text, i);
    if (IsSjisLead(b) && i + 1 < text.size()) {
      i += 2;
      continue;
    }
    if (fold && b < 0x80) out[i] = static_cast<char>(kFold[b]);
    ++i;
  }
  if (starts) (*starts)[text.size()] = true;
  return out;
}

}  // namespace

uint8_t FoldCp1252(uint8_t byte) {
  return kFold[byte];
}

bool IsWordByteCp1252(uint8_t byte) {
  return kWord[byte];
}

TextFinder::TextFinder(std::string needle, FindOptions options, TextEncoding encoding)
    : needle_(std::move(needle)), options_(options), encoding_(encoding) {
  if (options_.matchCase) return;
  if (encoding_ == TextEncoding::kShiftJis) {
    needle_ = FoldSjis(needle_, true, nullptr);
  } else {
    for (char& c : needle_) c = static_cast<char>(kFold[static_cast<uint8_t>(c)]);
  }
}

bool TextFinder::wordAround(std::string_view text, size_t at) const {
  const size_t end = at + needle_.size();
  const bool before = at > 0 && IsWordByteCp1252(Byte(text, at - 1));
  const bool after = end < text.size() && IsWordByteCp1252(Byte(text, end));
  return before || after;
}

void TextFinder::forEach(std::string_view text, const std::function<void(size_t)>& found) const {
  if (needle_.empty() || needle_.size() > text.size()) return;
  if (encoding_ == TextEncoding::kShiftJis) return forEachShiftJis(text, found);
  std::string folded;
  std::string_view haystack = text;
  if (!options_.matchCase) {
    folded.resize(text.size());
    std::transform(text.begin(), text.end(), folded.begin(),
                   [](char c) { return static_cast<char>(kFold[static_cast<uint8_t>(c)]); });
    haystack = folded;
  }
  const std::boyer_moore_horspool_searcher searcher(needle_.begin(), needle_.end());
  auto from = haystack.begin();
  while (true) {
    const auto hit = std::search(from, haystack.end(), searcher);
    if (hit == haystack.end()) return;
    const auto at = static_cast<size_t>(hit - haystack.begin());
    if (options_.wholeWord && wordAround(text, at)) {
      from = hit + 1;
      continue;
    }
    found(at);
    from = hit + static_cast<std::ptrdiff_t>(needle_.size());
  }
}

void TextFinder::forEachShiftJis(std::string_view text, const std::function<void(size_t)>& found) const {
  std::vector<bool> starts;
  const std::string folded = FoldSjis(text, !options_.matchCase, &starts);
  // Around a match: a one-byte character that is a letter, a digit or '_' joins the word; a
  // two-byte character does not.
  auto wordAt = [&](size_t i) { return IsAsciiWordByte(Byte(text, i)) && !IsSjisLead(Byte(text, i)); };
  auto wordBefore = [&](size_t at) {
    if (at == 0) return false;
    return starts[at - 1] && wordAt(at - 1);
  };
  size_t from = 0;
  while (true) {
    const size_t at = folded.find(needle_, from);
    if (at == std::string::npos) return;
    const size_t end = at + needle_.size();
    const bool aligned = starts[at] && starts[end];
    if (!aligned || (options_.wholeWord && (wordBefore(at) || (end < text.size() && wordAt(end))))) {
      from = at + 1;
      continue;
    }
    found(at);
    from = end;
  }
}

std::vector<size_t> TextFinder::findAll(std::string_view text) const {
  std::vector<size_t> out;
  forEach(text, [&](size_t at) { out.push_back(at); });
  return out;
}

std::vector<TextMatch> FindInTranslation(std::string_view text, uint32_t strings, const TextFinder& finder) {
  const std::vector<size_t> hits = finder.findAll(text);
  if (hits.empty()) return {};
  const SectionIndex index(text, strings);
  std::vector<TextMatch> out;
  int spansLine = -1;
  std::vector<std::pair<int, int>> spans;  // of the line last looked at
  for (size_t at : hits) {
    const int line = index.lineAt(at);
    const TextLine& l = index.lines()[static_cast<size_t>(line)];
    const int32_t string = index.bodyOf(line);
    if (string < 0 || at + finder.size() > l.end) continue;
    // A match with part of a tag or a "[$" run in it is not text: replacing it would change a
    // code ("[$20]" into "[$30]", "[PLAYER]" into "[Joueur]"). One holding whole codes is.
    if (spansLine != line) {
      spans = CodeSpans(text.substr(l.start, l.end - l.start));
      spansLine = line;
    }
    const int first = static_cast<int>(at - l.start), last = first + static_cast<int>(finder.size());
    if (std::any_of(spans.begin(), spans.end(), [&](const std::pair<int, int>& code) {
          return first < code.second && last > code.first && (first > code.first || last < code.second);
        }))
      continue;
    out.push_back({static_cast<uint32_t>(string), line, at - l.start, at});
  }
  return out;
}

Replaced ReplaceInTranslation(std::string_view text, uint32_t strings, const TextFinder& finder,
                              std::string_view replacement) {
  Replaced r;
  const std::vector<TextMatch> matches = FindInTranslation(text, strings, finder);
  r.text.reserve(text.size() + matches.size() * replacement.size());
  size_t copied = 0;
  for (const TextMatch& m : matches) {
    r.text.append(text.substr(copied, m.position - copied));
    r.text.append(replacement);
    copied = m.position + finder.size();
  }
  r.text.append(text.substr(copied));
  r.count = static_cast<int>(matches.size());
  // Each changed line as it will read: its matches (all inside it) replaced.
  if (r.count > 0) {
    const SectionIndex before(text, strings);
    for (size_t i = 0; i < matches.size();) {
      const int line = matches[i].line;
      const std::string_view was = before.line(line);
      std::string now;
      size_t from = 0;
      for (; i < matches.size() && matches[i].line == line; ++i) {
        now.append(was.substr(from, matches[i].column - from));
        now.append(replacement);
        from = matches[i].column + finder.size();
      }
      now.append(was.substr(std::min(from, was.size())));
      // A replacement with a line break makes several lines of it.
      // A line beginning ".ENDS" in any case ends the string's bytes there, unless it is a
      // section's first text line, which the encoder always reads.
      const bool firstText = line > 0 && !SectionHeadersOn(before.line(line - 1)).empty();
      const auto endsLike = [](std::string_view piece) { return StartsWithNoCase(piece, kClosingLine); };
      bool ends = false, first = true;
      size_t headers = 0, endsLikeLines = 0;
      for (size_t start = 0; start <= now.size(); first = false) {
        const size_t stop = std::min(now.find_first_of("\r\n", start), now.size());
        const std::string_view piece = std::string_view(now).substr(start, stop - start);
        ends = ends || IsSectionEnd(piece);
        headers += SectionHeadersOn(piece).size();
        endsLikeLines += endsLike(piece) && !(first && firstText) ? 1 : 0;
        start = stop + 1;
      }
      const bool endedBefore = endsLike(was) && !firstText;
      if (ends || headers > SectionHeadersOn(was).size() || endsLikeLines > (endedBefore ? 1u : 0u)) {
        r.breaksSections = line;
        r.endsString = !ends && headers <= SectionHeadersOn(was).size();
        break;
      }
    }
  }
  return r;
}

}  // namespace ts2
